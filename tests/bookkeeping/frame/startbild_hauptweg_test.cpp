// A whole start with the splash: the booking form keeps the focus on its invisible button while the
// splash is up and puts it on the account entry once the splash is gone; the first account typed
// then moves on with Enter or Tab as the keyboard mode has it.

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "platform/CommandLine.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace rt::win;
using testing_support::settle;

namespace {

void waitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
}

QWidget* focused() { return QApplication::focusWidget(); }

}  // namespace

TEST(StartbildHauptwegTest, TheFirstEnterOrTabAfterTheSplashTakesTheAccount) {
  testing_support::TempFolder appdata;
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", appdata.path().toUtf8());
  const QString data = appdata.path() + "/Dolmix/Tavik/";
  QDir().mkpath(data);
  QFile(data + "Start.inf").open(QIODevice::WriteOnly);
  platform::setCommandLineForTesting("");
  struct Case {
    int tastatur;
    Qt::Key key;
    bool clicked;  // the splash ends by a click, or is closed by other means
  };
  for (const Case& c : {Case{1, Qt::Key_Return, true}, Case{2, Qt::Key_Tab, true}, Case{1, Qt::Key_Return, false},
                        Case{2, Qt::Key_Tab, false}}) {
    SCOPED_TRACE(testing::Message() << "mode " << c.tastatur << (c.clicked ? " clicked" : " closed"));
    PARAPFAD = data + "Para.dat";
    PARA = PARA_T{};
    ParameterLaden();
    PARA.TASTATUR = static_cast<std::uint8_t>(c.tastatur);
    ParameterSpeichern();
    STARTBILDAKTIV = 1;
    bool driven = false;
    setOpenHook([&](Window& w) {
      if (w.label() != "$WINMAIN") return;
      QTimer::singleShot(0, [&] {
        waitFor([] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
        settle();
        Window* splash = findWindow("P7$WIN");
        EXPECT_NE(splash, nullptr);
        EXPECT_EQ(STARTBILDAKTIV, 1);
        EXPECT_EQ(WinBuchung.focusField(), BF_HILF);
        if (splash) {
          // A key while the splash is up leaves it up.
          if (focused()) QTest::keyClick(focused(), c.key);
          settle();
          EXPECT_EQ(findWindow("P7$WIN"), splash);
          if (c.clicked)
            QTest::mouseClick(splash->widget(1), Qt::LeftButton);
          else
            splash->topWidget()->close();
          settle();
        }
        EXPECT_EQ(findWindow("P7$WIN"), nullptr);
        EXPECT_EQ(STARTBILDAKTIV, 0);
        if (!c.clicked) {
          // Nobody was told: the form's first selection puts the focus on the account entry.
          WinBuchung.activate();
          settle();
          if (focused()) QTest::keyClick(focused(), Qt::Key_Tab);
          settle();
        }
        EXPECT_EQ(WinBuchung.focusField(), BF_CODE);
        if (WinBuchung.focusField() == BF_CODE) {
          QTest::keyClicks(focused(), "E");
          QTest::keyClick(focused(), c.key);
          settle();
          EXPECT_EQ(WinBuchung.text(BF_KONTONR), "8000");
          EXPECT_EQ(WinBuchung.focusField(), BF_DATUM);
        }
        driven = true;
        WinMain.topWidget()->close();
      });
    });
    Hauptprogramm();
    setOpenHook(nullptr);
    settle();
    EXPECT_TRUE(driven);
  }
  qunsetenv("TAVIK_FOLDER_COMMON_APPDATA");
}
