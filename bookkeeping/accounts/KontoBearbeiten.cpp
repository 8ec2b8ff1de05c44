#include "bookkeeping/accounts/KontoBearbeiten.h"

#include "bookkeeping/accounts/KontoLogik.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/text/Picture.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"


using namespace rt::win;

namespace {

// The window edits its own copy of the account, so that a read of "Konto.dat" by another window
// (which fills the shared buffer KONTO) cannot replace the user's input.
KONTO_T g_konto{};
std::int32_t g_nummer = 0;
rt::String<8> g_alteNr;
Window* g_fenster = nullptr;

WindowDef definition() {
  WindowDef d;
  d.label = "P23$WIN";
  d.caption = "Konto bearbeiten";
  d.icon = "leer.ico";
  d.x = 10;
  d.y = 10;
  d.w = 330;
  d.h = 150;
  auto prompt = [](const char* text, int x, int y) {
    return ControlDef{.kind = Kind::Prompt, .text = text, .x = x, .y = y};
  };
  auto art = [](int wert, const char* text, int y) {
    static const char* const labels[] = {"?KONTO:ART:RADIO1", "?KONTO:ART:RADIO2", "?KONTO:ART:RADIO3"};
    return ControlDef{.field = KB_ART_1 + wert - 1, .label = labels[wert - 1], .kind = Kind::Option, .text = text,
                      .x = 62, .y = y, .value = static_cast<double>(wert)};
  };
  auto satz = [](int n) {
    static const char* const labels[] = {"?R1", "?R2", "?R3", "?R4", "?R5"};
    return ControlDef{.field = KB_R1 + n - 1, .label = labels[n - 1], .kind = Kind::Option, .x = 145,
                      .y = 15 + 10 * (n - 1), .w = 50, .value = static_cast<double>(n)};
  };
  d.controls = {
      {.kind = Kind::Box, .x = 258, .y = 55, .w = 60, .h = 42, .fill = QColor(232, 240, 244),
       .border = QColor(96, 128, 191)},
      {.field = KB_SPEICHERN, .label = "?SPEICHERN", .kind = Kind::Button, .text = "OK", .x = 263, .y = 59, .w = 50,
       .h = 13, .attrs = A_Default},
      {.field = KB_ABBRUCH, .label = "?ABBRUCH", .kind = Kind::Button, .text = "Abbruch", .x = 263, .y = 80, .w = 50,
       .h = 13},
      prompt("Name", 8, 22),
      {.field = KB_NAME, .label = "?KONTO:NAME", .kind = Kind::Entry, .picture = "@S40", .x = 42, .y = 20, .w = 80,
       .bound = Bound(g_konto.NAME)},
      prompt("Nr", 8, 37),
      {.field = KB_NR, .label = "?KONTO:NR", .kind = Kind::Entry, .picture = "@N04", .x = 42, .y = 35,
       .bound = Bound(g_konto.NR)},
      prompt("Code", 8, 52),
      {.field = KB_SHORTCUT, .label = "?KONTO:SHORTCUT", .kind = Kind::Entry, .picture = "@S4", .x = 42, .y = 50,
       .bound = Bound(g_konto.SHORTCUT)},
      {.field = KB_ART, .label = "?KONTO:ART", .kind = Kind::OptionGroup, .x = 6, .y = 70, .w = 196, .h = 37,
       .bound = Bound(g_konto.ART)},
      art(1, "Zahlungs-Eingang", 76),
      art(2, "Zahlungs-Ausgang", 86),
      art(3, "USt Vorausz./Erstattung", 96),
      {.field = KB_ARTTEXT, .label = "?ART", .kind = Kind::Prompt, .text = "Art", .x = 22, .y = 85, .attrs = A_Large},
      {.field = KB_BOX, .label = "?BOX", .kind = Kind::Box, .x = 8, .y = 76, .w = 50, .h = 29},
      {.field = KB_MWSTRAHMEN, .label = "?MWSTRAHMEN", .kind = Kind::Box, .x = 132, .y = 6, .w = 70, .h = 65,
       .border = QColor(160, 160, 160)},
      {.field = KB_MWSTTITEL, .label = "?MWSTTITEL", .kind = Kind::Prompt, .text = "MwSt Satz", .x = 137, .y = 7},
      {.field = KB_MWST, .label = "?KONTO:MWST", .kind = Kind::OptionGroup, .x = 132, .y = 6, .w = 70, .h = 65,
       .bound = Bound(&g_konto.MWST)},
      satz(1),
      satz(2),
      satz(3),
      satz(4),
      satz(5),
      prompt("Textvorgabe", 8, 112),
      {.field = KB_TEXTVORGABE_1, .label = "?KONTO:TEXTVORGABE_1", .kind = Kind::Entry, .picture = "@S50", .x = 62,
       .y = 110, .bound = Bound(g_konto.TEXTVORGABE[0])},
      {.field = KB_TEXTVORGABE_2, .label = "?KONTO:TEXTVORGABE_2", .kind = Kind::Entry, .picture = "@S50", .x = 62,
       .y = 125, .bound = Bound(g_konto.TEXTVORGABE[1])},
  };
  return d;
}

// The VAT key group: the group, its five buttons, its frame and heading. Controls removed from the
// window are left alone by showing and hiding.
void MwstGruppeZeigen(bool zeigen) {
  void (Window::*zeigenOderVerbergen)(int, int) = zeigen ? &Window::show : &Window::hide;
  (g_fenster->*zeigenOderVerbergen)(KB_MWST, KB_R1 + 4);
  (g_fenster->*zeigenOderVerbergen)(KB_MWSTRAHMEN, KB_MWSTTITEL);
}

void Melden(const QString& zeile1, const QString& zeile2, int feld) {
  Meldung(zeile1, zeile2, "", "", 1, 0);
  g_fenster->giveFocus(feld);
}

// Checks and saves; true when the window may close.
bool PruefenUndSpeichern(Window& w) {
  // An entry whose text was rejected still holds its old value; saving now would store that value
  // as if it were what the entry shows.
  if (const int feld = w.rejectedField()) {
    EingabefehlerMelden(w, feld, w.text(feld));
    w.giveFocus(feld);
    return false;
  }
  switch (KontoPruefen(g_konto)) {
    case KontoFehler::Name: Melden("Konto-Name muss eingegeben werden!", "", KB_NAME); return false;
    case KontoFehler::Nr: Melden("Konto-Nr muss eingegeben werden!", "", KB_NR); return false;
    case KontoFehler::Art: Melden("Konto-Art muss eingegeben werden!", "", KB_ART_1); return false;
    case KontoFehler::Mwst: Melden("MwSt muss eingegeben werden!", "", KB_R1); return false;
    case KontoFehler::Keiner: break;
  }
  const KontoSichern ergebnis = KontoSpeichern(g_nummer, g_konto, g_alteNr);
  w.showVariables(KB_NR);
  switch (ergebnis) {
    case KontoSichern::Gespeichert:
      return true;
    case KontoSichern::NrVorhanden:
      Melden("Die Konto-Nr " + g_konto.NR.clip() + " ist bereits vorhanden.",
             g_nummer > 0 ? "Die Kontoänderungen wurden nicht gespeichert, weil die Nr eindeutig sein muss."
                          : "Die Kontoeingaben wurden nicht gespeichert, weil die Nr eindeutig sein muss.",
             KB_NR);
      return false;
    case KontoSichern::Fehlgeschlagen:
      // A write that did not reach the file is said, and the input stays for another try.
      Melden("Das Konto konnte nicht gespeichert werden - Fehlercode " + QString::number(KontoSpeichernFehler()),
             "Die Eingabe bleibt erhalten.", KB_NAME);
      return false;
  }
  return false;
}

Pass Ereignis(Window& w, const Event& e) {
  if (BestaetigungsTasten(w, e)) return Pass::Default;
  switch (e.code) {
    case EV_OpenWindow:
      w.giveFocus(KB_NAME);
      break;
    case EV_Accepted:
      if (e.field == KB_ART) {
        KontoArtFaerben();
      } else if (e.field == KB_SPEICHERN) {
        post(EVENT_Bestaetigt, 0);
      } else if (e.field == KB_ABBRUCH) {
        postField(EV_CloseWindow, 0, 0);
      }
      break;
    case EVENT_Bestaetigt:
      if (PruefenUndSpeichern(w)) return Pass::Leave;
      break;
    case EV_CloseWindow:
      return Pass::Leave;
    default:
      break;
  }
  return Pass::Default;
}

}  // namespace

void KontoArtFaerben() {
  QColor farbe;
  switch (g_konto.ART) {
    case 1: farbe = QColor(0, 176, 0); break;
    case 2: farbe = QColor(240, 64, 64); break;
    case 3: farbe = QColor(176, 176, 0); break;
    default: return;
  }
  g_fenster->show(KB_BOX);
  g_fenster->setFill(KB_BOX, farbe);
  MwstGruppeZeigen(g_konto.ART != 3);
}

void KontoBearbeiten(std::int32_t nummer) {
  g_konto = KONTO;
  g_nummer = nummer;
  g_alteNr = KONTO.NR;
  Window w(definition());
  g_fenster = &w;
  w.open();
  if (PARA.BUCHUNGSART == 2 || PARA.BUCHUNGSART == 3) {
    // Without VAT: key 1 stands for the rate of 0 %.
    if (g_konto.MWST == 0) g_konto.MWST = 1;
    w.remove(KB_MWST, KB_R1 + 4);
    w.remove(KB_MWSTRAHMEN, KB_MWSTTITEL);
  }
  if (PARA.BUCHUNGSART == 3) {
    g_konto.ART = 2;
    w.remove(KB_ART, KB_BOX);
    w.remove(KB_ART_1, KB_ART_1 + 2);
  }
  KontoArtFaerben();
  const rt::Picture bild("@N5`2");
  for (int n = 1; n <= 5; ++n) w.setText(KB_R1 + n - 1, bild.format(MwstSatz(n)) + " %");
  w.showVariables();
  w.run(Ereignis);
  w.close();
  g_fenster = nullptr;
  KONTO = g_konto;
}
