#include "bookkeeping/settings/Einstellungen.h"

#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"

using namespace rt::win;

namespace {

constexpr char kSatz[] = "@N_5`2";  // five characters, two decimals after a decimal comma

WindowDef definition() {
  WindowDef d;
  d.label = "P17$WIN";
  d.caption = "Einstellungen";
  d.x = 10;
  d.y = 10;
  d.w = 420;
  d.h = 195;
  auto option = [](int field, const char* text, int value, int x, int y, int w) {
    return ControlDef{.field = field, .kind = Kind::Option, .text = text, .x = x, .y = y, .w = w, .h = 10,
                      .value = static_cast<double>(value)};
  };
  // A group box: its title lies in its frame.
  auto box = [](int field, const char* title, int x, int y, int w, int h) {
    return ControlDef{.field = field, .kind = Kind::Box, .text = title, .x = x, .y = y, .w = w, .h = h};
  };
  static const char* const satzText[5] = {"#1", "#2", "#3", "#4", "#5"};
  static const char* const satzLabel[5] = {"?PARA:MWST_1", "?PARA:MWST_2", "?PARA:MWST_3", "?PARA:MWST_4",
                                           "?PARA:MWST_5"};
  double* const satz[5] = {&PARA.MWST_1, &PARA.MWST_2, &PARA.MWST_3, &PARA.MWST_4, &PARA.MWST_5};

  auto& c = d.controls;
  c = {
      {.field = EF_SPEICHERN, .label = "?SPEICHERN", .kind = Kind::Button, .text = "OK", .x = 355, .y = 6,
       .w = 58, .h = 14, .attrs = A_Default},
      {.field = EF_ABBRUCH2, .label = "?ABBRUCH2", .kind = Kind::Button, .text = "Abbruch", .x = 355, .y = 23,
       .w = 58, .h = 14, .icon = "Esc.ico"},
      {.field = EF_BUCHUNGSART, .label = "?PARA:BUCHUNGSART", .kind = Kind::OptionGroup, .text = "Buchungsposten",
       .x = 6, .y = 6, .w = 178, .h = 58, .bound = Bound(PARA.BUCHUNGSART)},
      option(4, "Einnahmen/Ausgaben mit   MwSt", 1, 14, 19, 165),
      option(5, "Einnahmen/Ausgaben ohne MwSt", 2, 14, 33, 165),
      option(6, "Nur Ausgaben ohne MwSt", 3, 14, 47, 165),
      box(EF_MWSTBOX, "MwSt-Schlüssel", 6, 72, 178, 42),
  };
  for (int i = 0; i < 5; ++i)
    c.push_back({.field = EF_MWSTPROMPT_1 + i, .kind = Kind::Prompt, .text = satzText[i], .x = 12 + 34 * i,
                 .y = 85, .w = 28, .attrs = A_Centre});
  for (int i = 0; i < 5; ++i)
    c.push_back({.field = EF_MWST_1 + i, .label = satzLabel[i], .kind = Kind::Entry, .picture = kSatz,
                 .x = 12 + 34 * i, .y = 96, .w = 28, .h = 12, .bound = Bound(*satz[i]),
                 .attrs = i == 0 ? A_Disabled : A_None});
  c.insert(c.end(), {
      {.field = EF_TRENNER, .kind = Kind::Line, .x = 192, .y = 6, .w = 2, .h = 183, .attrs = A_Vertical},
      {.field = EF_TASTATUR, .label = "?PARA:TASTATUR", .kind = Kind::OptionGroup, .text = "Tastatur", .x = 200,
       .y = 6, .w = 146, .h = 44, .bound = Bound(PARA.TASTATUR)},
      option(20, "Windows Erweitert", 1, 208, 19, 130),
      option(21, "Windows Standard", 2, 208, 33, 130),
      box(EF_FENSTERBOX, "Fensterdaten (Größen und Positionen)", 200, 58, 214, 48),
      {.field = EF_MYTAVIKSPEICHERN, .label = "?MYTAVIKSPEICHERN", .kind = Kind::Button,
       .text = "Aktuelle Fensterdaten als \"myTavik\" speichern", .x = 206, .y = 71, .w = 202, .h = 14},
      {.field = EF_FENSTERXY, .label = "?PARA:FENSTERXY", .kind = Kind::CheckBox,
       .text = "Fensterdaten bim Beenden speichern", .x = 206, .y = 90, .w = 202, .h = 10,
       .bound = Bound(PARA.FENSTERXY),
       .tip = "Speichert Fenstergrößen und Positionen beim Beenden und stellt diese Werte beim Starten wieder her"},
  });
  struct Adresse {
    const char* prompt;
    const char* label;
    rt::String<40>* feld;
  };
  const Adresse adresse[4] = {{"Name", "?PARA:NAME", &PARA.NAME},
                              {"Namenszusatz", "?PARA:NAME2", &PARA.NAME2},
                              {"Straße", "?PARA:STRASSE", &PARA.STRASSE},
                              {"PLZ/Ort", "?PARA:PLZORT", &PARA.PLZORT}};
  for (int i = 0; i < 4; ++i) {
    const int y = 117 + 18 * i;
    c.push_back({.field = EF_NAME - 1 + 2 * i, .kind = Kind::Prompt, .text = adresse[i].prompt, .x = 200,
                 .y = y + 2});
    c.push_back({.field = EF_NAME + 2 * i, .label = adresse[i].label, .kind = Kind::Entry, .picture = "@S40",
                 .x = 254, .y = y, .w = 160, .h = 12, .bound = Bound(*adresse[i].feld)});
  }
  return d;
}

Window* g_fenster = nullptr;  // the open settings window

// Takes the current places of the work windows and the frame, and the list formats, as the scheme
// "myTavik" into PARA. It reaches "Para.dat" with the next save.
void SchemaSpeichern() {
  if (Meldung("Dieses Fensterschema (Größen und Positionen)", "als \"myTavik\" abspeichern?", "", "", 1, 1) != 1)
    return;
  int i = 1;
  for (Window* w : {&WinAnzeige, &WinBuchung, &WinSummen}) {
    const QRect r = w->isOpen() ? w->position() : QRect();
    for (int v : {r.x(), r.y(), r.width(), r.height()}) PARA.SCHEMADATEN.setzeWert(i++, v);
  }
  const QRect rahmen = WinMain.isOpen() ? WinMain.position() : QRect();
  PARA.SCHEMADATEN.setzeWert(i++, rahmen.width());
  PARA.SCHEMADATEN.setzeWert(i++, rahmen.height());
  PARA.SCHEMADATEN.setzeWert(i, WinMain.isOpen() && WinMain.isMaximized() ? 1 : 0);
  for (int f = 0; f < 3; ++f) PARA.SCHEMAFORMAT[f] = PARA.LISTENFORMAT[f];
}

// The key assignments of the keyboard mode in PARA, at once; the other windows set theirs again when
// they gain the focus or a control is selected.
void TastaturAnwenden() {
  if (PARA.TASTATUR == 1)
    TastenBelegen(2, 1, 1);
  else
    TastenLoeschen();
}

// "OK" or F2: saves all parameters, applies the keyboard mode and tells the sums window and the
// overview. False when an entry holds text that its picture rejected: saving now would store the
// entry's old value as if it were what it shows.
bool Bestaetigen(Window& w) {
  if (const int feld = w.rejectedField()) {
    EingabefehlerMelden(w, feld, w.text(feld));
    w.giveFocus(feld);
    return false;
  }
  ParameterSpeichern();
  TastaturAnwenden();
  post(EVENT_EinstellungenGeaendert, THREADSUMMEN);
  post(EV_Sized, THREADANZEIGE);
  return true;
}

Pass Ereignis(Window& w, const Event& e) {
  if (BestaetigungsTasten(w, e)) return Pass::Default;
  switch (e.code) {
    case EV_Accepted:
      if (e.field == EF_BUCHUNGSART)
        MwstFelderSchalten();
      else if (e.field == EF_MYTAVIKSPEICHERN)
        SchemaSpeichern();
      else if (e.field == EF_SPEICHERN)
        post(EVENT_Bestaetigt, 0);
      else if (e.field == EF_ABBRUCH2)
        postField(EV_CloseWindow, 0, 0);
      break;
    case EVENT_Bestaetigt:
      if (Bestaetigen(w)) return Pass::Leave;
      break;
    case EV_CloseWindow:
    case EV_CloseDown:
      // Every change since the last save is discarded; the other windows are not told. The keys
      // follow the keyboard mode read back: a mode tried in this window must not outlive it.
      ParameterLaden();
      TastaturAnwenden();
      break;
    default:
      break;
  }
  return Pass::Default;
}

}  // namespace

void MwstFelderSchalten() {
  if (!g_fenster) return;
  if (PARA.BUCHUNGSART == 1)
    g_fenster->enable(EF_MWST_2, EF_MWST_5);
  else
    g_fenster->disable(EF_MWST_2, EF_MWST_5);
  g_fenster->disable(EF_MWST_1);
}

void EinstellungenBearbeiten() {
  Window w(definition());
  g_fenster = &w;
  w.open();
  MwstFelderSchalten();
  // The focus goes to the chosen booking mode's button.
  const int modus = PARA.BUCHUNGSART >= 1 && PARA.BUCHUNGSART <= 3 ? PARA.BUCHUNGSART : 1;
  w.giveFocus(EF_BUCHUNGSART + modus);
  w.run(Ereignis);
  w.close();
  g_fenster = nullptr;
}
