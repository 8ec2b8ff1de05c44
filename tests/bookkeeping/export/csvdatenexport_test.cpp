#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/export/CsvDatenexport.h"
#include "bookkeeping/export/CsvExportLogik.h"
#include "bookkeeping/frame/Globale.h"
#include "platform/ShellFolders.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/bookkeeping/export/Fixture.h"
#include "tests/bookkeeping/proc/Dateigrenze.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <map>

using namespace rt::win;
using testing_support::settle;
using testing_support::MessageAnswers;
using testing_support::TempFolder;

namespace {

const QString kDatumsMeldung = "\"Von-\" und \"Bis-\"Datum muss ausgefüllt sein und \"Von\" kleiner/gleich \"Bis\"!";
QString dateiMeldung(int code) {
  return "Die angegeben Datei für die | CSV Freimeldungen kann nicht erzeugt werden. | Dateizugriffscode: " +
         QString::number(code);
}

struct ExportFensterTest : ExportTest {
  std::unique_ptr<MessageAnswers> antworten;
  // The export windows are MDI windows of a frame, as in the program.
  Window rahmen{WindowDef{.label = "RAHMEN", .w = 500, .h = 300, .kind = WindowKind::Frame}};
  // Stand-ins for the sums window and the overview, counting what reaches them.
  Window summen{WindowDef{.label = "SUMMEN", .w = 40, .h = 20}};
  Window anzeige{WindowDef{.label = "ANZEIGE", .w = 40, .h = 20}};
  std::map<int, int> beiSummen, beiAnzeige;

  void SetUp() override {
    ExportTest::SetUp();
    PARA.TASTATUR = 2;
    clearKeyAliases();
    antworten = std::make_unique<MessageAnswers>();
    rahmen.open();
    auto zaehler = [](Window& w, std::map<int, int>& n) {
      return start([&w, &n] {
        w.open();
        w.attach([&n](Window&, const Event& e) {
          if (e.code >= EV_User || e.code == EV_Sized) n[e.code]++;
          return Pass::Default;
        });
      });
    };
    THREADSUMMEN = zaehler(summen, beiSummen);
    THREADANZEIGE = zaehler(anzeige, beiAnzeige);
    settle();
    beiSummen.clear();
    beiAnzeige.clear();
    konto("0004", "Bürobedarf");
  }
  void TearDown() override {
    while (Window* w = findWindow("P49$WIN")) w->close();
    summen.close();
    anzeige.close();
    rahmen.close();
    settle();
    antworten.reset();
    clearKeyAliases();
    THREADSUMMEN = THREADANZEIGE = 0;
    ExportTest::TearDown();
  }

  Window& oeffnen() {
    start(CsvDatenexport);
    settle();
    Window* w = findWindow("P49$WIN");
    EXPECT_TRUE(w);
    return *w;
  }
  static QLineEdit* eingabe(Window& w, int feld) { return qobject_cast<QLineEdit*>(w.widget(feld)); }
  // Types a date over what the entry shows, without leaving it.
  static void tippen(Window& w, int feld, const QString& text) {
    w.activate();  // as the user's click into another window does
    QTest::mouseClick(w.widget(feld), Qt::LeftButton);
    settle();
    eingabe(w, feld)->selectAll();
    QTest::keyClicks(eingabe(w, feld), text);
    settle();
  }
  static void klicken(Window& w, int feld) {
    w.activate();
    QTest::mouseClick(w.widget(feld), Qt::LeftButton);
    settle();
  }
  static void zeitraum(Window& w, const QString& von, const QString& bis) {
    tippen(w, FELD_CSV_VON, von);
    tippen(w, FELD_CSV_BIS, bis);
  }
  // Answers the next folder dialog with `ordner`, or cancels it when `ordner` is empty, and tells
  // what the dialog showed.
  struct Dialog {
    QString titel, start;
  };
  static Dialog ordnerDialog(Window& w, const QString& ordner) {
    klicken(w, FELD_CSV_DATEIWAEHLEN);
    QFileDialog* d = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
      if (auto* f = qobject_cast<QFileDialog*>(t); f && f->isVisible() && f->parentWidget() == w.topWidget()) d = f;
    EXPECT_TRUE(d) << "no folder dialog";
    if (!d) return {};
    EXPECT_FALSE(w.takesInput());  // the export window waits for the answer
    const Dialog gezeigt{d->windowTitle(), QDir::toNativeSeparators(d->directory().absolutePath())};
    // Qt's own dialog is driven by keys in the window runtime's tests; here it only answers.
    if (ordner.isEmpty()) {
      d->reject();
    } else {
      d->setDirectory(ordner);
      QMetaObject::invokeMethod(d, "accept");
    }
    settle();
    EXPECT_TRUE(w.takesInput());
    return gezeigt;
  }
  static QString angezeigt(Window& w, int feld) { return w.text(feld).trimmed(); }
  // The window after a successful export.
  void fertig(Window& w, int anzahl, const QString& datei, int meldungen = 0) {
    EXPECT_EQ(antworten->texts().size(), meldungen);
    EXPECT_EQ(angezeigt(w, FELD_CSV_EXPORTINFO), QString::number(anzahl) + " Datensätze exportiert nach");
    EXPECT_EQ(angezeigt(w, FELD_CSV_EXPORTINFO2), QDir::toNativeSeparators(datei));
    EXPECT_FALSE(w.isHidden(FELD_CSV_EXPORTINFO));
    EXPECT_FALSE(w.isHidden(FELD_CSV_EXPORTINFO2));
    EXPECT_TRUE(w.isHidden(FELD_CSV_EXPORTIERE));
    EXPECT_TRUE(w.isHidden(FELD_CSV_DATUM));
    EXPECT_FALSE(w.isEnabled(FELD_CSV_SPEICHERN));
    EXPECT_FALSE(w.isEnabled(FELD_CSV_DATEIWAEHLEN));
    EXPECT_EQ(w.text(FELD_CSV_ABBRUCH), "Weiter");
    EXPECT_EQ(w.focusField(), FELD_CSV_ABBRUCH);
    EXPECT_EQ(beiSummen[EVENT_EinstellungenGeaendert], 1);
    EXPECT_EQ(beiAnzeige[EV_Sized], 1);
    EXPECT_EQ(beiAnzeige[EVENT_ListenNeu], 1);
  }
  // The window as it opened, ready for a start.
  static void bereit(Window& w) {
    EXPECT_TRUE(w.isEnabled(FELD_CSV_SPEICHERN));
    EXPECT_TRUE(w.isEnabled(FELD_CSV_DATEIWAEHLEN));
    EXPECT_EQ(w.text(FELD_CSV_ABBRUCH), "Abbruch");
    for (int f = FELD_CSV_EXPORTIERE; f <= FELD_CSV_EXPORTINFO2; ++f) EXPECT_TRUE(w.isHidden(f)) << f;
  }
};

}  // namespace

TEST_F(ExportFensterTest, WithoutBookingsBothDatesAreEmptyAndStartAsksForThem) {
  Window& w = oeffnen();
  EXPECT_EQ(w.def().caption, std::string("CSV-Datenexport"));
  EXPECT_EQ(w.focusField(), FELD_CSV_VON);
  EXPECT_EQ(eingabe(w, FELD_CSV_VON)->text().trimmed(), "");
  EXPECT_EQ(eingabe(w, FELD_CSV_BIS)->text().trimmed(), "");
  bereit(w);
  EXPECT_TRUE(w.isHidden(FELD_CSV_CSVORDNER));
  klicken(w, FELD_CSV_SPEICHERN);
  EXPECT_EQ(antworten->texts(), QStringList{kDatumsMeldung});
  EXPECT_EQ(w.focusField(), FELD_CSV_VON);
  bereit(w);
  EXPECT_FALSE(QFile::exists(exportDatei()));
  EXPECT_TRUE(beiSummen.empty());

  // A reversed range is refused the same way.
  zeitraum(w, "02.01.2026", "01.01.2026");
  klicken(w, FELD_CSV_SPEICHERN);
  EXPECT_EQ(antworten->texts(), QStringList({kDatumsMeldung, kDatumsMeldung}));
  EXPECT_FALSE(QFile::exists(exportDatei()));
}

TEST_F(ExportFensterTest, TheRangeIncludesBothBoundsAndTheLinesKeepTheirPlaces) {
  konto("0005", "Porto");
  buchung(4, "0004", tag(2026, 2, 1), 2, 11.9, 10, 1.9, 2, "Miete; Februar", "Zeile\r\nzwei");
  buchung(1, "0004", tag(2026, 1, 31), 1, 1, 1, 0, 0, "davor");
  buchung(2, "0005", tag(2026, 2, 28), 2, 5, 5, 0, 0, "Porto");
  buchung(3, "0009", tag(2026, 2, 28), 1, 7, 7, 0, 0, "Konto gelöscht");
  buchung(5, "0004", tag(2026, 3, 1), 1, 1, 1, 0, 0, "danach");
  Window& w = oeffnen();
  EXPECT_EQ(eingabe(w, FELD_CSV_VON)->text(), "31.01.2026");
  EXPECT_EQ(eingabe(w, FELD_CSV_BIS)->text(), "01.03.2026");
  zeitraum(w, "1.2.26", "28.02.2026");
  klicken(w, FELD_CSV_SPEICHERN);
  fertig(w, 3, exportDatei());
  EXPECT_EQ(dateiInhalt(exportDatei()),
            kKopf + cp("0004;Bürobedarf;01.02.2026;Miete  Februar;Zeile  zwei;      -11,90;      -10,00;       -1,90;2;19,00;\r\n"
                       "0005;Porto;28.02.2026;Porto;;       -5,00;       -5,00;        0,00;2;;\r\n"
                       "0009;*** Konto nicht mehr existent ***;28.02.2026;Konto gelöscht;;        7,00;        7,00;"
                       "        0,00;1;;\r\n"));

  // "Weiter" closes the window; a pressed Enter does it, since it has the focus.
  QTest::keyClick(w.widget(FELD_CSV_ABBRUCH), Qt::Key_Return);
  settle();
  EXPECT_FALSE(findWindow("P49$WIN"));
}

TEST_F(ExportFensterTest, OneDayGivesThatDaysBookingsByNumberAndAnEmptyRangeTheHeaderAlone) {
  const rt::Day t = tag(2026, 4, 15);
  for (int nr : {7, 3, 5}) einfach(nr, t);
  einfach(1, t - 1);
  einfach(9, t + 1);
  Window& w = oeffnen();
  zeitraum(w, "15.04.2026", "15.04.2026");
  klicken(w, FELD_CSV_SPEICHERN);
  fertig(w, 3, exportDatei());
  EXPECT_EQ(dateiInhalt(exportDatei()), kKopf + einfacheZeile(3, t) + einfacheZeile(5, t) + einfacheZeile(7, t));
  w.close();
  settle();

  beiSummen.clear();
  beiAnzeige.clear();
  Window& leer = oeffnen();
  zeitraum(leer, "17.04.2026", "31.12.2026");
  klicken(leer, FELD_CSV_SPEICHERN);
  fertig(leer, 0, exportDatei());
  EXPECT_EQ(dateiInhalt(exportDatei()), kKopf);
}

TEST_F(ExportFensterTest, TheFolderDialogStartsAtTheChosenFolderAndCancellingKeepsIt) {
  einfach(1, tag(2026, 1, 1));
  TempFolder anderer;
  Window& w = oeffnen();
  const QString dokumenteOrdner = QDir::toNativeSeparators(dokumente.path()) + platform::separator();
  Dialog d = ordnerDialog(w, "");
  EXPECT_EQ(d.titel, "Ordner für CSV Datei wählen");
  EXPECT_EQ(d.start, QDir::toNativeSeparators(dokumente.path()));
  EXPECT_FALSE(w.isHidden(FELD_CSV_CSVORDNER));
  EXPECT_EQ(angezeigt(w, FELD_CSV_CSVORDNER), dokumenteOrdner);

  d = ordnerDialog(w, anderer.path());
  const QString andererOrdner = QDir::toNativeSeparators(anderer.path()) + platform::separator();
  EXPECT_EQ(angezeigt(w, FELD_CSV_CSVORDNER), andererOrdner);
  d = ordnerDialog(w, "");
  EXPECT_EQ(d.start, QDir::toNativeSeparators(anderer.path()));
  EXPECT_EQ(angezeigt(w, FELD_CSV_CSVORDNER), andererOrdner);

  klicken(w, FELD_CSV_SPEICHERN);
  fertig(w, 1, anderer.file("Tavik.csv"));
  EXPECT_EQ(angezeigt(w, FELD_CSV_CSVORDNER), QDir::toNativeSeparators(anderer.file("Tavik.csv")));
  EXPECT_EQ(dateiInhalt(anderer.file("Tavik.csv")), kKopf + einfacheZeile(1, tag(2026, 1, 1)));
  EXPECT_FALSE(QFile::exists(exportDatei()));
}

TEST_F(ExportFensterTest, AMissingFolderGivesTheFileMessageAndASecondStartTriesTheSameFileAgain) {
  einfach(1, tag(2026, 1, 1));
  TempFolder basis;
  const QString ordner = basis.file("Export");
  ASSERT_TRUE(QDir().mkdir(ordner));
  Window& w = oeffnen();
  ordnerDialog(w, ordner);
  ASSERT_TRUE(QDir().rmdir(ordner));
  klicken(w, FELD_CSV_SPEICHERN);
  EXPECT_EQ(antworten->texts(), QStringList{dateiMeldung(3)});
  bereit(w);
  EXPECT_FALSE(QFile::exists(ordner));
  EXPECT_TRUE(beiSummen.empty());
  EXPECT_TRUE(beiAnzeige.empty());

  klicken(w, FELD_CSV_SPEICHERN);
  EXPECT_EQ(antworten->texts(), QStringList({dateiMeldung(3), dateiMeldung(3)}));
  ASSERT_TRUE(QDir().mkdir(ordner));
  klicken(w, FELD_CSV_SPEICHERN);
  fertig(w, 1, ordner + "/Tavik.csv", 2);
  EXPECT_EQ(dateiInhalt(ordner + "/Tavik.csv"), kKopf + einfacheZeile(1, tag(2026, 1, 1)));
}

// A write that fails (a disk that is full, here: beyond the largest file this process may write)
// keeps the earlier file and gives the file message with its code.
TEST_F(ExportFensterTest, AFailedWriteKeepsTheEarlierFile) {
  viele(300, tag(2026, 1, 1), 10);
  dateiSchreiben(exportDatei(), "die Datei vom letzten Mal\r\n");
  Window& w = oeffnen();
  {
    const Dateigrenze grenze(4000);
    klicken(w, FELD_CSV_SPEICHERN);
  }
  EXPECT_EQ(antworten->texts(), QStringList{dateiMeldung(31)});
  bereit(w);
  EXPECT_EQ(dateiInhalt(exportDatei()), "die Datei vom letzten Mal\r\n");
  EXPECT_EQ(QDir(dokumente.path()).entryList(QDir::Files), QStringList{"Tavik.csv"});

  // Once there is room again, the same window replaces it.
  klicken(w, FELD_CSV_SPEICHERN);
  EXPECT_EQ(antworten->texts().size(), 1);
  EXPECT_EQ(angezeigt(w, FELD_CSV_EXPORTINFO), "300 Datensätze exportiert nach");
  EXPECT_EQ(dateiInhalt(exportDatei()).substr(0, kKopf.size()), kKopf);
}

TEST_F(ExportFensterTest, F2StartsTheExportFromADateThatWasNotLeftAndTheBuffersStayTheWorkWindows) {
  PARA.TASTATUR = 1;
  for (int nr = 1; nr <= 5; ++nr) einfach(nr, tag(2026, 6, nr));
  Window& w = oeffnen();
  tippen(w, FELD_CSV_BIS, "03.06.2026");
  // What the booking form and the overview hold in the shared buffers.
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = 4711;
  BUCHUNG.TEXT[0] = "wird bearbeitet";
  KONTODATEI.clear();
  KONTO.NR = "0005";
  const BUCHUNG_T buchung = BUCHUNG;
  const KONTO_T konto = KONTO;
  QTest::keyClick(eingabe(w, FELD_CSV_BIS), Qt::Key_F2);
  settle();
  fertig(w, 3, exportDatei());
  EXPECT_EQ(dateiInhalt(exportDatei()),
            kKopf + einfacheZeile(1, tag(2026, 6, 1)) + einfacheZeile(2, tag(2026, 6, 2)) + einfacheZeile(3, tag(2026, 6, 3)));
  EXPECT_EQ(std::memcmp(&BUCHUNG, &buchung, sizeof BUCHUNG), 0);
  EXPECT_EQ(std::memcmp(&KONTO, &konto, sizeof KONTO), 0);
  // After the export F2 starts nothing more.
  dateiSchreiben(exportDatei(), "danach");
  QTest::keyClick(w.widget(FELD_CSV_ABBRUCH), Qt::Key_F2);
  settle();
  EXPECT_EQ(dateiInhalt(exportDatei()), "danach");
  EXPECT_EQ(beiAnzeige[EVENT_ListenNeu], 1);
}

// While the export pauses, the other windows work: a booking stored then, ahead of the export's
// place, is in the file, and each side keeps its own record buffers. A click on "Ordner ändern"
// meanwhile opens no folder dialog after the export.
TEST_F(ExportFensterTest, WhileTheExportPausesAnotherWindowStoresABooking) {
  const int n = 3 * CSV_PAUSE_NACH + 10;
  viele(n, tag(2026, 1, 1), 20);
  Window* exportFenster = nullptr;
  bool waehrendExport = false;
  Window buchen{WindowDef{.label = "BUCHEN", .w = 40, .h = 20}};
  const int thread = start([&] {
    buchen.open();
    buchen.attach([&](Window&, const Event& e) {
      if (e.code != EV_User + 1) return Pass::Default;
      waehrendExport = !exportFenster->isHidden(FELD_CSV_EXPORTIERE);
      EXPECT_EQ(+BUCHUNG.NR, 4711) << "the export's walk shows through";
      einfach(900001, tag(2026, 12, 31));
      return Pass::Default;
    });
  });
  settle();
  Window& w = oeffnen();
  exportFenster = &w;
  zeitraum(w, "01.01.2026", "31.12.2026");
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = 4711;  // what the booking form holds
  int dialoge = 0;
  QTimer anstoss;
  QObject::connect(&anstoss, &QTimer::timeout, [&] {
    if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      ++dialoge;
      d->reject();
    }
    if (w.isHidden(FELD_CSV_EXPORTIERE) || waehrendExport) return;
    post(EV_User + 1, thread);
    QTest::mouseClick(w.widget(FELD_CSV_DATEIWAEHLEN), Qt::LeftButton);
  });
  anstoss.start(0);
  klicken(w, FELD_CSV_SPEICHERN);
  QElapsedTimer uhr;
  uhr.start();
  while (w.text(FELD_CSV_ABBRUCH) != "Weiter" && uhr.elapsed() < 60000) settle();
  settle();
  anstoss.stop();
  EXPECT_TRUE(waehrendExport);
  EXPECT_EQ(dialoge, 0);
  EXPECT_EQ(+BUCHUNG.NR, 900001);
  std::string erwartet = kKopf;
  for (int nr = 1; nr <= n; ++nr) erwartet += einfacheZeile(nr, tag(2026, 1, 1) + nr / 20);
  erwartet += einfacheZeile(900001, tag(2026, 12, 31));
  const std::string ist = dateiInhalt(exportDatei());
  EXPECT_TRUE(ist == erwartet) << "the file differs";
  EXPECT_EQ(angezeigt(w, FELD_CSV_EXPORTINFO), QString::number(n + 1) + " Datensätze exportiert nach");
  buchen.close();
  settle();
}

TEST_F(ExportFensterTest, TwoExportWindowsAtOnceEachWriteTheirOwnFile) {
  for (int nr = 1; nr <= 4; ++nr) einfach(nr, tag(2026, 1, nr));
  TempFolder zweiter;
  Window& a = oeffnen();
  Window& b = oeffnen();
  ASSERT_NE(&a, &b);
  EXPECT_NE(a.thread(), b.thread());
  ordnerDialog(b, zweiter.path());
  zeitraum(b, "03.01.2026", "04.01.2026");
  zeitraum(a, "01.01.2026", "02.01.2026");
  klicken(a, FELD_CSV_SPEICHERN);
  klicken(b, FELD_CSV_SPEICHERN);
  EXPECT_EQ(angezeigt(a, FELD_CSV_EXPORTINFO), "2 Datensätze exportiert nach");
  EXPECT_EQ(angezeigt(b, FELD_CSV_EXPORTINFO), "2 Datensätze exportiert nach");
  EXPECT_EQ(dateiInhalt(exportDatei()), kKopf + einfacheZeile(1, tag(2026, 1, 1)) + einfacheZeile(2, tag(2026, 1, 2)));
  EXPECT_EQ(dateiInhalt(zweiter.file("Tavik.csv")),
            kKopf + einfacheZeile(3, tag(2026, 1, 3)) + einfacheZeile(4, tag(2026, 1, 4)));
  klicken(b, FELD_CSV_ABBRUCH);
  EXPECT_TRUE(a.isOpen());
  klicken(a, FELD_CSV_ABBRUCH);
  EXPECT_FALSE(findWindow("P49$WIN"));
}

namespace {

// Opens the data files of the folder given, starts an export of every booking into the documents
// folder and kills itself as soon as the new file is being written.
int exportUndTot(const QStringList& args) {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  KONTOPFAD = args.value(0) + "/Konto.dat";
  BUCHUNGPFAD = args.value(0) + "/Buchung.dat";
  if (KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) ||
      BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite))
    return 2;
  const QDir dokumente(qEnvironmentVariable("TAVIK_FOLDER_PERSONAL"));
  QTimer waechter;
  QObject::connect(&waechter, &QTimer::timeout, [&] {
    if (dokumente.entryList({"Tavik.csv.new*"}, QDir::Files).size() == 1 &&
        QFileInfo(dokumente.entryInfoList({"Tavik.csv.new*"}, QDir::Files).front()).size() > 0)
      ::raise(SIGKILL);
  });
  waechter.start(0);
  start(CsvDatenexport);
  settle();
  Window* w = findWindow("P49$WIN");
  if (!w) return 3;
  QTest::mouseClick(w->widget(FELD_CSV_SPEICHERN), Qt::LeftButton);
  settle();
  return 0;  // the export ended before it was killed
}
TAVIK_CHILD_MODE("export-und-tot", exportUndTot);

}  // namespace

TEST_F(ExportFensterTest, AKillDuringTheExportLeavesTheEarlierFile) {
  // Enough bookings for the export to pause and let the other windows work on the way.
  viele(4 * CSV_PAUSE_NACH, tag(2026, 1, 1), 20);
  KONTODATEI.close();
  BUCHUNGDATEI.close();
  const std::string frueher = kKopf + einfacheZeile(1, tag(2025, 1, 1));
  dateiSchreiben(exportDatei(), frueher);

  QProcess kind;
  kind.start(testing_support::selfPath(), {"--child=export-und-tot", daten.path()});
  ASSERT_TRUE(kind.waitForStarted());
  const QString kindNr = QString::number(kind.processId());
  ASSERT_TRUE(kind.waitForFinished(60000));
  EXPECT_EQ(kind.exitStatus(), QProcess::CrashExit) << kind.exitCode();
  EXPECT_EQ(dateiInhalt(exportDatei()), frueher);

  // The next export tidies away what the killed one left half-written, and only that.
  const QDir dokumenteOrdner(dokumente.path());
  const QStringList halb = dokumenteOrdner.entryList({"Tavik.csv.new*"}, QDir::Files);
  ASSERT_EQ(halb.size(), 1);
  EXPECT_TRUE(halb.front().startsWith("Tavik.csv.new" + kindNr + "-")) << halb.front().toStdString();
  dateiSchreiben(dokumente.file("Tavik.csv.alt"), "bleibt");
  dateienOeffnen();
  Window& w = oeffnen();
  zeitraum(w, "01.01.2025", "01.01.2025");
  klicken(w, FELD_CSV_SPEICHERN);
  EXPECT_EQ(dateiInhalt(exportDatei()), kKopf);
  EXPECT_EQ(dokumenteOrdner.entryList(QDir::Files), QStringList({"Tavik.csv", "Tavik.csv.alt"}));
}
