// The report engine against a raw SQLite scan of 100,000 bookings measured in the same run: 100,000
// detail bands of two lines (2,500 pages of an evaluation's layout) built into page images, and
// those pages printed to a PDF file. Also reports the memory the page images take.

#include "bench/RawScan.h"
#include "bookkeeping/data/Dateien.h"
#include "runtime/report/Report.h"
#include "runtime/text/Collation.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;

QTemporaryDir& folder() {
  static QTemporaryDir dir("/tmp/tavik-report-bench-XXXXXX");
  return dir;
}

rt::String<120> T_1, T_2;

using rt::report::A_Bold;
using rt::report::A_Right;
using rt::report::Kind;

// The layout of an evaluation: a framed two-line title, page numbers, three amount columns.
const rt::report::ReportDef kAuswertung{
    .label = "B$REP",
    .title = "Tavik! Druck",
    .header = {.label = "?HEADER",
               .controls = {{.kind = Kind::Box, .x = 25, .y = 8, .w = 171, .h = 10, .border = QColor(0, 0, 0)},
                            {.kind = Kind::String, .x = 26, .y = 9, .h = 3, .bound = T_1},
                            {.kind = Kind::String, .x = 26, .y = 13, .h = 3, .bound = T_2},
                            {.kind = Kind::Text, .text = "Seite", .x = 178, .y = 13},
                            {.kind = Kind::PageNumber, .picture = "@N_8", .x = 176, .y = 13, .w = 18, .attrs = A_Right},
                            {.kind = Kind::Text, .text = "Brutto", .x = 141, .y = 20, .w = 19, .attrs = A_Bold | A_Right},
                            {.kind = Kind::Text, .text = "Netto", .x = 161, .y = 20, .w = 19, .attrs = A_Bold | A_Right},
                            {.kind = Kind::Text, .text = "MwSt", .x = 181, .y = 20, .w = 19, .attrs = A_Bold | A_Right}}},
    .bands = {{.label = "?DETAIL",
               .controls = {{.label = "?REPBOX", .kind = Kind::Box, .x = 0, .y = 0, .w = 181, .h = 3, .fill = QColor(224, 224, 224)},
                            {.kind = Kind::String, .picture = "@D06.", .x = 1, .y = 0, .h = 3, .bound = BUCHUNG.DATUM},
                            {.kind = Kind::String, .x = 21, .y = 0, .w = 99, .h = 3, .bound = BUCHUNG.TEXT[0]},
                            {.kind = Kind::String, .picture = "@N-12`2", .x = 121, .y = 0, .w = 19, .h = 3,
                             .bound = BUCHUNG.BRUTTO, .attrs = A_Right},
                            {.kind = Kind::String, .picture = "@N-12`2", .x = 141, .y = 0, .w = 19, .h = 3,
                             .bound = BUCHUNG.NETTO, .attrs = A_Right},
                            {.kind = Kind::String, .picture = "@N-12`2", .x = 161, .y = 0, .w = 19, .h = 3,
                             .bound = BUCHUNG.MWST, .attrs = A_Right},
                            {.kind = Kind::String, .x = 21, .y = 3, .h = 3, .bound = BUCHUNG.TEXT[1]}}}}};

// The bookings, in the file for the raw scan and in memory for the bands.
std::vector<BUCHUNG_T>& bookings() {
  static std::vector<BUCHUNG_T> rows;
  return rows;
}

bool makeBookings() {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  BUCHUNGPFAD = folder().filePath("report.dat");
  if (BUCHUNGDATEI.create() != 0 || BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) != 0) return false;
  sqlite3_exec(BUCHUNGDATEI.connection(), "BEGIN", nullptr, nullptr, nullptr);
  const rt::Day first = rt::dayNumber(2025, 1, 1);
  for (int n = 1; n <= kRows; ++n) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = n;
    BUCHUNG.DATUM = rt::dateOf(first + n % 365);
    BUCHUNG.KONTO = "4930";
    BUCHUNG.TEXT[0] = "Büromaterial, Beleg " + std::to_string(n);
    BUCHUNG.TEXT[1] = n % 2 ? "Papier und Toner" : "";
    BUCHUNG.BRUTTO = rt::Cents(1190 * (1 + n % 500));
    BUCHUNG.NETTO = rt::Cents(1000 * (1 + n % 500));
    BUCHUNG.MWST = BUCHUNG.BRUTTO - BUCHUNG.NETTO;
    BUCHUNG.ART = 2;
    BUCHUNG.MWSTSATZ = 1;
    if (BUCHUNGDATEI.add() != 0) return false;
    bookings().push_back(BUCHUNG);
  }
  sqlite3_exec(BUCHUNGDATEI.connection(), "COMMIT", nullptr, nullptr, nullptr);
  return true;
}

const std::string kScan =
    "SELECT \"ID\", \"INTERN\", \"NR\", \"KONTO\", \"KONTOTEXT\", \"DATUM\", \"TEXT_1\", \"TEXT_2\", \"BRUTTO\", "
    "\"NETTO\", \"MWST\", \"ART\", \"MWSTSATZ\", \"EXTRA\" FROM \"BUCHUNG\" INDEXED BY \"BUCHUNG_KEYDATUM\" "
    "ORDER BY \"DATUM\", \"NR\", \"ID\"";

rt::report::PageQueue SEITEN;

// Prints every booking as a detail band; the heap the page images take is left in `heapBytes`.
int build(rt::report::Report& report, double* heapBytes) {
  report.close();
  SEITEN.clear();
  const std::size_t before = mallinfo2().uordblks;
  T_1 = "Erika Mustermann, Musterstraße 1, 12345 Musterstadt";
  T_2 = "Gewinn/Verlust Ermittlung 01.01.2025-31.12.2025";
  report.open(SEITEN);
  for (const BUCHUNG_T& b : bookings()) {
    BUCHUNG = b;
    report.print("?DETAIL");
  }
  report.pageBreak();
  *heapBytes = static_cast<double>(mallinfo2().uordblks - before);
  return kRows;
}

void BM_SeitenBauen(benchmark::State& state) {
  if (bookings().empty() && !makeBookings()) return state.SkipWithError("cannot make the bookings file");
  rt::report::Report report(kAuswertung);
  double heap = 0;
  measure(state, BUCHUNGDATEI.connection(), kScan, kRows, [&] { return build(report, &heap); });
  std::size_t bytes = 0;
  for (int p = 1; p <= report.pageCount(); ++p) bytes += report.page(p)->bytes();
  state.counters["pages"] = report.pageCount();
  state.counters["images_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["heap_MB"] = heap / 1e6;
}
BENCHMARK(BM_SeitenBauen)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SeitenAlsPdf(benchmark::State& state) {
  if (bookings().empty() && !makeBookings()) return state.SkipWithError("cannot make the bookings file");
  rt::report::Report report(kAuswertung);
  double heap = 0;
  build(report, &heap);
  std::vector<const rt::report::PageImage*> pages;
  for (int p = 1; p <= report.pageCount(); ++p) pages.push_back(report.page(p));
  double fileMB = 0;
  measure(state, BUCHUNGDATEI.connection(), kScan, kRows, [&] {
    const rt::report::PrintOutcome out = rt::report::printPages(pages, report.title());
    fileMB = static_cast<double>(QFile(out.file).size()) / 1e6;
    QFile::remove(out.file);
    return out.ok && out.pages == report.pageCount() ? kRows : 0;
  });
  state.counters["pages"] = report.pageCount();
  state.counters["pdf_MB"] = fileMB;
}
BENCHMARK(BM_SeitenAlsPdf)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Printing goes to a PDF file in a temporary folder, never to a printer.
  setenv("TAVIK_PRINTER_PDF", "1", 1);
  setenv("TAVIK_FOLDER_PERSONAL", folder().path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  BUCHUNGDATEI.close();
  return 0;
}
