// The bookings file under load: adding bookings one at a time as the booking form does (next
// number, then one transaction per Add), and a walk by KEYDATUM against a raw SQLite scan of the
// same rows, ordered by the same index and reading the same columns, in the same run.
//
// Data lies in a temporary folder below /tmp.

#include "bench/RawScan.h"
#include "bookkeeping/data/Dateien.h"
#include "runtime/text/Collation.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>

namespace {


QTemporaryDir& folder() {
  static QTemporaryDir dir("/tmp/tavik-isam-bench-XXXXXX");
  return dir;
}

bool createAndOpen(const char* name) {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  BUCHUNGDATEI.close();
  BUCHUNGPFAD = folder().filePath(name);
  return BUCHUNGDATEI.create() == 0 &&
         BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) == 0;
}

// A booking as the form stores it: the next free number, a date, two text lines, amounts.
int addBooking(int i) {
  BUCHUNG.NR = INT32_MAX;
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
  const int nr = BUCHUNGDATEI.previous() == 0 ? BUCHUNG.NR + 1 : 1;
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = nr;
  BUCHUNG.KONTO = i % 3 ? "4000" : "8400";
  BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2020, 1, 1) + (i * 7919) % 1800);
  BUCHUNG.TEXT[0] = "Rechnung " + std::to_string(i) + " Bürobedarf";
  BUCHUNG.TEXT[1] = "Lieferant Müller & Söhne GmbH";
  BUCHUNG.BRUTTO = rt::Cents(11900 + i % 1000 * 100);
  BUCHUNG.NETTO = rt::netOf(BUCHUNG.BRUTTO, 19);
  BUCHUNG.MWST = BUCHUNG.BRUTTO - BUCHUNG.NETTO;
  BUCHUNG.ART = static_cast<std::uint8_t>(1 + i % 3);
  BUCHUNG.MWSTSATZ = 1;
  return BUCHUNGDATEI.add();
}

// Arg: journal mode. 0 is the layer's own (DELETE); TRUNCATE and PERSIST for comparison, which
// would leave a second file beside the data file.
void BM_AddBooking(benchmark::State& state) {
  const char* modes[] = {"DELETE", "TRUNCATE", "PERSIST"};
  const char* mode = modes[state.range(0)];
  if (!createAndOpen(("add-" + std::string(mode) + ".dat").c_str())) {
    state.SkipWithError("cannot create the bookings file");
    return;
  }
  sqlite3_exec(BUCHUNGDATEI.connection(), (std::string("PRAGMA journal_mode=") + mode).c_str(),
               nullptr, nullptr, nullptr);
  int i = 0;
  for (auto _ : state)
    if (addBooking(i++) != 0) {
      state.SkipWithError("Add failed");
      break;
    }
  state.SetLabel(mode);
  BUCHUNGDATEI.close();
}
BENCHMARK(BM_AddBooking)->Arg(0)->Arg(1)->Arg(2)->Iterations(10000)->Unit(benchmark::kMicrosecond);

constexpr int kWalkRows = 100000;

int walk() {
  int n = 0;
  BUCHUNGDATEI.clear();
  BUCHUNGDATEI.set(BUCHUNG_KEYDATUM);
  while (BUCHUNGDATEI.next() == 0) {
    ++n;
    benchmark::DoNotOptimize(BUCHUNG.BRUTTO);
  }
  return n;
}


void BM_WalkByDateVersusRawScan(benchmark::State& state) {
  if (!createAndOpen("walk.dat")) {
    state.SkipWithError("cannot create the bookings file");
    return;
  }
  // Filling is not measured: one transaction around all Adds.
  sqlite3* db = BUCHUNGDATEI.connection();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < kWalkRows; ++i) addBooking(i);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

  const char* sql =
      "SELECT \"ID\", \"INTERN\", \"NR\", \"KONTO\", \"KONTOTEXT\", \"DATUM\", \"TEXT_1\", "
      "\"TEXT_2\", \"BRUTTO\", \"NETTO\", \"MWST\", \"ART\", \"MWSTSATZ\", \"EXTRA\", \"DATUM\", "
      "\"NR\" FROM \"BUCHUNG\" INDEXED BY \"BUCHUNG_KEYDATUM\" ORDER BY \"DATUM\", \"NR\", \"ID\"";
  measure(state, db, sql, kWalkRows, walk);
  BUCHUNGDATEI.close();
}
BENCHMARK(BM_WalkByDateVersusRawScan)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
