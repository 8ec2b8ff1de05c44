#include "bookkeeping/accounts/KontoSuchen.h"

#include "bookkeeping/accounts/Kontenrahmen.h"
#include "bookkeeping/accounts/KontoBearbeiten.h"
#include "bookkeeping/accounts/KontoLogik.h"
#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/proc/Druckvorschau.h"
#include "runtime/report/Printer.h"
#include "runtime/report/Report.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

#include <QElapsedTimer>

using namespace rt::win;

namespace {

constexpr int EVENT_DruckerGewaehlt = EV_User + 0x80;  // the printer choice dialog has closed

// The chart of accounts lives while the list is open; its row shading goes on from one print to
// the next.
rt::report::Report* g_kontenrahmen = nullptr;
std::uint8_t g_zeileGrau = 0;

constexpr char kSortierTipp[] =
    "Mit Mausklick auf die Feldüberschriften (Konto-Name/Code/Konto-Nr) wird die Kontenliste nach diesem Feld "
    "sortiert - dies gilt auch für den Ausdruck";

WindowDef definition() {
  WindowDef d;
  d.label = "$WINKONTOSUCHEN";
  d.caption = "Konten bearbeiten";
  d.icon = "leer.ico";
  d.font = "Arial";
  d.fontSize = 10;
  d.w = 220;
  d.h = 200;
  auto filter = [](int field, const char* label, const char* picture, int x, int w, Bound bound) {
    return ControlDef{.field = field, .label = label, .kind = Kind::Entry, .picture = picture, .x = x, .y = 20,
                      .w = w, .bound = bound, .attrs = A_Immediate};
  };
  auto knopf = [](int field, const char* label, const char* text, int x) {
    return ControlDef{.field = field, .label = label, .kind = Kind::Button, .text = text, .x = x, .y = 176, .w = 40,
                      .h = 22};
  };
  // The click regions over the list's column headings follow the list, so that they lie above it.
  auto region = [](int field, const char* label, int x, int w) {
    return ControlDef{.field = field, .label = label, .kind = Kind::Region, .x = x, .y = 34, .w = w, .h = 8,
                      .tip = kSortierTipp, .cursor = Qt::UpArrowCursor};
  };
  d.controls = {
      {.field = KS_NR, .label = "?NR", .kind = Kind::List,
       .text = "100LM|~Konto-Name~44CM~Code~45CM|~Konto-Nr~@N04@|0LM~~10LM|~~", .x = 10, .y = 34, .w = 200, .h = 140,
       .tip = kSortierTipp},
      region(KS_REGIONKONTONAME, "?REGIONKONTONAME", 10, 100),
      region(KS_REGIONKONTOSHORTCUT, "?REGIONKONTOSHORTCUT", 112, 42),
      region(KS_REGIONKONTONR, "?REGIONKONTONR", 156, 42),
      {.field = KS_KONTENDRUCKEN, .label = "?KONTENDRUCKEN", .kind = Kind::Button, .x = 2, .y = 176, .w = 30,
       .h = 22, .tip = "Kontenrahmen ausdrucken", .icon = "exp_pri.ico", .key = KEY_Alt | 'D'},
      knopf(KS_BEARBEITEN, "?BEARBEITEN", "Konto &bearbeiten", 49),
      knopf(KS_NEU, "?NEU", "&Neues Konto", 108),
      knopf(KS_LOESCHEN, "?LOESCHEN", "Konto &löschen", 167),
      {.kind = Kind::Prompt, .text = "Suchmaske", .x = 9, .y = 5, .w = 202, .attrs = A_Large},
      filter(KS_KONTONAME, "?KONTONAME", "@S20", 11, 68, Bound(KONTONAME)),
      filter(KS_KONTOSHORTCUT, "?KONTOSHORTCUT", "@S4", 112, 40, Bound(KONTOSHORTCUT)),
      filter(KS_KONTONR, "?KONTONR", "@S4", 157, 40, Bound(KONTONR)),
  };
  return d;
}

QVariant Zelle(int zeile, int spalte) {
  const KONTOQUEUE_T* z = KONTOQUEUE.get(zeile);
  if (!z) return {};
  switch (spalte) {
    case 0: return z->NAME.clip();
    case 1: return z->SHORTCUT.clip();
    case 2: return z->NR.clip().toDouble();
    default: return spalte <= 4 ? z->TEXTVORGABE[spalte - 3].clip() : QVariant();
  }
}

// The list shows the queue anew; with rows, one of them is highlighted. The booking form's pick
// list shows the same queue.
void ListeZeigen() {
  WinKontoSuchen.showVariables(KS_NR);
  if (KONTOQUEUE.records() > 0 && WinKontoSuchen.listSelection(KS_NR) == 0) WinKontoSuchen.selectListRow(KS_NR, 1);
  if (WinBuchung.isOpen()) WinBuchung.showVariables(BF_NR);
}

}  // namespace

// A fill while the window is open stops as soon as the user types on. The window layer is asked at
// once and then every few milliseconds, so that a long walk pays almost nothing for the watch.
void KontenListeNeu() {
  QElapsedTimer seit;
  KontenListeFuellen([&seit] {
    if (seit.isValid() && seit.elapsed() < 5) return false;
    seit.start();
    return keyPressWaiting();
  });
  ListeZeigen();
}

namespace {

// The keys of the control being selected. Enter is an alert key of the list, where it edits the
// highlighted account; the window layer's alert keys belong to the window, so Enter stays an alert
// key of the window and does the work of the control that has the focus. In the list no alias may
// turn Enter into Tab.
void TastenSetzen(int feld) {
  if (feld == KS_NR)
    TastenLoeschen();
  else
    TastenBelegen(2, 0, 0);
  WinKontoSuchen.addAlertKey(VK_Enter);
}

// After a window above has closed.
void TastenZuruecksetzen() { TastenSetzen(WinKontoSuchen.focusField()); }

void Bearbeiten() {
  GewaehltesKontoBearbeiten();
  TastenZuruecksetzen();
}

void NeuesKonto() {
  KONTODATEI.clear();
  KontoBearbeiten(0);
  KontenListeNeu();
  WinKontoSuchen.giveFocus(KS_NR);
  TastenZuruecksetzen();
}

void Loeschen() {
  const KONTOQUEUE_T* z = KontoZeileLesen(WinKontoSuchen.listSelection(KS_NR));
  if (!z) return;  // no row, nothing to delete: no question either
  const bool loeschen =
      Meldung("Soll das Konto " + z->NAME.clip() + " wirklich gelöscht werden?",
              "(Buchungsposten auf dieses Konto können dann nicht mehr danach sortiert werden!)", "", "", 1, 1);
  TastenZuruecksetzen();
  if (!loeschen) return;
  KontoLoeschen();
  KontenListeNeu();
  WinKontoSuchen.giveFocus(KS_NR);
  TastenZuruecksetzen();
}

// A change typed into a filter, or a click on the heading of its column: the other two filters are
// blanked and the list is filled in that column's order.
void FilterGetippt(Window& w, int feld) {
  switch (feld) {
    case KS_KONTONAME:
      KONTONR.clear();
      KONTOSHORTCUT.clear();
      KONTENSORTIERUNG = 1;
      break;
    case KS_KONTOSHORTCUT:
      KONTONR.clear();
      KONTONAME.clear();
      KONTENSORTIERUNG = 3;
      break;
    case KS_KONTONR:
      KONTONAME.clear();
      KONTOSHORTCUT.clear();
      KONTENSORTIERUNG = 2;
      break;
    default:
      return;
  }
  w.takeEdit(feld);
  // The entry being typed into is not shown again from its variable: that would drop a typed
  // trailing blank and move the cursor to the end.
  for (int f = KS_KONTONAME; f <= KS_KONTONR; ++f)
    if (f != feld) w.showVariables(f);
  KontenListeNeu();
}

// Enter in the list edits; on a button it presses the button, as without the alert key.
void EnterGedrueckt(Window& w) {
  const int feld = w.focusField();
  if (feld == KS_NR)
    Bearbeiten();
  else if (feld >= KS_KONTENDRUCKEN && feld <= KS_LOESCHEN)
    postField(EV_Accepted, feld, 0);
}

// The printer choice dialog "Drucker auswählen". Its outcome is not used: the chart follows when it
// has closed, whether the user chose or cancelled. Meanwhile the list's controls take no input. The
// dialog is not given the window as its parent: the window layer would take the keys typed into it
// for the window's own (Esc as the window's close request).
void DruckerWaehlen(Window& w) {
  w.disable(KS_REGIONKONTONAME, KS_KONTONR);
  const int thread = w.thread();
  rt::report::choosePrinter(nullptr, "Drucker auswählen", [thread](bool) { post(EVENT_DruckerGewaehlt, thread); });
}

Pass Ereignis(Window& w, const Event& e) {
  switch (e.code) {
    case EV_OpenWindow:
      w.activate();
      w.giveFocus(KS_NR);
      break;
    case EV_Selected:
      TastenSetzen(e.field);
      break;
    case EV_GainFocus:
      // Back from another window to the list: its Enter again.
      if (w.focusField() == KS_NR) TastenSetzen(KS_NR);
      break;
    case EV_AlertKey:
      if (e.key == VK_Enter) EnterGedrueckt(w);
      break;
    case EV_NewSelection:
      FilterGetippt(w, e.field);
      break;
    case EV_Accepted:
      switch (e.field) {
        case KS_NR:
          if (e.key == kKeyMouseLeft2) Bearbeiten();
          break;
        case KS_KONTENDRUCKEN:
          if (TrotzBeschaedigungFortfahren(KONTODATEI, "Soll der Kontenrahmen trotzdem gedruckt werden?")) DruckerWaehlen(w);
          break;
        case KS_BEARBEITEN: Bearbeiten(); break;
        case KS_NEU: NeuesKonto(); break;
        case KS_LOESCHEN: Loeschen(); break;
        case KS_REGIONKONTONAME:
        case KS_REGIONKONTOSHORTCUT:
        case KS_REGIONKONTONR:
          postField(EV_NewSelection, e.field - KS_REGIONKONTONAME + KS_KONTONAME, 0);
          break;
        default: break;
      }
      break;
    case EVENT_DruckerGewaehlt:
      w.enable(KS_REGIONKONTONAME, KS_KONTONR);
      KontenDrucken();
      break;
    case EV_CloseWindow:
      return Pass::Leave;
    default:
      break;
  }
  return Pass::Default;
}

}  // namespace

Window WinKontoSuchen(definition());

void KontenBearbeiten() { KontoSuchen(); }

void KontoSuchen() {
  Window& w = WinKontoSuchen;
  if (w.isOpen()) return;
  KONTENLISTEOFFEN = 1;
  rt::report::Report kontenrahmen(P19_REPKONTEN);
  g_kontenrahmen = &kontenrahmen;
  g_zeileGrau = 0;
  KONTENSORTIERUNG = 2;
  KontenListeFuellen();
  w.open();
  ListSource liste;
  liste.count = [] { return static_cast<int>(KONTOQUEUE.records()); };
  liste.cell = Zelle;
  w.setListSource(KS_NR, liste);
  ListeZeigen();
  w.addAlertKey(VK_Enter);
  w.activate();
  w.run(Ereignis);
  // The queue is left in code order for the booking form's pick list. This fill runs to its end:
  // nobody types into a window that closes.
  KONTENSORTIERUNG = 3;
  KontenListeFuellen();
  w.close();
  g_kontenrahmen = nullptr;
  KONTENLISTEOFFEN = 0;
  if (WinBuchung.isOpen()) WinBuchung.showVariables(BF_NR);
}

void GewaehltesKontoBearbeiten() {
  const KONTOQUEUE_T* z = KontoZeileLesen(WinKontoSuchen.listSelection(KS_NR));
  if (!z) return;
  KONTO.NR = z->NR;
  KONTODATEI.get(KONTO_KEYNR);
  KontoBearbeiten(KONTO.NR.clip().toInt());
}

void KontoLoeschen() {
  const KONTOQUEUE_T* z = KontoZeileLesen(WinKontoSuchen.listSelection(KS_NR));
  if (!z) return;
  KONTO.NR = z->NR;
  // Delete acts on the record read last: without the account, it would hit another one.
  if (KONTODATEI.get(KONTO_KEYNR) == 0) KONTODATEI.remove();
}

void KontenDrucken() {
  if (!g_kontenrahmen) return;
  rt::report::Report& bericht = *g_kontenrahmen;
  setWaitCursor(true);
  SEITENQUEUE.clear();
  bericht.open(SEITENQUEUE);
  KontenrahmenDrucken(bericht, g_zeileGrau);
  setWaitCursor(false);
  bericht.pageBreak();
  Druckvorschau(bericht, -50, 1, 0);
  const rt::report::PrintOutcome gedruckt = bericht.close();
  if (!gedruckt.message.isEmpty()) Meldung(gedruckt.message.value(0), gedruckt.message.value(1), {}, {}, 1);
  WinKontoSuchen.giveFocus(KS_NR);
  TastenZuruecksetzen();
}
