#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Keys.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/bookkeeping/booking/Fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <vector>

using namespace rt::win;
using testing_support::settle;
using testing_support::MessageAnswers;

namespace {

struct BuchungEingebenTest : DataFolderTest {
  std::unique_ptr<MessageAnswers> answers;
  Window& w = WinBuchung;

  void SetUp() override {
    DataFolderTest::SetUp();
    PARA.BUCHUNGSART = 1;
    PARA.TASTATUR = 2;
    resetEntry();
    STARTBILDAKTIV = 0;
    THREADANZEIGE = 0;
    clearKeyAliases();
    account("4000", "EIN", 1, "Erlöse Beratung", 2, "Honorar #");
    account("6815", "BUER", 2, "Bürobedarf", 3, "Büromaterial");
    account("1780", "UST", 3, "Umsatzsteuer-Vorauszahlung", 0, "USt-Vorauszahlung");
    answers = std::make_unique<MessageAnswers>();
  }
  void TearDown() override {
    w.close();
    settle();
    answers.reset();
    clearKeyAliases();
    PARA.TASTATUR = 0;
    DataFolderTest::TearDown();
  }

  void openForm() {
    THREADBUCHUNG = start(BuchungEingeben);
    settle();
    ASSERT_TRUE(w.isOpen());
    ASSERT_EQ(w.focusField(), BF_CODE);  // no splash: the first selection puts the focus on ?CODE
  }
  QLineEdit* edit(int field) { return qobject_cast<QLineEdit*>(w.widget(field)); }
  // Clicks into an entry, types over what it shows and leaves it with Tab.
  void type(int field, const QString& text) {
    testing_support::typeOver(edit(field), text);
    QTest::keyClick(edit(field), Qt::Key_Tab);
    settle();
  }
  // A mouse click on a control.
  void click(int field) { testing_support::clickOn(w.widget(field)); }
  // Waits until the notice has come and gone and its store is done.
  void waitForStore() {
    QElapsedTimer t;
    t.start();
    QTest::qWait(900);
    while (findWindow("P26$WIN") && t.elapsed() < 3000) QTest::qWait(20);
    settle();
  }
  std::vector<std::int32_t> bookingNumbers() {
    std::vector<std::int32_t> out;
    BUCHUNG.NR = 0;
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
    while (BUCHUNGDATEI.next() == 0) out.push_back(+BUCHUNG.NR);
    return out;
  }
  bool vatGroupShown() {
    bool all = true, none = true;
    for (int f = BF_KONTOMWST; f <= BF_MWSTSTR; ++f) (w.isHidden(f) ? all : none) = false;
    for (int f = BF_NETTOKNOPF; f <= BF_MWST; ++f) (w.isHidden(f) ? all : none) = false;
    EXPECT_TRUE(all || none) << "the VAT fields are hidden and shown together";
    return all;
  }
  bool neutral() {
    return CODE.isBlank() && !w.isEnabled(BF_OK) && !w.isHidden(BF_NR) && w.isHidden(BF_BOX) &&
           w.isHidden(BF_KONTONR) && w.isHidden(BF_ZAHLART) && !vatGroupShown() && w.wallpaper() == "~Neutral.gif";
  }
  void storeLoaded(int nr, const char* konto, std::uint8_t mwstsatz) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = nr;
    BUCHUNG.KONTO = konto;
    BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2026, 2, 14));
    BUCHUNG.ART = 1;
    BUCHUNG.BRUTTO = euro(107);
    BUCHUNG.NETTO = euro(100);
    BUCHUNG.MWST = euro(7);
    BUCHUNG.MWSTSATZ = mwstsatz;
    BUCHUNG.TEXT[0] = "Vortrag Februar";
    BUCHUNG.TEXT[1] = "Kunde Lenz";
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
  void load(int nr) {
    GEWAEHLTEBUCHUNG = nr;
    post(EVENT_BuchungLaden, THREADBUCHUNG);
    settle();
  }
};

}  // namespace

TEST_F(BuchungEingebenTest, AWholeBookingReachesTheFileAndTheFormStartsAgain) {
  openForm();
  EXPECT_TRUE(neutral());
  EXPECT_EQ(w.text(BF_R1 + 1), "19,00%");
  EXPECT_EQ(w.text(BF_R1 + 2), " 7,00%");
  EXPECT_EQ(w.text(BF_R1), " 0,00%");
  EXPECT_EQ(w.listFormat(BF_NR), "50LM|~Konto-Name~20CM~Code~20CM|~Nr~@N04@|0LM~~8LM~~");
  EXPECT_EQ(w.list(BF_NR)->model()->rowCount(), 3);

  type(BF_CODE, "ein");  // the code key ignores case
  ASSERT_TRUE(answers->texts().isEmpty()) << answers->texts().join("\n").toStdString();
  EXPECT_EQ(w.focusField(), BF_DATUM);
  EXPECT_TRUE(w.isEnabled(BF_OK));
  EXPECT_FALSE(w.isHidden(BF_BOX));
  EXPECT_TRUE(w.isHidden(BF_NR));
  EXPECT_EQ(w.text(BF_KONTONAME), "Erlöse Beratung");
  EXPECT_EQ(w.text(BF_KONTONR), "4000");
  EXPECT_EQ(w.fill(BF_ZAHLART), QColor(0, 176, 0));
  EXPECT_EQ(w.wallpaper(), "~Eingang.gif");
  EXPECT_TRUE(w.isSkipped(BF_KONTOMWST));
  EXPECT_EQ(KONTOMWST, 2);

  type(BF_DATUM, "10.3.26");
  type(BF_BRUTTO, "119");
  EXPECT_EQ(w.text(BF_NETTO), "100,00");
  EXPECT_EQ(w.text(BF_MWST), "19,00");
  // The preset text's "#" is marked, so that typing replaces it.
  click(BF_TEXT_1);
  EXPECT_EQ(edit(BF_TEXT_1)->selectedText(), "#");
  testing_support::typeKeys(edit(BF_TEXT_1), "Meier");
  QTest::keyClick(edit(BF_TEXT_1), Qt::Key_Tab);
  settle();
  EXPECT_EQ(w.focusField(), BF_TEXT_2);

  click(BF_OK);
  Window* notice = findWindow("P26$WIN");
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->position().topLeft(), w.position().topLeft() + QPoint(100, 26));
  EXPECT_EQ(notice->text(1), "Gespeichert");
  EXPECT_EQ(bookingNumbers(), std::vector<std::int32_t>{1}) << "the notice tells of a booking in the file";
  waitForStore();

  ASSERT_EQ(bookingNumbers(), std::vector<std::int32_t>{1});
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.KONTO.clip(), "4000");
  EXPECT_EQ(BUCHUNG.ART, 1);
  EXPECT_EQ(rt::dayNumber(BUCHUNG.DATUM), rt::dayNumber(2026, 3, 10));
  EXPECT_EQ(BUCHUNG.BRUTTO, euro(119));
  EXPECT_EQ(BUCHUNG.NETTO, euro(100));
  EXPECT_EQ(BUCHUNG.MWST, euro(19));
  EXPECT_EQ(BUCHUNG.MWSTSATZ, 2);
  EXPECT_EQ(BUCHUNG.TEXT[0].clip(), "Honorar Meier");
  EXPECT_EQ(w.text(BF_LETZTEBUCHUNG).trimmed(), "Letzte Eingabe:      119,00 / Honorar Meier");
  EXPECT_TRUE(neutral());
  EXPECT_EQ(w.focusField(), BF_CODE);
  EXPECT_EQ(w.text(BF_DATUM), "05.03.2026");
  EXPECT_TRUE(answers->texts().isEmpty());
}

TEST_F(BuchungEingebenTest, TheVatGroupShowsOnlyForIncomeAndExpensesInTheModeWithVat) {
  openForm();
  struct Case {
    const char* code;
    int mode;
    bool shown;
    QColor fill;
    const char* wallpaper;
    double net;  // of a gross amount of 107
  };
  const Case cases[] = {
      {"EIN", 1, true, QColor(0, 176, 0), "~Eingang.gif", 89.92},
      {"BUER", 1, true, QColor(240, 64, 64), "~Ausgabe.gif", 100},
      {"UST", 1, false, QColor(176, 176, 0), "~USt.gif", 0},
      {"EIN", 2, false, QColor(0, 176, 0), "~Eingang.gif", 89.92},
      {"BUER", 3, false, QColor(240, 64, 64), "~Ausgabe.gif", 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " mode " + std::to_string(c.mode));
    PARA.BUCHUNGSART = static_cast<std::uint8_t>(c.mode);
    click(BF_ABBRUCH);
    ASSERT_TRUE(neutral());
    type(BF_CODE, c.code);
    EXPECT_EQ(vatGroupShown(), c.shown);
    EXPECT_EQ(w.fill(BF_ZAHLART), c.fill);
    EXPECT_FALSE(w.isHidden(BF_ZAHLART));
    EXPECT_EQ(w.wallpaper(), c.wallpaper);
    type(BF_BRUTTO, "107");
    EXPECT_EQ(BUCHUNGEINGABE.NETTO, euro(c.net)) << "the account's VAT key decides, shown or not";
  }
}

TEST_F(BuchungEingebenTest, AccountMessages) {
  openForm();
  struct Case {
    int field;
    bool message;
    int focusAfter;  // "   Löschen" clicked clears the form and goes back to the account
  };
  for (const Case c : {Case{BF_DATUM, true, BF_CODE}, Case{BF_BRUTTO, true, BF_CODE},
                       Case{BF_TEXT_2, true, BF_CODE}, Case{BF_DATUMMERKEN, false, BF_DATUMMERKEN},
                       Case{BF_NR, false, BF_NR}, Case{BF_ABBRUCH, false, BF_CODE}}) {
    SCOPED_TRACE(c.field);
    const auto before = answers->shown().size();
    click(c.field);
    EXPECT_EQ(answers->shown().size() - before, c.message ? 1u : 0u);
    if (c.message) EXPECT_EQ(answers->texts().last(), "Konto muss angewählt werden!");
    EXPECT_EQ(w.focusField(), c.focusAfter);
  }

  // A number or code without an account: the message, and the form stays without an account.
  for (const char* code : {"ZZ", "12"}) {  // the account numbers are not filled up with zeros
    SCOPED_TRACE(code);
    const auto before = answers->shown().size();
    type(BF_CODE, code);
    ASSERT_EQ(answers->shown().size() - before, 1u);
    EXPECT_EQ(answers->texts().last(), "Zu dieser Nr / diesem Code ist kein Konto vorhanden!");
    EXPECT_EQ(w.focusField(), BF_CODE);
    EXPECT_TRUE(w.isHidden(BF_BOX));
    EXPECT_FALSE(w.isEnabled(BF_OK));
  }
}

TEST_F(BuchungEingebenTest, ThePickListNarrowsAsTypedAndADoubleClickFillsTheCode) {
  openForm();
  ListBox* liste = w.list(BF_NR);
  testing_support::typeKeys(edit(BF_CODE), "6");
  ASSERT_EQ(liste->model()->rowCount(), 1);
  QTest::keyClick(edit(BF_CODE), Qt::Key_Backspace);
  settle();
  ASSERT_EQ(liste->model()->rowCount(), 3);
  // Accounts with a code come in number order: 1780, 4000, 6815. A single click chooses a row only.
  const QRect zeile = liste->visualRect(liste->model()->index(1, 0));
  QTest::mouseClick(liste->viewport(), Qt::LeftButton, Qt::NoModifier, zeile.center());
  settle();
  EXPECT_TRUE(CODE.isBlank());
  QTest::mouseDClick(liste->viewport(), Qt::LeftButton, Qt::NoModifier, zeile.center());
  settle();
  EXPECT_EQ(CODE.clip(), "4000");
  EXPECT_EQ(w.text(BF_CODE), "4000");
  EXPECT_EQ(w.focusField(), BF_CODE);
  EXPECT_TRUE(w.isHidden(BF_BOX)) << "the account is taken over when ?CODE is left";
  QTest::keyClick(edit(BF_CODE), Qt::Key_Tab);
  settle();
  EXPECT_EQ(w.text(BF_KONTONAME), "Erlöse Beratung");
  EXPECT_TRUE(w.isEnabled(BF_OK));
  EXPECT_EQ(w.focusField(), BF_DATUM);
}

TEST_F(BuchungEingebenTest, AFailedStoreKeepsAnEditedBookingAndSaysSo) {
  storeLoaded(5, "4000", 3);
  openForm();
  load(5);
  ASSERT_TRUE(bookingNumbers().empty());
  BUCHUNGDATEI.close();
  click(BF_OK);
  waitForStore();
  ASSERT_EQ(answers->shown().size(), 1);
  const QString text = answers->texts().first();
  EXPECT_TRUE(text.startsWith("Die Buchung konnte nicht gespeichert werden - Fehlercode ")) << text.toStdString();
  EXPECT_TRUE(text.endsWith(" | Die Eingabe bleibt erhalten.")) << text.toStdString();
  EXPECT_FALSE(answers->shown().first().withCancel);
  EXPECT_EQ(CODE.clip(), "4000");
  EXPECT_EQ(w.text(BF_TEXT_1), "Vortrag Februar");
  EXPECT_EQ(w.text(BF_BRUTTO), "107,00");
  EXPECT_TRUE(w.isEnabled(BF_OK));
  EXPECT_TRUE(LETZTEBUCHUNG.isBlank());

  ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  click(BF_OK);
  waitForStore();
  ASSERT_EQ(bookingNumbers(), std::vector<std::int32_t>{1});
  EXPECT_EQ(BUCHUNG.TEXT[0].clip(), "Vortrag Februar");
  EXPECT_EQ(BUCHUNG.MWSTSATZ, 3);
  EXPECT_TRUE(neutral());
}

TEST_F(BuchungEingebenTest, ARejectedAmountIsNeverStoredWithItsOldValue) {
  PARA.TASTATUR = 1;
  openForm();
  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "50");
  // A decimal point where a comma belongs, confirmed with F2 without leaving the entry, and with "Ok".
  for (bool withF2 : {true, false}) {
    SCOPED_TRACE(withF2 ? "F2" : "Ok");
    testing_support::typeOver(edit(BF_BRUTTO), "12.50");
    if (withF2)
      QTest::keyClick(edit(BF_BRUTTO), Qt::Key_F2);
    else
      QTest::mouseClick(w.widget(BF_OK), Qt::LeftButton);
    settle();
    QTest::qWait(1000);
    settle();
    EXPECT_EQ(findWindow("P26$WIN"), nullptr);
    EXPECT_TRUE(bookingNumbers().empty());
    ASSERT_FALSE(answers->texts().isEmpty());
    EXPECT_TRUE(answers->texts().last().startsWith("Die Eingabe \"12.50\" ist ungültig."))
        << answers->texts().last().toStdString();
    EXPECT_EQ(w.focusField(), BF_BRUTTO);
  }
  // Corrected, the booking goes through with what the entry shows.
  testing_support::typeOver(edit(BF_BRUTTO), "12,50");
  QTest::mouseClick(w.widget(BF_OK), Qt::LeftButton);
  waitForStore();
  ASSERT_EQ(bookingNumbers(), std::vector<std::int32_t>{1});
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.BRUTTO, euro(12.5));
}

TEST_F(BuchungEingebenTest, WhileTheNoticeIsOpenFurtherConfirmationsStoreNothing) {
  PARA.TASTATUR = 1;
  openForm();
  QTest::keyClick(edit(BF_CODE), Qt::Key_F2);  // "Ok" is disabled: F2 does nothing
  settle();
  EXPECT_EQ(findWindow("P26$WIN"), nullptr);

  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "50");
  QTest::keyClick(w.widget(w.focusField()), Qt::Key_F2);
  settle();
  ASSERT_NE(findWindow("P26$WIN"), nullptr);
  click(BF_OK);
  QTest::keyClick(w.widget(w.focusField()), Qt::Key_F2);
  settle();
  waitForStore();
  QTest::qWait(1000);  // a second notice would have stored by now
  settle();
  EXPECT_EQ(bookingNumbers(), std::vector<std::int32_t>{1});
  EXPECT_TRUE(neutral());

  // After the store a confirmation works again.
  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "20");
  click(BF_OK);
  waitForStore();
  EXPECT_EQ(bookingNumbers(), (std::vector<std::int32_t>{1, 2}));
}

TEST_F(BuchungEingebenTest, TheNoticeClosedWithEscEndsTheStoreAndTheFormGoesOn) {
  PARA.TASTATUR = 1;
  openForm();
  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "50");
  QTest::keyClick(w.widget(w.focusField()), Qt::Key_F2);
  settle();
  Window* notice = findWindow("P26$WIN");
  ASSERT_NE(notice, nullptr);
  QTest::keyClick(notice->topWidget(), Qt::Key_Escape);
  settle();
  EXPECT_EQ(findWindow("P26$WIN"), nullptr);
  EXPECT_EQ(bookingNumbers(), std::vector<std::int32_t>{1});
  EXPECT_TRUE(neutral());
  EXPECT_EQ(w.text(BF_LETZTEBUCHUNG).trimmed(), "Letzte Eingabe:       50,00 / Büromaterial");

  // "Ok" and F2 work again.
  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "20");
  QTest::keyClick(w.widget(w.focusField()), Qt::Key_F2);
  waitForStore();
  EXPECT_EQ(bookingNumbers(), (std::vector<std::int32_t>{1, 2}));
}

TEST_F(BuchungEingebenTest, ConfirmingWithoutADateSaysSoAndStoresNothing) {
  openForm();
  type(BF_CODE, "BUER");
  type(BF_DATUM, "");
  type(BF_BRUTTO, "50");
  QTest::mouseClick(w.widget(BF_OK), Qt::LeftButton);
  settle();
  EXPECT_EQ(findWindow("P26$WIN"), nullptr);
  EXPECT_EQ(answers->texts(), QStringList{"Das Datum fehlt - die Buchung wurde nicht gespeichert."});
  EXPECT_EQ(w.focusField(), BF_DATUM);
  EXPECT_TRUE(bookingNumbers().empty());
  EXPECT_EQ(w.text(BF_BRUTTO), "50,00");  // the entry stays
}

TEST_F(BuchungEingebenTest, F2InTheGrossEntryDerivesNetAndVatFirst) {
  PARA.TASTATUR = 1;
  openForm();
  type(BF_CODE, "BUER");  // key 3: 7 %
  type(BF_BRUTTO, "107");
  EXPECT_EQ(w.text(BF_NETTO), "100,00");
  testing_support::typeOver(edit(BF_BRUTTO), "238");
  QTest::keyClick(edit(BF_BRUTTO), Qt::Key_F2);
  waitForStore();
  ASSERT_EQ(bookingNumbers(), std::vector<std::int32_t>{1});
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.BRUTTO, euro(238));
  EXPECT_EQ(BUCHUNG.NETTO, euro(222.43));
  EXPECT_EQ(BUCHUNG.MWST, euro(15.57));
}

TEST_F(BuchungEingebenTest, ABookingWhoseAccountIsGoneLeavesNothingInTheEntry) {
  storeLoaded(5, "9999", 2);
  openForm();
  load(5);
  EXPECT_EQ(answers->texts(), QStringList{"Zu dieser Buchung ist das Konto 9999 nicht mehr vorhanden!"});
  EXPECT_TRUE(neutral());
  EXPECT_TRUE(BUCHUNGEINGABE.TEXT[0].isBlank());
  EXPECT_EQ(BUCHUNGEINGABE.BRUTTO, euro(0));
  // Choosing an account and confirming stores only what is typed now; the old booking stays once.
  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "20");
  click(BF_OK);
  waitForStore();
  EXPECT_EQ(bookingNumbers(), (std::vector<std::int32_t>{5, 6}));
  BUCHUNG.NR = 6;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.TEXT[1].clip(), "");
}

TEST_F(BuchungEingebenTest, ACloseRequestClearsTheFormAndDiscardsALoadedBooking) {
  storeLoaded(5, "4000", 3);
  openForm();
  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "50");
  w.topWidget()->close();
  settle();
  EXPECT_TRUE(w.isOpen());
  EXPECT_TRUE(neutral());
  EXPECT_EQ(BUCHUNGEINGABE.BRUTTO, euro(0));

  load(5);
  ASSERT_FALSE(w.isHidden(BF_BOX));
  w.topWidget()->close();
  settle();
  EXPECT_TRUE(w.isOpen());
  EXPECT_TRUE(neutral());
  EXPECT_TRUE(bookingNumbers().empty()) << "the loaded booking stays deleted";
}

TEST_F(BuchungEingebenTest, LoadingForEditing) {
  storeLoaded(2, "6815", 1);
  storeLoaded(5, "4000", 3);  // the account's own key is 2 and its preset text another
  storeLoaded(8, "9999", 2);  // its account is gone
  int rebuilds = 0;
  Window overview(WindowDef{.label = "UEBERSICHT", .w = 50, .h = 20, .controls = {}});
  THREADANZEIGE = start([&] {
    overview.open();
    overview.attach([&](Window&, const Event& e) {
      if (e.code == EVENT_ListenNeu) ++rebuilds;
      return Pass::Default;
    });
  });
  openForm();

  load(8);
  EXPECT_EQ(answers->texts(), QStringList{"Zu dieser Buchung ist das Konto 9999 nicht mehr vorhanden!"});
  EXPECT_EQ(bookingNumbers(), (std::vector<std::int32_t>{2, 5, 8}));
  EXPECT_TRUE(w.isHidden(BF_BOX));
  EXPECT_EQ(rebuilds, 0);

  click(BF_ABBRUCH);
  load(5);
  EXPECT_EQ(bookingNumbers(), (std::vector<std::int32_t>{2, 8}));
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(CODE.clip(), "4000");
  EXPECT_FALSE(w.isHidden(BF_BOX));
  EXPECT_TRUE(w.isEnabled(BF_OK));
  EXPECT_EQ(w.wallpaper(), "~Eingang.gif");
  EXPECT_EQ(KONTOMWST, 3) << "the edit mark keeps the loaded VAT key";
  EXPECT_TRUE(static_cast<QAbstractButton*>(w.widget(BF_R1 + 2))->isChecked());
  EXPECT_EQ(w.text(BF_TEXT_1), "Vortrag Februar");
  EXPECT_EQ(w.text(BF_TEXT_2), "Kunde Lenz");
  EXPECT_EQ(w.text(BF_BRUTTO), "107,00");

  click(BF_OK);
  waitForStore();
  EXPECT_EQ(rebuilds, 2);
  EXPECT_EQ(bookingNumbers(), (std::vector<std::int32_t>{2, 8, 9}));
  BUCHUNG.NR = 9;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.MWSTSATZ, 3);
  EXPECT_EQ(BUCHUNG.TEXT[0].clip(), "Vortrag Februar");
  EXPECT_EQ(BUCHUNG.TEXT[1].clip(), "Kunde Lenz");
  EXPECT_EQ(BUCHUNG.NETTO, euro(100));
  overview.close();
  settle();
}

// The key names "F3" to "F7" stand whole inside their boxes, clear of the option circles beside them.
TEST_F(BuchungEingebenTest, TheKeyNamesStandInTheirBoxesClearOfTheOptions) {
  openForm();
  type(BF_CODE, "BUER");
  type(BF_BRUTTO, "1234,5");
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    auto* name = qobject_cast<QLabel*>(w.widget(9 + 2 * i));
    QWidget* kasten = w.widget(10 + 2 * i);
    auto* option = qobject_cast<QRadioButton*>(w.widget(BF_R1 + i));
    ASSERT_TRUE(name && kasten && option);
    ASSERT_TRUE(name->isVisible() && option->isVisible());
    const QRect text = name->fontMetrics().boundingRect(name->text());
    const int links = name->x() + (name->width() - text.width()) / 2, rechts = links + text.width();
    QStyleOptionButton o;
    o.initFrom(option);
    const QRect kreis = option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &o, option);
    EXPECT_GE(links, kasten->x() + 1);
    EXPECT_LE(rechts, kasten->geometry().right() - 1);
    EXPECT_GE(option->x() + kreis.left() - rechts, 3);  // pixels between a name and its circle
  }
}

TEST_F(BuchungEingebenTest, ARejectedAmountLeftByTabIsToldOnceAndTheFormTakesInputAgain) {
  setInvalidInputHandler(EingabefehlerMelden);
  for (int tastatur : {1, 2}) {
    SCOPED_TRACE(tastatur);
    PARA.TASTATUR = static_cast<std::uint8_t>(tastatur);
    openForm();
    type(BF_CODE, "BUER");
    // The messages are answered here, with Enter, as a user answers them.
    answers.reset();
    QStringList shown;
    setOpenHook([&](Window& m) {
      if (m.label() == "P9$WIN") shown << m.text(4).trimmed();
    });
    testing_support::typeOver(edit(BF_BRUTTO), "12.50");
    QTest::keyClick(edit(BF_BRUTTO), Qt::Key_Tab);
    settle();
    ASSERT_NE(findWindow("P9$WIN"), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle();
    QTest::qWait(200);
    settle();
    EXPECT_EQ(findWindow("P9$WIN"), nullptr);
    EXPECT_EQ(shown, QStringList{"Die Eingabe \"12.50\" ist ungültig."});
    EXPECT_EQ(w.focusField(), BF_BRUTTO);
    EXPECT_EQ(w.text(BF_BRUTTO), "12.50");
    // The form takes input again: the corrected amount is taken when the entry is left.
    QTest::keyClick(edit(BF_BRUTTO), Qt::Key_A, Qt::ControlModifier);
    testing_support::typeKeys(edit(BF_BRUTTO), "12,50");
    QTest::keyClick(edit(BF_BRUTTO), Qt::Key_Tab);
    settle();
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(BUCHUNGEINGABE.BRUTTO, euro(12.5));
    EXPECT_NE(w.focusField(), BF_BRUTTO);
    setOpenHook(nullptr);
    answers = std::make_unique<MessageAnswers>();
    w.close();
    settle();
  }
  setInvalidInputHandler(nullptr);
}

namespace {
// Holds back the next focus-in of one control from the form, as a window layer does that puts the
// focus there while its window is not yet active.
struct FokusVerschlucken : QObject {
  QWidget* control;
  bool done = false;
  explicit FokusVerschlucken(QWidget* c) : control(c) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (done || o != control || e->type() != QEvent::FocusIn) return false;
    done = true;
    return true;
  }
};
}  // namespace

TEST_F(BuchungEingebenTest, AfterTheSplashTheFirstEnterOrTabMovesOnFromTheAccount) {
  for (int tastatur : {1, 2}) {
    SCOPED_TRACE(tastatur);
    PARA.TASTATUR = static_cast<std::uint8_t>(tastatur);
    STARTBILDAKTIV = 1;
    THREADBUCHUNG = start(BuchungEingeben);
    settle();
    ASSERT_EQ(w.focusField(), BF_HILF);
    FokusVerschlucken verschlucken(edit(BF_CODE));
    qApp->installEventFilter(&verschlucken);
    STARTBILDAKTIV = 0;
    post(EVENT_StartbildEnde, THREADBUCHUNG);
    settle();
    qApp->removeEventFilter(&verschlucken);
    ASSERT_TRUE(verschlucken.done);
    ASSERT_EQ(w.focusField(), BF_CODE);
    const Qt::Key weiter = tastatur == 1 ? Qt::Key_Return : Qt::Key_Tab;
    testing_support::typeKeys(edit(BF_CODE), "BUER");
    QTest::keyClick(edit(BF_CODE), weiter);
    settle();
    EXPECT_EQ(w.focusField(), BF_DATUM);
    testing_support::typeKeys(QApplication::focusWidget(), "11.03.2026");
    QTest::keyClick(QApplication::focusWidget(), weiter);
    settle();
    EXPECT_EQ(CODE.clip(), "BUER");
    EXPECT_EQ(w.text(BF_DATUM), "11.03.2026");
    EXPECT_EQ(w.focusField(), BF_DATUMMERKEN);
    EXPECT_TRUE(answers->texts().isEmpty()) << answers->texts().join("\n").toStdString();
    w.close();
    settle();
  }
}
