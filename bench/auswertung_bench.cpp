// The evaluations over a year of 100,000 bookings with 50 expense accounts, each against a raw SQLite
// scan of that year's rows (same table, same index order, same columns) in the same run:
//   - the profit/loss with "Ausgaben aufschlüsseln", its pages built (every booking a detail line);
//   - the VAT pre-return of the second quarter, its pages built.
// The evaluation runs as "&Vorschau" runs it; the preview is left at once without printing. The rows
// counted are the detail lines on the pages. Data lies in a temporary folder below /tmp.

#include "bench/RawScan.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/reports/Auswertung.h"
#include "bookkeeping/reports/Markierliste.h"
#include "runtime/text/Collation.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <string>

namespace {

constexpr int kRows = 100000;
constexpr int kAusgabenKonten = 50;

QTemporaryDir& folder() {
  static QTemporaryDir dir("/tmp/tavik-auswertung-bench-XXXXXX");
  return dir;
}

// Accounts: 5 income, 50 expense, 1 VAT; bookings spread evenly over 2026: every third income (keys
// 1 to 5 in turn), one in 20 a VAT prepayment, the others expenses over the 50 accounts.
bool fill() {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  KONTOPFAD = folder().filePath("Konto.dat");
  BUCHUNGPFAD = folder().filePath("Buchung.dat");
  PARAPFAD = folder().filePath("Para.dat");
  if (KONTODATEI.create() || KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite)) return false;
  if (BUCHUNGDATEI.create() || BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite)) return false;
  const auto konto = [](int nr, int art, const std::string& name) {
    KONTODATEI.clear();
    KONTO.NR = std::to_string(nr);
    KONTO.ART = static_cast<std::uint8_t>(art);
    KONTO.NAME = name;
    return KONTODATEI.add() == 0;
  };
  if (!konto(1780, 3, "USt-Vorauszahlung")) return false;
  for (int k = 0; k < kAusgabenKonten; ++k)
    if (!konto(4000 + k, 2, "Ausgabenkonto " + std::to_string(k))) return false;
  for (int k = 0; k < 5; ++k)
    if (!konto(8100 + k, 1, "Erlöse " + std::to_string(k))) return false;

  BUCHUNGDATEI.begin();
  const rt::Day jan1 = rt::dayNumber(2026, 1, 1);
  for (int i = 0; i < kRows; ++i) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = i + 1;
    BUCHUNG.DATUM = rt::dateOf(jan1 + i / 274);  // 274 a day: the 100,000 lie within 2026
    BUCHUNG.TEXT[0] = "Rechnung " + std::to_string(i) + " Bürobedarf";
    BUCHUNG.TEXT[1] = i % 7 ? "" : "Lieferant Schmidt & Söhne GmbH";
    BUCHUNG.BRUTTO = rt::Cents(11900 + i % 1000 * 100);
    BUCHUNG.NETTO = rt::netOf(BUCHUNG.BRUTTO, 19);
    BUCHUNG.MWST = BUCHUNG.BRUTTO - BUCHUNG.NETTO;
    if (i % 20 == 19) {
      BUCHUNG.ART = 3;
      BUCHUNG.KONTO = "1780";
    } else if (i % 3 == 0) {
      BUCHUNG.ART = 1;
      BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(1 + i / 3 % 5);
      BUCHUNG.KONTO = std::to_string(8100 + i / 3 % 5);
    } else {
      BUCHUNG.ART = 2;
      BUCHUNG.MWSTSATZ = 2;
      BUCHUNG.KONTO = std::to_string(4000 + i % kAusgabenKonten);
    }
    if (BUCHUNGDATEI.add() != 0) return false;
  }
  return BUCHUNGDATEI.commit() == 0;
}

// A date as the bookings file keeps it in its DATUM column.
std::string stored(int y, int m, int d) { return std::to_string((std::int64_t{y} << 16) | (m << 8) | d); }

// The detail lines of the report's pages: one box behind each.
int detailZeilen() {
  int n = 0;
  for (const auto& row : SEITENQUEUE.rows())
    if (const rt::report::PageImage* page = rt::report::pageImage(row.SEITE.clip()))
      for (const auto& item : page->items)
        if (item.kind == rt::report::DrawItem::Kind::Box && std::fabs(item.w - 181) < 0.01) ++n;
  return n;
}

// Runs the evaluation of `seite` and the raw scan of the year alternately; reports both times, their
// ratio, the detail lines and the pages.
void auswerten(benchmark::State& state, int seite) {
  static const bool filled = fill();
  if (!filled) {
    state.SkipWithError("cannot fill the data files");
    return;
  }
  PARA.BUCHUNGSART = 1;
  PARA.MWST_2 = 19;
  PARA.MWST_3 = 7;
  PARA.ZEILENABHEBEN = 1;
  GEWAEHLTESEITE = static_cast<std::uint8_t>(seite);
  AUSGABENAUFSCHLUESSELN = 1;
  NURSUMMEN = EXTRASEITE = 0;
  VOND1 = rt::dateOf(rt::dayNumber(2026, 1, 1));
  BISD1 = rt::dateOf(rt::dayNumber(2026, 12, 31));
  VOND3 = rt::dateOf(rt::dayNumber(2026, 4, 1));
  BISD3 = rt::dateOf(rt::dayNumber(2026, 6, 30));
  MarkierlisteFuellen();
  int zeilen = 0, seiten = 0;
  VorschauSetzen([&](rt::report::Report&) {
    zeilen = detailZeilen();
    seiten = static_cast<int>(SEITENQUEUE.records());
    return std::uint8_t(0);
  });

  sqlite3* db = BUCHUNGDATEI.connection();
  const std::string sql =
      "SELECT \"ID\", \"INTERN\", \"NR\", \"KONTO\", \"KONTOTEXT\", \"DATUM\", \"TEXT_1\", \"TEXT_2\", \"BRUTTO\", "
      "\"NETTO\", \"MWST\", \"ART\", \"MWSTSATZ\", \"EXTRA\", \"DATUM\", \"NR\" FROM \"BUCHUNG\" INDEXED BY "
      "\"BUCHUNG_KEYDATUM\" WHERE \"DATUM\" >= " + stored(2026, 1, 1) + " AND \"DATUM\" <= " + stored(2026, 12, 31) +
      " ORDER BY \"DATUM\", \"NR\", \"ID\"";
  sqlite3_stmt* scan = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &scan, nullptr) != SQLITE_OK) {
    state.SkipWithError(sqlite3_errmsg(db));
    return;
  }
  double walkSeconds = 0, rawSeconds = 0;
  for (auto _ : state) {
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    AuswertungErstellen();
    const auto t1 = Clock::now();
    const int scanned = rawScan(scan);
    const auto t2 = Clock::now();
    if (scanned != kRows || zeilen == 0) {
      state.SkipWithError("wrong number of rows");
      break;
    }
    const double w = std::chrono::duration<double>(t1 - t0).count();
    walkSeconds += w;
    rawSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(w);
  }
  sqlite3_finalize(scan);
  VorschauSetzen({});
  const double n = static_cast<double>(state.iterations());
  state.counters["evaluation_ms"] = 1000 * walkSeconds / n;
  state.counters["raw_scan_year_ms"] = 1000 * rawSeconds / n;
  state.counters["ratio"] = walkSeconds / rawSeconds;
  state.counters["detail_lines"] = zeilen;
  state.counters["pages"] = seiten;
}

void BM_GewinnVerlustAufgeschluesselt(benchmark::State& state) { auswerten(state, 1); }
BENCHMARK(BM_GewinnVerlustAufgeschluesselt)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_UStVoranmeldungQuartal(benchmark::State& state) { auswerten(state, 3); }
BENCHMARK(BM_UStVoranmeldungQuartal)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("TAVIK_PRINTER_PDF", "1", 1);
  setenv("TAVIK_FOLDER_PERSONAL", folder().path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  KONTODATEI.close();
  BUCHUNGDATEI.close();
  return 0;
}
