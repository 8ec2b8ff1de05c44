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
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace rt::win;
using testing_support::settle;

namespace {

QFileDialog* openFileDialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) return d;
  return nullptr;
}

}  // namespace

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
  QFileDialog* dialog = openFileDialog();
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
  dialog = openFileDialog();
  ASSERT_TRUE(dialog);
  QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Escape);
  settle();
  ASSERT_EQ(answers.size(), 2);
  EXPECT_EQ(answers[1], "");
  w.close();
  settle();
}
