#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/frame/Rahmen.h"
#include "tests/bookkeeping/booking/uebersicht_fixture.h"
#include "runtime/window/ListBox.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QAbstractItemModel>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>

using namespace rt::win;
using testing_support::settle;
using testing_support::MessageAnswers;

namespace {

rt::Day d(int y, int m, int day) { return rt::dayNumber(y, m, day); }

const char kBereichMeldung[] = "\"Von-\" und \"Bis-\"Datum muss ausgefüllt sein und \"Von\" kleiner/gleich \"Bis\"!";
const char kEingabeMeldung[] = "Daten im Buchungsfenster müssen zuerst bestätigt oder gelöscht werden!";

std::vector<int> numbersOf(const rt::Queue<BUCHUNGSZEILE_T>& q) {
  std::vector<int> out;
  for (const auto& z : q.rows()) out.push_back(z.NR);
  return out;
}

struct OverviewWindowTest : WorkWindowTest {
  void SetUp() override {
    WorkWindowTest::SetUp();
    THREADSUMMEN = zaehlerThread;  // the counting window also stands in for the sums window
    period(d(2026, 3, 1), d(2026, 3, 31));
  }
  void open() {
    THREADANZEIGE = start(BuchungsUebersicht);
    settle();
  }
  QString cell(int field, int row, int column) {
    QAbstractItemModel* m = WinAnzeige.list(field)->model();
    return m->data(m->index(row - 1, column)).toString();
  }
  int rows(int field) { return WinAnzeige.list(field)->model()->rowCount(); }
  void type(int field, const QString& text) { testing_support::typeOver(WinAnzeige.widget(field), text); }
  void press(int field) { testing_support::clickOn(WinAnzeige.widget(field)); }
  void doubleClick(int field, int row) {
    WinAnzeige.selectListRow(field, row);
    WinAnzeige.list(field)->onDoubleClick();
    settle();
  }
};

}  // namespace

TEST_F(OverviewWindowTest, AnEmptyFileShowsEmptyListsAndPostsTheSums) {
  SUMMEN.JEINGANGBRUTTO = euro(7);
  open();
  EXPECT_FALSE(WinAnzeige.isHidden(FELD_NREINGANG));
  EXPECT_FALSE(WinAnzeige.isHidden(FELD_NRAUSGANG));
  EXPECT_TRUE(WinAnzeige.isHidden(FELD_BERECHNE));
  EXPECT_EQ(rows(FELD_NREINGANG), 0);
  EXPECT_EQ(rows(FELD_NRAUSGANG), 0);
  EXPECT_EQ(SUMMEN.JEINGANGBRUTTO, euro(0));
  EXPECT_EQ(empfangen[EVENT_SummenNeu], 1);
  EXPECT_EQ(EINGABEJAHR, 2026);
}

TEST_F(OverviewWindowTest, TheRefillListsThePeriodAndSumsTheYear) {
  booking(1, d(2026, 3, 1), 1, 119, "Rechnung 1", "", 100, 19);     // first day of the period
  booking(2, d(2026, 3, 31), 2, 59.5, "Werkstatt", "Öl", 50, 9.5);  // last day
  booking(3, d(2026, 2, 28), 1, 238, "Februar", "", 200, 38);       // a day before: year only
  booking(4, d(2026, 3, 10), 3, 400, "", "USt-Vorauszahlung");       // kind 3
  booking(5, d(2025, 12, 31), 2, 1000, "Vorjahr");                   // another year
  open();
  EXPECT_EQ(numbersOf(EINGANGQUEUE), (std::vector<int>{1}));
  EXPECT_EQ(numbersOf(AUSGANGQUEUE), (std::vector<int>{2, 4}));
  ASSERT_EQ(rows(FELD_NRAUSGANG), 2);
  EXPECT_EQ(cell(FELD_NRAUSGANG, 1, 0), "31.03.2026");
  EXPECT_EQ(cell(FELD_NRAUSGANG, 1, 1), "Werkstatt   Öl");
  EXPECT_EQ(cell(FELD_NRAUSGANG, 2, 1), "   USt-Vorauszahlung");
  EXPECT_EQ(cell(FELD_NRAUSGANG, 2, 2), "400,00");  // kind 3 keeps its sign
  EXPECT_EQ(SUMMEN.EINGANGBRUTTO, euro(119));
  EXPECT_EQ(SUMMEN.JEINGANGBRUTTO, euro(357));
  EXPECT_EQ(SUMMEN.AUSGANGBRUTTO, euro(-59.5));
  EXPECT_EQ(SUMMEN.AUSGANGNETTO, euro(-50));
  EXPECT_EQ(SUMMEN.JAUSGANGBRUTTO, euro(-59.5));
  EXPECT_EQ(SUMMEN.JUST, euro(-400));
  EXPECT_FALSE(WinAnzeige.isHidden(FELD_NREINGANG));
  EXPECT_FALSE(WinAnzeige.isHidden(FELD_NRAUSGANG));
  EXPECT_TRUE(WinAnzeige.isHidden(FELD_BERECHNE));
  EXPECT_EQ(empfangen[EVENT_SummenNeu], 1);

  // A later rebuild picks up a new booking and posts the sums again.
  booking(6, d(2026, 3, 20), 1, 10, "Nachtrag");
  post(EVENT_ListenNeu, THREADANZEIGE);
  settle();
  EXPECT_EQ(numbersOf(EINGANGQUEUE), (std::vector<int>{6, 1}));
  EXPECT_EQ(rows(FELD_NREINGANG), 2);
  EXPECT_EQ(empfangen[EVENT_SummenNeu], 2);

  // The highlight follows its booking into another row, and goes with it.
  WinAnzeige.selectListRow(FELD_NREINGANG, 2);  // booking 1
  booking(7, d(2026, 3, 25), 1, 20, "Nachtrag 2");
  post(EVENT_ListenNeu, THREADANZEIGE);
  settle();
  ASSERT_EQ(numbersOf(EINGANGQUEUE), (std::vector<int>{7, 6, 1}));
  EXPECT_EQ(WinAnzeige.listSelection(FELD_NREINGANG), 3);
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  ASSERT_EQ(BUCHUNGDATEI.remove(), 0);
  post(EVENT_ListenNeu, THREADANZEIGE);
  settle();
  ASSERT_EQ(numbersOf(EINGANGQUEUE), (std::vector<int>{7, 6}));
  EXPECT_EQ(WinAnzeige.listSelection(FELD_NREINGANG), 0);

  // The user's close request is refused.
  WinAnzeige.topWidget()->close();
  settle();
  EXPECT_TRUE(WinAnzeige.isOpen());
}

TEST_F(OverviewWindowTest, TheSearchFindsUmlautsInAnyCaseAndRejectsAnUnusableRange) {
  booking(1, d(2025, 6, 1), 1, 10, "MÜLLER GmbH");
  booking(2, d(2026, 3, 2), 2, 20, "Bürobedarf", "bei Müller");
  booking(3, d(2026, 3, 2), 2, 30, "Mueller");
  booking(4, d(2026, 8, 9), 2, 40, "Straße");
  open();
  MessageAnswers answers;

  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  EXPECT_EQ(BUCHUNGSUCHEN, 1);
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENVON), d(2025, 6, 1));  // oldest to newest booking
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENBIS), d(2026, 8, 9));
  EXPECT_EQ(WinAnzeige.text(FELD_BUCHUNGSUCHENVON), "01.06.2025");
  EXPECT_EQ(WinAnzeige.text(FELD_BUCHUNGSUCHEN), "- Suche aus -");
  for (int f : {FELD_NREINGANG, FELD_NRAUSGANG, FELD_PARAVONSUMMENDATUM, FELD_VONBISBINDESTRICH,
                FELD_PARABISSUMMENDATUM})
    EXPECT_TRUE(WinAnzeige.isHidden(f)) << f;
  for (int f = FELD_BUCHUNGSUCHENSTART; f <= FELD_NRBUCHUNGSUCHEN; ++f) EXPECT_FALSE(WinAnzeige.isHidden(f)) << f;
  EXPECT_FALSE(WinAnzeige.isHidden(FELD_BUCHUNGSUCHENOK));

  type(FELD_BUCHUNGSUCHENTEXT, "müller");
  press(FELD_BUCHUNGSUCHENOK);
  EXPECT_EQ(numbersOf(SUCHQUEUE), (std::vector<int>{1, 2}));
  EXPECT_EQ(rows(FELD_NRBUCHUNGSUCHEN), 2);
  EXPECT_TRUE(answers.texts().isEmpty());

  // A refill in search mode changes no visibility.
  post(EVENT_ListenNeu, THREADANZEIGE);
  settle();
  EXPECT_TRUE(WinAnzeige.isHidden(FELD_NREINGANG));
  EXPECT_TRUE(WinAnzeige.isHidden(FELD_BERECHNE));

  struct Case {
    const char *von, *bis;
  };
  for (const Case& c : {Case{"10.03.26", "09.03.26"}, Case{"", "09.03.26"}, Case{"01.03.26", ""}}) {
    SCOPED_TRACE(std::string(c.von) + " - " + c.bis);
    type(FELD_BUCHUNGSUCHENVON, c.von);
    type(FELD_BUCHUNGSUCHENBIS, c.bis);
    press(FELD_BUCHUNGSUCHENOK);
    EXPECT_EQ(answers.texts().value(answers.texts().size() - 1), kBereichMeldung);
    EXPECT_EQ(numbersOf(SUCHQUEUE), (std::vector<int>{1, 2}));
  }
  EXPECT_EQ(answers.texts().size(), 3);

  // Equal dates search that one day.
  type(FELD_BUCHUNGSUCHENVON, "02.03.26");
  type(FELD_BUCHUNGSUCHENBIS, "02.03.26");
  type(FELD_BUCHUNGSUCHENTEXT, "e");
  press(FELD_BUCHUNGSUCHENOK);
  EXPECT_EQ(numbersOf(SUCHQUEUE), (std::vector<int>{2, 3}));

  // Off: the lists and the period come back, the results stay for the next time; on again presets anew.
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  EXPECT_EQ(BUCHUNGSUCHEN, 0);
  EXPECT_EQ(WinAnzeige.text(FELD_BUCHUNGSUCHEN), "Buchung suchen");
  for (int f = FELD_BUCHUNGSUCHENSTART; f <= FELD_NRBUCHUNGSUCHEN; ++f) EXPECT_TRUE(WinAnzeige.isHidden(f)) << f;
  EXPECT_TRUE(WinAnzeige.isHidden(FELD_BUCHUNGSUCHENOK));
  for (int f : {FELD_NREINGANG, FELD_NRAUSGANG, FELD_PARAVONSUMMENDATUM}) EXPECT_FALSE(WinAnzeige.isHidden(f)) << f;
  EXPECT_EQ(SUCHQUEUE.records(), 2u);
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENVON), d(2025, 6, 1));

  // A date that cannot be read stops the search with its message and stays as typed.
  type(FELD_BUCHUNGSUCHENVON, "32.13.2026");
  press(FELD_BUCHUNGSUCHENOK);
  EXPECT_EQ(answers.texts().last(), "Die Eingabe \"32.13.2026\" ist ungültig. | "
                                    "Bitte ein Datum wie 05.03.2024 oder 5.3.24 eingeben.");
  EXPECT_EQ(WinAnzeige.text(FELD_BUCHUNGSUCHENVON), "32.13.2026");
  EXPECT_EQ(WinAnzeige.focusField(), FELD_BUCHUNGSUCHENVON);
  EXPECT_EQ(numbersOf(SUCHQUEUE), (std::vector<int>{2, 3}));  // the last results, not a search of the old range
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENVON), d(2025, 6, 1));
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENBIS), d(2026, 8, 9));
}

TEST_F(OverviewWindowTest, ADoubleClickHandsTheBookingOnOnlyWhileTheFormIsEmpty) {
  booking(1, d(2026, 3, 2), 1, 10, "Müller");
  booking(2, d(2026, 3, 5), 2, 20, "Müller");
  open();
  MessageAnswers answers;
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  type(FELD_BUCHUNGSUCHENTEXT, "müller");
  click(WinAnzeige, FELD_BUCHUNGSUCHENOK);
  ASSERT_EQ(numbersOf(SUCHQUEUE), (std::vector<int>{1, 2}));

  // The form holds input: a code, or a text line.
  for (auto fill : {+[] { CODE = "K"; }, +[] { BUCHUNGEINGABE.TEXT[1] = "x"; }}) {
    fill();
    doubleClick(FELD_NRBUCHUNGSUCHEN, 2);
    EXPECT_EQ(answers.texts().value(answers.texts().size() - 1), kEingabeMeldung);
    EXPECT_EQ(SUCHQUEUE.records(), 2u);
    EXPECT_EQ(GEWAEHLTEBUCHUNG, 0);
    EXPECT_EQ(empfangen[EVENT_BuchungLaden], 0);
    CODE = "";
    BUCHUNGEINGABE = BUCHUNG_T{};
  }
  EXPECT_EQ(answers.texts().size(), 2);

  // Empty form: the row leaves the search results and the booking goes to the form.
  doubleClick(FELD_NRBUCHUNGSUCHEN, 2);
  EXPECT_EQ(numbersOf(SUCHQUEUE), (std::vector<int>{1}));
  EXPECT_EQ(rows(FELD_NRBUCHUNGSUCHEN), 1);
  EXPECT_EQ(GEWAEHLTEBUCHUNG, 2);
  EXPECT_EQ(empfangen[EVENT_BuchungLaden], 1);

  // From the income list the row stays; the form's rebuild takes it out.
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  doubleClick(FELD_NREINGANG, 1);
  EXPECT_EQ(GEWAEHLTEBUCHUNG, 1);
  EXPECT_EQ(EINGANGQUEUE.records(), 1u);
  EXPECT_EQ(empfangen[EVENT_BuchungLaden], 2);
  EXPECT_EQ(answers.texts().size(), 2);
}

TEST_F(OverviewWindowTest, ResizeRulesAndStoredColumnFormats) {
  open();
  struct Case {
    const char* name;
    int mode, w, h;
    int expectH;
    bool incomeShown;
    QRect income, expenses;  // x, y, w, h
    int searchH;
  };
  const Case cases[] = {
      {"too low", 1, 176, 100, 120, true, {3, 15, 170, 40}, {3, 75, 170, 40}, 0},
      {"mode 1", 1, 200, 160, 160, true, {3, 15, 194, 60}, {3, 95, 194, 60}, 40},
      {"odd height", 2, 200, 161, 161, true, {3, 15, 194, 60}, {3, 95, 194, 60}, 41},
      {"mode 3", 3, 180, 150, 150, false, {}, {3, 15, 194, 120}, 41},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PARA.BUCHUNGSART = static_cast<std::uint8_t>(c.mode);
    const QRect r = WinAnzeige.position();
    WinAnzeige.setPosition(r.x(), r.y(), c.w, c.h);
    settle();
    EXPECT_EQ(WinAnzeige.position().height(), c.expectH);
    EXPECT_EQ(WinAnzeige.isHidden(FELD_NREINGANG), !c.incomeShown);
    if (c.incomeShown) { EXPECT_EQ(WinAnzeige.controlPosition(FELD_NREINGANG), c.income); }
    EXPECT_EQ(WinAnzeige.controlPosition(FELD_NRAUSGANG), c.expenses);
    EXPECT_EQ(WinAnzeige.controlPosition(FELD_NRBUCHUNGSUCHEN).height(), c.searchH);
    EXPECT_EQ(WinAnzeige.controlPosition(FELD_BUCHUNGSUCHEN).x(), c.w - 82);
  }
  // Mode 3: switching the search off leaves the income list hidden.
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  EXPECT_TRUE(WinAnzeige.isHidden(FELD_NREINGANG));
  EXPECT_FALSE(WinAnzeige.isHidden(FELD_NRAUSGANG));

  // A column resized by the user stores all three formats.
  WinAnzeige.list(FELD_NRAUSGANG)->header()->resizeSection(1, 300);
  settle();
  EXPECT_EQ(PARA.LISTENFORMAT[0].clip(), WinAnzeige.listFormat(FELD_NREINGANG));
  EXPECT_EQ(PARA.LISTENFORMAT[1].clip(), WinAnzeige.listFormat(FELD_NRAUSGANG));
  EXPECT_EQ(PARA.LISTENFORMAT[2].clip(), WinAnzeige.listFormat(FELD_NRBUCHUNGSUCHEN));
  EXPECT_NE(PARA.LISTENFORMAT[1].clip(), QString(STANDARDLISTENFORMAT));
  EXPECT_EQ(PARA.LISTENFORMAT[0].clip(), QString(STANDARDLISTENFORMAT));
}

TEST_F(OverviewWindowTest, OpeningRestoresPlaceAndFormatsOnlyWithSavedWindowData) {
  const QString eigenes = "40LM|~Datum~@D06.@90LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~";
  struct Case {
    const char* name;
    std::uint8_t fensterxy;
    const char* format;
    bool restored, formatted;
  };
  for (const Case& c : {Case{"saved", 1, "40LM|~Datum~@D06.@90LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~", true, true},
                        Case{"blank formats", 1, "", true, false},
                        Case{"no window data", 0, "40LM|~Datum~@D06.@90LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~",
                             false, false}}) {
    SCOPED_TRACE(c.name);
    PARA.FENSTERXY = c.fensterxy;
    for (int i = 1; i <= 4; ++i) PARA.FENSTERDATEN.setzeWert(i, QList<int>{10, 20, 190, 170}[i - 1]);
    for (auto& f : PARA.LISTENFORMAT) f = c.format;
    open();
    EXPECT_EQ(WinAnzeige.position() == QRect(10, 20, 190, 170), c.restored);
    EXPECT_EQ(WinAnzeige.listFormat(FELD_NRAUSGANG) == eigenes, c.formatted);
    EXPECT_EQ(WinAnzeige.listFormat(FELD_NREINGANG) == eigenes, c.formatted);
    WinAnzeige.close();
    settle();
  }
}

namespace {

// The user drags the right border of a column's heading by `dx` pixels.
void spalteZiehen(QHeaderView* kopf, int spalte, int dx) {
  QWidget* feld = kopf->viewport();
  const QPoint von(kopf->sectionViewportPosition(spalte) + kopf->sectionSize(spalte) - 1, kopf->height() / 2);
  const QPoint bis = von + QPoint(dx, 0);
  QTest::mousePress(feld, Qt::LeftButton, {}, von);
  for (int schritt = 1; schritt <= 4; ++schritt) {
    const QPoint p = von + QPoint(dx * schritt / 4, 0);
    QMouseEvent bewegt(QEvent::MouseMove, p, feld->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(feld, &bewegt);
  }
  QTest::mouseRelease(feld, Qt::LeftButton, {}, bis);
  settle();
}

std::vector<int> spaltenbreiten() {
  std::vector<int> b;
  for (int feld : {FELD_NREINGANG, FELD_NRAUSGANG, FELD_NRBUCHUNGSUCHEN}) {
    const QHeaderView* kopf = WinAnzeige.list(feld)->header();
    for (int i = 0; i < kopf->count(); ++i) b.push_back(kopf->isSectionHidden(i) ? -1 : kopf->sectionSize(i));
  }
  return b;
}

}  // namespace

// Columns that the user dragged wider or narrower come back after a restart as they were left, to
// the pixel, the others with them.
TEST_F(OverviewWindowTest, DraggedColumnWidthsSurviveARestartToThePixel) {
  PARA.FENSTERXY = 1;
  for (int i = 1; i <= 4; ++i) PARA.FENSTERDATEN.setzeWert(i, QList<int>{10, 20, 250, 200}[i - 1]);
  open();
  const std::vector<int> anfangs = spaltenbreiten();
  spalteZiehen(WinAnzeige.list(FELD_NRAUSGANG)->header(), 1, 37);  // "Text" wider
  spalteZiehen(WinAnzeige.list(FELD_NREINGANG)->header(), 1, -23);  // "Text" narrower
  spalteZiehen(WinAnzeige.list(FELD_NREINGANG)->header(), 0, 7);    // "Datum" wider
  const std::vector<int> gezogen = spaltenbreiten();
  ASSERT_NE(gezogen, anfangs);
  const QHeaderView* ausgaben = WinAnzeige.list(FELD_NRAUSGANG)->header();
  EXPECT_EQ(ausgaben->sectionSize(1), WinAnzeige.list(FELD_NRBUCHUNGSUCHEN)->header()->sectionSize(1) + 37);
  const int betragBei = ausgaben->sectionPosition(2);
  for (const auto& f : PARA.LISTENFORMAT) EXPECT_LE(f.clip().size(), 80);

  // The program ends with the parameters saved, and starts again.
  ParameterSpeichern();
  WinAnzeige.close();
  settle();
  PARA = PARA_T{};
  ParameterLaden();
  open();
  EXPECT_EQ(spaltenbreiten(), gezogen);
  EXPECT_EQ(WinAnzeige.list(FELD_NRAUSGANG)->header()->sectionPosition(2), betragBei);
}
