// The settings window, driven as a user does: clicks, typing, Tab, F2; what reaches PARA, "Para.dat"
// and the other windows.

#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/settings/Einstellungen.h"
#include "runtime/window/Keys.h"
#include "tests/bookkeeping/booking/uebersicht_fixture.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace rt::win;
using testing_support::settle;
using testing_support::MessageAnswers;

namespace {

QByteArray bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool samePara(const PARA_T& a, const PARA_T& b) { return std::memcmp(&a, &b, sizeof(PARA_T)) == 0; }

struct EinstellungenTest : WorkWindowTest {
  std::unique_ptr<MessageAnswers> answers;
  // Two windows that stand in for the sums window and the overview and record every event.
  Window summen{WindowDef{.label = "SUMMEN", .w = 40, .h = 20}};
  Window anzeige{WindowDef{.label = "ANZEIGE", .w = 40, .h = 20}};
  std::vector<int> anSummen, anAnzeige;

  void SetUp() override {
    WorkWindowTest::SetUp();
    PARA = PARA_T{};
    ParameterLaden();  // the defaults: mode 1, rates 19 and 7, "Windows Standard"
    PARA.NAME = "Erika Muster";
    ParameterSpeichern();
    clearKeyAliases();
    answers = std::make_unique<MessageAnswers>();
  }
  void TearDown() override {
    for (Window* w : {&summen, &anzeige}) w->close();
    answers.reset();
    clearKeyAliases();
    WorkWindowTest::TearDown();
  }
  void standIns() {
    auto recorder = [](Window& w, std::vector<int>& seen) {
      return start([&w, &seen] {
        w.open();
        w.attach([&seen](Window&, const Event& e) {
          if (e.code >= EV_User || e.code == EV_Sized) seen.push_back(e.code);
          return Pass::Default;
        });
      });
    };
    THREADSUMMEN = recorder(summen, anSummen);
    THREADANZEIGE = recorder(anzeige, anAnzeige);
    settle();
    anSummen.clear();
    anAnzeige.clear();
  }

  // Opens the settings, runs `drive` in them and returns when the window has closed. A window that
  // the drive leaves open fails the test and is closed.
  void settings(const std::function<void(Window&)>& drive) {
    QTimer::singleShot(0, [&] {
      settle();
      Window* w = findWindow("P17$WIN");
      ASSERT_NE(w, nullptr);
      drive(*w);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      ADD_FAILURE() << "the settings window is still open";
      if (Window* w = findWindow("P17$WIN")) w->close();
    });
    watchdog.start(10000);
    EinstellungenBearbeiten();
    watchdog.stop();
    settle();
  }
  static void click(Window& w, int field) {
    QTest::mouseClick(w.widget(field), Qt::LeftButton);
    settle();
  }
  // Clicks into an entry, replaces what it shows by typing, and leaves it with Tab.
  static void type(Window& w, int field, const QString& text, bool leave = true) {
    click(w, field);
    auto* e = qobject_cast<QLineEdit*>(w.widget(field));
    e->selectAll();
    for (QChar ch : text) QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    settle();
    if (leave) QTest::keyClick(e, Qt::Key_Tab);
    settle();
  }
  static std::vector<bool> rateEntriesEnabled(Window& w) {
    std::vector<bool> out;
    for (int f = EF_MWST_1; f <= EF_MWST_5; ++f) out.push_back(w.isEnabled(f));
    return out;
  }
};

const std::vector<bool> kNurEins = {false, true, true, true, true};
const std::vector<bool> kKeine = {false, false, false, false, false};

}  // namespace

TEST_F(EinstellungenTest, TheBookingModeSwitchesTheRateEntriesAtOnce) {
  struct Case {
    int openedIn;
    std::vector<bool> atOpening;
  };
  for (const Case& c : {Case{1, kNurEins}, Case{2, kKeine}, Case{3, kKeine}}) {
    SCOPED_TRACE(c.openedIn);
    PARA.BUCHUNGSART = static_cast<std::uint8_t>(c.openedIn);
    settings([&](Window& w) {
      EXPECT_EQ(rateEntriesEnabled(w), c.atOpening);
      EXPECT_EQ(w.focusField(), EF_BUCHUNGSART);
      EXPECT_EQ(w.text(EF_MWST_2), "19,00");
      EXPECT_EQ(w.text(EF_MWST_3), "7,00");
      for (int mode : {2, 3, 1, 3, 1}) {
        click(w, EF_BUCHUNGSART + mode);
        EXPECT_EQ(PARA.BUCHUNGSART, mode) << "takes effect at once";
        EXPECT_EQ(rateEntriesEnabled(w), mode == 1 ? kNurEins : kKeine) << mode;
      }
      // The arrow key moves to the next mode, as a click does.
      QTest::keyClick(w.widget(EF_BUCHUNGSART + 1), Qt::Key_Down);
      settle();
      EXPECT_EQ(PARA.BUCHUNGSART, 2);
      EXPECT_EQ(rateEntriesEnabled(w), kKeine);
      EXPECT_EQ(w.text(EF_MWST_2), "19,00") << "the values stay";
      click(w, EF_ABBRUCH2);
    });
  }
}

TEST_F(EinstellungenTest, LeavingWithoutOkRestoresEverythingAndTellsNobody) {
  const QByteArray before = bytes(PARAPFAD.clip());
  const PARA_T stored = PARA;
  standIns();
  for (const char* how : {"Abbruch", "close box", "Esc"}) {
    SCOPED_TRACE(how);
    settings([&](Window& w) {
      click(w, EF_BUCHUNGSART + 1);
      type(w, EF_MWST_2, "16");
      type(w, EF_NAME, "Max Mustermann");
      type(w, EF_PLZORT, "12345 Köln");
      click(w, EF_TASTATUR + 1);
      click(w, EF_FENSTERXY);
      // Every change is in PARA at once, before any "OK".
      EXPECT_EQ(PARA.MWST_2, 16);
      EXPECT_EQ(PARA.NAME.clip(), "Max Mustermann");
      EXPECT_EQ(PARA.PLZORT.clip(), "12345 Köln");
      EXPECT_EQ(PARA.TASTATUR, 1);
      EXPECT_EQ(PARA.FENSTERXY, 1);
      click(w, EF_BUCHUNGSART + 3);
      EXPECT_EQ(PARA.BUCHUNGSART, 3);
      if (QString(how) == "Abbruch")
        click(w, EF_ABBRUCH2);
      else if (QString(how) == "close box")
        w.topWidget()->close();
      else
        QTest::keyClick(w.widget(EF_NAME), Qt::Key_Escape);
      settle();
    });
    EXPECT_EQ(bytes(PARAPFAD.clip()), before);
    EXPECT_TRUE(samePara(PARA, stored));
    EXPECT_EQ(PARA.BUCHUNGSART, 1);
    EXPECT_EQ(PARA.NAME.clip(), "Erika Muster");
    EXPECT_TRUE(anSummen.empty());
    EXPECT_TRUE(anAnzeige.empty());
    EXPECT_EQ(keyAlias(VK_Enter), 0) << "the keys of the extended mode tried in the window are gone";
    EXPECT_EQ(keyAlias(VK_Up), 0);
  }
}

TEST_F(EinstellungenTest, OkSavesEverythingAndTellsTheSumsWindowAndTheOverviewOnce) {
  standIns();
  settings([&](Window& w) {
    click(w, EF_BUCHUNGSART + 1);
    type(w, EF_MWST_4, "5,5");
    type(w, EF_NAME2, "Beratung & Schulung");
    type(w, EF_STRASSE, "Hauptstraße 7");
    click(w, EF_FENSTERXY);
    EXPECT_TRUE(anSummen.empty()) << "nothing is posted before OK";
    click(w, EF_SPEICHERN);
  });
  EXPECT_EQ(anSummen, std::vector<int>{EVENT_EinstellungenGeaendert});
  EXPECT_EQ(anAnzeige, std::vector<int>{EV_Sized});
  const PARA_T shown = PARA;
  PARA = PARA_T{};
  ParameterLaden();
  EXPECT_TRUE(samePara(PARA, shown));
  EXPECT_EQ(PARA.MWST_4, 5.5);
  EXPECT_EQ(PARA.NAME2.clip(), "Beratung & Schulung");
  EXPECT_EQ(PARA.STRASSE.clip(), "Hauptstraße 7");
  EXPECT_EQ(PARA.FENSTERXY, 1);
  EXPECT_EQ(PARA.NAME.clip(), "Erika Muster");
}

TEST_F(EinstellungenTest, ARateThatItsPictureRejectsIsNeitherSavedNorConfirmed) {
  standIns();
  const QByteArray before = bytes(PARAPFAD.clip());
  for (const char* typed : {"abc", "100"}) {
    SCOPED_TRACE(typed);
    settings([&](Window& w) {
      type(w, EF_MWST_2, typed, false);
      click(w, EF_SPEICHERN);
      EXPECT_TRUE(anSummen.empty()) << "OK does not confirm over a rejected rate";
      EXPECT_EQ(w.text(EF_MWST_2), typed);
      EXPECT_EQ(PARA.MWST_2, 19);
      type(w, EF_MWST_2, "16");
      click(w, EF_ABBRUCH2);
    });
    EXPECT_FALSE(answers->texts().isEmpty());
    EXPECT_TRUE(answers->texts().last().startsWith(QString("Die Eingabe \"") + typed + "\" ist ungültig."));
    EXPECT_EQ(bytes(PARAPFAD.clip()), before);
    EXPECT_TRUE(anSummen.empty());
  }
}

// As the program runs, with its own message for rejected input: a rate left by Tab is told once,
// Enter (where the focus is) answers the message, and the window goes on with the entry.
TEST_F(EinstellungenTest, ARejectedRateLeftByTabIsToldOnceAndEnterAnswersTheMessage) {
  standIns();
  answers.reset();  // the messages are answered by the keyboard here
  setInvalidInputHandler(EingabefehlerMelden);
  for (int tastatur : {1, 2}) {
    SCOPED_TRACE(tastatur);
    PARA.TASTATUR = static_cast<std::uint8_t>(tastatur);
    ParameterSpeichern();
    int gezeigt = 0;
    setOpenHook([&](Window& m) {
      if (m.label() == "P9$WIN") ++gezeigt;
    });
    settings([&](Window& w) {
      type(w, EF_MWST_2, "abc");
      EXPECT_EQ(gezeigt, 1);
      Window* meldung = findWindow("P9$WIN");
      ASSERT_NE(meldung, nullptr);
      EXPECT_EQ(meldung->text(4).trimmed().toStdString(), "Die Eingabe \"abc\" ist ungültig.");
      QWidget* fokus = QApplication::focusWidget();
      ASSERT_NE(fokus, nullptr);
      EXPECT_EQ(fokus, meldung->widget(7)) << "Enter goes to \"OK\"";
      QTest::keyClick(fokus, Qt::Key_Return);
      settle();
      EXPECT_EQ(gezeigt, 1);
      EXPECT_FALSE(findWindow("P9$WIN"));
      EXPECT_EQ(w.focusField(), EF_MWST_2);
      EXPECT_EQ(w.text(EF_MWST_2), "abc");
      type(w, EF_MWST_2, "16");
      EXPECT_EQ(gezeigt, 1);
      click(w, EF_SPEICHERN);
    });
    EXPECT_FALSE(findWindow("P17$WIN"));
    EXPECT_EQ(PARA.MWST_2, 16);
    PARA.MWST_2 = 19;
  }
  setOpenHook(nullptr);
  setInvalidInputHandler(nullptr);
}

TEST_F(EinstellungenTest, F2ConfirmsWithTheRateBeingTypedOnlyInTheExtendedKeyboardMode) {
  standIns();
  for (int tastatur : {1, 2}) {
    SCOPED_TRACE(tastatur);
    PARA.TASTATUR = static_cast<std::uint8_t>(tastatur);
    ParameterSpeichern();
    settings([&](Window& w) {
      type(w, EF_MWST_2, "16", false);  // still in the entry
      QTest::keyClick(w.widget(EF_MWST_2), Qt::Key_F2);
      settle();
      // In "Windows Standard" F2 is no key: the window stays and is left with "Abbruch".
      if (tastatur == 2) click(w, EF_ABBRUCH2);
    });
    PARA = PARA_T{};
    ParameterLaden();
    EXPECT_EQ(PARA.MWST_2, tastatur == 1 ? 16 : 19);
    EXPECT_EQ(anSummen.size(), tastatur == 1 ? 1u : 0u);
    anSummen.clear();
    PARA.MWST_2 = 19;
    ParameterSpeichern();
  }
}

TEST_F(EinstellungenTest, OkAppliesTheNewKeyboardModeAtOnce) {
  standIns();
  // To "Windows Erweitert": Enter moves on and F2 confirms, without any window gaining the focus.
  settings([&](Window& w) {
    EXPECT_EQ(keyAlias(VK_Enter), 0);
    click(w, EF_TASTATUR + 1);
    click(w, EF_SPEICHERN);
  });
  EXPECT_EQ(keyAlias(VK_Enter), VK_Tab);
  EXPECT_EQ(keyAlias(VK_Up), VK_ShiftTab);
  // Enter on a button still presses it; F2 confirms.
  settings([&](Window& w) {
    type(w, EF_NAME, "Max", false);
    QTest::keyClick(w.widget(EF_NAME), Qt::Key_Return);  // Enter moves on like Tab
    settle();
    EXPECT_EQ(w.focusField(), EF_NAME2);
    click(w, EF_TASTATUR + 2);
    QTest::keyClick(w.widget(EF_TASTATUR + 2), Qt::Key_F2);
    settle();
  });
  EXPECT_EQ(PARA.TASTATUR, 2);
  EXPECT_EQ(PARA.NAME.clip(), "Max");
  EXPECT_EQ(keyAlias(VK_Enter), 0) << "back to Windows Standard: the aliases are gone at once";
  EXPECT_EQ(keyAlias(VK_Up), 0);
}

TEST_F(EinstellungenTest, TheSchemeIsTakenIntoMemoryAndReachesTheFileOnlyWithOk) {
  standIns();
  // The frame and the work windows at known places.
  WinMain.open();
  for (Window* w : {&WinBuchung, &WinSummen, &WinAnzeige})
    start([w] {
      w->open();
      w->attach([](Window&, const Event& e) { return e.code == EV_CloseWindow ? Pass::NoDefault : Pass::Default; });
    });
  settle();
  WinAnzeige.setPosition(295, 79, 176, 156);
  WinSummen.setPosition(-1, -6, 472, 66);
  WinBuchung.setPosition(-1, 79, 288, 156);
  settle();
  PARA.LISTENFORMAT[0] = "30LM|~Datum~@D06.@";
  PARA.LISTENFORMAT[1] = "40LM|~Datum~@D06.@";
  ParameterSpeichern();
  auto expected = [] {
    std::vector<int> v;
    for (Window* w : {&WinAnzeige, &WinBuchung, &WinSummen}) {
      const QRect r = w->position();
      v.insert(v.end(), {r.x(), r.y(), r.width(), r.height()});
    }
    v.insert(v.end(), {WinMain.position().width(), WinMain.position().height(), WinMain.isMaximized() ? 1 : 0});
    return v;
  };
  auto scheme = [] {
    std::vector<int> v;
    for (int i = 1; i <= 15; ++i) v.push_back(PARA.SCHEMADATEN.wert(i));
    return v;
  };
  const std::vector<int> none(15, 0);
  ASSERT_EQ(expected()[6], 288);
  ASSERT_EQ(expected()[4], -1);

  // The question answered "Abbruch": nothing changes.
  answers->next(MessageAnswers::Cancel);
  settings([&](Window& w) {
    click(w, EF_MYTAVIKSPEICHERN);
    EXPECT_EQ(scheme(), none);
    EXPECT_TRUE(PARA.SCHEMAFORMAT[0].isBlank());
    click(w, EF_SPEICHERN);
  });
  ASSERT_EQ(answers->texts().size(), 1);
  EXPECT_EQ(answers->texts()[0], "Dieses Fensterschema (Größen und Positionen) | als \"myTavik\" abspeichern?");
  EXPECT_TRUE(answers->shown()[0].withCancel);
  EXPECT_EQ(scheme(), none);

  // Saved, then "Abbruch": lost.
  settings([&](Window& w) {
    click(w, EF_MYTAVIKSPEICHERN);
    EXPECT_EQ(scheme(), expected());
    EXPECT_EQ(PARA.SCHEMAFORMAT[0].clip(), "30LM|~Datum~@D06.@");
    EXPECT_EQ(PARA.SCHEMAFORMAT[1].clip(), "40LM|~Datum~@D06.@");
    EXPECT_TRUE(PARA.SCHEMAFORMAT[2].isBlank());
    click(w, EF_ABBRUCH2);
  });
  EXPECT_EQ(scheme(), none);
  EXPECT_TRUE(PARA.SCHEMAFORMAT[0].isBlank());

  // Saved, then "OK": stored.
  settings([&](Window& w) {
    click(w, EF_MYTAVIKSPEICHERN);
    click(w, EF_SPEICHERN);
  });
  PARA = PARA_T{};
  ParameterLaden();
  EXPECT_EQ(scheme(), expected());
  EXPECT_EQ(PARA.SCHEMAFORMAT[1].clip(), "40LM|~Datum~@D06.@");
  WinMain.close();
  settle();
}

TEST_F(EinstellungenTest, InModeThreeTheOverviewShowsOnlyExpensesAndTheSumsOnlyTheirSums) {
  THREADSUMMEN = start(SummenUebersicht);
  THREADANZEIGE = start(BuchungsUebersicht);
  settle();
  ASSERT_FALSE(WinAnzeige.isHidden(FELD_NREINGANG));
  for (int mode : {3, 1}) {
    SCOPED_TRACE(mode);
    settings([&](Window& w) {
      click(w, EF_BUCHUNGSART + mode);
      EXPECT_EQ(WinAnzeige.isHidden(FELD_NREINGANG), mode == 1) << "the other windows learn it with OK";
      click(w, EF_SPEICHERN);
    });
    EXPECT_EQ(WinAnzeige.isHidden(FELD_NREINGANG), mode == 3);
    EXPECT_FALSE(WinAnzeige.isHidden(FELD_NRAUSGANG));
    if (mode == 3) {
      EXPECT_EQ(WinAnzeige.controlPosition(FELD_NRAUSGANG).y(), 15) << "in the income list's place";
    }
    for (int f : {FELD_S_EINNAHMEN, FELD_S_EINGANGBRUTTO, FELD_S_JEINGANGBRUTTO, FELD_S_JGEWINN})
      EXPECT_EQ(WinSummen.isHidden(f), mode == 3) << f;
    for (int f : {FELD_S_AUSGABEN, FELD_S_AUSGANGBRUTTO, FELD_S_JAUSGANGBRUTTO})
      EXPECT_FALSE(WinSummen.isHidden(f)) << f;
  }
}
