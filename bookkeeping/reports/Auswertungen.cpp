#include "bookkeeping/reports/Auswertungen.h"

#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/reports/Auswertung.h"
#include "bookkeeping/reports/Markierliste.h"
#include "runtime/report/Printer.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"

using namespace rt::win;

namespace {

constexpr int EVENT_DruckerGewaehlt = EV_User + 0x80;  // the printer choice dialog has closed

rt::String<80> DRUCKER;
Window* g_fenster = nullptr;

QColor farbe(std::int32_t wort) { return QColor(wort & 0xFF, (wort >> 8) & 0xFF, (wort >> 16) & 0xFF); }

WindowDef definition() {
  // A date that the entry cannot read is said on "&Vorschau" alone, so that "Abbruch" always closes.
  const auto datum = [](int field, const char* label, int y, rt::DATE& bound) {
    return ControlDef{.field = field, .label = label, .kind = Kind::Entry, .picture = "@D06.B", .x = 40, .y = y,
                      .w = 50, .bound = bound, .attrs = A_CheckOnConfirm};
  };
  const auto prompt = [](const char* text, int x, int y) {
    return ControlDef{.kind = Kind::Prompt, .text = text, .x = x, .y = y};
  };
  return WindowDef{
      .label = "P40$WIN",
      .caption = "Drucken",
      .x = 10,
      .y = 10,
      .w = 280,
      .h = 200,
      .fontSize = 10,
      .icon = "Leer.ico",
      .controls = {
          {.field = AF_OK, .label = "?OK", .kind = Kind::Button, .text = "&Vorschau", .x = 20, .y = 130, .w = 70,
           .h = 20, .icon = "exp_pri.ico", .key = KEY_Alt | 'D'},
          {.field = AF_ABBRUCH, .label = "?ABBRUCH", .kind = Kind::Button, .text = "Abbruch", .x = 20, .y = 155,
           .w = 70, .h = 20},
          prompt("Von", 20, 50),
          prompt("Bis", 20, 65),
          {.field = AF_DRUCKERWAEHLEN, .label = "?DRUCKERWAEHLEN", .kind = Kind::Button, .text = "Drucker", .x = 0,
           .y = 0, .w = 35, .h = 14},
          {.field = AF_DRUCKER, .label = "?DRUCKER", .kind = Kind::Display, .x = 40, .y = 3, .w = 235, .bound = DRUCKER},
          {.field = AF_SEITE, .label = "?SEITE", .kind = Kind::Sheet, .x = 10, .y = 20, .w = 260, .h = 170},
          {.field = AF_GEWINN, .label = "?GEWINN", .kind = Kind::Tab, .text = "&Gewinn / Verlust",
           .tip = "Gewinn- / Verlustermittlung für das Finanzamt, Ausgaben können nach Konten aufgeschlüsselt werden",
           .fill = QColor(208, 224, 208)},
          datum(AF_VOND1, "?VOND1", 48, VOND1),
          datum(AF_BISD1, "?BISD1", 63, BISD1),
          {.field = AF_AUSGABENAUFSCHLUESSELN, .label = "?AUSGABENAUFSCHLUESSELN", .kind = Kind::CheckBox,
           .text = "Ausgaben aufschlüsseln", .x = 20, .y = 90, .bound = AUSGABENAUFSCHLUESSELN,
           .tip = "Ausgaben werden nach Konten sortiert"},
          {.field = AF_NACHKONTENAUFSCHLUESSELN, .label = "?NACHKONTENAUFSCHLUESSELN", .kind = Kind::Tab,
           .text = "Nach Konten &aufschlüsseln",
           .tip = "Einnahmen / Ausgaben für interne Analysen nach Konten selektiert", .fill = QColor(208, 208, 216)},
          datum(AF_VOND2, "?VOND2", 48, VOND2),
          datum(AF_BISD2, "?BISD2", 63, BISD2),
          {.field = AF_EXTRASEITE, .label = "?EXTRASEITE", .kind = Kind::CheckBox, .text = "Extra Seite", .x = 20,
           .y = 90, .bound = EXTRASEITE, .tip = "Jedes Konto bekommt eine einzelne Seite"},
          {.field = AF_NR, .label = "?NR", .kind = Kind::List, .text = "50L~Konto-Name~@s40@20C~Nr~@N04@", .x = 110,
           .y = 40, .w = 81, .h = 140, .fill = QColor(224, 224, 232)},
          {.field = AF_MARK, .label = "?MARK", .kind = Kind::Button, .text = "Alle &Konten markieren", .x = 200,
           .y = 50, .w = 60, .h = 25},
          {.field = AF_DEMARK, .label = "?DEMARK", .kind = Kind::Button, .text = "&Markierungen löschen", .x = 200,
           .y = 80, .w = 60, .h = 25},
          {.kind = Kind::Panel, .x = 200, .y = 141, .w = 60, .h = 40, .fill = QColor(232, 240, 244)},
          prompt("Einzelne Konten", 203, 144),
          prompt("mit der Maus", 203, 155),
          prompt("(de-)markieren", 203, 166),
          {.field = AF_UST, .label = "?UST", .kind = Kind::Tab, .text = "&USt Voranmeldung",
           .tip = "USt-Voranmeldungsdaten für das Finanzamt", .fill = QColor(216, 216, 192)},
          datum(AF_VOND3, "?VOND3", 48, VOND3),
          datum(AF_BISD3, "?BISD3", 63, BISD3),
          {.kind = Kind::End},
          {.kind = Kind::Box, .x = 15, .y = 125, .w = 80, .h = 55, .fill = QColor(232, 240, 244),
           .border = QColor(96, 128, 191)},
          {.field = AF_NURSUMMEN, .label = "?NURSUMMEN", .kind = Kind::CheckBox, .text = "Nur Summen", .x = 20,
           .y = 100, .bound = NURSUMMEN, .tip = "Die einzelnen Buchungsposten werden nicht angezeigt"},
          {.field = AF_ZEILENABHEBEN, .label = "?PARA:ZEILENABHEBEN", .kind = Kind::CheckBox,
           .text = "Zeilen hervorheben", .x = 20, .y = 110, .bound = PARA.ZEILENABHEBEN,
           .tip = "Buchungsposten werden abwechselnd mit Hintergrund versehen"},
      }};
}

// The marking list's rows with their colours; the number column shows the number in four digits.
ListSource markierliste() {
  ListSource s;
  s.count = [] { return static_cast<int>(MARKIERQUEUE.records()); };
  s.cell = [](int row, int column) -> QVariant {
    const MARKIERQUEUE_T* z = MARKIERQUEUE.get(row);
    if (!z) return {};
    return column == 0 ? QVariant(z->NAME.clip()) : QVariant(z->NR.clip().trimmed().toDouble());
  };
  const auto wort = [](int row, int column, int welches) {
    const MARKIERQUEUE_T* z = MARKIERQUEUE.get(row);
    if (!z) return QColor();
    const std::int32_t name[] = {z->F1, z->F2, z->F3, z->F4}, nr[] = {z->F5, z->F6, z->F7, z->F8};
    return farbe(column == 0 ? name[welches] : nr[welches]);
  };
  s.foreground = [wort](int row, int column) { return wort(row, column, 0); };
  s.background = [wort](int row, int column) { return wort(row, column, 1); };
  s.selectedForeground = [wort](int row, int column) { return wort(row, column, 2); };
  s.selectedBackground = [wort](int row, int column) { return wort(row, column, 3); };
  return s;
}

// A click on a row chooses it: this list switches a row's marking with every single click.
void zeileMitKlickWaehlen(Window& w, int field) { w.acceptOnClick(field); }

void alleZeilen(void (*setzen)(MARKIERQUEUE_T&)) {
  for (std::size_t i = 1; i <= MARKIERQUEUE.records(); ++i) setzen(*MARKIERQUEUE.get(i));
}

// The evaluation of the tab that is shown.
std::uint8_t gewaehlteAuswertung(const Window& w) {
  const int tab = w.currentTab(AF_SEITE);
  return tab == AF_UST ? 3 : tab == AF_NACHKONTENAUFSCHLUESSELN ? 2 : 1;
}

Pass Ereignis(Window& w, const Event& e) {
  switch (e.code) {
    case EV_OpenWindow:
      w.giveFocus(AF_VOND1);
      break;
    case EV_GainFocus:
    case EV_Selected:
      TastenBelegen(2, 0, 0);
      break;
    case EV_LoseFocus:
      TastenLoeschen();
      break;
    case EVENT_DruckerGewaehlt:
      DRUCKER = rt::report::currentPrinterName();
      w.showVariables(AF_DRUCKER);
      break;
    case EV_Accepted:
      switch (e.field) {
        case AF_NR:
          // Each click comes by itself (zeileMitKlickWaehlen); a double click is two of them.
          if (e.key == kKeyMouseLeft2) break;
          if (MARKIERQUEUE_T* z = MARKIERQUEUE.get(static_cast<std::size_t>(w.listSelection(AF_NR)))) {
            if (z->GESPERRT) KontoMarkieren(*z);
            else KontoDemarkieren(*z);
          }
          w.showVariables(AF_NR);
          break;
        case AF_MARK:
          alleZeilen(KontoMarkieren);
          w.showVariables(AF_NR);
          break;
        case AF_DEMARK:
          alleZeilen(KontoDemarkieren);
          w.showVariables(AF_NR);
          break;
        case AF_NURSUMMEN:
          NurSummenSchalten();
          break;
        case AF_OK:
          // A date typed but not yet left counts; one its picture rejects is said, not used.
          w.takeEdit();
          if (const int feld = w.rejectedField()) {
            EingabefehlerMelden(w, feld, w.text(feld));
            w.giveFocus(feld);
            break;
          }
          GEWAEHLTESEITE = gewaehlteAuswertung(w);
          AuswertungErstellen();
          w.showVariables();
          break;
        case AF_ABBRUCH:
          return Pass::Leave;
        case AF_DRUCKERWAEHLEN: {
          const int thread = w.thread();
          rt::report::choosePrinter(w.topWidget(), "Drucker auswählen",
                                    [thread](bool) { post(EVENT_DruckerGewaehlt, thread); });
          break;
        }
        default:
          break;
      }
      break;
    default:
      break;
  }
  return Pass::Default;
}

}  // namespace

void NurSummenSchalten() {
  if (!g_fenster) return;
  Window& w = *g_fenster;
  if (NURSUMMEN) {
    w.disable(AF_ZEILENABHEBEN);
    if (w.currentTab(AF_SEITE) == AF_NACHKONTENAUFSCHLUESSELN) {
      EXTRASEITE = 0;
      w.showVariables();
      w.disable(AF_EXTRASEITE);
    }
  } else {
    for (int feld : {AF_EXTRASEITE, AF_ZEILENABHEBEN}) {
      w.enable(feld);
      w.hide(feld);
      w.show(feld);
    }
  }
}

void Auswertungen() {
  NURSUMMEN = EXTRASEITE = AUSGABENAUFSCHLUESSELN = 0;
  DRUCKER.clear();
  Window w(definition());
  DRUCKER = rt::report::currentPrinterName();
  MarkierlisteFuellen();
  g_fenster = &w;
  w.open();
  w.setListSource(AF_NR, markierliste());
  zeileMitKlickWaehlen(w, AF_NR);

  const int jahr = PARA.VONSUMMENDATUM.year;
  EINGABEJAHR = static_cast<std::int16_t>(jahr);
  VOND1 = VOND2 = rt::dateOf(rt::yearStart(jahr));
  BISD1 = BISD2 = rt::dateOf(rt::yearEnd(jahr));
  VOND3 = PARA.VONSUMMENDATUM;
  BISD3 = PARA.BISSUMMENDATUM;
  w.showVariables();
  NurSummenSchalten();
  if (PARA.BUCHUNGSART == 2 || PARA.BUCHUNGSART == 3) w.remove(AF_UST);
  if (PARA.BUCHUNGSART == 3) {
    w.setText(AF_GEWINN, "Ausgaben auflisten");
    w.setFill(AF_GEWINN, QColor(232, 208, 208));
  }

  w.run(Ereignis);
  w.close();
  g_fenster = nullptr;
}
