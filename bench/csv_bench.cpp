// The CSV export of a year of 100,000 bookings, started through its window, against a raw SQLite
// scan of the same rows (same table, same index order, same columns) and a sequential read of the
// whole table (stored order, fresh connection) in the same run; and the longest time the window's
// date of the booking being read stood unchanged while the export ran. Data and the export file lie
// in a temporary folder below /tmp.

#include "bench/RawScan.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/export/CsvDatenexport.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/Settle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>

namespace {

QTemporaryDir& folder() {
  static QTemporaryDir dir("/tmp/tavik-csv-bench-XXXXXX");
  return dir;
}

constexpr int kRows = 100000;
constexpr int kKonten = 40;

bool fill() {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  KONTOPFAD = folder().filePath("Konto.dat");
  BUCHUNGPFAD = folder().filePath("Buchung.dat");
  if (KONTODATEI.create() || KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) || BUCHUNGDATEI.create() ||
      BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite))
    return false;
  for (int k = 1; k <= kKonten; ++k) {
    KONTODATEI.clear();
    KONTO.NR = QString::asprintf("%04d", k);
    KONTO.NAME = "Konto Nummer " + std::to_string(k) + " für Bürobedarf";
    KONTO.ART = static_cast<std::uint8_t>(1 + k % 3);
    if (KONTODATEI.add()) return false;
  }
  sqlite3* db = BUCHUNGDATEI.connection();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  const rt::Day jan1 = rt::dayNumber(2026, 1, 1);
  for (int i = 0; i < kRows; ++i) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = i + 1;
    BUCHUNG.KONTO = QString::asprintf("%04d", 1 + i % (kKonten + 1));  // one in 41 without its account
    BUCHUNG.DATUM = rt::dateOf(jan1 + i / 274);
    BUCHUNG.TEXT[0] = "Rechnung " + std::to_string(i) + "; Bürobedarf";
    BUCHUNG.TEXT[1] = i % 97 ? "Lieferant Schmidt & Söhne GmbH" : "";
    BUCHUNG.BRUTTO = rt::Cents(11900 + i % 1000 * 100);
    BUCHUNG.NETTO = rt::netOf(BUCHUNG.BRUTTO, 19);
    BUCHUNG.MWST = BUCHUNG.BRUTTO - BUCHUNG.NETTO;
    BUCHUNG.ART = static_cast<std::uint8_t>(1 + i % 3);
    BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(i % 6);
    if (BUCHUNGDATEI.add()) return false;
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  PARA.MWST_2 = 19;
  PARA.MWST_3 = 7;
  return true;
}

// The longest the shown date of the booking being read stood unchanged while an export ran.
double g_laengsteLuecke = 0;

// One export as the user starts it: a new window, "Start", the count from its end text.
int exportieren() {
  using namespace rt::win;
using testing_support::settle;
  start(CsvDatenexport);
  settle();
  Window* w = findWindow("P49$WIN");
  if (!w) return -1;
  QElapsedTimer uhr;
  QString gezeigt;
  double zuletzt = 0;
  QTimer blick;
  QObject::connect(&blick, &QTimer::timeout, [&] {
    if (w->isHidden(FELD_CSV_DATUM)) return;
    const double jetzt = static_cast<double>(uhr.nsecsElapsed()) / 1e6;
    if (w->text(FELD_CSV_DATUM) != gezeigt) {
      g_laengsteLuecke = std::max(g_laengsteLuecke, jetzt - zuletzt);
      gezeigt = w->text(FELD_CSV_DATUM);
      zuletzt = jetzt;
    }
  });
  blick.start(0);
  uhr.start();
  postField(EV_Accepted, FELD_CSV_SPEICHERN, w->thread());
  settle(60000);
  blick.stop();
  g_laengsteLuecke = std::max(g_laengsteLuecke, static_cast<double>(uhr.nsecsElapsed()) / 1e6 - zuletzt);
  const int anzahl = w->text(FELD_CSV_EXPORTINFO).section(' ', 0, 0).toInt();
  w->close();
  settle();
  return anzahl;
}

void BM_CsvDatenexport(benchmark::State& state) {
  qputenv("TAVIK_FOLDER_PERSONAL", folder().path().toUtf8());
  if (!fill()) {
    state.SkipWithError("cannot fill the data files");
    return;
  }
  const std::string sql =
      "SELECT \"ID\", \"INTERN\", \"NR\", \"KONTO\", \"KONTOTEXT\", \"DATUM\", \"TEXT_1\", \"TEXT_2\", \"BRUTTO\", "
      "\"NETTO\", \"MWST\", \"ART\", \"MWSTSATZ\", \"EXTRA\", \"DATUM\", \"NR\" FROM \"BUCHUNG\" INDEXED BY "
      "\"BUCHUNG_KEYDATUM\" ORDER BY \"DATUM\", \"NR\", \"ID\"";
  measure(state, BUCHUNGDATEI.connection(), sql, kRows, exportieren);
  // The goal's baseline: the whole table in stored order on a fresh connection.
  sqlite3* frisch = BUCHUNGDATEI.readerConnection();
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(frisch, "SELECT * FROM \"BUCHUNG\"", -1, &scan, nullptr);
  QElapsedTimer t;
  t.start();
  rawScan(scan);
  const double sequentiell = static_cast<double>(t.nsecsElapsed()) / 1e6;
  sqlite3_finalize(scan);
  sqlite3_close(frisch);
  state.counters["sequential_read_ms"] = sequentiell;
  state.counters["ratio_to_sequential"] = state.counters["walk_ms"] / sequentiell;
  state.counters["longest_date_gap_ms"] = g_laengsteLuecke;
  BUCHUNGDATEI.close();
  KONTODATEI.close();
}
BENCHMARK(BM_CsvDatenexport)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
