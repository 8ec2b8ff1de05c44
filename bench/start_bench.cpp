// Start to ready: the program started as the user starts it, on a year of 100,000 and of 1,000,000
// bookings (bench/Jahresdaten.h), until its lists are shown and "berechne ..." is gone. In the same
// run, as baselines:
//   - an empty Qt MDI program with three sub-windows, started the same way, until it is painted;
//   - a raw sequential read of the whole bookings table (all columns, stored order, same key and
//     page size) on a fresh connection.
// Reported: start to first paint, start to ready, the ready time over the empty program's paint,
// (ready - first paint) over the raw read, and the program's peak memory (VmHWM) when ready.
// Both programs are this benchmark in a child mode, offscreen unless QT_QPA_PLATFORM says otherwise.
//
// Run: start_bench [--benchmark_filter=...]

#include "bench/Jahresdaten.h"
#include "bench/RawScan.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "runtime/window/Application.h"
#include "runtime/window/Window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>

namespace {

void umgebung(const QString& appdata) {
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", appdata.toUtf8());
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_DOCUMENTS_DIR",
                           "XDG_DESKTOP_DIR"})
    qputenv(name, (appdata + "/home").toUtf8());
  QDir().mkpath(appdata + "/home");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

long spitzeKiB() {
  std::ifstream status("/proc/self/status");
  std::string zeile;
  while (std::getline(status, zeile))
    if (zeile.rfind("VmHWM:", 0) == 0) return std::stol(zeile.substr(6));
  return -1;
}

// Prints "gemalt" once an MDI area and three of its sub-windows have been painted.
struct MalWaechter : QObject {
  std::set<QObject*> fenster;
  bool flaeche = false, gemalt = false;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (!gemalt && e->type() == QEvent::Paint) {
      if (qobject_cast<QMdiSubWindow*>(o)) fenster.insert(o);
      if (o->parent() && qobject_cast<QMdiArea*>(o->parent())) flaeche = true;
      if (flaeche && fenster.size() >= 3) {
        gemalt = true;
        std::printf("gemalt\n");
        std::fflush(stdout);
      }
    }
    return false;
  }
};

int kind(int argc, char** argv, bool leer) {
  umgebung(qEnvironmentVariable("TAVIK_FOLDER_COMMON_APPDATA"));
  rt::win::prepareEnvironment();
  QApplication app(argc, argv);
  MalWaechter waechter;
  app.installEventFilter(&waechter);
  if (leer) {
    QTimer ende;
    QObject::connect(&ende, &QTimer::timeout, [&] {
      if (waechter.gemalt) _exit(0);
    });
    ende.start(1);
    QMainWindow frame;
    auto* mdi = new QMdiArea;
    frame.setCentralWidget(mdi);
    for (const char* titel : {"Buchung", "Buchungsübersicht", "Summen"}) {
      auto* sub = mdi->addSubWindow(new QLabel(titel));
      sub->setWindowTitle(titel);
      sub->resize(300, 200);
      sub->show();
    }
    frame.resize(800, 500);
    frame.show();
    return app.exec();
  }
  // Ready: painted, the lists shown and "berechne ..." gone.
  QTimer bereit;
  QObject::connect(&bereit, &QTimer::timeout, [&] {
    if (!waechter.gemalt || !WinAnzeige.isOpen() || !WinAnzeige.isHidden(FELD_BERECHNE) ||
        WinAnzeige.isHidden(FELD_NRAUSGANG))
      return;
    std::printf("bereit %ld\n", spitzeKiB());
    std::fflush(stdout);
    _exit(0);
  });
  bereit.start(1);
  QApplication::setApplicationName("Tavik");
  rt::win::setUpApplication();
  rt::win::setInvalidInputHandler(EingabefehlerMelden);
  Hauptprogramm();
  return 1;  // ended without being ready
}

struct Start {
  double gemalt = -1, bereit = -1;
  long spitzeKiB = -1;
};

Start starten(const QString& modus, const QString& appdata) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TAVIK_FOLDER_COMMON_APPDATA", appdata);
  p.setProcessEnvironment(env);
  Start s;
  QElapsedTimer t;
  t.start();
  p.start(QCoreApplication::applicationFilePath(), {modus});
  while (p.state() != QProcess::NotRunning || p.canReadLine()) {
    if (!p.canReadLine() && !p.waitForReadyRead(120000)) break;
    while (p.canReadLine()) {
      const QByteArray zeile = p.readLine().trimmed();
      const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
      if (zeile == "gemalt") s.gemalt = ms;
      if (zeile.startsWith("bereit ")) {
        s.bereit = ms;
        s.spitzeKiB = zeile.mid(7).toLong();
      }
    }
    if (s.bereit >= 0 || (modus == "--leeres-mdi" && s.gemalt >= 0)) break;
  }
  p.kill();
  p.waitForFinished();
  return s;
}

// The whole bookings table in stored order with every column, on a fresh connection.
double rohLesen(const QString& appdata, int* zeilen) {
  BUCHUNGPFAD = jahresdaten::datenordner(appdata) + "Buchung.dat";
  if (BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyNone)) return -1;
  sqlite3* db = BUCHUNGDATEI.readerConnection();
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM \"BUCHUNG\"", -1, &scan, nullptr);
  QElapsedTimer t;
  t.start();
  *zeilen = rawScan(scan);
  const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
  sqlite3_finalize(scan);
  sqlite3_close(db);
  BUCHUNGDATEI.close();
  return ms;
}

double last1() {
  double l = -1;
  if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &l) != 1) l = -1;
    std::fclose(f);
  }
  return l;
}

void BM_StartBisBereit(benchmark::State& state) {
  const int buchungen = static_cast<int>(state.range(0));
  const QString vorrat = jahresdaten::vorrat(buchungen);
  static QTemporaryDir lauf("/tmp/tavik-start-bench-XXXXXX");
  const QString appdata = lauf.filePath(QString::number(buchungen));
  if (vorrat.isEmpty() || !jahresdaten::kopieren(vorrat, appdata)) return state.SkipWithError("no data");
  double leer = 0, gemalt = 0, bereit = 0, roh = 0, last = 0;
  long spitze = 0;
  int zeilen = 0;
  for (auto _ : state) {
    last += last1();
    const Start l = starten("--leeres-mdi", appdata);
    const Start t = starten("--tavik", appdata);
    const double r = rohLesen(appdata, &zeilen);
    if (l.gemalt < 0 || t.bereit < 0 || t.gemalt < 0 || r < 0 || zeilen != buchungen) {
      state.SkipWithError("a program did not get ready, or the raw read failed");
      return;
    }
    leer += l.gemalt;
    gemalt += t.gemalt;
    bereit += t.bereit;
    roh += r;
    spitze = std::max(spitze, t.spitzeKiB);
    state.SetIterationTime(t.bereit / 1000);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["empty_mdi_paint_ms"] = leer / n;
  state.counters["first_paint_ms"] = gemalt / n;
  state.counters["ready_ms"] = bereit / n;
  state.counters["raw_read_ms"] = roh / n;
  state.counters["ready_per_empty"] = bereit / leer;
  state.counters["after_paint_per_raw"] = (bereit - gemalt) / roh;
  state.counters["peak_MiB"] = static_cast<double>(spitze) / 1024;
  state.counters["load1"] = last / n;
}
BENCHMARK(BM_StartBisBereit)->Arg(100000)->Arg(1000000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::string(argv[1]) == "--tavik" || std::string(argv[1]) == "--leeres-mdi"))
    return kind(1, argv, std::string(argv[1]) == "--leeres-mdi");
  QCoreApplication app(argc, argv);
  // The program's collation: a file opened under another would have its sort forms made again.
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
