// Qt's standard dialogs as the program's threads use them, answered through their own widgets.

#include "runtime/window/Application.h"
#include "runtime/window/Dialogs.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace rt::win;
using testing_support::settle;

TEST(DialogsTest, TheFolderChoiceAnswersWithTheFolderAndATrailingSeparatorOrNothing) {
  setUpApplication();  // Qt's German texts
  testing_support::TempFolder temp;
  ASSERT_TRUE(QDir(temp.path()).mkpath("Export/2024"));
  WindowDef d;
  d.label = "P49$WIN";
  d.caption = "CSV-Datenexport";
  d.w = 200;
  d.h = 60;
  d.controls = {{.field = 1, .label = "?DATEIWAEHLEN", .kind = Kind::Button, .text = "Ordner ändern", .x = 10,
                 .y = 10, .w = 70, .h = 14}};
  Window w(d);
  QStringList answers;
  start([&] {
    w.open();
    w.attach([&](Window&, const Event& e) {
      if (e.code == EV_Accepted && e.field == 1)
        answers << chooseFolder("Ordner für CSV Datei wählen", temp.path() + "/Export   ");
      return Pass::Default;
    });
  });
  settle();

  // Chosen by typing its name into the dialog and Enter.
  testing_support::clickOn(w.widget(1));
  settle();
  QFileDialog* dialog = testing_support::shown<QFileDialog>();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->windowTitle(), "Ordner für CSV Datei wählen");
  EXPECT_EQ(QDir(dialog->directory()).absolutePath(), QDir(temp.path() + "/Export").absolutePath());
  EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
  EXPECT_FALSE(w.takesInput());
  // Its buttons speak German.
  auto* box = dialog->findChild<QDialogButtonBox*>();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), "Abbrechen");
  auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_TRUE(name);
  testing_support::typeOver(name, "2024");
  QTest::keyClick(name, Qt::Key_Return);
  settle();
  ASSERT_EQ(answers.size(), 1);
  EXPECT_EQ(answers[0], QDir::toNativeSeparators(temp.path() + "/Export/2024/"));
  EXPECT_TRUE(w.takesInput());

  // Esc cancels: nothing is chosen.
  testing_support::clickOn(w.widget(1));
  settle();
  dialog = testing_support::shown<QFileDialog>();
  ASSERT_TRUE(dialog);
  QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Escape);
  settle();
  ASSERT_EQ(answers.size(), 2);
  EXPECT_EQ(answers[1], "");
  w.close();
  settle();
}

TEST(DialogsTest, AMessageBoxAnswersWithTheNumberOfTheChosenButtonAndNothingWhenItsWindowGoes) {
  setUpApplication();
  WindowDef d;
  d.label = "FRAGE";
  d.caption = "Frage";
  d.w = 200;
  d.h = 60;
  d.controls = {{.field = 1, .label = "?FRAGEN", .kind = Kind::Button, .text = "Fragen", .x = 10, .y = 10, .w = 70,
                 .h = 14}};
  struct Case {
    const char* name;
    std::function<void(QMessageBox*, Window&)> answer;
    int chosen;
  };
  const std::vector<Case> cases = {
      {"second button clicked", [](QMessageBox* b, Window&) { QTest::mouseClick(b->buttons().value(1), Qt::LeftButton); }, 2},
      {"Enter: the first", [](QMessageBox* b, Window&) { QTest::keyClick(b, Qt::Key_Return); }, 1},
      {"Esc: the first", [](QMessageBox* b, Window&) { QTest::keyClick(b, Qt::Key_Escape); }, 1},
      {"its window closed", [](QMessageBox*, Window& w) { w.close(); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w(d);
    int chosen = -1;
    start([&] {
      w.open();
      w.attach([&](Window&, const Event& e) {
        if (e.code == EV_Accepted && e.field == 1)
          chosen = messageBox("Wirklich installieren?", "Tavik", {"Abbruch", "Bin Spezialist"});
        return Pass::Default;
      });
    });
    settle();
    testing_support::clickOn(w.widget(1));
    QPointer<QMessageBox> shown = testing_support::shown<QMessageBox>();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text(), "Wirklich installieren?");
    EXPECT_EQ(shown->windowTitle(), "Tavik");
    ASSERT_EQ(shown->buttons().size(), 2);
    EXPECT_EQ(shown->defaultButton()->text(), "Abbruch");
    c.answer(shown, w);
    settle();
    EXPECT_EQ(chosen, c.chosen);
    EXPECT_FALSE(shown);
    w.close();
    settle();
  }
}
