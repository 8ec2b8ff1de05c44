// The account list's name filter typed letter by letter over 10,000 accounts, through the open
// window: each fill against a raw SQLite scan of the matching rows (same table, same index order,
// same columns) in the same run; and a fill with a key press waiting, which must stop at once.
// Data lies in a temporary folder below /tmp.

#include "bench/RawScan.h"
#include "bookkeeping/accounts/KontoLogik.h"
#include "bookkeeping/accounts/KontoSuchen.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/Settle.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

constexpr int kKonten = 10000;
constexpr char kFilter[] = "mie";

QTemporaryDir& folder() {
  static QTemporaryDir dir("/tmp/tavik-konten-bench-XXXXXX");
  return dir;
}

// A quarter each begin with "Miete", "Mitglied", "Material" and "Bank": the three letters of the
// filter narrow the list from 7,500 to 5,000 to 2,500 rows.
bool fill() {
  static bool done = false;
  if (done) return true;
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  KONTOPFAD = folder().filePath("Konto.dat");
  if (KONTODATEI.create() != 0 || KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) != 0) return false;
  static const char* const words[] = {"Miete ", "Mitglied ", "Material ", "Bank "};
  sqlite3_exec(KONTODATEI.connection(), "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < kKonten; ++i) {
    KONTODATEI.clear();
    KONTO.NR = QString::number(i).rightJustified(4, '0');
    KONTO.SHORTCUT = "K" + QString::number(i % 1000);
    KONTO.ART = 2;
    KONTO.NAME = words[i % 4] + QString::number(i * 7919 % kKonten);
    KONTO.MWST = 2;
    KONTO.TEXTVORGABE[0] = "Vorgabe " + QString::number(i);
    if (KONTODATEI.add() != 0) return false;
  }
  sqlite3_exec(KONTODATEI.connection(), "COMMIT", nullptr, nullptr, nullptr);
  return done = true;
}

// The sort form of an upper-cased text, as the name key keeps it, as an SQL blob literal.
std::string blob(const std::string& cp1252) {
  static const char* const hex = "0123456789ABCDEF";
  std::string out = "x'";
  for (unsigned char c : rt::Collation::upper(cp1252)) {
    const unsigned char w = rt::Collation::weight(c);
    out += hex[w >> 4];
    out += hex[w & 15];
  }
  return out + "'";
}

std::string rawSql(const std::string& prefix) {
  return "SELECT \"ID\", \"INTERN\", \"NR\", \"SHORTCUT\", \"ART\", \"NAME\", \"MWST\", \"TEXTVORGABE_1\", "
         "\"TEXTVORGABE_2\", \"EXTRA\", \"KEY_NAME\" FROM \"KONTO\" INDEXED BY \"KONTO_KEYNAME\" WHERE \"KEY_NAME\" >= " +
         blob(prefix + '\0') + " AND \"KEY_NAME\" <= " + blob(prefix + "\xFF\xFF") + " ORDER BY \"KEY_NAME\", \"ID\"";
}

// Runs `body` in the open account list, with a blank name filter.
void inDerKontenliste(const std::function<void(rt::win::Window&)>& body) {
  KONTONAME.clear();
  QTimer::singleShot(0, [&] {
    testing_support::settle();
    body(WinKontoSuchen);
    WinKontoSuchen.topWidget()->close();
  });
  KontenBearbeiten();
}

QLineEdit* namensfilter(rt::win::Window& w) { return qobject_cast<QLineEdit*>(w.widget(KS_KONTONAME)); }

void tippen(QLineEdit* e, QChar ch) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
  QApplication::sendEvent(e, &press);
  QApplication::sendEvent(e, &release);
  testing_support::settle();
}

// The open list's own fill, which watches for a waiting key press.
int fuellen() {
  KontenListeNeu();
  return static_cast<int>(KONTOQUEUE.records());
}

// The fill after the first `letters` letters of the filter were typed into the window.
void BM_Namensfilter(benchmark::State& state) {
  if (!fill()) {
    state.SkipWithError("cannot fill the accounts file");
    return;
  }
  const int letters = static_cast<int>(state.range(0));
  const std::string prefix(kFilter, letters);
  inDerKontenliste([&](rt::win::Window& w) {
    QLineEdit* e = namensfilter(w);
    e->setFocus();
    for (int i = 0; i < letters; ++i) tippen(e, QChar(kFilter[i]));
    const int rows = static_cast<int>(KONTOQUEUE.records());
    measure(state, KONTODATEI.connection(), rawSql(prefix), rows, [] { return fuellen(); });
  });
}
BENCHMARK(BM_Namensfilter)->DenseRange(1, 3)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// A key press is waiting for the window when the fill starts: it stops before reading a row.
void BM_FuellenMitWartenderTaste(benchmark::State& state) {
  if (!fill()) {
    state.SkipWithError("cannot fill the accounts file");
    return;
  }
  inDerKontenliste([&](rt::win::Window& w) {
    QLineEdit* e = namensfilter(w);
    e->setFocus();
    tippen(e, 'm');
    int rows = 0;
    for (auto _ : state) {
      state.PauseTiming();
      e->clear();
      QApplication::postEvent(e, new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, "m"));
      state.ResumeTiming();
      rows += fuellen();
      state.PauseTiming();
      testing_support::settle();
      state.ResumeTiming();
    }
    state.counters["rows_read_with_key_waiting"] = rows;
  });
}
BENCHMARK(BM_FuellenMitWartenderTaste)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  PARA.TASTATUR = 2;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  KONTODATEI.close();
  return 0;
}
