#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/common/Ereignisse.h"
#include "tests/bookkeeping/booking/uebersicht_fixture.h"

#include <QLabel>
#include <QTest>
#include <set>

using namespace rt::win;
using testing_support::settle;

namespace {

rt::Day d(int y, int m, int day) { return rt::dayNumber(y, m, day); }

struct SumsWindowTest : WorkWindowTest {
  void SetUp() override {
    WorkWindowTest::SetUp();
    period(d(2026, 3, 1), d(2026, 3, 31));
  }
  std::set<int> hidden() {
    std::set<int> out;
    for (int f = FELD_S_VONSUMMENDATUM; f <= FELD_S_GEWINNSTR; ++f)
      if (WinSummen.isHidden(f)) out.insert(f);
    return out;
  }
};

}  // namespace

TEST_F(SumsWindowTest, OpeningAsksForTheSumsAndTheCloseRequestIsRefused) {
  THREADANZEIGE = zaehlerThread;
  THREADSUMMEN = start(SummenUebersicht);
  settle();
  EXPECT_EQ(empfangen[EVENT_ListenNeu], 1);
  EXPECT_EQ(WinSummen.text(FELD_S_GEWINNSTR).trimmed(), "");
  WinSummen.topWidget()->close();
  settle();
  EXPECT_TRUE(WinSummen.isOpen());
  // The splash's end: passed on to the booking form.
  post(EVENT_StartbildEnde, THREADSUMMEN);
  settle();
  EXPECT_EQ(empfangen[EVENT_StartbildEnde], 1);
}

TEST_F(SumsWindowTest, LayoutsOfTheBookingModesInAnyOrder) {
  THREADSUMMEN = start(SummenUebersicht);
  settle();
  const std::set<int> ohneMwst = {FELD_S_EINGANGNETTO, FELD_S_EINGANGMWST, FELD_S_BRUTTO2,      FELD_S_NETTO2,
                                  FELD_S_MWST2,        FELD_S_AUSGANGNETTO, FELD_S_AUSGANGMWST, FELD_S_BRUTTO3,
                                  FELD_S_NETTO3,       FELD_S_MWST3,        FELD_S_JUST,        FELD_S_MWST4};
  std::set<int> nurAusgaben = ohneMwst;
  nurAusgaben.insert({FELD_S_EINNAHMEN, FELD_S_EINGANGBRUTTO, FELD_S_JEINGANGBRUTTO, FELD_S_EINNAHMEN2,
                      FELD_S_JGEWINN, FELD_S_GEWINNSTR});
  struct Case {
    int mode;
    std::set<int> hidden;
    int incomeY, expensesY;
  };
  const Case cases[] = {{2, ohneMwst, 17, 32}, {1, {}, 7, 22}, {3, nurAusgaben, 7, 22}, {2, ohneMwst, 17, 32},
                        {1, {}, 7, 22}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    PARA.BUCHUNGSART = static_cast<std::uint8_t>(c.mode);
    post(EVENT_EinstellungenGeaendert, THREADSUMMEN);
    settle();
    EXPECT_EQ(hidden(), c.hidden);
    EXPECT_EQ(WinSummen.controlPosition(FELD_S_JEINGANGBRUTTO).y(), c.incomeY);
    EXPECT_EQ(WinSummen.controlPosition(FELD_S_EINNAHMEN2).y(), c.incomeY);
    EXPECT_EQ(WinSummen.controlPosition(FELD_S_JAUSGANGBRUTTO).y(), c.expensesY);
    EXPECT_EQ(WinSummen.controlPosition(FELD_S_AUSGABEN2).y(), c.expensesY);
    EXPECT_EQ(WinSummen.controlPosition(FELD_S_JEINGANGBRUTTO).x(), 289);
  }
}

TEST_F(SumsWindowTest, TheOverviewsSumsGiveTheYearResultInItsColour) {
  struct Case {
    const char* name;
    double income, expense, vat;
    const char* word;
    QColor colour;
    const char* result;
  };
  const Case cases[] = {
      {"exactly 0", 119, 100, 19, "Gewinn", QColor(0x00, 0x60, 0x00), "0,00"},
      {"a loss", 100, 150, 0, "Verlust", QColor(0x60, 0x00, 0x00), "-50,00"},
      {"a profit", 1000.5, 0, 400, "Gewinn", QColor(0x00, 0x60, 0x00), "600,50"},
      // 0,30 - 0,10 - 0,20 is exactly 0 in cents (-5,55e-17 in binary floating point): no loss.
      {"zero below the cent", 0.30, 0.10, 0.20, "Gewinn", QColor(0x00, 0x60, 0x00), "0,00"},
  };
  THREADSUMMEN = start(SummenUebersicht);
  THREADANZEIGE = start(BuchungsUebersicht);
  settle();
  int nr = 0, forms = empfangen[EVENT_SummenNeu];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BUCHUNGDATEI.close();
    ASSERT_EQ(BUCHUNGDATEI.create(), 0);
    ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
    booking(++nr, d(2026, 3, 3), 1, c.income, "Einnahme");
    booking(++nr, d(2026, 1, 3), 2, c.expense, "Ausgabe");
    booking(++nr, d(2026, 2, 10), 3, c.vat, "USt");
    post(EVENT_ListenNeu, THREADANZEIGE);
    settle();
    EXPECT_EQ(SUMMEN.JGEWINN, euro(c.income) - euro(c.expense) - euro(c.vat));
    EXPECT_EQ(WinSummen.text(FELD_S_GEWINNSTR).trimmed(), c.word);
    EXPECT_EQ(WinSummen.textColour(FELD_S_JGEWINN), c.colour);
    EXPECT_EQ(WinSummen.text(FELD_S_JGEWINN), c.result);
    EXPECT_EQ(WinSummen.text(FELD_S_EINGANGBRUTTO), WinSummen.text(FELD_S_JEINGANGBRUTTO));
    EXPECT_EQ(WinSummen.text(FELD_S_AUSGANGBRUTTO), "0,00");  // January lies outside the period
    EXPECT_EQ(WinSummen.text(FELD_S_JAHR2), "2026");
    EXPECT_EQ(empfangen[EVENT_SummenNeu], ++forms);  // passed on to the booking form
  }
}

TEST_F(SumsWindowTest, EachCaptionStandsUnderItsOwnAmountAndThePeriodReadsWithBlanksAroundTheDash) {
  period(d(2026, 12, 1), d(2026, 12, 31));
  THREADSUMMEN = start(SummenUebersicht);
  settle();
  auto label = [](int field) { return qobject_cast<QLabel*>(WinSummen.widget(field)); };
  // The amounts are right-aligned; so is each caption, ending where its amount ends.
  const std::pair<int, int> pairs[] = {{FELD_S_BRUTTO2, FELD_S_EINGANGBRUTTO}, {FELD_S_NETTO2, FELD_S_EINGANGNETTO},
                                       {FELD_S_MWST2, FELD_S_EINGANGMWST},     {FELD_S_BRUTTO3, FELD_S_AUSGANGBRUTTO},
                                       {FELD_S_NETTO3, FELD_S_AUSGANGNETTO},   {FELD_S_MWST3, FELD_S_AUSGANGMWST}};
  for (const auto& [caption, amount] : pairs) {
    SCOPED_TRACE(caption);
    ASSERT_NE(label(caption), nullptr);
    EXPECT_TRUE(label(caption)->alignment() & Qt::AlignRight);
    EXPECT_TRUE(label(amount)->alignment() & Qt::AlignRight);
    EXPECT_EQ(label(caption)->geometry().right(), label(amount)->geometry().right());
  }
  EXPECT_EQ(WinSummen.text(FELD_S_VONSUMMENDATUM), "01.12.2026");
  EXPECT_EQ(WinSummen.text(FELD_S_BISSUMMENDATUM), "31.12.2026");
  // The text of each control as drawn, in pixels: the first date ends at least a blank before the
  // dash, and the second begins at least a blank after it.
  QLabel* von = label(FELD_S_VONSUMMENDATUM);
  QLabel* strich = label(FELD_S_BINDESTRICH);
  QLabel* bis = label(FELD_S_BISSUMMENDATUM);
  const QFontMetrics fm(von->font());
  const int blank = fm.horizontalAdvance(' ');
  ASSERT_TRUE(von->alignment() & Qt::AlignRight);
  ASSERT_TRUE(strich->alignment() & Qt::AlignHCenter);
  ASSERT_TRUE(bis->alignment() & Qt::AlignLeft);
  const int vonEnde = von->geometry().right();
  const int strichMitte = strich->geometry().center().x();
  const int strichHalb = fm.horizontalAdvance('-') / 2;
  EXPECT_GE(von->geometry().width(), fm.horizontalAdvance("01.12.2026")) << "the date is shown whole";
  EXPECT_GE(strichMitte - strichHalb - vonEnde, blank);
  EXPECT_GE(bis->geometry().left() - (strichMitte + strichHalb), blank);
}
