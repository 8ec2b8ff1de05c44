// The whole program under faults it must survive and tell: a damaged page in "Buchung.dat" and a
// limit on the size of the files it may write.

#include "tests/bookkeeping/endtoend/Programm.h"

#include "bookkeeping/common/Queues.h"
#include "bookkeeping/export/CsvDatenexport.h"
#include "bookkeeping/frame/Rahmen.h"
#include "bookkeeping/reports/Auswertungen.h"
#include "runtime/report/PageImage.h"
#include "runtime/window/Threads.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace rt::win;
using testing_support::settle;
using programm::waitFor;

namespace {

constexpr int kBuchungen = 2000;
constexpr rt::Cents kBrutto(5950);  // every booking; the year's income is 119.000,00
const QString kSchaden = "Buchung.dat ist beschädigt - die Zahlen können unvollständig sein!";
// Fields of the print preview P18$WINVORSCHAU.
constexpr int kVorschauAbbruch = 8;

// Bookings 1 to kBuchungen on the income account 8000 without VAT, in date order: of 2026, or the
// first half of 2025 and the second of 2026.
void buchungenAnlegen(programm::Datenordner& ordner, bool zweiJahre = false) {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  BUCHUNGPFAD = ordner.data + "Buchung.dat";
  ASSERT_EQ(BUCHUNGDATEI.create(), 0);
  ASSERT_TRUE(ordner.buchungenOeffnen());
  ASSERT_EQ(BUCHUNGDATEI.begin(), 0);
  for (int nr = 1; nr <= kBuchungen; ++nr) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = nr;
    BUCHUNG.KONTO = "8000";
    const int jahr = zweiJahre && nr <= kBuchungen / 2 ? 2025 : 2026;
    BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(jahr, 1, 1) + (nr * 680 / kBuchungen) % 340);
    BUCHUNG.TEXT[0] = "Rechnung " + std::to_string(nr) + " für die Beratung im Haus des Kunden";
    BUCHUNG.TEXT[1] = "Kunde Nummer " + std::to_string(nr * 7);
    BUCHUNG.ART = 1;
    BUCHUNG.MWSTSATZ = 1;  // 0 %
    BUCHUNG.BRUTTO = BUCHUNG.NETTO = kBrutto;
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
  ASSERT_EQ(BUCHUNGDATEI.commit(), 0);
  BUCHUNGDATEI.close();
}

QByteArray lesen(const QString& pfad) {
  QFile f(pfad);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void schreiben(const QString& pfad, const QByteArray& bytes) {
  QFile f(pfad);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// The bookings that a walk of the whole file by date, from its end back, reads before it stops; 0
// when the first booking cannot be read either.
int lesbar(const QString& pfad) {
  BUCHUNGPFAD = pfad;
  if (BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) != 0) return -1;
  BUCHUNGDATEI.clear();
  BUCHUNG.DATUM = rt::dateOf(rt::kLatestDay);
  BUCHUNG.NR = INT32_MAX;
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  int n = 0;
  while (BUCHUNGDATEI.previous() == 0) ++n;
  BUCHUNGDATEI.clear();
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  if (BUCHUNGDATEI.next() != 0) n = 0;
  BUCHUNGDATEI.close();
  return n;
}

// One byte changed in one page of the file: the first page from the middle on whose damage a walk
// by date from the end back meets after `von` and before `bis` bookings.
void eineSeiteBeschaedigen(const QString& datei, const QString& probe, int von = 1, int bis = kBuchungen) {
  const QByteArray heil = lesen(datei);
  const int seiten = static_cast<int>(heil.size() / 4096);
  ASSERT_GT(seiten, 40);
  testing_support::MessageAnswers antworten;  // the data layer names each damaged probe
  for (int seite = seiten / 2; seite < seiten; ++seite) {
    QByteArray kaputt = heil;
    kaputt[seite * 4096 + 1000] = static_cast<char>(kaputt[seite * 4096 + 1000] ^ 0x10);
    schreiben(probe, kaputt);
    const int n = lesbar(probe);
    if (n >= von && n < bis) {
      schreiben(datei, kaputt);
      QFile::remove(probe);
      return;
    }
  }
  FAIL() << "no page whose damage a walk meets where asked";
}

// Runs the program: messages are answered by Enter on their focused button ("OK"), or by a click on
// "Abbruch" while `abbrechen` says so; `drive` runs once the work windows are open.
struct Lauf {
  QStringList meldungen;
  bool abbrechen = false;

  void starten(const std::function<void()>& drive) {
    setOpenHook([&](Window& w) {
      if (w.label() == "P9$WIN") {
        if (abbrechen) {
          QStringList rows;
          for (int f = 3; f <= 6; ++f)
            if (!w.text(f).trimmed().isEmpty()) rows << w.text(f).trimmed();
          meldungen << rows.join(" | ") + " [Abbruch]";
          QTest::mouseClick(w.widget(8), Qt::LeftButton);
        } else {
          programm::meldungBeantworten(w, meldungen);
        }
      } else if (w.label() == "$WINMAIN") {
        QTimer::singleShot(0, [&, drive] {
          waitFor([] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
          programm::startbildBeenden(programm::Startbildende::Klick);
          settle();
          drive();
          WinMain.topWidget()->close();
        });
      }
    });
    STARTBILDAKTIV = 1;
    Hauptprogramm();
    setOpenHook(nullptr);
    settle();
  }
};

void klicken(QWidget* w) {
  QTest::mouseClick(w, Qt::LeftButton);
  settle();
}

// The texts of the pages the open report keeps, page by page.
std::vector<QString> seitenTexte() {
  std::vector<QString> out;
  for (const auto& zeile : SEITENQUEUE.rows()) {
    const rt::report::PageImage* bild = rt::report::pageImage(zeile.SEITE.clip());
    out.push_back(bild ? bild->texts : QString());
  }
  return out;
}

// The profit/loss of the year through the print dialog, as the toolbar opens it: the texts of the
// preview's pages. The pages come while the preview is open: the user steps to the last one first.
std::vector<QString> gewinnVerlust() {
  std::vector<QString> seiten;
  klicken(WinMain.widget(FELD_DRUCKEN_));
  waitFor([] { return findWindow("P40$WIN") != nullptr; });
  Window* dialog = findWindow("P40$WIN");
  if (!dialog) return seiten;
  klicken(dialog->widget(AF_OK));
  waitFor([] { return findWindow("P18$WINVORSCHAU") != nullptr; });
  if (Window* vorschau = findWindow("P18$WINVORSCHAU")) {
    QWidget* fenster = vorschau->topWidget();
    QWidget* ziel = fenster->focusWidget() ? fenster->focusWidget() : fenster;
    for (int i = 0; i < kBuchungen; ++i) QTest::keyClick(ziel, Qt::Key_PageDown);
    settle();
  }
  seiten = seitenTexte();
  if (Window* vorschau = findWindow("P18$WINVORSCHAU")) klicken(vorschau->widget(kVorschauAbbruch));
  waitFor([] { return findWindow("P18$WINVORSCHAU") == nullptr; });
  klicken(dialog->widget(AF_ABBRUCH));
  waitFor([] { return findWindow("P40$WIN") == nullptr; });
  return seiten;
}

// The export window, as the toolbar opens it.
Window* exportFenster() {
  klicken(WinMain.widget(FELD_CSV_EXPORT_));
  waitFor([] { return findWindow("P49$WIN") != nullptr; });
  return findWindow("P49$WIN");
}

struct StoerungenTest : ::testing::Test {
  programm::Datenordner ordner;
  testing_support::TempFolder dokumente;

  void SetUp() override {
    rt::setTodayForTesting(rt::dayNumber(2026, 12, 10));
    qputenv("TAVIK_FOLDER_PERSONAL", dokumente.path().toUtf8());
  }
  void TearDown() override {
    qunsetenv("TAVIK_FOLDER_PERSONAL");
    rt::setTodayForTesting(0);
  }
};

}  // namespace

// One damaged page of a real booking file: the start names the file once; the sums window says
// that its sums are incomplete; an evaluation asks first, shows nothing when told "Abbruch" and,
// told "OK", carries the warning on every page; an export asks first and, told "Abbruch", writes
// nothing.
TEST_F(StoerungenTest, FiguresFromADamagedBookingFileSayTheyAreIncomplete) {
  buchungenAnlegen(ordner);
  eineSeiteBeschaedigen(ordner.data + "Buchung.dat", ordner.data + "Probe.dat");

  Lauf lauf;
  QString jahr, hinweis;
  bool hinweisSichtbar = false;
  std::vector<QString> seiten;
  bool exportGefragt = false, keineVorschau = false;
  lauf.starten([&] {
    waitFor([] { return !WinAnzeige.isHidden(FELD_NRAUSGANG); });
    waitFor([] { return !WinSummen.isHidden(FELD_S_BESCHAEDIGT); });
    jahr = WinSummen.text(FELD_S_JEINGANGBRUTTO).trimmed();
    hinweisSichtbar = !WinSummen.isHidden(FELD_S_BESCHAEDIGT);
    hinweis = WinSummen.text(FELD_S_BESCHAEDIGT);

    // The evaluation, stopped at its question: no preview follows, the dialog stays.
    klicken(WinMain.widget(FELD_DRUCKEN_));
    waitFor([] { return findWindow("P40$WIN") != nullptr; });
    if (Window* dialog = findWindow("P40$WIN")) {
      lauf.abbrechen = true;
      klicken(dialog->widget(AF_OK));
      lauf.abbrechen = false;
      QTest::qWait(100);
      keineVorschau = findWindow("P18$WINVORSCHAU") == nullptr && dialog->takesInput();
      klicken(dialog->widget(AF_ABBRUCH));
      waitFor([] { return findWindow("P40$WIN") == nullptr; });
    }
    // And answered "OK".
    seiten = gewinnVerlust();

    // The export, stopped at its question.
    Window* csv = exportFenster();
    if (!csv) return;
    lauf.abbrechen = true;
    const int vorher = static_cast<int>(lauf.meldungen.size());
    klicken(csv->widget(FELD_CSV_SPEICHERN));
    waitFor([&] { return lauf.meldungen.size() > vorher; });
    exportGefragt = lauf.meldungen.size() == vorher + 1;
    lauf.abbrechen = false;
    klicken(csv->widget(FELD_CSV_ABBRUCH));
    waitFor([] { return findWindow("P49$WIN") == nullptr; });
  });

  ASSERT_EQ(lauf.meldungen.size(), 4) << lauf.meldungen.join("\n").toStdString();
  EXPECT_TRUE(lauf.meldungen[0].startsWith("Die Datei \"Buchung.dat\" ist beschädigt - Fehlercode "))
      << lauf.meldungen[0].toStdString();
  const QString auswertung = kSchaden + " | Soll die Auswertung trotzdem erstellt werden?";
  EXPECT_EQ(lauf.meldungen[1], auswertung + " [Abbruch]");
  EXPECT_EQ(lauf.meldungen[2], auswertung);
  EXPECT_EQ(lauf.meldungen[3], kSchaden + " | Sollen die Buchungen trotzdem exportiert werden? [Abbruch]");
  EXPECT_TRUE(keineVorschau);
  EXPECT_TRUE(exportGefragt);

  // Fewer than all bookings were read, and the window says so.
  EXPECT_NE(jahr, "119.000,00");
  EXPECT_TRUE(hinweisSichtbar);
  EXPECT_EQ(hinweis, "Buchung.dat beschädigt - Summen unvollständig!");

  ASSERT_FALSE(seiten.empty());
  for (std::size_t i = 0; i < seiten.size(); ++i) {
    EXPECT_TRUE(seiten[i].contains(kSchaden)) << "page " << i + 1;
    EXPECT_TRUE(seiten[i].contains("Gewinn/Verlust Ermittlung")) << "page " << i + 1;
  }
  EXPECT_GT(seiten.size(), 2u);  // the bookings read before the damaged page are listed
  EXPECT_FALSE(seiten.back().contains("119.000,00"));
  EXPECT_TRUE(QDir(dokumente.path()).entryList(QDir::Files).isEmpty());
}

// Damage that the first view does not meet (it lies among the bookings of the year before) and an
// export meets: the file is named once, the export fails with its code, and from then on the sums
// window says that its sums are incomplete, though they have not been computed again.
TEST_F(StoerungenTest, DamageFoundLaterMakesTheSumsWindowSayItAtOnce) {
  buchungenAnlegen(ordner, true);
  // The walk of 2026 reads its bookings and the last one of 2025 before it stops.
  eineSeiteBeschaedigen(ordner.data + "Buchung.dat", ordner.data + "Probe.dat", kBuchungen / 2 + 2);

  Lauf lauf;
  QString jahr;
  bool vorherVersteckt = false, nachherSichtbar = false;
  lauf.starten([&] {
    waitFor([] { return !WinAnzeige.isHidden(FELD_NRAUSGANG) && EINGANGQUEUE.records() > 0; });
    settle();
    jahr = WinSummen.text(FELD_S_JEINGANGBRUTTO).trimmed();
    vorherVersteckt = WinSummen.isHidden(FELD_S_BESCHAEDIGT);
    Window* csv = exportFenster();
    if (!csv) return;
    klicken(csv->widget(FELD_CSV_SPEICHERN));
    waitFor([&] { return lauf.meldungen.size() >= 2; });
    waitFor([] { return !WinSummen.isHidden(FELD_S_BESCHAEDIGT); });
    nachherSichtbar = !WinSummen.isHidden(FELD_S_BESCHAEDIGT);
    klicken(csv->widget(FELD_CSV_ABBRUCH));
  });
  EXPECT_EQ(jahr, "59.500,00");
  EXPECT_TRUE(vorherVersteckt);
  ASSERT_GE(lauf.meldungen.size(), 2) << lauf.meldungen.join("\n").toStdString();
  EXPECT_TRUE(lauf.meldungen[0].startsWith("Die Datei \"Buchung.dat\" ist beschädigt - Fehlercode "));
  EXPECT_TRUE(lauf.meldungen[1].startsWith("Die angegeben Datei für die | CSV Freimeldungen kann nicht erzeugt werden."));
  EXPECT_TRUE(nachherSichtbar);
  EXPECT_TRUE(QDir(dokumente.path()).entryList(QDir::Files).isEmpty());
}

// A sound file: no warning in the sums window, the evaluation starts at once without it on its pages.
TEST_F(StoerungenTest, FiguresFromASoundFileCarryNoWarning) {
  buchungenAnlegen(ordner);
  Lauf lauf;
  QString jahr;
  bool hinweisVersteckt = false;
  std::vector<QString> seiten;
  lauf.starten([&] {
    waitFor([] { return !WinAnzeige.isHidden(FELD_NRAUSGANG) && EINGANGQUEUE.records() > 0; });
    settle();
    jahr = WinSummen.text(FELD_S_JEINGANGBRUTTO).trimmed();
    hinweisVersteckt = WinSummen.isHidden(FELD_S_BESCHAEDIGT);
    seiten = gewinnVerlust();
  });
  EXPECT_TRUE(lauf.meldungen.isEmpty()) << lauf.meldungen.join("\n").toStdString();
  EXPECT_EQ(jahr, "119.000,00");
  EXPECT_TRUE(hinweisVersteckt);
  ASSERT_FALSE(seiten.empty());
  for (const QString& s : seiten) EXPECT_FALSE(s.contains("beschädigt"));
  EXPECT_TRUE(seiten.back().contains("119.000,00"));
}

// Under a limit on the size of the files it may write (ulimit -f), the export's write fails with
// the code of a full disk: the program gives the German message and goes on.
TEST_F(StoerungenTest, AFileSizeLimitGivesTheExportsMessageAndTheProgramGoesOn) {
  buchungenAnlegen(ordner);
  // The test's own process may have been told to ignore the signal; the program must do it itself.
  std::signal(SIGXFSZ, SIG_DFL);
  rlimit vorher{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &vorher), 0);

  Lauf lauf;
  bool weiter = false;
  lauf.starten([&] {
    waitFor([] { return !WinAnzeige.isHidden(FELD_NRAUSGANG); });
    Window* csv = exportFenster();
    if (!csv) return;
    rlimit grenze = vorher;
    grenze.rlim_cur = 4000;
    setrlimit(RLIMIT_FSIZE, &grenze);
    klicken(csv->widget(FELD_CSV_SPEICHERN));
    waitFor([&] { return !lauf.meldungen.isEmpty(); });
    setrlimit(RLIMIT_FSIZE, &vorher);
    // The program goes on: the same window exports once there is room.
    klicken(csv->widget(FELD_CSV_SPEICHERN));
    waitFor([&] { return !csv->isHidden(FELD_CSV_EXPORTINFO); });
    weiter = csv->text(FELD_CSV_EXPORTINFO).trimmed() == QString::number(kBuchungen) + " Datensätze exportiert nach";
    klicken(csv->widget(FELD_CSV_ABBRUCH));
  });
  setrlimit(RLIMIT_FSIZE, &vorher);
  std::signal(SIGXFSZ, SIG_DFL);

  EXPECT_EQ(lauf.meldungen, QStringList{"Die angegeben Datei für die | CSV Freimeldungen kann nicht erzeugt werden. | "
                                        "Dateizugriffscode: 31"});
  EXPECT_TRUE(weiter);
  EXPECT_EQ(QDir(dokumente.path()).entryList(QDir::Files), QStringList{"Tavik.csv"});
}
