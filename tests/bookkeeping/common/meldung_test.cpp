#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

using namespace rt::win;
using testing_support::settle;

namespace {

struct Layout {
  int width = 0;
  int okX = 0, cancelX = 0;
  bool cancelShown = false;
  QStringList rows;
};

// Shows a message, answers it in the given way and reports what the window looked like.
std::uint8_t show(const QStringList& lines, std::uint8_t centred, std::uint8_t withCancel, int answer,
                  Layout* layout) {
  setOpenHook([&](Window& w) {
    if (w.label() != "P9$WIN") return;
    layout->width = w.position().width();
    layout->okX = w.controlPosition(7).x();
    layout->cancelX = w.controlPosition(8).x();
    layout->cancelShown = !w.isHidden(8);
    for (int f = 3; f <= 6; ++f) layout->rows << w.text(f);
    if (answer < 0)
      w.topWidget()->close();
    else
      static_cast<QAbstractButton*>(w.widget(answer))->click();
  });
  const std::uint8_t r = Meldung(lines.value(0), lines.value(1), lines.value(2), lines.value(3), centred, withCancel);
  setOpenHook(nullptr);
  return r;
}

constexpr int kOk = 7, kCancel = 8, kClose = -1;

}  // namespace

TEST(MeldungTest, LayoutAndAnswers) {
  const QString l50(50, 'x'), l51(51, 'y');
  struct Case {
    const char* name;
    QStringList lines;
    std::uint8_t centred, withCancel;
    int answer;
    std::uint8_t result;
    int width, okX, cancelX;
    QStringList rows;
  };
  const Case cases[] = {
      {"four empty lines", {"", "", "", ""}, 0, 0, kOk, 1, 200, 90, -1, {"", "", "", ""}},
      {"50 characters stay narrow", {l50}, 0, 0, kOk, 1, 200, 90, -1, {l50, "", "", ""}},
      {"51 characters widen", {l51}, 0, 0, kOk, 1, 300, 140, -1, {l51, "", "", ""}},
      {"wide question", {l51}, 0, 1, kCancel, 0, 300, 55, 165, {l51, "", "", ""}},
      {"narrow question", {"Soll sie neu angelegt werden?"}, 0, 1, kOk, 1, 200, 35, 125,
       {"Soll sie neu angelegt werden?", "", "", ""}},
      {"centred ignores 3 and 4 but measures them", {"eins", "zwei", "drei", l51}, 1, 0, kOk, 1, 300, 140, -1,
       {"", "eins", "zwei", ""}},
      {"close request on a plain message", {"Hinweis"}, 1, 0, kClose, 0, 200, 90, -1, {"", "Hinweis", "", ""}},
      {"close request on a question", {"Frage?"}, 1, 1, kClose, 0, 200, 35, 125, {"", "Frage?", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Layout l;
    EXPECT_EQ(show(c.lines, c.centred, c.withCancel, c.answer, &l), c.result);
    EXPECT_EQ(l.width, c.width);
    EXPECT_EQ(l.okX, c.okX);
    EXPECT_EQ(l.cancelShown, c.withCancel != 0);
    if (c.withCancel) { EXPECT_EQ(l.cancelX, c.cancelX); }
    EXPECT_EQ(l.rows, c.rows);
  }
}

// A long path shows whole: the window grows as wide as its longest row needs, centred on the same
// point, with the buttons in its middle.
TEST(MeldungTest, ALongPathShowsWhole) {
  const QString pfad = "/home/anna-lena.mustermann/Dokumente/Buchhaltung/Steuerberater Unterlagen 2026/"
                       "Quartalsauswertungen/Tavik! Druck 2026-12-10 15.30.05 (2).pdf";
  ASSERT_GT(pfad.size(), 80);
  for (const std::uint8_t mitAbbruch : {0, 1}) {
    SCOPED_TRACE(mitAbbruch);
    QRect fenster, zeile, ok;
    QString gezeigt;
    int textBreite = 0;
    setOpenHook([&](Window& w) {
      if (w.label() != "P9$WIN") return;
      fenster = w.position();
      zeile = w.controlPosition(5);
      ok = w.controlPosition(kOk);
      gezeigt = w.text(5);
      textBreite = w.textWidth(5, gezeigt);
      static_cast<QAbstractButton*>(w.widget(kOk))->click();
    });
    EXPECT_EQ(Meldung("Der Ausdruck wurde als PDF-Datei gespeichert:", pfad, "", "", 1, mitAbbruch), 1);
    setOpenHook(nullptr);
    EXPECT_EQ(gezeigt, pfad);
    EXPECT_GT(fenster.width(), 300);
    EXPECT_GE(zeile.width(), textBreite + 28);  // clear of the inner panel's edges
    EXPECT_LE(zeile.right(), fenster.width() + 1);
    EXPECT_NEAR(ok.center().x(), fenster.width() / 2 + (mitAbbruch ? -75 : 10), 2);
  }
}

namespace {

WindowDef askingDef() {
  WindowDef d;
  d.label = "FRAGER";
  d.caption = "Frager";
  d.w = 200;
  d.h = 100;
  d.controls = {
      {.field = 1, .label = "?OK", .kind = Kind::Button, .text = "Ok", .x = 10, .y = 80, .w = 40, .h = 12},
      {.field = 2, .label = "?ABBRUCH", .kind = Kind::Button, .text = "Abbruch", .x = 60, .y = 80, .w = 40, .h = 12},
      {.field = 3, .label = "?A", .kind = Kind::Entry, .x = 10, .y = 10, .w = 80},
      {.field = 4, .label = "?B", .kind = Kind::Entry, .x = 10, .y = 30, .w = 80},
  };
  return d;
}

struct KeysTest : ::testing::Test {
  void SetUp() override { clearKeyAliases(); }
  void TearDown() override {
    clearKeyAliases();
    PARA.TASTATUR = 0;
    settle();
  }
};

}  // namespace

TEST_F(KeysTest, BelegenActsOnlyInTheExtendedModeUnlessForced) {
  Window w(askingDef());
  w.open();
  w.attach([](Window&, const Event&) { return Pass::Default; });
  struct Case {
    int tastatur;
    std::uint8_t forced;
    bool set;
  };
  for (const Case c : {Case{2, 0, false}, Case{2, 1, true}, Case{1, 0, true}}) {
    SCOPED_TRACE(c.tastatur * 10 + c.forced);
    clearKeyAliases();
    w.clearAlertKeys();
    PARA.TASTATUR = static_cast<std::uint8_t>(c.tastatur);
    TastenBelegen(2, 1, c.forced);
    EXPECT_EQ(keyAlias(VK_Enter), c.set ? VK_Tab : 0);
    EXPECT_EQ(keyAlias(VK_Up), c.set ? VK_ShiftTab : 0);
    EXPECT_EQ(w.hasAlertKey(VK_F2), c.set);
  }
  TastenLoeschen();
  EXPECT_EQ(keyAlias(VK_Enter), 0);
  EXPECT_FALSE(w.hasAlertKey(VK_F2));
  w.close();
}

TEST_F(KeysTest, EnterStaysEnterOnTheButtonsAndMovesOnFromField3) {
  PARA.TASTATUR = 1;
  Window w(askingDef());
  w.open();
  w.attach([](Window&, const Event& e) {
    if (e.code == EV_Selected) TastenBelegen(2, 0, 0);
    return Pass::Default;
  });
  settle();
  for (int field : {1, 2, 3, 4, 2}) {
    SCOPED_TRACE(field);
    w.giveFocus(field);
    settle();
    EXPECT_EQ(keyAlias(VK_Enter), field > 2 ? VK_Tab : 0);
  }
  w.close();
}

TEST_F(KeysTest, AfterAMessageEnterMovesOnAgainInTheAskingWindow) {
  PARA.TASTATUR = 1;
  testing_support::MessageAnswers answers;
  Window w(askingDef());
  w.open();
  bool asked = false;
  w.attach([&](Window&, const Event& e) {
    if (e.code == EV_Selected) {
      TastenBelegen(2, 0, 0);
      if (e.field == 3 && !asked) {
        asked = true;
        Meldung("Konto muss angewählt werden!", "", "", "", 1, 0);
      }
    }
    return Pass::Default;
  });
  settle();
  w.giveFocus(3);
  settle();
  ASSERT_EQ(answers.texts(), QStringList{"Konto muss angewählt werden!"});
  EXPECT_EQ(w.focusField(), 3);
  QTest::keyClick(w.widget(3), Qt::Key_Return);
  settle();
  EXPECT_EQ(w.focusField(), 4);
  w.close();
}
