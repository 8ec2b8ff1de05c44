#include "docs/manual/Pictures.h"

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/accounts/KontoSuchen.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/export/CsvDatenexport.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "bookkeeping/frame/Rahmen.h"
#include "bookkeeping/reports/Auswertungen.h"
#include "platform/CommandLine.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Resources.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/Settle.h"

#include <QAbstractButton>
#include <QDir>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QLocale>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

using namespace rt::win;
using testing_support::settle;

namespace {

// The sample year of the pictures: "today" is fixed, so that every build shows the same windows.
constexpr int kJahr = 2025;

struct Beispiel {
  int monat, tag;
  const char* konto;
  int art, schluessel;
  double brutto, netto, mwst;
  const char* text1;
  const char* text2;
};

// A freelancer's first quarter: three invoices, running costs, a VAT prepayment.
const Beispiel kBeispiele[] = {
    {1, 7, "4010", 2, 2, 47.60, 40.00, 7.60, "Telefonkosten", "Januar"},
    {1, 15, "8000", 1, 2, 1428.00, 1200.00, 228.00, "ReNr 2025-001", "Webseite Bäckerei Schmidt"},
    {2, 10, "1000", 3, 0, 310.00, 0, 0, "USt-Vorauszahlung 4. Quartal", "2024"},
    {2, 12, "8000", 1, 2, 595.00, 500.00, 95.00, "ReNr 2025-002", "Logo-Entwurf"},
    {2, 20, "4000", 2, 2, 83.30, 70.00, 13.30, "Tanken", ""},
    {3, 3, "4100", 2, 1, 250.00, 250.00, 0, "Mietanteil Arbeitszimmer", "März"},
    {3, 10, "8000", 1, 2, 2380.00, 2000.00, 380.00, "ReNr 2025-003", "Beratung Müller GmbH"},
    {3, 14, "4999", 2, 2, 23.80, 20.00, 3.80, "Druckerpapier", ""},
};

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

void waitFor(const char* what, const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) fail(QString("Zeitüberschreitung: %1").arg(what));
    QTest::qWait(10);
  }
}

void click(Window& w, int field) {
  static_cast<QAbstractButton*>(w.widget(field))->click();
  settle();
}

// Types into an entry as a user does and leaves it with Tab.
void type(Window& w, int field, const QString& text) {
  w.giveFocus(field);
  settle();
  auto* e = qobject_cast<QLineEdit*>(w.widget(field));
  e->selectAll();
  QTest::keyClicks(e, text);
  QTest::keyClick(e, Qt::Key_Tab);
  settle();
}

bool listsShown() { return !WinAnzeige.isHidden(FELD_NRAUSGANG) && WinAnzeige.isHidden(FELD_BERECHNE); }

// Writes the sample bookings into a fresh "Buchung.dat" of the data folder; the first start then
// seeds the default accounts that the bookings name.
void beispieleAnlegen(const QString& datenordner) {
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  BUCHUNGPFAD = datenordner + "Buchung.dat";
  if (BUCHUNGDATEI.create() || BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite))
    fail("Buchung.dat kann nicht angelegt werden");
  int nr = 0;
  for (const Beispiel& b : kBeispiele) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = ++nr;
    BUCHUNG.KONTO = b.konto;
    BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(kJahr, b.monat, b.tag));
    BUCHUNG.ART = static_cast<std::uint8_t>(b.art);
    BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(b.schluessel);
    BUCHUNG.BRUTTO = rt::Cents::fromReal(b.brutto);
    BUCHUNG.NETTO = rt::Cents::fromReal(b.netto);
    BUCHUNG.MWST = rt::Cents::fromReal(b.mwst);
    BUCHUNG.TEXT[0] = b.text1;
    BUCHUNG.TEXT[1] = b.text2;
    if (BUCHUNGDATEI.add()) fail("Beispielbuchung kann nicht gespeichert werden");
  }
  BUCHUNGDATEI.close();
  QFile marker(datenordner + "Start.inf");
  if (!marker.open(QIODevice::WriteOnly)) fail("Start.inf kann nicht angelegt werden");
}

// ---- Scenes: what is done in the running program before a picture is taken ----

// The frame large enough for the three work windows of arrangement 1, with the first quarter chosen.
void erstesQuartal() {
  WinMain.setPosition(0, 0, 474, 300);
  click(WinMain, FELD_QUARTAL_1);
  waitFor("Übersicht des 1. Quartals", [] { return listsShown() && AUSGANGQUEUE.records() == 5; });
  settle();
}

void buchungEintippen() {
  type(WinBuchung, BF_CODE, "E");
  type(WinBuchung, BF_BRUTTO, "1.190");
  WinBuchung.giveFocus(BF_TEXT_1);  // marks the "#" of "ReNr #"
  settle();
  QTest::keyClicks(WinBuchung.widget(BF_TEXT_1), "2025-004");
  settle();
}

void formularLeeren() { click(WinBuchung, BF_ABBRUCH); }

void suchen() {
  WinAnzeige.setPosition(295, -6, 176, 185);  // a little higher, for a few result rows
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  type(WinAnzeige, FELD_BUCHUNGSUCHENTEXT, "renr");
  click(WinAnzeige, FELD_BUCHUNGSUCHENOK);
  waitFor("Suchergebnis", [] { return SUCHQUEUE.records() == 3; });
}

void sucheBeenden() {
  click(WinAnzeige, FELD_BUCHUNGSUCHEN);
  click(WinMain, FELD_ANZEIGESTANDARD1);
}

// The print dialog, opened by the frame's print command. It runs on the frame's thread, so that a
// command posted to that thread afterwards reaches the dialog's own buttons.
void druckdialogOeffnen() {
  // The address the freelancer has entered in the settings, for the header of the printed pages.
  PARA.NAME = "Erika Muster";
  PARA.NAME2 = "Webdesign";
  PARA.STRASSE = "Hauptstr. 1";
  PARA.PLZORT = "12345 Musterstadt";
  postField(EV_Accepted, FELD_DRUCKEN, WinMain.thread());
  waitFor("Drucken", [] { return findWindow("P40$WIN") != nullptr; });
  settle();
}

void druckdialogSchliessen() {
  if (Window* w = findWindow("P40$WIN")) click(*w, AF_ABBRUCH);
  waitFor("Drucken geschlossen", [] { return findWindow("P40$WIN") == nullptr; });
}

// The print dialog names the folder into which printouts go as PDF files; its picture shows it as it
// stands on a user's machine, not the build's temporary folder. Nothing is written there: the dialog
// only reads the name, and it is closed before anything is printed.
void dokumenteEinesBenutzers() { qputenv("TAVIK_FOLDER_PERSONAL", "/home/erika/Dokumente"); }
void dokumenteDesBaus() { qunsetenv("TAVIK_FOLDER_PERSONAL"); }

// ---- The pictures ----

// What a picture shows: a work window of the program, or a window that a frame command opens
// (grabbed as soon as it has opened, then closed by its close box).
struct Bild {
  const char* name;
  std::function<void()> vorher;  // the scene, before the grab
  Window* fenster = nullptr;     // a window that is open already
  int rahmenBefehl = 0;          // or: the frame's menu item or toolbar button ...
  const char* label = "";        // ... and the label of the window it opens
  std::function<void()> nachher = {};
  std::function<QImage()> selbst = {};  // or: a scene that takes its picture itself
};

// One line per picture; the manual's text shows it with <img src="bild:NAME">.
const std::vector<Bild>& bilder() {
  static const std::vector<Bild> b = {
      {"rahmen", erstesQuartal, &WinMain},
      {"buchung_leer", {}, &WinBuchung},
      {"uebersicht", {}, &WinAnzeige},
      {"summen", {}, &WinSummen},
      {"buchung_konto", buchungEintippen, &WinBuchung, 0, "", formularLeeren},
      {"suche", suchen, &WinAnzeige, 0, "", sucheBeenden},
      {"csv_export", {}, nullptr, FELD_CSV_EXPORT, "P49$WIN"},
      {"einstellungen", {}, nullptr, FELD_EINSTELLUNGEN, "P17$WIN"},
      {"meldung_schema", {}, nullptr, FELD_MYTAVIK, "P9$WIN"},
      {"konten", {}, nullptr, FELD_KONTEN, "$WINKONTOSUCHEN"},
      {"druckdialog", dokumenteEinesBenutzers, nullptr, FELD_DRUCKEN, "P40$WIN", dokumenteDesBaus},
      {"vorschau", druckdialogOeffnen, nullptr, AF_OK, "P18$WINVORSCHAU", druckdialogSchliessen},
  };
  return b;
}

QImage aufnehmen(QWidget* w) {
  w->repaint();
  const QPixmap p = w->grab();
  if (p.isNull()) fail("leeres Bild");
  return p.toImage();
}

// The label of the window being waited for and its picture, taken by the open hook.
QString g_erwartet;
QImage g_geoeffnet;

QImage fensterDesBefehls(const Bild& b) {
  g_erwartet = QString::fromUtf8(b.label);
  g_geoeffnet = {};
  postField(EV_Accepted, b.rahmenBefehl, WinMain.thread());
  waitFor(b.label, [] { return !g_geoeffnet.isNull(); });
  settle();
  return g_geoeffnet;
}

// ---- Further pictures, not in the manual: every other window and state, for a person to look over ----

// Set while a scene shows a message on purpose: the open hook leaves it to the scene.
bool g_meldungGewollt = false;
// The splash as it showed at the start, taken by the open hook.
QImage g_startbild;

Window& geoeffnet(const char* label) {
  waitFor(label, [label] { return findWindow(label) != nullptr; });
  settle();
  QTest::qWait(50);
  return *findWindow(label);
}

// A frame command whose window stays open for the scene.
Window& befehl(int feld, const char* label) {
  postField(EV_Accepted, feld, WinMain.thread());
  return geoeffnet(label);
}

void schliessen(Window& w) {
  w.topWidget()->close();
  settle();
}

QImage buchungArt(const char* code) {
  type(WinBuchung, BF_CODE, code);
  type(WinBuchung, BF_BRUTTO, "1234,5");
  QTest::qWait(50);
  const QImage bild = aufnehmen(WinBuchung.topWidget());
  formularLeeren();
  return bild;
}

QImage summenImModus(int modus) {
  PARA.BUCHUNGSART = static_cast<std::uint8_t>(modus);
  post(EVENT_EinstellungenGeaendert, THREADSUMMEN);
  settle();
  QTest::qWait(50);
  const QImage bild = aufnehmen(WinSummen.topWidget());
  PARA.BUCHUNGSART = 1;
  post(EVENT_EinstellungenGeaendert, THREADSUMMEN);
  settle();
  return bild;
}

QImage werkzeugleiste() {
  QWidget* leiste = WinMain.widget(FELD_QUARTAL_1)->parentWidget();
  const QImage bild = aufnehmen(leiste);
  return bild.scaled(bild.size() * 2);
}

QImage kontoBearbeiten() {
  Window& liste = befehl(FELD_KONTEN, "$WINKONTOSUCHEN");
  click(liste, KS_BEARBEITEN);
  Window& fenster = geoeffnet("P23$WIN");
  const QImage bild = aufnehmen(fenster.topWidget());
  schliessen(fenster);
  schliessen(liste);
  return bild;
}

// A message wider than 50 characters: the question before an account is deleted, answered "Abbruch".
QImage meldungBreit() {
  Window& liste = befehl(FELD_KONTEN, "$WINKONTOSUCHEN");
  g_meldungGewollt = true;
  click(liste, KS_LOESCHEN);
  Window& meldung = geoeffnet("P9$WIN");
  const QImage bild = aufnehmen(meldung.topWidget());
  click(meldung, 8);
  g_meldungGewollt = false;
  schliessen(liste);
  return bild;
}

QImage csvExportFertig() {
  Window& fenster = befehl(FELD_CSV_EXPORT, "P49$WIN");
  click(fenster, FELD_CSV_SPEICHERN);
  waitFor("Export", [&fenster] { return !fenster.isHidden(FELD_CSV_EXPORTINFO); });
  QTest::qWait(50);
  const QImage bild = aufnehmen(fenster.topWidget());
  schliessen(fenster);
  return bild;
}

// The preview after a click on the page, which magnifies it.
QImage vorschauLupe() {
  druckdialogOeffnen();
  click(*findWindow("P40$WIN"), AF_OK);
  Window& vorschau = geoeffnet("P18$WINVORSCHAU");
  QTest::mouseClick(vorschau.widget(2), Qt::LeftButton);
  settle();
  QTest::qWait(50);
  const QImage bild = aufnehmen(vorschau.topWidget());
  schliessen(vorschau);
  druckdialogSchliessen();
  return bild;
}

const std::vector<Bild>& weitereBilder() {
  static const std::vector<Bild> b = {
      {"startbild", {}, nullptr, 0, "", {}, [] {
         if (g_startbild.isNull()) fail("kein Startbild");
         return g_startbild;
       }},
      {"buchung_eingang", {}, nullptr, 0, "", {}, [] { return buchungArt("E"); }},
      {"buchung_ausgabe", {}, nullptr, 0, "", {}, [] { return buchungArt("K"); }},
      {"buchung_ust", {}, nullptr, 0, "", {}, [] { return buchungArt("U"); }},
      {"summen_modus2", {}, nullptr, 0, "", {}, [] { return summenImModus(2); }},
      {"summen_modus3", {}, nullptr, 0, "", {}, [] { return summenImModus(3); }},
      {"rahmen_werkzeugleiste", {}, nullptr, 0, "", {}, werkzeugleiste},
      {"info", {}, nullptr, FELD_INFO, "P50$WIN"},
      {"konto_bearbeiten", {}, nullptr, 0, "", {}, kontoBearbeiten},
      {"meldung_breit", {}, nullptr, 0, "", {}, meldungBreit},
      {"csv_export_fertig", {}, nullptr, 0, "", {}, csvExportFertig},
      {"vorschau_lupe", {}, nullptr, 0, "", {}, vorschauLupe},
  };
  return b;
}

void alleAufnehmen(const std::vector<const std::vector<Bild>*>& tafeln, QMap<QString, QImage>* out) {
  waitFor("Arbeitsfenster", [] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
  waitFor("erste Übersicht", listsShown);
  settle();
  for (const auto* tafel : tafeln)
    for (const Bild& b : *tafel) {
      if (b.vorher) b.vorher();
      QTest::qWait(50);
      out->insert(b.name, b.selbst    ? b.selbst()
                          : b.fenster ? aufnehmen(b.fenster->topWidget())
                                      : fensterDesBefehls(b));
      if (b.nachher) b.nachher();
    }
}

// Runs the program once and takes the pictures of the tables, in their order.
QMap<QString, QImage> aufnahmen(const std::vector<const std::vector<Bild>*>& tafeln);

}  // namespace

QStringList pictureNames() {
  QStringList n;
  for (const Bild& b : bilder()) n << b.name;
  return n;
}

namespace {

// The offscreen platform's notice that it keeps no size hints says nothing about the pictures.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (text.contains("propagateSizeHints")) return;
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  if (type == QtFatalMsg) std::abort();
}

}  // namespace

void setUpLikeTheProgram() {
  qInstallMessageHandler(quietMessages);
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QFont font("Arial", 8);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
  QApplication::setWindowIcon(rt::win::resourceIcon("Tavik.ico"));
  rt::win::setInvalidInputHandler(EingabefehlerMelden);
}

void redirectLocations(const QString& root) {
  const auto set = [](const char* name, const QString& value) {
    qputenv(name, value.toUtf8());
    QDir().mkpath(value);
  };
  set("HOME", root + "/home");
  set("XDG_CONFIG_HOME", root + "/home/.config");
  set("XDG_DATA_HOME", root + "/home/.local/share");
  set("XDG_CACHE_HOME", root + "/home/.cache");
  set("XDG_DESKTOP_DIR", root + "/home/Desktop");
  set("XDG_DOCUMENTS_DIR", root + "/home/Documents");
  set("XDG_RUNTIME_DIR", root + "/runtime");
  QFile::setPermissions(root + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  set("TAVIK_FOLDER_COMMON_APPDATA", root + "/appdata");
  qputenv("TAVIK_REGISTRY_MACHINE", (root + "/registry-machine.ini").toUtf8());
  qputenv("TAVIK_REGISTRY_USER", (root + "/registry-user.ini").toUtf8());
}

QMap<QString, QImage> takePictures() { return aufnahmen({&bilder()}); }

QMap<QString, QImage> takeAllPictures() { return aufnahmen({&bilder(), &weitereBilder()}); }

namespace {

QMap<QString, QImage> aufnahmen(const std::vector<const std::vector<Bild>*>& tafeln) {
  const QString appdata = qEnvironmentVariable("TAVIK_FOLDER_COMMON_APPDATA");
  if (appdata.isEmpty()) fail("Die Ordner sind nicht umgeleitet (redirectLocations fehlt)");
  const QString datenordner = appdata + "/Dolmix/Tavik/";
  QDir().mkpath(datenordner);
  rt::setTodayForTesting(rt::dayNumber(kJahr, 3, 20));
  beispieleAnlegen(datenordner);
  platform::setCommandLineForTesting("");

  QMap<QString, QImage> out;
  QString fehler;
  setOpenHook([&](Window& w) {
    if (w.label() == "$WINMAIN") {
      QTimer::singleShot(0, [&] {
        try {
          alleAufnehmen(tafeln, &out);
        } catch (const std::exception& e) {
          fehler = QString::fromUtf8(e.what());
        }
        WinMain.topWidget()->close();
      });
    } else if (w.label() == g_erwartet) {
      g_erwartet.clear();
      QTimer::singleShot(50, [&w] {
        g_geoeffnet = aufnehmen(w.topWidget());
        w.topWidget()->close();
      });
    } else if (w.label() == "P7$WIN") {
      QTimer::singleShot(50, [] {
        if (Window* startbild = findWindow("P7$WIN")) g_startbild = aufnehmen(startbild->topWidget());
      });
    } else if (w.label() == "P9$WIN" && !g_meldungGewollt) {
      // A message nobody asked for would wait for an answer forever: it ends the build instead.
      if (fehler.isEmpty()) fehler = "unerwartete Meldung: " + w.text(4).trimmed() + " " + w.text(3).trimmed();
      QTimer::singleShot(0, [&w] { w.topWidget()->close(); });
    }
  });
  Hauptprogramm();
  setOpenHook(nullptr);
  settle();
  if (!fehler.isEmpty()) fail(fehler);
  std::size_t n = 0;
  for (const auto* tafel : tafeln) n += tafel->size();
  if (static_cast<std::size_t>(out.size()) != n) fail("nicht alle Bilder aufgenommen");
  return out;
}

}  // namespace
