// What the user waits for on the main road, through the whole program offscreen with 100,000
// bookings of the current year stored in scattered date order, each against a raw SQLCipher scan
// of the year's rows (same connection, same index order, same columns) in the same run:
//   - the switch from December to the whole year (frame click, parameter save, refill, list
//     models and sums), clicked on the real frame;
//   - the wait after the "Gespeichert" notice of a booking typed into the real form, until the
//     program is idle again with the booking listed;
//   - the start until the frame and its three work windows are painted, against an empty Qt MDI
//     program with three sub-windows started the same way (both are this program in a child mode).
//
// Run: hauptweg_bench (offscreen unless QT_QPA_PLATFORM says otherwise).

#include "bench/RawScan.h"
#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "bookkeeping/frame/Rahmen.h"
#include "platform/CommandLine.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Application.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/Settle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <unistd.h>

using namespace rt::win;
using testing_support::settle;

namespace {

constexpr int kBuchungen = 100000;
constexpr int kJahr = 2026;

QTemporaryDir& ordner() {
  static QTemporaryDir dir("/tmp/tavik-hauptweg-bench-XXXXXX");
  return dir;
}
QString datenordner(const QString& appdata) { return appdata + "/Dolmix/Tavik/"; }

// Konto.dat with an income and an expense account, Buchung.dat with the bookings of the year in
// scattered date order, Para.dat with December as the period.
bool anlegen(const QString& appdata) {
  const QString daten = datenordner(appdata);
  QDir().mkpath(daten);
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  KONTOPFAD = daten + "Konto.dat";
  BUCHUNGPFAD = daten + "Buchung.dat";
  PARAPFAD = daten + "Para.dat";
  if (KONTODATEI.create() || KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite)) return false;
  for (auto [nr, code, art] : {std::tuple{"8000", "E", 1}, std::tuple{"4000", "K", 2}}) {
    KONTODATEI.clear();
    KONTO.NR = nr;
    KONTO.SHORTCUT = code;
    KONTO.ART = static_cast<std::uint8_t>(art);
    KONTO.NAME = art == 1 ? "Eingang" : "Kfz-Kosten";
    KONTO.MWST = 2;
    KONTODATEI.add();
  }
  KONTODATEI.close();
  if (BUCHUNGDATEI.create() || BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite)) return false;
  BUCHUNGDATEI.begin();
  for (int i = 0; i < kBuchungen; ++i) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = i + 1;
    BUCHUNG.KONTO = i % 3 ? "4000" : "8000";
    BUCHUNG.DATUM = rt::dateOf(rt::yearStart(kJahr) + static_cast<int>((i * 7919LL) % 365));
    BUCHUNG.TEXT[0] = "Rechnung " + std::to_string(i) + " Bürobedarf";
    BUCHUNG.TEXT[1] = i % 97 ? "Lieferant Schmidt & Söhne GmbH" : "Lieferant Müller GmbH";
    BUCHUNG.BRUTTO = rt::Cents(11900 + i % 1000 * 100);
    BUCHUNG.NETTO = rt::netOf(BUCHUNG.BRUTTO, 19);
    BUCHUNG.MWST = BUCHUNG.BRUTTO - BUCHUNG.NETTO;
    BUCHUNG.ART = static_cast<std::uint8_t>(i % 3 ? 2 : 1);
    BUCHUNG.MWSTSATZ = 2;
    if (BUCHUNGDATEI.add()) return false;
  }
  BUCHUNGDATEI.commit();
  BUCHUNGDATEI.close();
  ParameterLaden();
  PARA.VONSUMMENDATUM = rt::dateOf(rt::dayNumber(kJahr, 12, 1));
  PARA.BISSUMMENDATUM = rt::dateOf(rt::dayNumber(kJahr, 12, 31));
  ParameterSpeichern();
  PARA = PARA_T{};
  return true;
}

void umgebung(const QString& appdata) {
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", appdata.toUtf8());
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_DOCUMENTS_DIR",
                           "XDG_DESKTOP_DIR"})
    qputenv(name, (appdata + "/home").toUtf8());
  QDir().mkpath(appdata + "/home");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Prints "gemalt" and ends the process once an MDI area and three of its sub-windows have been
// painted.
struct MalWaechter : QObject {
  std::set<QObject*> fenster;
  bool flaeche = false;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      if (qobject_cast<QMdiSubWindow*>(o)) fenster.insert(o);
      if (o->parent() && qobject_cast<QMdiArea*>(o->parent())) flaeche = true;
      if (flaeche && fenster.size() >= 3) {
        std::printf("gemalt\n");
        std::fflush(stdout);
        _exit(0);
      }
    }
    return false;
  }
};

int startKind(int argc, char** argv, bool leer) {
  prepareEnvironment();
  QApplication app(argc, argv);
  MalWaechter waechter;
  app.installEventFilter(&waechter);
  if (leer) {
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
  QApplication::setApplicationName("Tavik");
  setUpApplication();
  setInvalidInputHandler(EingabefehlerMelden);
  Hauptprogramm();
  return 1;  // ended without painting
}

void warten(const std::function<bool()>& fertig, int ms = 20000) {
  QElapsedTimer t;
  t.start();
  while (!fertig() && t.elapsed() < ms) QTest::qWait(1);
}

void klick(Window& w, int feld) {
  static_cast<QAbstractButton*>(w.widget(feld))->click();
  settle(60000);
}

std::string jahresScan() {
  const auto stored = [](int m, int d) { return std::to_string((std::int64_t{kJahr} << 16) | (m << 8) | d); };
  return "SELECT \"ID\", \"INTERN\", \"NR\", \"KONTO\", \"KONTOTEXT\", \"DATUM\", \"TEXT_1\", \"TEXT_2\", \"BRUTTO\", "
         "\"NETTO\", \"MWST\", \"ART\", \"MWSTSATZ\", \"EXTRA\", \"DATUM\", \"NR\" FROM \"BUCHUNG\" INDEXED BY "
         "\"BUCHUNG_KEYDATUM\" WHERE \"DATUM\" >= " +
         stored(1, 1) + " AND \"DATUM\" <= " + stored(12, 31) + " ORDER BY \"DATUM\" DESC, \"NR\" DESC, \"ID\" DESC";
}

int gelistet() { return static_cast<int>(EINGANGQUEUE.records() + AUSGANGQUEUE.records()); }

// Counts the rows the refills read from the file, over the timed steps.
struct Gelesen {
  long zeilen = 0;
  void operator()() { zeilen += ListenNeuGelesen(); }
};

void BM_DezemberZumGanzenJahr(benchmark::State& state) {
  Gelesen gelesen;
  measure(
      state, BUCHUNGDATEI.connection(), jahresScan(), -1, [] { klick(WinMain, FELD_MONAT_1 + 11); },
      [&] {
        klick(WinMain, FELD_GESAMTJAHR);
        gelesen();
        return gelistet();
      });
  state.counters["file_rows_read"] = static_cast<double>(gelesen.zeilen) / static_cast<double>(state.iterations());
}

void tippen(int feld, const QString& text) {
  WinBuchung.giveFocus(feld);
  settle();
  auto* e = qobject_cast<QLineEdit*>(WinBuchung.widget(feld));
  e->selectAll();
  QTest::keyClicks(e, text);
  QTest::keyClick(e, Qt::Key_Tab);
  settle();
}

Window* g_hinweis = nullptr;

// From the notice's end (it is closed here instead of waiting its 0.8 s) until the program is idle
// again, the new booking stored, listed and summed.
void BM_NachDemGespeichertHinweis(benchmark::State& state) {
  Gelesen gelesen;
  int vorher = 0;
  measure(
      state, BUCHUNGDATEI.connection(), jahresScan(), -1,
      [&] {
        g_hinweis = nullptr;
        tippen(BF_CODE, "E");
        tippen(BF_BRUTTO, "119");
        static_cast<QAbstractButton*>(WinBuchung.widget(BF_OK))->click();
        warten([] { return g_hinweis != nullptr; });
        settle();
        vorher = gelistet();
      },
      [&] {
        if (g_hinweis) g_hinweis->topWidget()->close();
        settle(60000);
        gelesen();
        return gelistet() == vorher + 1 ? gelistet() : -1;
      });
  state.counters["file_rows_read"] = static_cast<double>(gelesen.zeilen) / static_cast<double>(state.iterations());
}

// Starts this program in a child mode and waits until it says that it has painted.
double startzeit(const QString& modus, const QString& appdata) {
  QProcess kind;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TAVIK_FOLDER_COMMON_APPDATA", appdata);
  kind.setProcessEnvironment(env);
  QElapsedTimer t;
  t.start();
  kind.start(QCoreApplication::applicationFilePath(), {modus});
  while (!kind.canReadLine() && kind.state() != QProcess::NotRunning) kind.waitForReadyRead(20000);
  const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
  const bool gemalt = kind.readLine().trimmed() == "gemalt";
  kind.kill();
  kind.waitForFinished();
  return gemalt ? ms : -1;
}

void BM_StartBisGemalt(benchmark::State& state) {
  // A copy of the data: the running program holds its own files.
  static const QString kopie = [] {
    const QString ziel = ordner().filePath("start");
    QDir().mkpath(datenordner(ziel));
    for (const char* datei : {"Konto.dat", "Buchung.dat", "Para.dat"})
      QFile::copy(datenordner(ordner().filePath("appdata")) + datei, datenordner(ziel) + datei);
    return ziel;
  }();
  double tavik = 0, leer = 0;
  for (auto _ : state) {
    const double l = startzeit("--leeres-mdi", kopie);
    const double t = startzeit("--tavik", kopie);
    if (t < 0 || l < 0) {
      state.SkipWithError("a program did not paint");
      break;
    }
    tavik += t;
    leer += l;
    state.SetIterationTime(t / 1000);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["tavik_ms"] = tavik / n;
  state.counters["empty_mdi_ms"] = leer / n;
  state.counters["ratio"] = tavik / leer;
  state.counters["bookings"] = kBuchungen;
}

// One save of all parameters, as each period click makes it: one transaction.
void BM_ParameterSpeichern(benchmark::State& state) {
  for (auto _ : state) ParameterSpeichern();
}

}  // namespace

BENCHMARK(BM_ParameterSpeichern)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DezemberZumGanzenJahr)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NachDemGespeichertHinweis)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartBisGemalt)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (argc > 1 && (std::string(argv[1]) == "--tavik" || std::string(argv[1]) == "--leeres-mdi")) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString appdata = qEnvironmentVariable("TAVIK_FOLDER_COMMON_APPDATA");
    umgebung(appdata);
    return startKind(1, argv, std::string(argv[1]) == "--leeres-mdi");
  }
  const QString appdata = ordner().filePath("appdata");
  umgebung(appdata);
  benchmark::Initialize(&argc, argv);
  prepareEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tavik");
  setUpApplication();
  setInvalidInputHandler(EingabefehlerMelden);
  rt::setTodayForTesting(rt::dayNumber(kJahr, 12, 10));
  if (!anlegen(appdata)) {
    std::fprintf(stderr, "cannot make the data files\n");
    return 1;
  }
  platform::setCommandLineForTesting("");
  setOpenHook([](Window& w) {
    if (w.label() == "P26$WIN") g_hinweis = &w;
    if (w.label() != "$WINMAIN") return;
    QTimer::singleShot(0, [] {
      warten([] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
      warten([] { return !WinAnzeige.isHidden(FELD_NRAUSGANG); }, 60000);
      settle(60000);
      benchmark::RunSpecifiedBenchmarks();
      WinMain.topWidget()->close();
    });
  });
  Hauptprogramm();
  setOpenHook(nullptr);
  return 0;
}
