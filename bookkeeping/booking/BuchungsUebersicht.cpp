#include "bookkeeping/booking/BuchungsUebersicht.h"

#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Rahmen.h"
#include "runtime/window/Threads.h"

using namespace rt::win;

namespace {

const char kTipp[] = "Zum Bearbeiten Doppelklick auf eine Buchung";

WindowDef definition() {
  WindowDef d;
  d.label = "$WINANZEIGE";
  d.caption = "Buchungsübersicht";
  d.x = 295;
  d.y = -6;
  d.w = 176;
  d.h = 156;
  d.kind = WindowKind::MdiChild;
  const QColor rahmen(0xB0, 0x80, 0x60), fuellung(0xE0, 0xB0, 0x80);
  d.controls = {
      {.field = FELD_BUCHUNGSUCHENOK, .label = "?BUCHUNGSUCHENOK", .kind = Kind::Button, .text = "Suche starten",
       .x = 45, .y = 98, .w = 83, .attrs = A_Hidden},
      // The period reads "01.12.2026 - 31.12.2026": the first date ends where the dash begins.
      {.field = FELD_PARAVONSUMMENDATUM, .label = "?PARAVONSUMMENDATUM", .kind = Kind::Display, .picture = "@D06.B",
       .x = 3, .y = 3, .w = 36, .bound = PARA.VONSUMMENDATUM, .attrs = A_Right},
      {.field = FELD_VONBISBINDESTRICH, .label = "?VONBISBINDESTRICH", .kind = Kind::Prompt, .text = "-", .x = 39,
       .y = 3, .w = 5, .attrs = A_Centre},
      {.field = FELD_PARABISSUMMENDATUM, .label = "?PARABISSUMMENDATUM", .kind = Kind::Display, .picture = "@D06.B",
       .x = 44, .y = 3, .bound = PARA.BISSUMMENDATUM},
      {.field = FELD_BERECHNE, .label = "?BERECHNE", .kind = Kind::Prompt, .text = "berechne ...", .x = 3, .y = 51,
       .w = 150},
      {.field = FELD_NREINGANG, .label = "?NREINGANG", .kind = Kind::List, .text = STANDARDLISTENFORMAT, .x = 3,
       .y = 15, .w = 150, .h = 50, .attrs = A_Hidden, .tip = kTipp, .fill = QColor(0xF0, 0xFF, 0xF0)},
      {.field = FELD_NRAUSGANG, .label = "?NRAUSGANG", .kind = Kind::List, .text = STANDARDLISTENFORMAT, .x = 3,
       .y = 85, .w = 150, .h = 50, .attrs = A_Hidden, .tip = kTipp, .fill = QColor(0xFF, 0xF0, 0xF0)},
      {.field = FELD_BUCHUNGSUCHEN, .label = "?BUCHUNGSUCHEN", .kind = Kind::CheckBox, .text = "Buchung suchen",
       .x = 176 - 82, .y = 0, .w = 80, .h = 15, .bound = BUCHUNGSUCHEN, .attrs = A_Button,
       .tip = "Suche Buchungsposten nach Buchungstext und Datum", .icon = "Suchen.ico"},
      {.field = FELD_BUCHUNGSUCHENSTART, .label = "?BUCHUNGSUCHENSTART", .kind = Kind::Box, .x = 5, .y = 22,
       .w = 168, .h = 30, .attrs = A_Hidden, .fill = fuellung, .border = rahmen},
      {.field = FELD_BUCHUNGSUCHEN2, .label = "?BUCHUNGSUCHEN2", .kind = Kind::Prompt,
       .text = "Datumsgrenzen der Suche", .x = 40, .y = 24, .attrs = A_Hidden},
      {.field = FELD_BUCHUNGSUCHENVON, .label = "?BUCHUNGSUCHENVON", .kind = Kind::Entry, .picture = "@D06.B",
       .x = 20, .y = 34, .w = 50, .bound = BUCHUNGSUCHENVON, .attrs = A_Hidden},
      {.field = FELD_BUCHUNGSUCHEN3, .label = "?BUCHUNGSUCHEN3", .kind = Kind::Image, .x = 82, .y = 32,
       .attrs = A_Hidden, .icon = "Pfeil.ico"},
      {.field = FELD_BUCHUNGSUCHENBIS, .label = "?BUCHUNGSUCHENBIS", .kind = Kind::Entry, .picture = "@D06.B",
       .x = 109, .y = 34, .w = 50, .bound = BUCHUNGSUCHENBIS, .attrs = A_Hidden},
      {.field = FELD_BUCHUNGSUCHEN4, .label = "?BUCHUNGSUCHEN4", .kind = Kind::Box, .x = 5, .y = 62, .w = 168,
       .h = 30, .attrs = A_Hidden, .fill = fuellung, .border = rahmen},
      {.field = FELD_BUCHUNGSUCHEN5, .label = "?BUCHUNGSUCHEN5", .kind = Kind::Prompt,
       .text = "Buchungstext (-fragment)", .x = 40, .y = 64, .attrs = A_Hidden},
      {.field = FELD_BUCHUNGSUCHENTEXT, .label = "?BUCHUNGSUCHENTEXT", .kind = Kind::Entry, .picture = "@S60",
       .x = 20, .y = 74, .w = 139, .bound = BUCHUNGSUCHENTEXT, .attrs = A_Hidden,
       .tip = "Tippe hier den gesuchten Buchungstext oder Teile davon ein (KEINE \"Wildcards\" wie * oder ?)"},
      {.field = FELD_NRBUCHUNGSUCHEN, .label = "?NRBUCHUNGSUCHEN", .kind = Kind::List, .text = STANDARDLISTENFORMAT,
       .x = 3, .y = 115, .w = 250, .h = 50, .attrs = A_Hidden, .tip = kTipp, .fill = QColor(0xFF, 0xE0, 0xC0)},
  };
  return d;
}

rt::Queue<BUCHUNGSZEILE_T>& queueOf(int feld) {
  return feld == FELD_NREINGANG ? EINGANGQUEUE : feld == FELD_NRAUSGANG ? AUSGANGQUEUE : SUCHQUEUE;
}

// The columns of the lists: date (as a day number), text, amount, number, an empty column.
ListSource quelle(rt::Queue<BUCHUNGSZEILE_T>& q) {
  ListSource s;
  s.count = [&q] { return static_cast<int>(q.records()); };
  s.cell = [&q](int row, int column) -> QVariant {
    const BUCHUNGSZEILE_T* z = q.get(static_cast<std::size_t>(row));
    if (!z) return {};
    switch (column) {
      case 0: return rt::dayNumber(z->DATUM);
      case 1: return z->TEXT.clip();
      case 2: return QVariant::fromValue(z->BETRAG);
      case 3: return z->NR;
      default: return {};
    }
  };
  return s;
}

void listenZeigenNachModus() {
  if (PARA.BUCHUNGSART != 3) WinAnzeige.show(FELD_NREINGANG);
  WinAnzeige.show(FELD_NRAUSGANG);
}

// The booking a list highlights, by its number; 0 for none.
std::int32_t markierteBuchung(int feld) {
  const BUCHUNGSZEILE_T* z = queueOf(feld).get(WinAnzeige.listSelection(feld));
  return z ? z->NR : 0;
}

// After a refill the highlight stands on the same booking, or on none when it has gone: never on
// another booking that has moved into its row.
void BuchungMarkieren(int feld, std::int32_t nr) {
  const auto& zeilen = queueOf(feld).rows();
  int zeile = 0;
  for (std::size_t i = 0; nr && i < zeilen.size() && !zeile; ++i)
    if (zeilen[i].NR == nr) zeile = static_cast<int>(i) + 1;
  WinAnzeige.selectListRow(feld, zeile);
}

void ListenNeu() {
  const std::int32_t eingang = markierteBuchung(FELD_NREINGANG), ausgang = markierteBuchung(FELD_NRAUSGANG);
  if (!BUCHUNGSUCHEN) {
    WinAnzeige.hide(FELD_NREINGANG);
    WinAnzeige.hide(FELD_NRAUSGANG);
    WinAnzeige.show(FELD_BERECHNE);
  }
  // A refill that reads the whole year shows "berechne ..." and the growing lists' models every
  // 50 ms or so and lets the screen and the other threads go on meanwhile (the booking form takes
  // typing while the year is read); it starts only once the frame and its windows are painted.
  ListenNeuBerechnen([] {
    WinAnzeige.showVariables();
    yieldThread();
  });
  if (!BUCHUNGSUCHEN) {
    if (PARA.BUCHUNGSART != 3) WinAnzeige.show(FELD_NREINGANG);
    WinAnzeige.show(FELD_NRAUSGANG);
    WinAnzeige.hide(FELD_BERECHNE);
  }
  WinAnzeige.showVariables();
  BuchungMarkieren(FELD_NREINGANG, eingang);
  BuchungMarkieren(FELD_NRAUSGANG, ausgang);
  post(EVENT_SummenNeu, THREADSUMMEN);
}

void SuchmodusUmschalten() {
  if (BUCHUNGSUCHEN) {
    SuchbereichVorbelegen();
    WinAnzeige.hide(FELD_NREINGANG);
    WinAnzeige.hide(FELD_NRAUSGANG);
    WinAnzeige.hide(FELD_PARAVONSUMMENDATUM, FELD_PARABISSUMMENDATUM);
    WinAnzeige.setText(FELD_BUCHUNGSUCHEN, "- Suche aus -");
    WinAnzeige.show(FELD_BUCHUNGSUCHENSTART, FELD_NRBUCHUNGSUCHEN);
    WinAnzeige.show(FELD_BUCHUNGSUCHENOK);
    WinAnzeige.giveFocus(FELD_BUCHUNGSUCHENTEXT);
  } else {
    listenZeigenNachModus();
    WinAnzeige.show(FELD_PARAVONSUMMENDATUM, FELD_PARABISSUMMENDATUM);
    WinAnzeige.setText(FELD_BUCHUNGSUCHEN, "Buchung suchen");
    WinAnzeige.hide(FELD_BUCHUNGSUCHENSTART, FELD_NRBUCHUNGSUCHEN);
    WinAnzeige.hide(FELD_BUCHUNGSUCHENOK);
  }
  WinAnzeige.showVariables();
}

void Weitergeben(int feld) {
  if (!CODE.clip().trimmed().isEmpty() || !BUCHUNGEINGABE.TEXT[0].clip().trimmed().isEmpty() ||
      !BUCHUNGEINGABE.TEXT[1].clip().trimmed().isEmpty()) {
    EingabeOffenMeldung();
    return;
  }
  rt::Queue<BUCHUNGSZEILE_T>& q = queueOf(feld);
  const int zeile = WinAnzeige.listSelection(feld);
  const BUCHUNGSZEILE_T* z = q.get(static_cast<std::size_t>(zeile));
  if (!z) return;  // no row selected: nothing to hand on
  GEWAEHLTEBUCHUNG = z->NR;
  if (feld == FELD_NRBUCHUNGSUCHEN) {
    SUCHQUEUE.remove(static_cast<std::size_t>(zeile));
    WinAnzeige.showVariables(FELD_NRBUCHUNGSUCHEN);
  }
  post(EVENT_BuchungLaden, THREADBUCHUNG);
}

void ListenformateMerken() {
  int i = 0;
  for (int feld : {FELD_NREINGANG, FELD_NRAUSGANG, FELD_NRBUCHUNGSUCHEN})
    PARA.LISTENFORMAT[i++] = WinAnzeige.listFormat(feld).left(80);
}

void Groessenregeln() {
  Window& w = WinAnzeige;
  if (w.position().height() < 120) {
    const QRect r = w.position();
    w.setPosition(r.x(), r.y(), r.width(), 120);
  }
  if (PARA.BUCHUNGSART == 3) {
    if (!BUCHUNGSUCHEN) w.hide(FELD_NREINGANG);
    const QRect a = w.controlPosition(FELD_NRAUSGANG);
    w.setControlPosition(FELD_NRAUSGANG, a.x(), 15, a.width(), w.position().height() - 30);
  } else {
    if (!BUCHUNGSUCHEN) w.show(FELD_NREINGANG);
    const int h = (w.position().height() - 40) / 2;  // a half unit is dropped
    const int breite = w.position().width() - 6;
    const QRect e = w.controlPosition(FELD_NREINGANG);
    w.setControlPosition(FELD_NREINGANG, e.x(), e.y(), breite, h);
    const QRect a = w.controlPosition(FELD_NRAUSGANG);
    w.setControlPosition(FELD_NRAUSGANG, a.x(), h + 35, breite, h);
    const QRect s = w.controlPosition(FELD_NRBUCHUNGSUCHEN);
    w.setControlPosition(FELD_NRBUCHUNGSUCHEN, s.x(), s.y(), w.position().width() - 6,
                         w.position().height() - 120);
  }
  const QRect b = w.controlPosition(FELD_BUCHUNGSUCHEN);
  w.setControlPosition(FELD_BUCHUNGSUCHEN, w.position().width() - 82, b.y(), b.width(), b.height());
}

Pass Ereignis(Window&, const Event& e) {
  switch (e.code) {
    case EVENT_ListenNeu:
      ListenNeu();
      break;
    case EV_Sized:
      Groessenregeln();
      break;
    case EV_Accepted:
      if (e.field == FELD_BUCHUNGSUCHENOK) SucheAusfuehren();
      else if (e.field == FELD_BUCHUNGSUCHEN) SuchmodusUmschalten();
      else if ((e.field == FELD_NREINGANG || e.field == FELD_NRAUSGANG || e.field == FELD_NRBUCHUNGSUCHEN) &&
               e.key == kKeyMouseLeft2)
        Weitergeben(e.field);
      break;
    case EV_ColumnResize:
      ListenformateMerken();
      break;
    case EV_GainFocus:
    case EV_Selected:
      TastenBelegen(1, 0, 0);
      break;
    case EV_CloseWindow:
      return Pass::NoDefault;
    default:
      break;
  }
  return Pass::Default;
}

int listenFeld(int liste) {
  return liste == 1 ? FELD_NREINGANG : liste == 2 ? FELD_NRAUSGANG : liste == 3 ? FELD_NRBUCHUNGSUCHEN : 0;
}

}  // namespace

Window WinAnzeige(definition());

void SucheAusfuehren() {
  // What stands in the entries counts, also when the button was pressed without leaving them; an
  // entry that cannot be read stops the search with its message, keeping what the user typed.
  for (int feld : {FELD_BUCHUNGSUCHENVON, FELD_BUCHUNGSUCHENBIS, FELD_BUCHUNGSUCHENTEXT}) {
    if (!WinAnzeige.takeEdit(feld)) {
      EingabefehlerMelden(WinAnzeige, feld, WinAnzeige.text(feld));
      WinAnzeige.giveFocus(feld);
      return;
    }
  }
  if (!SuchbereichGueltig()) {
    Meldung("\"Von-\" und \"Bis-\"Datum muss ausgefüllt sein und \"Von\" kleiner/gleich \"Bis\"!", "", "", "", 1, 0);
    return;
  }
  SuchergebnisFuellen();
  WinAnzeige.showVariables();
}

void EingabeOffenMeldung() {
  Meldung("Daten im Buchungsfenster müssen zuerst bestätigt oder gelöscht werden!", "", "", "", 1, 0);
}

void BuchungsUebersicht() {
  Window& w = WinAnzeige;
  w.open();
  for (int feld : {FELD_NREINGANG, FELD_NRAUSGANG, FELD_NRBUCHUNGSUCHEN}) w.setListSource(feld, quelle(queueOf(feld)));
  UebersichtListenformatSetzen = [](int liste, const rt::String<80>& format) {
    if (WinAnzeige.isOpen() && listenFeld(liste)) WinAnzeige.setListFormat(listenFeld(liste), format.clip());
  };
  // Setting the height raises the resize event: the resize rules lay the lists out from the start.
  const QRect r = w.position();
  w.setPosition(r.x(), r.y(), r.width(), r.height());
  w.setListFormat(FELD_NREINGANG, STANDARDLISTENFORMAT);
  if (PARA.FENSTERXY) {
    const auto& f = PARA.FENSTERDATEN;
    w.setPosition(f.wert(1), f.wert(2), f.wert(3), f.wert(4));
    if (PARA.LISTENFORMAT[0].raw()[0] != ' ') {
      int i = 0;
      for (int feld : {FELD_NREINGANG, FELD_NRAUSGANG, FELD_NRBUCHUNGSUCHEN})
        w.setListFormat(feld, PARA.LISTENFORMAT[i++].clip());
    }
  }
  JahresgrenzenSetzen();
  post(EVENT_ListenNeu);
  w.attach(Ereignis);
}
