// The overview's two walks against a raw SQLite scan of the same rows (same table, same index order,
// same columns) in the same run: the refill over a year of 100,000 bookings, and the search over
// 1,000,000 bookings. Data lies in a temporary folder below /tmp.

#include "bench/RawScan.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/text/Collation.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {


QTemporaryDir& folder() {
  static QTemporaryDir dir("/tmp/tavik-uebersicht-bench-XXXXXX");
  return dir;
}

// A file of `rows` bookings spread evenly over the days from `erster` on, `proTag` per day.
bool fill(const char* name, int rows, rt::Day erster, int proTag) {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  BUCHUNGDATEI.close();
  BUCHUNGPFAD = folder().filePath(name);
  if (BUCHUNGDATEI.create() != 0 || BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) != 0) return false;
  sqlite3* db = BUCHUNGDATEI.connection();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < rows; ++i) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = i + 1;
    BUCHUNG.KONTO = i % 3 ? "4000" : "8400";
    // Stored in scattered date order: each day gets its bookings spread over the whole fill.
    const int tage = (rows + proTag - 1) / proTag;
    BUCHUNG.DATUM = rt::dateOf(erster + static_cast<int>((i * 7919LL) % tage));
    BUCHUNG.TEXT[0] = "Rechnung " + std::to_string(i) + " Bürobedarf";
    BUCHUNG.TEXT[1] = i % 97 ? "Lieferant Schmidt & Söhne GmbH" : "Lieferant Müller GmbH";
    BUCHUNG.BRUTTO = rt::Cents(11900 + i % 1000 * 100);
    BUCHUNG.NETTO = rt::netOf(BUCHUNG.BRUTTO, 19);
    BUCHUNG.MWST = BUCHUNG.BRUTTO - BUCHUNG.NETTO;
    BUCHUNG.ART = static_cast<std::uint8_t>(1 + i % 3);
    BUCHUNG.MWSTSATZ = 1;
    if (BUCHUNGDATEI.add() != 0) return false;
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  return true;
}


// A date as the bookings file keeps it in its DATUM column.
std::string stored(int y, int m, int d) { return std::to_string((std::int64_t{y} << 16) | (m << 8) | d); }

constexpr char kColumns[] =
    "SELECT \"ID\", \"INTERN\", \"NR\", \"KONTO\", \"KONTOTEXT\", \"DATUM\", \"TEXT_1\", \"TEXT_2\", \"BRUTTO\", "
    "\"NETTO\", \"MWST\", \"ART\", \"MWSTSATZ\", \"EXTRA\", \"DATUM\", \"NR\" FROM \"BUCHUNG\" INDEXED BY "
    "\"BUCHUNG_KEYDATUM\" ";


// The refill walks the year backwards from its last day: the raw scan reads the same rows in the
// same (descending) order.
void BM_ListenNeuBerechnen(benchmark::State& state) {
  constexpr int kRows = 100000;
  const rt::Day jan1 = rt::dayNumber(2026, 1, 1);
  if (!fill("refill.dat", kRows, jan1, 274)) {  // 274 a day: the 100,000 lie within 2026
    state.SkipWithError("cannot fill the bookings file");
    return;
  }
  PARA.VONSUMMENDATUM = rt::dateOf(rt::dayNumber(2026, 4, 1));
  PARA.BISSUMMENDATUM = rt::dateOf(rt::dayNumber(2026, 6, 30));
  const std::string sql = std::string(kColumns) + "WHERE \"DATUM\" >= " + stored(2026, 1, 1) + " AND \"DATUM\" <= " +
                          stored(2026, 12, 31) + " ORDER BY \"DATUM\" DESC, \"NR\" DESC, \"ID\" DESC";
  // Each refill reads the whole year from the file: the year kept in memory is given up before.
  const auto anderesJahr = [] {
    const rt::DATE von = PARA.VONSUMMENDATUM;
    PARA.VONSUMMENDATUM = rt::dateOf(rt::dayNumber(2019, 1, 1));
    ListenNeuBerechnen();
    PARA.VONSUMMENDATUM = von;
  };
  measure(state, BUCHUNGDATEI.connection(), sql, kRows, anderesJahr, [] {
    ListenNeuBerechnen();
    benchmark::DoNotOptimize(SUMMEN.JEINGANGBRUTTO);
    return static_cast<int>(ListenNeuGelesen());
  });
  BUCHUNGDATEI.close();
}
BENCHMARK(BM_ListenNeuBerechnen)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_SuchergebnisFuellen(benchmark::State& state) {
  constexpr int kRows = 1000000;
  const rt::Day erster = rt::dayNumber(2020, 1, 1);
  if (!fill("search.dat", kRows, erster, 400)) {
    state.SkipWithError("cannot fill the bookings file");
    return;
  }
  BUCHUNGSUCHENVON = rt::dateOf(erster);
  BUCHUNGSUCHENBIS = rt::dateOf(erster + kRows / 400);
  BUCHUNGSUCHENTEXT = "müller";
  const std::string sql = std::string(kColumns) + "WHERE \"DATUM\" >= " + stored(2020, 1, 1) +
                          " ORDER BY \"DATUM\", \"NR\", \"ID\"";
  measure(state, BUCHUNGDATEI.connection(), sql, kRows, [] {
    SuchergebnisFuellen();
    benchmark::DoNotOptimize(SUCHQUEUE.records());
    return static_cast<int>(SuchergebnisGelesen());
  });
  BUCHUNGDATEI.close();
}
BENCHMARK(BM_SuchergebnisFuellen)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
