// The refill's copy of the year's bookings: equal to the file after every store, delete and load,
// only the changed rows read; and a refill that pauses while other code uses the file.

#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Queues.h"
#include "tests/bookkeeping/booking/Fixture.h"

#include <algorithm>
#include <random>
#include <set>
#include <thread>

namespace {

rt::Day d(int y, int m, int day) { return rt::dayNumber(y, m, day); }

std::vector<int> numbersOf(const rt::Queue<BUCHUNGSZEILE_T>& q) {
  std::vector<int> out;
  for (const auto& z : q.rows()) out.push_back(z.NR);
  return out;
}

struct YearCopyTest : DataFolderTest {
  void SetUp() override {
    DataFolderTest::SetUp();
    resetEntry();
    account("4000", "K", 2, "Kfz-Kosten", 2);
    period(d(2026, 1, 1), d(2026, 12, 31));
  }
  void TearDown() override {
    ListenNeuTakt(256, 50);
    DataFolderTest::TearDown();
  }
  void period(rt::Day von, rt::Day bis) {
    PARA.VONSUMMENDATUM = rt::dateOf(von);
    PARA.BISSUMMENDATUM = rt::dateOf(bis);
  }
  // Stores a booking through the booking form's logic.
  void store(rt::Day day, int art, double gross, const std::string& text) {
    BUCHUNGEINGABE = BUCHUNG_T{};
    CODE = "4000";
    BUCHUNGEINGABE.KONTO = "4000";
    BUCHUNGEINGABE.ART = static_cast<std::uint8_t>(art);
    BUCHUNGEINGABE.DATUM = rt::dateOf(day);
    BUCHUNGEINGABE.BRUTTO = euro(gross);
    BUCHUNGEINGABE.NETTO = euro(gross / 1.19);
    BUCHUNGEINGABE.MWST = euro(gross - gross / 1.19);
    BUCHUNGEINGABE.TEXT[0] = text;
    BUCHUNGEINGABE.TEXT[1] = "Zeile zwei";
    ASSERT_EQ(BuchungSpeichern([] {}), Speichern::Gespeichert);
  }
  // Bookings 1 to n spread over 2026, added straight to the file in one transaction.
  void bulk(int n, unsigned seed) {
    std::mt19937 zufall(seed);
    ASSERT_EQ(BUCHUNGDATEI.begin(), 0);
    for (int i = 1; i <= n; ++i) {
      BUCHUNGDATEI.clear();
      BUCHUNG.NR = i;
      BUCHUNG.KONTO = "4000";
      BUCHUNG.DATUM = rt::dateOf(d(2026, 1, 1) + static_cast<int>(zufall() % 365));
      BUCHUNG.ART = static_cast<std::uint8_t>(1 + zufall() % 3);
      BUCHUNG.BRUTTO = euro(100 + i);
      BUCHUNG.NETTO = euro(i / 1.19);
      BUCHUNG.TEXT[0] = "B" + std::to_string(i);
      ASSERT_EQ(BUCHUNGDATEI.add(), 0);
    }
    ASSERT_EQ(BUCHUNGDATEI.commit(), 0);
  }
  std::vector<int> numbersInFile() {
    std::vector<int> out;
    BUCHUNGDATEI.clear();
    BUCHUNGDATEI.set(BUCHUNG_KEYNR);
    while (BUCHUNGDATEI.next() == 0) out.push_back(+BUCHUNG.NR);
    return out;
  }

  // The copy, the lists and the sums are what a walk of the file itself gives.
  void expectCopyEqualsFile() {
    const auto kopie = JahresKopie();
    const std::vector<int> eingang = numbersOf(EINGANGQUEUE), ausgang = numbersOf(AUSGANGQUEUE);
    const SUMMEN_T summen = SUMMEN;
    const rt::Day anfang = rt::yearStart(PARA.VONSUMMENDATUM.year), ende = rt::yearEnd(PARA.VONSUMMENDATUM.year);
    const rt::Day von = rt::dayNumber(PARA.VONSUMMENDATUM), bis = rt::dayNumber(PARA.BISSUMMENDATUM);
    std::vector<int> erwartetEin, erwartetAus;
    SUMMEN_T erwartet{};
    std::size_t i = 0;
    BUCHUNG.NR = 0;
    BUCHUNG.DATUM = rt::dateOf(ende + 1);
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
    while (BUCHUNGDATEI.previous() == 0 && rt::dayNumber(BUCHUNG.DATUM) >= anfang) {
      ASSERT_LT(i, kopie.size());
      const JAHRESZEILE_T& z = kopie[i++];
      ASSERT_EQ(z.NR, +BUCHUNG.NR);
      EXPECT_EQ(z.TAG, rt::dayNumber(BUCHUNG.DATUM));
      EXPECT_EQ(z.ART, BUCHUNG.ART);
      EXPECT_EQ(z.BRUTTO, BUCHUNG.BRUTTO);
      EXPECT_EQ(z.NETTO, BUCHUNG.NETTO);
      EXPECT_EQ(z.MWST, BUCHUNG.MWST);
      const BUCHUNGSZEILE_T liste = JahresListenzeile(z), zeile = BuchungsZeile(BUCHUNG);
      EXPECT_EQ(liste.TEXT, zeile.TEXT);
      EXPECT_EQ(liste.DATUM, zeile.DATUM);
      const rt::Day tag = rt::dayNumber(BUCHUNG.DATUM);
      if (tag >= von && tag <= bis) {
        (BUCHUNG.ART == 1 ? erwartetEin : erwartetAus).push_back(+BUCHUNG.NR);
        if (BUCHUNG.ART == 1) erwartet.EINGANGBRUTTO += BUCHUNG.BRUTTO;
        if (BUCHUNG.ART == 2) erwartet.AUSGANGNETTO -= BUCHUNG.NETTO;
      }
      if (BUCHUNG.ART == 3) erwartet.JUST -= BUCHUNG.BRUTTO;
    }
    EXPECT_EQ(i, kopie.size());
    EXPECT_EQ(eingang, erwartetEin);
    EXPECT_EQ(ausgang, erwartetAus);
    EXPECT_EQ(summen.EINGANGBRUTTO, erwartet.EINGANGBRUTTO);
    EXPECT_EQ(summen.AUSGANGNETTO, erwartet.AUSGANGNETTO);
    EXPECT_EQ(summen.JUST, erwartet.JUST);
  }
};

}  // namespace

TEST_F(YearCopyTest, TheCopyEqualsTheFileAfterEveryStoreDeleteAndLoad) {
  std::mt19937 zufall(20260305);
  auto wuerfel = [&](int n) { return static_cast<int>(zufall() % static_cast<unsigned>(n)); };
  bulk(40, 20260305);
  ListenNeuBerechnen();
  EXPECT_EQ(ListenNeuGelesen(), 40);
  expectCopyEqualsFile();
  for (int schritt = 0; schritt < 120; ++schritt) {
    SCOPED_TRACE(schritt);
    bool ganzesJahr = false;
    switch (wuerfel(6)) {
      case 0:
      case 1:  // a new booking, in the year or in a neighbouring one
        store(d(2025, 12, 20) + wuerfel(380), 1 + wuerfel(3), 1 + wuerfel(900), "N" + std::to_string(schritt));
        break;
      case 2:
      case 3: {  // a booking loaded for editing, then stored again changed, or cleared (deleted)
        const std::vector<int> nrs = numbersInFile();
        if (nrs.empty()) break;
        GEWAEHLTEBUCHUNG = nrs[wuerfel(static_cast<int>(nrs.size()))];
        ASSERT_EQ(BuchungLadenFuerBearbeitung(), Laden::Geladen);
        ListenNeuBerechnen();  // the load asks for a refill too
        expectCopyEqualsFile();
        if (wuerfel(2)) {
          BUCHUNGEINGABE.BRUTTO += euro(1);
          BUCHUNGEINGABE.DATUM = rt::dateOf(d(2026, 1, 1) + wuerfel(365));
          ASSERT_EQ(BuchungSpeichern([] {}), Speichern::Gespeichert);
        } else {
          BearbeitungVerwerfen();
        }
        break;
      }
      case 4: {  // another month of the year
        const int m = 1 + wuerfel(12);
        period(d(2026, m, 1), m == 12 ? d(2026, 12, 31) : d(2026, m + 1, 1) - 1);
        break;
      }
      default:  // the whole year, now and then of another year and back
        ganzesJahr = wuerfel(4) == 0;
        period(d(ganzesJahr ? 2025 : 2026, 1, 1), d(ganzesJahr ? 2025 : 2026, 12, 31));
        break;
    }
    ListenNeuBerechnen();
    if (!ganzesJahr) EXPECT_LE(ListenNeuGelesen(), 1);  // only the changed row, no re-read of the year
    expectCopyEqualsFile();
    if (ganzesJahr) {  // back to the year: read again, once
      period(d(2026, 1, 1), d(2026, 12, 31));
      ListenNeuBerechnen();
      expectCopyEqualsFile();
    }
  }
}

TEST_F(YearCopyTest, AStoreWhileALongRefillPausesNeitherDerailsItNorGetsLost) {
  bulk(600, 7);
  ListenNeuTakt(50, 0);
  int pausen = 0;
  std::vector<int> gesehen;  // the rows listed at each pause: they only grow
  ListenNeuBerechnen([&] {
    ++pausen;
    gesehen.push_back(static_cast<int>(EINGANGQUEUE.records() + AUSGANGQUEUE.records()));
    if (pausen == 3) {
      // What the booking form does meanwhile: a new booking behind the walk and one ahead of it, a
      // booking loaded (taken out) and stored again, its own walk on another key.
      store(d(2026, 12, 31), 1, 1.5, "Neu Silvester");
      store(d(2026, 1, 1), 2, 2.5, "Neu Neujahr");
      GEWAEHLTEBUCHUNG = 100;
      ASSERT_EQ(BuchungLadenFuerBearbeitung(), Laden::Geladen);
      ASSERT_EQ(BuchungSpeichern([] {}), Speichern::Gespeichert);
    }
    BUCHUNG.NR = 1;
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
    BUCHUNGDATEI.next();
  });
  EXPECT_GT(pausen, 5);
  EXPECT_TRUE(std::is_sorted(gesehen.begin(), gesehen.end()));
  // The walk went on where it stood: every booking it listed once, the one ahead of it included.
  std::vector<int> alle = numbersOf(EINGANGQUEUE);
  for (int nr : numbersOf(AUSGANGQUEUE)) alle.push_back(nr);
  EXPECT_EQ(std::set<int>(alle.begin(), alle.end()).size(), alle.size());
  EXPECT_GE(alle.size(), 601u);
  EXPECT_EQ(std::count(alle.begin(), alle.end(), 602), 1);  // the one dated ahead of the walk
  // The refill that the store asked for shows everything, reading only the changed rows.
  ListenNeuBerechnen();
  EXPECT_LE(ListenNeuGelesen(), 4);
  expectCopyEqualsFile();
  for (int nr : {601, 602, 603}) {
    std::vector<int> jetzt = numbersOf(EINGANGQUEUE);
    for (int n : numbersOf(AUSGANGQUEUE)) jetzt.push_back(n);
    EXPECT_EQ(std::count(jetzt.begin(), jetzt.end(), nr), 1) << nr;
  }
}

// A year long enough to be read in parts on several connections: many bookings a day, numbers
// stored out of their order, bookings of the neighbouring years among them, amounts whose sums
// depend on the order of adding. Lists, copy and sums are the walk's, to the last bit.
TEST_F(YearCopyTest, AYearReadInPartsKeepsTheWalksOrderAndSums) {
  constexpr int kBuchungen = 20000;
  int imJahr = 0;
  ASSERT_EQ(BUCHUNGDATEI.begin(), 0);
  for (int i = 0; i < kBuchungen; ++i) {
    const int nr = 1 + (i * 7919) % kBuchungen;
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = nr;
    BUCHUNG.KONTO = "4000";
    const bool nachbar = nr % 50 == 0;
    BUCHUNG.DATUM = rt::dateOf(nachbar ? (nr % 100 ? d(2025, 12, 31) : d(2027, 1, 1)) : d(2026, 1, 1) + nr % 30);
    imJahr += nachbar ? 0 : 1;
    BUCHUNG.ART = static_cast<std::uint8_t>(1 + nr % 3);
    BUCHUNG.BRUTTO = rt::Cents(10 * nr);
    BUCHUNG.NETTO = rt::Cents(7 * nr);
    BUCHUNG.TEXT[0] = "B" + std::to_string(nr);
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
  ASSERT_EQ(BUCHUNGDATEI.commit(), 0);
  period(d(2026, 1, 5), d(2026, 1, 20));
  ListenNeuBerechnen();
  EXPECT_EQ(ListenNeuGelesen(), imJahr);
  expectCopyEqualsFile();
  EXPECT_EQ(AUSGANGQUEUE.get(1)->DATUM, rt::dateOf(d(2026, 1, 20)));  // both bounds of the period listed
  EXPECT_EQ(AUSGANGQUEUE.rows().back().DATUM, rt::dateOf(d(2026, 1, 5)));
}

// The year read ahead while the windows are built: the first refill takes it, with what was stored,
// deleted and loaded after the read ahead began; a refill of another year reads its own.
TEST_F(YearCopyTest, TheYearReadAheadCatchesUpWithWhatChangedMeanwhile) {
  bulk(3000, 11);
  JahrVorauslesen();
  // Let the read ahead end first, so that only catching up can bring in what follows.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  store(d(2026, 6, 30), 1, 7.5, "Neu");
  store(d(2025, 6, 30), 1, 8.5, "Vorjahr");
  GEWAEHLTEBUCHUNG = 100;
  ASSERT_EQ(BuchungLadenFuerBearbeitung(), Laden::Geladen);  // taken out of the file
  ListenNeuBerechnen();
  expectCopyEqualsFile();
  std::vector<int> alle = numbersOf(EINGANGQUEUE);
  for (int nr : numbersOf(AUSGANGQUEUE)) alle.push_back(nr);
  EXPECT_EQ(std::count(alle.begin(), alle.end(), 3001), 1);
  EXPECT_EQ(std::count(alle.begin(), alle.end(), 3002), 0);
  EXPECT_EQ(std::count(alle.begin(), alle.end(), 100), 0);

  JahrVorauslesen();  // of 2026
  period(d(2025, 1, 1), d(2025, 12, 31));
  ListenNeuBerechnen();
  expectCopyEqualsFile();
  EXPECT_EQ(numbersOf(EINGANGQUEUE), std::vector<int>{3002});
  JahrVorauslesen();
  JahrVorauslesenVerwerfen();  // a read ahead that nobody takes ends before the file closes
}
