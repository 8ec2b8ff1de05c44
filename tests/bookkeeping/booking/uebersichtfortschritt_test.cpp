// A refill that reads a long year through the real window: "berechne ..." and the growing lists
// while it runs, and a booking stored meanwhile (as the booking form does on its own thread).

#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/frame/Rahmen.h"
#include "tests/bookkeeping/booking/uebersicht_fixture.h"
#include "runtime/window/ListBox.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QTimer>

using namespace rt::win;
using testing_support::settle;

namespace {

rt::Day d(int y, int m, int day) { return rt::dayNumber(y, m, day); }

struct RefillProgressTest : WorkWindowTest {
  void TearDown() override {
    ListenNeuTakt(256, 50);
    WorkWindowTest::TearDown();
  }
};

}  // namespace

TEST_F(RefillProgressTest, ALongRefillShowsItsProgressAndTakesAStoreMeanwhile) {
  constexpr int kBuchungen = 3000;
  account("4000", "K", 2, "Kfz-Kosten", 2);
  ASSERT_EQ(BUCHUNGDATEI.begin(), 0);
  for (int i = 1; i <= kBuchungen; ++i) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = i;
    BUCHUNG.KONTO = "4000";
    BUCHUNG.DATUM = rt::dateOf(d(2026, 1, 1) + (i * 7919) % 365);  // scattered dates
    BUCHUNG.ART = static_cast<std::uint8_t>(1 + i % 2);
    BUCHUNG.BRUTTO = euro(i);
    BUCHUNG.TEXT[0] = "Buchung " + std::to_string(i);
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
  ASSERT_EQ(BUCHUNGDATEI.commit(), 0);
  THREADSUMMEN = zaehlerThread;
  period(d(2026, 1, 1), d(2026, 12, 31));
  ListenNeuTakt(100, 0);

  struct Blick {
    bool berechne;
    std::size_t zeilen;
  };
  std::vector<Blick> blicke;
  bool gespeichert = false;
  QTimer beobachter;
  beobachter.setInterval(0);
  QObject::connect(&beobachter, &QTimer::timeout, [&] {
    if (!WinAnzeige.isOpen()) return;
    const std::size_t zeilen = EINGANGQUEUE.records() + AUSGANGQUEUE.records();
    blicke.push_back({!WinAnzeige.isHidden(FELD_BERECHNE), zeilen});
    if (gespeichert || zeilen == 0 || WinAnzeige.isHidden(FELD_BERECHNE)) return;
    // What the booking form does when the notice closes: store, then ask for a refill.
    CODE = "4000";
    BUCHUNGEINGABE = BUCHUNG_T{};
    BUCHUNGEINGABE.KONTO = "4000";
    BUCHUNGEINGABE.ART = 2;
    BUCHUNGEINGABE.DATUM = rt::dateOf(d(2026, 12, 31));
    BUCHUNGEINGABE.BRUTTO = euro(0.5);
    BUCHUNGEINGABE.TEXT[0] = "Während der Rechnung";
    gespeichert = BuchungSpeichern([] {}) == Speichern::Gespeichert;
    post(EVENT_ListenNeu, THREADANZEIGE);
  });
  beobachter.start();
  THREADANZEIGE = start(BuchungsUebersicht);
  settle(60000);
  beobachter.stop();

  ASSERT_TRUE(gespeichert);
  const bool sichtbarMitteDrin = std::any_of(blicke.begin(), blicke.end(), [](const Blick& b) {
    return b.berechne && b.zeilen > 0 && b.zeilen < kBuchungen;
  });
  EXPECT_TRUE(sichtbarMitteDrin);
  std::vector<std::size_t> waehrend;
  for (const Blick& b : blicke)
    if (b.berechne && waehrend.size() < 3 && (waehrend.empty() || b.zeilen > waehrend.back())) waehrend.push_back(b.zeilen);
  EXPECT_EQ(waehrend.size(), 3u);  // the lists grew while "berechne ..." stood there

  EXPECT_TRUE(WinAnzeige.isHidden(FELD_BERECHNE));
  EXPECT_FALSE(WinAnzeige.isHidden(FELD_NRAUSGANG));
  ASSERT_EQ(EINGANGQUEUE.records() + AUSGANGQUEUE.records(), kBuchungen + 1u);
  EXPECT_EQ(AUSGANGQUEUE.get(1)->NR, kBuchungen + 1);  // the newest, first
  EXPECT_EQ(WinAnzeige.list(FELD_NRAUSGANG)->model()->rowCount(), static_cast<int>(AUSGANGQUEUE.records()));
}
