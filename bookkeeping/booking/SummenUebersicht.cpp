#include "bookkeeping/booking/SummenUebersicht.h"

#include "bookkeeping/booking/Arbeitsfenster.h"
#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Threads.h"

using namespace rt::win;

rt::Cents EINGANGBRUTTO_, EINGANGNETTO_, EINGANGMWST_;
rt::Cents AUSGANGBRUTTO_, AUSGANGNETTO_, AUSGANGMWST_;
rt::Cents JEINGANGBRUTTO_, JAUSGANGBRUTTO_, JUST_, JGEWINN_;
rt::String<7> GEWINNSTR;

namespace {

constexpr char kBetrag[] = "@N-12`2";

WindowDef definition() {
  WindowDef d;
  d.label = "$WINSUMMEN";
  d.caption = "Summenübersicht";
  d.x = -1;
  d.y = 169;
  d.w = 472;
  d.h = 66;
  d.kind = WindowKind::MdiChild;
  auto anzeige = [](int feld, const char* label, int x, int y, int w, Bound b, const char* bild = kBetrag,
                    unsigned attrs = A_None) {
    return ControlDef{.field = feld, .label = label, .kind = Kind::Display, .picture = bild, .x = x, .y = y, .w = w,
                      .bound = b, .attrs = attrs};
  };
  auto text = [](int feld, const char* label, const char* t, int x, int y, int w = kDefault,
                 unsigned attrs = A_None) {
    return ControlDef{.field = feld, .label = label, .kind = Kind::Prompt, .text = t, .x = x, .y = y, .w = w,
                      .attrs = attrs};
  };
  // A caption under an amount: as wide as the amount and, like it, right-aligned, so that it stands
  // under its own amount and not under the end of the one before.
  auto unter = [&text](int feld, const char* label, const char* t, int x, int y) {
    return text(feld, label, t, x, y, 40, A_Right);
  };
  d.controls = {
      // The period reads "01.12.2026 - 31.12.2026": the first date ends at the dash, which stands
      // centred in the gap before the second.
      anzeige(FELD_S_VONSUMMENDATUM, "?PARA:VONSUMMENDATUM", 61, 5, 47, PARA.VONSUMMENDATUM, "@D06.B", A_Right),
      text(FELD_S_BINDESTRICH, "", "-", 108, 5, 7, A_Centre),
      anzeige(FELD_S_BISSUMMENDATUM, "?PARA:BISSUMMENDATUM", 115, 5, kDefault, PARA.BISSUMMENDATUM, "@D06.B"),
      text(FELD_S_EINNAHMEN, "?_EINNAHMEN", "Einnahmen", 2, 24),
      anzeige(FELD_S_EINGANGBRUTTO, "?_EINGANGBRUTTO", 49, 24, 40, EINGANGBRUTTO_),
      anzeige(FELD_S_EINGANGNETTO, "?_EINGANGNETTO", 90, 24, 40, EINGANGNETTO_),
      anzeige(FELD_S_EINGANGMWST, "?_EINGANGMWST", 131, 24, 40, EINGANGMWST_),
      unter(FELD_S_BRUTTO2, "?BRUTTO2", "Brutto", 49, 30),
      unter(FELD_S_NETTO2, "?NETTO2", "Netto", 90, 30),
      unter(FELD_S_MWST2, "?MWST2", "MwSt", 131, 30),
      text(FELD_S_AUSGABEN, "", "Ausgaben", 2, 44),
      anzeige(FELD_S_AUSGANGBRUTTO, "?_AUSGANGBRUTTO", 49, 44, 40, AUSGANGBRUTTO_),
      anzeige(FELD_S_AUSGANGNETTO, "?_AUSGANGNETTO", 90, 44, 40, AUSGANGNETTO_),
      anzeige(FELD_S_AUSGANGMWST, "?_AUSGANGMWST", 131, 44, 40, AUSGANGMWST_),
      unter(FELD_S_BRUTTO3, "?BRUTTO3", "Brutto", 49, 50),
      unter(FELD_S_NETTO3, "?NETTO3", "Netto", 90, 50),
      unter(FELD_S_MWST3, "?MWST3", "MwSt", 131, 50),
      {.field = FELD_S_TRENNER, .kind = Kind::Panel, .x = 200, .y = 8, .w = 2, .h = 55, .attrs = A_Vertical,
       .fill = QColor(0x80, 0x80, 0x80)},
      anzeige(FELD_S_JEINGANGBRUTTO, "?_JEINGANGBRUTTO", 289, 7, 50, JEINGANGBRUTTO_),
      anzeige(FELD_S_JAUSGANGBRUTTO, "?_JAUSGANGBRUTTO", 289, 22, 50, JAUSGANGBRUTTO_),
      anzeige(FELD_S_JUST, "?_JUST", 289, 37, 50, JUST_),
      anzeige(FELD_S_JGEWINN, "?_JGEWINN", 289, 52, 50, JGEWINN_),
      text(FELD_S_JAHRESBILANZ, "", "Jahresbilanz", 230, 22, 50),
      anzeige(FELD_S_JAHR2, "?JAHR2", 230, 37, 50, EINGABEJAHR, "@N4"),
      text(FELD_S_EINNAHMEN2, "?_EINNAHMEN2", "Einnahmen", 345, 7),
      text(FELD_S_AUSGABEN2, "?_AUSGABEN2", "Ausgaben", 345, 22),
      text(FELD_S_MWST4, "?MWST4", "USt-Vorauszahlung", 345, 37),
      {.field = FELD_S_LINIE, .kind = Kind::Line, .x = 290, .y = 46, .w = 135, .h = 1},
      anzeige(FELD_S_GEWINNSTR, "?GEWINNSTR", 345, 52, kDefault, GEWINNSTR, "@S7"),
      // In the free row between the period and its sums.
      text(FELD_S_BESCHAEDIGT, "?BESCHAEDIGT", "Buchung.dat beschädigt - Summen unvollständig!", 2, 14, 196,
           A_Hidden | A_Bold),
  };
  return d;
}

// Sums read from a damaged file lack the bookings that could not be read.
void BeschaedigtZeigen() {
  if (BUCHUNGDATEI.failure() == 0) {
    WinSummen.hide(FELD_S_BESCHAEDIGT);
    return;
  }
  WinSummen.setTextColour(FELD_S_BESCHAEDIGT, QColor(0xC0, 0x00, 0x00));
  WinSummen.show(FELD_S_BESCHAEDIGT);
}

void SummenNeu() {
  SUMMEN.JGEWINN = SUMMEN.JEINGANGBRUTTO + SUMMEN.JAUSGANGBRUTTO + SUMMEN.JUST;
  EINGANGBRUTTO_ = SUMMEN.EINGANGBRUTTO;
  EINGANGNETTO_ = SUMMEN.EINGANGNETTO;
  EINGANGMWST_ = SUMMEN.EINGANGMWST;
  AUSGANGBRUTTO_ = SUMMEN.AUSGANGBRUTTO;
  AUSGANGNETTO_ = SUMMEN.AUSGANGNETTO;
  AUSGANGMWST_ = SUMMEN.AUSGANGMWST;
  JEINGANGBRUTTO_ = SUMMEN.JEINGANGBRUTTO;
  JAUSGANGBRUTTO_ = SUMMEN.JAUSGANGBRUTTO;
  JUST_ = SUMMEN.JUST;
  JGEWINN_ = SUMMEN.JGEWINN;
  if (SUMMEN.JGEWINN >= rt::Cents()) {
    GEWINNSTR = "Gewinn";
    WinSummen.setTextColour(FELD_S_JGEWINN, QColor(0x00, 0x60, 0x00));
  } else {
    GEWINNSTR = "Verlust";
    WinSummen.setTextColour(FELD_S_JGEWINN, QColor(0x60, 0x00, 0x00));
  }
  BeschaedigtZeigen();
  WinSummen.showVariables();
}

// Passes an event on to the booking form. Without its thread number a post would come back to this
// window, which would pass it on again without end.
void anBuchung(int code) {
  if (THREADBUCHUNG != 0) post(code, THREADBUCHUNG);
}

Pass Ereignis(Window&, const Event& e) {
  switch (e.code) {
    case EVENT_SummenNeu:
      SummenNeu();
      anBuchung(EVENT_SummenNeu);
      break;
    case EVENT_StartbildEnde:
      if (ArbeitsfensterVorne()) WinSummen.activate();
      anBuchung(EVENT_StartbildEnde);
      break;
    case EVENT_EinstellungenGeaendert:
      SummenfensterEinrichten();
      break;
    case EV_CloseWindow:
      return Pass::NoDefault;
    default:
      break;
  }
  return Pass::Default;
}

void setzeY(int feld, int y) {
  const QRect r = WinSummen.controlPosition(feld);
  WinSummen.setControlPosition(feld, r.x(), y, r.width(), r.height());
}

}  // namespace

Window WinSummen(definition());

void SummenfensterEinrichten() {
  Window& w = WinSummen;
  const int modus = PARA.BUCHUNGSART;
  w.show(FELD_S_VONSUMMENDATUM, FELD_S_GEWINNSTR);
  if (modus != 1) {
    w.hide(FELD_S_EINGANGNETTO, FELD_S_MWST2);
    w.hide(FELD_S_AUSGANGNETTO, FELD_S_MWST3);
    w.hide(FELD_S_JUST);
    w.hide(FELD_S_MWST4);
  }
  if (modus == 3) {
    for (int feld : {FELD_S_EINNAHMEN, FELD_S_EINGANGBRUTTO, FELD_S_JEINGANGBRUTTO, FELD_S_EINNAHMEN2,
                     FELD_S_JGEWINN, FELD_S_GEWINNSTR})
      w.hide(feld);
  }
  const bool zwei = modus == 2;
  setzeY(FELD_S_JEINGANGBRUTTO, zwei ? 17 : 7);
  setzeY(FELD_S_EINNAHMEN2, zwei ? 17 : 7);
  setzeY(FELD_S_JAUSGANGBRUTTO, zwei ? 32 : 22);
  setzeY(FELD_S_AUSGABEN2, zwei ? 32 : 22);
  BeschaedigtZeigen();
}

void SummenUebersicht() {
  Window& w = WinSummen;
  w.open();
  const QRect r = w.position();
  w.setPosition(r.x(), r.y(), r.width(), r.height());
  if (PARA.FENSTERXY) {
    const auto& f = PARA.FENSTERDATEN;
    w.setPosition(f.wert(9), f.wert(10), f.wert(11), f.wert(12));
  }
  SummenfensterEinrichten();
  post(EVENT_ListenNeu, THREADANZEIGE);
  w.attach(Ereignis);
}
