#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/frame/Globale.h"
#include "tests/bookkeeping/booking/Fixture.h"

namespace {

rt::Day d(int y, int m, int day) { return rt::dayNumber(y, m, day); }

std::vector<int> numbersOf(const rt::Queue<BUCHUNGSZEILE_T>& q) {
  std::vector<int> out;
  for (const auto& z : q.rows()) out.push_back(z.NR);
  return out;
}

struct OverviewLogicTest : DataFolderTest {
  void period(rt::Day von, rt::Day bis) {
    PARA.VONSUMMENDATUM = rt::dateOf(von);
    PARA.BISSUMMENDATUM = rt::dateOf(bis);
  }
};

}  // namespace

TEST_F(OverviewLogicTest, AnEmptyFileGivesEmptyListsAndZeroSums) {
  period(d(2026, 3, 1), d(2026, 3, 31));
  const rt::Cents f(500);
  SUMMEN = SUMMEN_T{f, f, f, f, f, f, f, f, f, f};
  ListenNeuBerechnen();
  EXPECT_EQ(EINGANGQUEUE.records(), 0u);
  EXPECT_EQ(AUSGANGQUEUE.records(), 0u);
  for (rt::Cents sum : {SUMMEN.JGEWINN, SUMMEN.JEINGANGBRUTTO, SUMMEN.JAUSGANGBRUTTO, SUMMEN.JUST,
                     SUMMEN.EINGANGNETTO, SUMMEN.EINGANGBRUTTO, SUMMEN.EINGANGMWST, SUMMEN.AUSGANGNETTO,
                     SUMMEN.AUSGANGBRUTTO, SUMMEN.AUSGANGMWST})
    EXPECT_EQ(sum, rt::Cents());
  EXPECT_EQ(EINGABEJAHR, 2026);
}

TEST_F(OverviewLogicTest, ListsAndSumsOfThePeriodAndTheYear) {
  period(d(2026, 3, 1), d(2026, 3, 31));
  booking(1, d(2026, 3, 1), 1, 119, "Rechnung 1", "", 100, 19);     // first day of the period
  booking(2, d(2026, 3, 31), 2, 59.5, "Werkstatt", "Öl", 50, 9.5);  // last day
  booking(3, d(2026, 2, 28), 1, 1000, "Februar", "", 840.34, 159.66);  // a day before: year only
  booking(4, d(2026, 3, 15), 3, 300, "USt-Vorauszahlung 4. Quartal");  // kind 3
  booking(5, d(2026, 4, 1), 2, 11.9, "April");                        // a day after: year only
  booking(6, d(2025, 12, 31), 1, 77);                                 // another year
  booking(7, d(2027, 1, 1), 2, 88);
  booking(8, d(2026, 3, 15), 1, 10, "", "nur Text 2");
  ListenNeuBerechnen();

  EXPECT_EQ(numbersOf(EINGANGQUEUE), (std::vector<int>{8, 1}));     // newest first
  EXPECT_EQ(numbersOf(AUSGANGQUEUE), (std::vector<int>{2, 4}));
  EXPECT_EQ(AUSGANGQUEUE.get(2)->BETRAG, euro(300));                     // shown positive
  EXPECT_EQ(EINGANGQUEUE.get(1)->TEXT.clip(), "   nur Text 2");     // empty line 1: three blanks first
  EXPECT_EQ(AUSGANGQUEUE.get(1)->TEXT.clip(), "Werkstatt   Öl");
  EXPECT_EQ(SUMMEN.EINGANGBRUTTO, euro(129));
  EXPECT_EQ(SUMMEN.EINGANGNETTO, euro(100));
  EXPECT_EQ(SUMMEN.EINGANGMWST, euro(19));
  EXPECT_EQ(SUMMEN.AUSGANGBRUTTO, euro(-59.5));                   // kind 3 not in the period sums
  EXPECT_EQ(SUMMEN.AUSGANGNETTO, euro(-50));
  EXPECT_EQ(SUMMEN.AUSGANGMWST, euro(-9.5));
  EXPECT_EQ(SUMMEN.JEINGANGBRUTTO, euro(1129));
  EXPECT_EQ(SUMMEN.JAUSGANGBRUTTO, euro(-71.4));
  EXPECT_EQ(SUMMEN.JUST, euro(-300));
  EXPECT_EQ(SUMMEN.JGEWINN, euro(0));
}

TEST_F(OverviewLogicTest, APeriodIntoTheNextYearWalksOnlyTheFirstYear) {
  period(d(2025, 12, 1), d(2026, 1, 1));
  booking(1, d(2025, 12, 1), 1, 10);
  booking(2, d(2026, 1, 1), 1, 20);
  ListenNeuBerechnen();
  EXPECT_EQ(numbersOf(EINGANGQUEUE), std::vector<int>{1});
  EXPECT_EQ(SUMMEN.EINGANGBRUTTO, euro(10));
  EXPECT_EQ(EINGABEJAHR, 2025);
}

TEST_F(OverviewLogicTest, OneDayDescendsInTheListsAndAscendsInTheSearch) {
  period(d(2026, 3, 1), d(2026, 3, 31));
  booking(3, d(2026, 3, 10), 2, 1, "Miete");
  booking(1, d(2026, 3, 10), 2, 2, "Miete");
  booking(2, d(2026, 3, 10), 2, 3, "Miete");
  ListenNeuBerechnen();
  EXPECT_EQ(numbersOf(AUSGANGQUEUE), (std::vector<int>{3, 2, 1}));
  BUCHUNGSUCHENVON = rt::dateOf(d(2026, 3, 10));
  BUCHUNGSUCHENBIS = rt::dateOf(d(2026, 3, 10));  // equal dates search that day
  BUCHUNGSUCHENTEXT = "miete";
  ASSERT_TRUE(SuchbereichGueltig());
  SuchergebnisFuellen();
  EXPECT_EQ(numbersOf(SUCHQUEUE), (std::vector<int>{1, 2, 3}));
}

TEST_F(OverviewLogicTest, TheSearch) {
  booking(1, d(2026, 1, 5), 2, 1, "Firma MÜLLER");
  booking(2, d(2026, 2, 5), 1, 2, "Rechnung", "Herr Müller");
  booking(3, d(2026, 3, 5), 2, 3, "Hauptstraße 1");
  booking(4, d(2026, 4, 5), 2, 4, "Schmidt", "Blank Müller");
  booking(5, d(2025, 4, 5), 2, 5, "Müller früher");
  booking(6, d(2026, 5, 5), 2, 6, "Müllerstraße");
  BUCHUNGSUCHENVON = rt::dateOf(d(2026, 1, 1));
  BUCHUNGSUCHENBIS = rt::dateOf(d(2026, 12, 31));
  struct Case {
    const char* fragment;
    std::vector<int> found;
  };
  const Case cases[] = {
      {"müller", {1, 2, 4, 6}}, {"MüLLer", {1, 2, 4, 6}}, {"strasse", {}}, {"straße", {3, 6}},
      {"", {}}, {" Müller", {1, 2, 4}}, {"k Mü", {4}}, {"*", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fragment);
    BUCHUNGSUCHENTEXT = c.fragment;
    SuchergebnisFuellen();
    EXPECT_EQ(numbersOf(SUCHQUEUE), c.found);
  }
  struct Range {
    rt::Day von, bis;
    bool ok;
  };
  for (const Range r : {Range{0, d(2026, 1, 1), false}, Range{d(2026, 1, 1), 0, false},
                        Range{d(2026, 2, 1), d(2026, 1, 1), false}, Range{d(2026, 1, 1), d(2026, 1, 1), true}}) {
    BUCHUNGSUCHENVON = rt::dateOf(r.von);
    BUCHUNGSUCHENBIS = rt::dateOf(r.bis);
    EXPECT_EQ(SuchbereichGueltig(), r.ok);
  }
}

TEST_F(OverviewLogicTest, TheSearchRangePreset) {
  BUCHUNGSUCHENVON = rt::dateOf(d(2020, 1, 1));
  BUCHUNGSUCHENBIS = {};
  SuchbereichVorbelegen();  // an empty file keeps the dates
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENVON), d(2020, 1, 1));
  EXPECT_TRUE(BUCHUNGSUCHENBIS.isZero());
  booking(1, d(2024, 6, 1), 1, 1);
  booking(2, d(2023, 2, 1), 1, 1);
  booking(3, d(2026, 8, 9), 1, 1);
  SuchbereichVorbelegen();
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENVON), d(2023, 2, 1));
  EXPECT_EQ(rt::dayNumber(BUCHUNGSUCHENBIS), d(2026, 8, 9));
}

TEST(GrossMitUmlautenTest, ChangesExactlyAToZAndTheThreeUmlauts) {
  EXPECT_EQ(GrossMitUmlauten("müller straße éà äöü 1a"), "MÜLLER STRAßE éà ÄÖÜ 1A");
}
