#include "bookkeeping/export/CsvDatenexport.h"

#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/export/CsvExportLogik.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/proc/CsvDatei.h"
#include "platform/ShellFolders.h"
#include "runtime/window/Dialogs.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

using namespace rt::win;

namespace {

// The variables of one export window.
struct Export {
  rt::DATE VON{}, BIS{};
  rt::DATE DATUM{};              // the date of the booking read last
  rt::String<200> CSVORDNER;     // the chosen folder, from the first start on the file name
  rt::String<60> EXPORTINFO;
  QString ordner;                // the chosen folder with its trailing separator
};

WindowDef definition(Export& x) {
  WindowDef d;
  d.label = "P49$WIN";
  d.caption = "CSV-Datenexport";
  d.x = 10;
  d.y = 10;
  d.w = 320;
  d.h = 150;
  d.kind = WindowKind::MdiChild;
  d.icon = "leer.ico";
  d.font = "Arial";
  d.fontSize = 8;
  d.controls = {
      {.kind = Kind::Box, .x = 148, .y = 45, .w = 60, .h = 42, .border = QColor(0x80, 0x80, 0x80)},
      {.field = FELD_CSV_SPEICHERN, .label = "?SPEICHERN", .kind = Kind::Button, .text = "Start", .x = 153,
       .y = 50, .w = 50, .h = 13},
      {.field = FELD_CSV_ABBRUCH, .label = "?ABBRUCH", .kind = Kind::Button, .text = "Abbruch", .x = 153, .y = 69,
       .w = 50, .h = 13},
      {.kind = Kind::Prompt, .text = "Von", .x = 10, .y = 50},
      {.field = FELD_CSV_VON, .label = "?VON", .kind = Kind::Entry, .picture = "@D06.B", .x = 30, .y = 48, .w = 50,
       .bound = Bound(x.VON)},
      {.kind = Kind::Prompt, .text = "Bis", .x = 10, .y = 65},
      {.field = FELD_CSV_BIS, .label = "?BIS", .kind = Kind::Entry, .picture = "@D06.B", .x = 30, .y = 63, .w = 50,
       .bound = Bound(x.BIS)},
      {.field = FELD_CSV_EXPORTIERE, .label = "?EXPORTIERE", .kind = Kind::Prompt, .text = "Exportiere", .x = 40,
       .y = 100, .attrs = A_Hidden},
      {.field = FELD_CSV_DATUM, .label = "?BUCHUNG:DATUM", .kind = Kind::Display, .picture = "@D06.", .x = 100,
       .y = 100, .bound = Bound(x.DATUM), .attrs = A_Hidden},
      {.field = FELD_CSV_EXPORTINFO, .label = "?EXPORTINFO", .kind = Kind::Display, .picture = "@S60", .x = 20,
       .y = 110, .bound = Bound(x.EXPORTINFO), .attrs = A_Hidden, .fontSize = 14},
      {.field = FELD_CSV_EXPORTINFO2, .label = "?EXPORTINFO2", .kind = Kind::Display, .picture = "@S200", .x = 20,
       .y = 130, .bound = Bound(x.CSVORDNER), .attrs = A_Hidden | A_Bold, .fontSize = 10},
      {.field = FELD_CSV_HINWEIS, .kind = Kind::Prompt,
       .text = "Export ist auf den Benutzer-Ordner \"Dokumente\" voreingestellt", .x = 5, .y = 5, .attrs = A_Bold,
       .fontSize = 10},
      {.field = FELD_CSV_DATEIWAEHLEN, .label = "?DATEIWAEHLEN", .kind = Kind::Button, .text = "Ordner ändern",
       .x = 30, .y = 20, .w = 70},
      {.field = FELD_CSV_CSVORDNER, .label = "?CSVORDNER", .kind = Kind::Display, .picture = "@S200", .x = 105,
       .y = 23, .bound = Bound(x.CSVORDNER), .attrs = A_Hidden},
  };
  return d;
}

QString standardOrdner() {
  QString ordner = platform::shellFolder("Personal");
  while (ordner.endsWith(' ')) ordner.chop(1);
  return ordner + platform::separator();
}

void dateiMeldung(std::int16_t code) {
  Meldung("Die angegeben Datei für die", "CSV Freimeldungen kann nicht erzeugt werden.",
          "Dateizugriffscode: " + QString::number(code), "", 0, 0);
}

void exportieren(Window& w, Export& x) {
  const rt::Day von = rt::dayNumber(x.VON), bis = rt::dayNumber(x.BIS);
  if (von == 0 || bis == 0 || von > bis) {
    Meldung("\"Von-\" und \"Bis-\"Datum muss ausgefüllt sein und \"Von\" kleiner/gleich \"Bis\"!", "", "", "", 1, 0);
    w.giveFocus(FELD_CSV_VON);
    return;
  }
  if (!TrotzBeschaedigungFortfahren(BUCHUNGDATEI, "Sollen die Buchungen trotzdem exportiert werden?")) return;
  QString datei = x.ordner;
  while (datei.endsWith(' ')) datei.chop(1);
  datei += "Tavik.csv";
  x.CSVORDNER = datei;
  w.show(FELD_CSV_EXPORTIERE, FELD_CSV_DATUM);
  w.showVariables();
  const CsvExportErgebnis e = CsvExportieren(datei, von, bis, [&](rt::Day datum) {
    x.DATUM = rt::dateOf(datum);
    w.showVariables(FELD_CSV_DATUM);
    yieldThread();  // the screen and the other threads' turn; this window's own events wait
  });
  w.hide(FELD_CSV_EXPORTIERE, FELD_CSV_DATUM);
  if (e.fehler != 0) {
    w.showVariables();
    dateiMeldung(e.fehler);
    return;
  }
  x.EXPORTINFO = QString::number(e.anzahl) + " Datensätze exportiert nach";
  w.disable(FELD_CSV_DATEIWAEHLEN);
  w.show(FELD_CSV_EXPORTINFO, FELD_CSV_EXPORTINFO2);
  w.disable(FELD_CSV_SPEICHERN);
  w.setText(FELD_CSV_ABBRUCH, "Weiter");
  w.showVariables();
  w.giveFocus(FELD_CSV_ABBRUCH);
  post(EVENT_EinstellungenGeaendert, THREADSUMMEN);
  post(EV_Sized, THREADANZEIGE);
  post(EVENT_ListenNeu, THREADANZEIGE);
}

Pass ereignis(Window& w, Export& x, const Event& e) {
  if (BestaetigungsTasten(w, e)) return Pass::Default;
  switch (e.code) {
    case EV_OpenWindow:
      w.giveFocus(FELD_CSV_VON);
      break;
    case EV_Accepted:
      if (e.field == FELD_CSV_SPEICHERN) {
        post(EVENT_Bestaetigt, 0);
      } else if (e.field == FELD_CSV_ABBRUCH) {
        post(EV_CloseWindow, 0);
      } else if (e.field == FELD_CSV_DATEIWAEHLEN && w.isEnabled(FELD_CSV_DATEIWAEHLEN)) {
        // (a click during an export comes after it, when the folder is no longer to be changed)
        w.show(FELD_CSV_CSVORDNER);
        if (const QString ordner = chooseFolder("Ordner für CSV Datei wählen", x.ordner); !ordner.isEmpty()) {
          x.ordner = ordner;
          x.CSVORDNER = ordner;
        }
        w.showVariables();
      }
      break;
    case EVENT_Bestaetigt:
      // After an export the window only closes; a date the entry rejected is not taken for its old value.
      if (!w.isEnabled(FELD_CSV_SPEICHERN)) break;
      if (const int feld = w.rejectedField()) {
        EingabefehlerMelden(w, feld, w.text(feld));
        w.giveFocus(feld);
        break;
      }
      exportieren(w, x);
      break;
    default:
      break;
  }
  return Pass::Default;
}

}  // namespace

void CsvDatenexport() {
  // Each window has its own variables; they end with the window and its thread.
  auto* x = new Export;
  auto* w = new Window(definition(*x));
  x->ordner = standardOrdner();
  x->CSVORDNER = x->ordner;
  w->open();
  CsvZeitraumVorbelegen(x->VON, x->BIS);
  w->showVariables();
  w->attach([x](Window& fenster, const Event& e) {
    const Pass p = ereignis(fenster, *x, e);
    if (e.code == EV_CloseWindow || e.code == EV_CloseDown) {
      CsvDateiFreigeben();
      fenster.release();
      delete x;
    }
    return p;
  });
}
