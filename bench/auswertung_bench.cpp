// The evaluations over a year of 100,000 bookings with 50 expense accounts, each against a raw SQLite
// scan of that year's rows (same table, same index order, same columns) in the same run:
//   - the profit/loss with "Ausgaben aufschlüsseln", its pages built (every booking a detail line);
//   - the VAT pre-return of the second quarter, its pages built.
// The evaluation runs as "&Vorschau" runs it, all its pages built; the preview is left at once
// without printing. The rows counted are the detail lines on the pages. Data lies in a temporary
// folder below /tmp.
// A third benchmark drives the real preview: the profit/loss by account from its start until page 1
// is shown in the preview window (the other pages are built while it is open), then at once a click
// on its print button until the PDF file is written (the pages still to come built first); both
// against a raw sequential read of the whole bookings table on a fresh connection.

#include "bench/Jahresdaten.h"
#include "bench/RawScan.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/reports/Auswertung.h"
#include "bookkeeping/reports/Auswertungen.h"
#include "bookkeeping/reports/Markierliste.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/Settle.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
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
    // The year's fixture booking, with 274 a day: the 100,000 lie within 2026 in date order.
    jahresdaten::buchung(i);
    BUCHUNG.DATUM = rt::dateOf(jan1 + i / 274);
    if (BUCHUNGDATEI.add() != 0) return false;
  }
  return BUCHUNGDATEI.commit() == 0;
}

bool gefuellt() {
  static const bool filled = fill();
  return filled;
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
  const bool filled = gefuellt();
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

// The whole bookings table in stored order with every column, on a fresh connection.
double sequentiellLesen() {
  sqlite3* db = BUCHUNGDATEI.readerConnection();
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM \"BUCHUNG\"", -1, &scan, nullptr);
  QElapsedTimer t;
  t.start();
  rawScan(scan);
  const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
  sqlite3_finalize(scan);
  sqlite3_close(db);
  return ms;
}

// The print button of the preview window (its field number there).
constexpr int kVorschauDrucken = 7;

void klick(rt::win::Window* w, int feld) { QTest::mouseClick(w->widget(feld), Qt::LeftButton); }

// The print dialog as the frame opens it; "Ausgaben aufschlüsseln" clicked, then "&Vorschau" until
// page 1 is shown, then the preview's print button until the PDF file is written and the wait cursor
// gone; the dialog closed with "Abbruch".
void BM_GewinnVerlustVorschauUndPdf(benchmark::State& state) {
  if (!gefuellt()) return state.SkipWithError("cannot fill the data files");
  PARA.BUCHUNGSART = 1;
  PARA.ZEILENABHEBEN = 1;
  PARA.VONSUMMENDATUM = rt::dateOf(rt::dayNumber(2026, 1, 1));
  PARA.BISSUMMENDATUM = rt::dateOf(rt::dayNumber(2026, 1, 31));
  VorschauSetzen({});
  const QDir dokumente(folder().path());
  const auto pdfs = [&] { return dokumente.entryList({"*.pdf"}, QDir::Files); };
  double seite1 = 0, pdf = 0, roh = 0;
  int seiten = 0;
  for (auto _ : state) {
    for (const QString& f : pdfs()) QFile::remove(dokumente.filePath(f));
    bool fertig = false;
    rt::win::start([&fertig] {
      Auswertungen();
      fertig = true;
    });
    testing_support::settle();
    rt::win::Window* dialog = rt::win::findWindow("P40$WIN");
    if (!dialog) return state.SkipWithError("no print dialog");
    klick(dialog, AF_AUSGABENAUFSCHLUESSELN);
    testing_support::settle();
    QElapsedTimer uhr;
    uhr.start();
    klick(dialog, AF_OK);
    rt::win::Window* vorschau = nullptr;
    while (!(vorschau = rt::win::findWindow("P18$WINVORSCHAU")) && uhr.elapsed() < 60000)
      QCoreApplication::processEvents();
    if (!vorschau) return state.SkipWithError("no preview");
    QCoreApplication::processEvents();  // page 1 painted
    const double s1 = static_cast<double>(uhr.nsecsElapsed()) / 1e6;
    uhr.restart();
    klick(vorschau, kVorschauDrucken);
    // Written: the preview and the progress window gone, and the message that tells where the file
    // went shown (or the dialog alone on the screen again).
    rt::win::Window* meldung = nullptr;
    const auto geschriebenUndGemeldet = [&] {
      if (rt::win::findWindow("P18$WINVORSCHAU") || pdfs().isEmpty()) return false;
      if ((meldung = rt::win::findWindow("P9$WIN"))) return true;
      for (QWidget* tw : QApplication::topLevelWidgets())
        if (tw->isVisible() && tw->windowTitle() != "Drucken") return false;
      return true;
    };
    while (!geschriebenUndGemeldet() && uhr.elapsed() < 120000) QCoreApplication::processEvents();
    const double p = static_cast<double>(uhr.nsecsElapsed()) / 1e6;
    const bool geschrieben = pdfs().size() == 1;
    seiten = static_cast<int>(SEITENQUEUE.records());  // the pages printed, the later ones built meanwhile
    if (meldung) {
      klick(meldung, 7);  // its "OK"
    }
    for (int i = 0; i < 50 && !fertig; ++i) {
      testing_support::settle(100);
      if ((dialog = rt::win::findWindow("P40$WIN"))) klick(dialog, AF_ABBRUCH);
    }
    if (!geschrieben || !fertig) return state.SkipWithError("the PDF was not written");
    const double r = sequentiellLesen();
    seite1 += s1;
    pdf += p;
    roh += r;
    state.SetIterationTime((s1 + p) / 1000);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["page1_in_preview_ms"] = seite1 / n;
  state.counters["pdf_after_print_click_ms"] = pdf / n;
  state.counters["sequential_read_ms"] = roh / n;
  state.counters["page1_per_sequential"] = seite1 / roh;
  state.counters["pdf_per_sequential"] = pdf / roh;
  state.counters["pages"] = seiten;
}
BENCHMARK(BM_GewinnVerlustVorschauUndPdf)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

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
