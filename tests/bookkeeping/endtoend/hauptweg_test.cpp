// The main road through the whole program: start, book through the form, see the booking in the
// overview and the new totals in the sums window, start again and find them still there.

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "platform/CommandLine.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>

using namespace rt::win;
using testing_support::settle;

namespace {

void waitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
}

// Clicks into an entry, types over what it shows and leaves it with Tab.
void type(Window& w, int field, const QString& text) {
  testing_support::typeOver(w.widget(field), text);
  QTest::keyClick(w.widget(field), Qt::Key_Tab);
  settle();
}

struct Seen {
  int incomeRows = -1;
  QString firstRowText, yearIncome, result, resultWord;
  QStringList messages;
};

// Runs the program; `drive` runs once the frame and the work windows are open, then the frame is closed.
Seen run(const std::function<void()>& drive) {
  Seen seen;
  platform::setCommandLineForTesting("");
  setOpenHook([&](Window& w) {
    if (w.label() == "P9$WIN") {
      seen.messages << w.text(4).trimmed() + w.text(3).trimmed();
      static_cast<QAbstractButton*>(w.widget(7))->click();
    } else if (w.label() == "$WINMAIN") {
      QTimer::singleShot(0, [&] {
        waitFor([] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
        settle();
        if (drive) drive();
        waitFor([] { return !WinAnzeige.isHidden(FELD_NRAUSGANG); });
        settle();
        seen.incomeRows = WinAnzeige.list(FELD_NREINGANG)->model()->rowCount();
        if (seen.incomeRows > 0)
          seen.firstRowText = WinAnzeige.list(FELD_NREINGANG)->model()->index(0, 1).data().toString();
        seen.yearIncome = WinSummen.text(FELD_S_JEINGANGBRUTTO);
        seen.result = WinSummen.text(FELD_S_JGEWINN);
        seen.resultWord = WinSummen.text(FELD_S_GEWINNSTR).trimmed();
        WinMain.topWidget()->close();
      });
    }
  });
  Hauptprogramm();
  setOpenHook(nullptr);
  settle();
  return seen;
}

}  // namespace

TEST(MainRoadTest, ABookingThroughTheFormReachesTheOverviewAndTheSumsAndStays) {
  testing_support::TempFolder appdata;
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", appdata.path().toUtf8());
  const QString data = appdata.path() + "/Dolmix/Tavik/";
  QDir().mkpath(data);
  QFile(data + "Start.inf").open(QIODevice::WriteOnly);
  rt::setTodayForTesting(rt::dayNumber(2026, 12, 10));

  const Seen first = run([] {
    type(WinBuchung, BF_CODE, "E");  // the default income account 8000
    type(WinBuchung, BF_BRUTTO, "1.190");
    testing_support::clickOn(WinBuchung.widget(BF_TEXT_1));  // marks the "#" of "ReNr #", which the typing replaces
    testing_support::typeKeys(WinBuchung.widget(BF_TEXT_1), "4711");
    QTest::keyClick(WinBuchung.widget(BF_TEXT_1), Qt::Key_Tab);
    settle();
    testing_support::clickOn(WinBuchung.widget(BF_OK));
    waitFor([] { return EINGANGQUEUE.records() == 1; });
  });
  EXPECT_TRUE(first.messages.isEmpty()) << first.messages.join("\n").toStdString();
  EXPECT_EQ(first.incomeRows, 1);
  EXPECT_EQ(first.firstRowText.trimmed(), "ReNr 4711");
  EXPECT_EQ(first.yearIncome, "1.190,00");
  EXPECT_EQ(first.result, "1.190,00");
  EXPECT_EQ(first.resultWord, "Gewinn");

  const Seen again = run({});
  EXPECT_EQ(again.incomeRows, 1);
  EXPECT_EQ(again.yearIncome, "1.190,00");
  EXPECT_EQ(again.resultWord, "Gewinn");

  rt::setTodayForTesting(0);
  qunsetenv("TAVIK_FOLDER_COMMON_APPDATA");
}
