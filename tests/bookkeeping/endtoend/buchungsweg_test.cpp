// The booking form within the whole program: the first keys after a start, a booking handed over
// from the overview by a double click, and a booking that survives the program's death.

#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Queues.h"
#include "tests/bookkeeping/endtoend/Programm.h"
#include "runtime/window/ListBox.h"

#include <QAbstractItemModel>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>

using namespace rt::win;
using testing_support::settle;
using namespace programm;

namespace {

const char* wie(Startbildende e) { return e == Startbildende::Zeit ? "timer" : "click"; }

}  // namespace

TEST(BuchungswegTest, TheFirstEnterOrTabAfterAStartMovesOnFromTheAccountToTheDate) {
  struct Case {
    int tastatur;
    Qt::Key key;
    Startbildende ende;
  };
  for (const Case& c : {Case{1, Qt::Key_Return, Startbildende::Zeit}, Case{1, Qt::Key_Return, Startbildende::Klick},
                        Case{2, Qt::Key_Tab, Startbildende::Zeit}, Case{2, Qt::Key_Tab, Startbildende::Klick}}) {
    SCOPED_TRACE(testing::Message() << "mode " << c.tastatur << ", splash ended by " << wie(c.ende));
    Datenordner ordner;
    rt::setTodayForTesting(rt::dayNumber(2026, 12, 10));
    ordner.einstellen([&] { PARA.TASTATUR = static_cast<std::uint8_t>(c.tastatur); });
    bool driven = false;
    const QStringList messages = starten([&] {
      startbildBeenden(c.ende);
      ASSERT_EQ(WinBuchung.focusField(), BF_CODE);
      typeHere("E");
      press(c.key);
      EXPECT_EQ(WinBuchung.text(BF_KONTONR), "8000");
      EXPECT_EQ(WinBuchung.focusField(), BF_DATUM);
      // What is typed next goes into the date, and the key moves on again.
      typeHere("11.12.2026");
      press(c.key);
      EXPECT_EQ(CODE.clip(), "E");
      EXPECT_EQ(WinBuchung.text(BF_DATUM), "11.12.2026");
      EXPECT_EQ(rt::dayNumber(BUCHUNGEINGABE.DATUM), rt::dayNumber(2026, 12, 11));
      EXPECT_EQ(WinBuchung.focusField(), BF_DATUMMERKEN);
      driven = true;
    });
    EXPECT_TRUE(driven);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    rt::setTodayForTesting(0);
  }
}

TEST(BuchungswegTest, ABookingHandedOverByADoubleClickShowsWithItsAccount) {
  Datenordner ordner;
  rt::setTodayForTesting(rt::dayNumber(2026, 12, 10));
  starten([] { startbildBeenden(Startbildende::Klick); });  // the first start writes the default accounts
  ASSERT_TRUE(ordner.buchungenOeffnen());
  struct Neu {
    int nr, tag;
    const char* konto;
    double brutto;
    const char* text;
  };
  for (const Neu& b : {Neu{1, 3, "8000", 119, "ReNr 1"}, Neu{2, 5, "8000", 238, "ReNr 2"}, Neu{3, 7, "4010", 59.5, "Telefon"}}) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = b.nr;
    BUCHUNG.KONTO = b.konto;
    BUCHUNG.ART = b.konto[0] == '8' ? 1 : 2;
    BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2026, 12, b.tag));
    BUCHUNG.BRUTTO = rt::Cents::fromReal(b.brutto);
    BUCHUNG.MWSTSATZ = 2;
    BUCHUNG.TEXT[0] = b.text;
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
  BUCHUNGDATEI.close();

  {
    bool driven = false;
    const QStringList messages = starten([&] {
      startbildBeenden(Startbildende::Klick);
      ListBox* eingang = WinAnzeige.list(FELD_NREINGANG);
      waitFor([&] { return eingang->model()->rowCount() == 2; });
      ASSERT_EQ(eingang->model()->rowCount(), 2);
      // The user has been in the form's account entry, then double-clicks the newest income booking.
      testing_support::clickOn(WinBuchung.widget(BF_CODE));
      QTest::mouseClick(WinBuchung.topWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 6));  // its caption
      settle();
      const QRect zeile = eingang->visualRect(eingang->model()->index(0, 1));
      QTest::mouseDClick(eingang->viewport(), Qt::LeftButton, Qt::NoModifier, zeile.center());
      waitFor([] { return EINGANGQUEUE.records() == 1; });
      QTest::qWait(100);
      settle();
      Window& w = WinBuchung;
      EXPECT_EQ(CODE.clip(), "8000");
      EXPECT_EQ(w.text(BF_KONTONR), "8000");
      EXPECT_FALSE(w.isHidden(BF_BOX));
      EXPECT_TRUE(w.isHidden(BF_NR)) << "the pick list gives way to the account";
      EXPECT_TRUE(w.isHidden(BF_ZAHL));
      EXPECT_TRUE(w.isEnabled(BF_OK));
      EXPECT_FALSE(w.isHidden(BF_KONTOMWST));
      EXPECT_FALSE(w.isHidden(BF_NETTOKNOPF));
      EXPECT_EQ(w.fill(BF_ZAHLART), QColor(0, 176, 0));
      EXPECT_EQ(w.wallpaper(), "~Eingang.gif");
      EXPECT_EQ(w.text(BF_BRUTTO), "238,00");
      EXPECT_EQ(w.text(BF_TEXT_1), "ReNr 2");
      driven = true;
    });
    EXPECT_TRUE(driven);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
  }
  rt::setTodayForTesting(0);
}

namespace {
// The program as a second process: "--child=gespeichert <Common AppData>". It books one income of
// 119,00 through the form and dies the moment the notice "Gespeichert" is up.
int dieAtTheNotice(const QStringList& args) {
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", args.value(0).toUtf8());
  platform::setCommandLineForTesting("");
  setOpenHook([](Window& w) {
    if (w.label() == "P26$WIN") std::raise(SIGKILL);
    if (w.label() == "P9$WIN") {
      std::cout << w.text(4).trimmed().toStdString() << std::endl;
      static_cast<QAbstractButton*>(w.widget(7))->click();
    }
    if (w.label() != "$WINMAIN") return;
    QTimer::singleShot(0, [] {
      waitFor([] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
      settle();
      startbildBeenden(Startbildende::Klick);
      typeHere("E");
      press(Qt::Key_Tab);
      testing_support::typeOver(WinBuchung.widget(BF_BRUTTO), "119");
      press(Qt::Key_Tab);
      testing_support::clickOn(WinBuchung.widget(BF_OK));
      waitFor([] { return false; }, 3000);  // the notice ends the process
      WinMain.topWidget()->close();
    });
  });
  Hauptprogramm();
  return 0;
}
TAVIK_CHILD_MODE("gespeichert", dieAtTheNotice);
}  // namespace

TEST(BuchungswegTest, ABookingWhoseNoticeWasShownIsInTheFileWhenTheProgramDiesRightThen) {
  Datenordner ordner;
  QProcess child;
  child.start(testing_support::selfPath(), {"--child=gespeichert", ordner.appdata.path()});
  ASSERT_TRUE(child.waitForFinished(30000));
  ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAllStandardOutput().toStdString();

  ASSERT_TRUE(ordner.buchungenOeffnen());
  BUCHUNG.NR = 0;
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
  ASSERT_EQ(BUCHUNGDATEI.next(), 0) << "the booking is in the file";
  EXPECT_EQ(+BUCHUNG.NR, 1);
  EXPECT_EQ(BUCHUNG.KONTO.clip(), "8000");
  EXPECT_EQ(BUCHUNG.BRUTTO, rt::Cents::fromReal(119));
  EXPECT_EQ(BUCHUNG.NETTO, rt::Cents::fromReal(100));
  EXPECT_EQ(BUCHUNG.TEXT[0].clip(), "ReNr #");
  EXPECT_NE(BUCHUNGDATEI.next(), 0) << "and only once";
  BUCHUNGDATEI.close();
}

TEST(BuchungswegTest, WithTheProgramsInputMessageARejectedAmountLeftByTabIsToldOnce) {
  setInvalidInputHandler(EingabefehlerMelden);
  for (int tastatur : {1, 2}) {
    SCOPED_TRACE(tastatur);
    Datenordner ordner;
    ordner.einstellen([&] { PARA.TASTATUR = static_cast<std::uint8_t>(tastatur); });
    bool driven = false;
    const QStringList messages = starten([&] {
      startbildBeenden(Startbildende::Klick);
      typeHere("E");
      press(Qt::Key_Tab);
      testing_support::typeOver(WinBuchung.widget(BF_BRUTTO), "12.50");
      press(Qt::Key_Tab);  // the message comes and is answered with Enter
      QTest::qWait(300);
      settle();
      EXPECT_EQ(findWindow("P9$WIN"), nullptr);
      EXPECT_EQ(WinBuchung.focusField(), BF_BRUTTO);
      QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
      typeHere("12,50");
      press(Qt::Key_Tab);
      EXPECT_EQ(BUCHUNGEINGABE.BRUTTO, rt::Cents::fromReal(12.5));
      EXPECT_NE(WinBuchung.focusField(), BF_BRUTTO);
      driven = true;
    });
    EXPECT_TRUE(driven);
    EXPECT_EQ(messages, QStringList{"Die Eingabe \"12.50\" ist ungültig. | Bitte einen Betrag wie 1.234,56 oder 1234,56 eingeben."});
  }
  setInvalidInputHandler(nullptr);
}
