#include "bookkeeping/frame/Rahmen.h"

#include "bookkeeping/accounts/KontoSuchen.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/export/CsvDatenexport.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Handbuch.h"
#include "bookkeeping/frame/Installationsinfo.h"
#include "bookkeeping/reports/Auswertungen.h"
#include "bookkeeping/settings/Einstellungen.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"

using namespace rt::win;

std::uint8_t QUARTAL_1 = 0, QUARTAL_2 = 0, QUARTAL_3 = 0, QUARTAL_4 = 0;
std::uint8_t MONAT_1 = 0, MONAT_2 = 0, MONAT_3 = 0, MONAT_4 = 0, MONAT_5 = 0, MONAT_6 = 0, MONAT_7 = 0, MONAT_8 = 0,
             MONAT_9 = 0, MONAT_10 = 0, MONAT_11 = 0, MONAT_12 = 0;
std::uint8_t GESAMTJAHR = 0;

std::function<void(int, const rt::String<80>&)> UebersichtListenformatSetzen;

namespace {

std::uint8_t* const kQuartal[4] = {&QUARTAL_1, &QUARTAL_2, &QUARTAL_3, &QUARTAL_4};
std::uint8_t* const kMonat[12] = {&MONAT_1, &MONAT_2, &MONAT_3, &MONAT_4,  &MONAT_5,  &MONAT_6,
                                  &MONAT_7, &MONAT_8, &MONAT_9, &MONAT_10, &MONAT_11, &MONAT_12};

const QColor kMarkierung(0xC0, 0xC0, 0xA0);  // the panel behind the chosen quarter or year

WindowDef rahmenDefinition() {
  WindowDef d;
  d.label = "$WINMAIN";
  d.caption = "TAVIK!";
  d.icon = "Tavik.ico";
  d.w = 373;
  d.h = 251;
  d.kind = WindowKind::Frame;
  d.toolbarHeight = 30;
  auto& c = d.controls;
  c = {
      {.field = FELD_MENU_TAVIK, .label = "?MENU_TAVIK", .kind = Kind::Menu, .text = "&Tavik!"},
      {.field = FELD_DRUCKEN, .label = "?DRUCKEN", .kind = Kind::MenuItem, .text = "Drucken"},
      {.field = FELD_EINSTELLUNGEN, .label = "?EINSTELLUNGEN", .kind = Kind::MenuItem, .text = "Einstellungen"},
      {.field = FELD_KONTEN, .label = "?KONTEN", .kind = Kind::MenuItem, .text = "Konten bearbeiten"},
      {.field = FELD_CSV_EXPORT, .label = "?CSV_EXPORT", .kind = Kind::MenuItem, .text = "CSV-Export"},
      {.field = FELD_BEENDEN, .label = "?BEENDEN", .kind = Kind::MenuItem, .text = "&Beenden",
       .attrs = A_Separator},
      {.field = FELD_MENU_HILFE, .label = "?MENU_HILFE", .kind = Kind::Menu, .text = "&Hilfe"},
      {.field = FELD_INFO, .label = "?INFO", .kind = Kind::MenuItem, .text = "&Info"},
      {.field = FELD_HANDBUCH, .label = "?HANDBUCH", .kind = Kind::MenuItem, .text = "&Handbuch"},
  };
  static const char* const quartalLabel[4] = {"?QUARTAL_1", "?QUARTAL_2", "?QUARTAL_3", "?QUARTAL_4"};
  static const char* const quartalText[4] = {"&1. Quartal", "&2. Quartal", "&3. Quartal", "&4. Quartal"};
  for (int q = 0; q < 4; ++q)
    c.push_back({.field = FELD_QUARTAL_1 + q, .label = quartalLabel[q], .kind = Kind::CheckBox,
                 .text = quartalText[q], .x = 6 + 39 * q, .y = 6, .w = 31, .h = 8, .bound = Bound(*kQuartal[q])});
  static const char* const monatLabel[12] = {"?MONAT_1", "?MONAT_2", "?MONAT_3",  "?MONAT_4",  "?MONAT_5",  "?MONAT_6",
                                             "?MONAT_7", "?MONAT_8", "?MONAT_9", "?MONAT_10", "?MONAT_11", "?MONAT_12"};
  static const char* const monatText[12] = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                            "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  // Ctrl+1 .. Ctrl+9, Ctrl+0, and Ctrl with the two keys right of 0 on the German keyboard.
  static const int monatTaste[12] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 0xDB, 0xDD};
  for (int m = 0; m < 12; ++m)
    c.push_back({.field = FELD_MONAT_1 + m, .label = monatLabel[m], .kind = Kind::CheckBox, .text = monatText[m],
                 .x = 2 + 13 * m, .y = 16, .w = 12, .h = 8, .bound = Bound(*kMonat[m]),
                 .key = KEY_Ctrl | monatTaste[m]});
  c.push_back({.field = FELD_GESAMTJAHR, .label = "?GESAMTJAHR", .kind = Kind::CheckBox, .text = "Gesamt-&Jahr",
               .x = 160, .y = 6, .w = 37, .h = 8, .bound = Bound(GESAMTJAHR)});
  // The year spin stands under "Gesamt-Jahr" and as wide as it, so that the spin's arrows leave room
  // for the four digits of the year.
  c.push_back({.field = FELD_EINGABEJAHR, .label = "?EINGABEJAHR", .kind = Kind::Spin, .picture = "@n4",
               .x = 160, .y = 16, .w = 37, .h = 8, .bound = Bound(EINGABEJAHR), .low = 1900, .high = 2099});
  static const char* const panelLabel[4] = {"?QUARTAL1", "?QUARTAL2", "?QUARTAL3", "?QUARTAL4"};
  for (int q = 0; q < 4; ++q)
    c.push_back({.field = FELD_QUARTAL1 + q, .label = panelLabel[q], .kind = Kind::Panel, .x = 1 + 39 * q, .y = 10,
                 .w = 40, .h = 16, .attrs = A_Hidden, .fill = kMarkierung});
  c.push_back({.field = FELD_GESAMTJAHR_, .label = "?GESAMTJAHR_", .kind = Kind::Panel, .x = 1, .y = 5, .w = 158,
               .h = 21, .attrs = A_Hidden, .fill = kMarkierung});
  static const char* const standardLabel[4] = {"?ANZEIGESTANDARD1", "?ANZEIGESTANDARD2", "?ANZEIGESTANDARD3",
                                               "?ANZEIGESTANDARD4"};
  static const char* const standardIcon[4] = {"Aufteilung1.ico", "Aufteilung2.ico", "Aufteilung3.ico",
                                              "Aufteilung4.ico"};
  static const char* const standardTip[4] = {
      "Aufteilung der Arbeitsfenster Schema 1", "Aufteilung der Arbeitsfenster Schema 2",
      "Aufteilung der Arbeitsfenster Schema 3", "Aufteilung der Arbeitsfenster Schema 4"};
  static const int standardX[4] = {199, 231, 199, 231}, standardY[4] = {3, 3, 16, 16};
  for (int n = 0; n < 4; ++n)
    c.push_back({.field = FELD_ANZEIGESTANDARD1 + n, .label = standardLabel[n], .kind = Kind::Button,
                 .x = standardX[n], .y = standardY[n], .w = 16, .h = 12, .attrs = A_Skip, .tip = standardTip[n],
                 .icon = standardIcon[n]});
  c.push_back({.field = FELD_MYTAVIK, .label = "?MYTAVIK", .kind = Kind::Button, .text = "myTavik", .x = 215,
               .y = 2, .w = 16, .h = 10, .attrs = A_Skip,
               .tip = "Abgespeichertes Fensterschema \"MyTavik\" anwenden (Speichern unter \"Einstellungen\")"});
  c.push_back({.field = FELD_STANDARDGROESSE, .label = "?STANDARDGROESSE", .kind = Kind::Button, .x = 215, .y = 10,
               .w = 16, .h = 16, .attrs = A_Skip, .tip = "Gesamtfenster auf Standardgröße",
               .icon = "StandardGroesse.ico"});
  c.push_back({.field = FELD_DRUCKEN_, .label = "?DRUCKEN_", .kind = Kind::Button, .x = 253, .y = 5, .w = 18,
               .h = 18, .attrs = A_Skip, .tip = "USt-Voranmeldung, Gewinn-/Verlustrechnung drucken",
               .icon = "exp_pri.ico", .key = KEY_Alt | 'D'});
  c.push_back({.field = FELD_EINSTELLUNGEN_, .label = "?EINSTELLUNGEN_", .kind = Kind::Button, .x = 276, .y = 5,
               .w = 18, .h = 18, .attrs = A_Skip, .tip = "Einstellungen", .icon = "Tools3.ico"});
  c.push_back({.field = FELD_KONTEN_, .label = "?KONTEN_", .kind = Kind::Button, .x = 299, .y = 5, .w = 18,
               .h = 18, .attrs = A_Skip, .tip = "Konten bearbeiten", .icon = "File2.ico"});
  c.push_back({.field = FELD_CSV_EXPORT_, .label = "?CSV_EXPORT_", .kind = Kind::Button, .x = 318, .y = 5, .w = 18,
               .h = 18, .attrs = A_Skip,
               .tip = "Erzeugt eine CSV-Datei der Daten zur Weiterverarbeitung z.B. in Excel", .icon = "Csv.ico"});
  return d;
}

// Places of the arrangements: overview, sums window, booking form (X, Y, width, height).
struct Platz {
  int x, y, w, h;
};
const Platz kAufteilung[4][3] = {
    {{295, -6, 176, 156}, {-1, 169, 472, 66}, {-1, -6, 288, 156}},
    {{295, -6, 176, 241}, {-1, 169, 288, 66}, {-1, -6, 288, 156}},
    {{295, 79, 176, 156}, {-1, -6, 472, 66}, {-1, 79, 288, 156}},
    {{295, -6, 176, 241}, {-1, -6, 288, 66}, {-1, 79, 288, 156}},
};

void setzePlatz(Window& w, int x, int y, int breite, int hoehe) {
  if (w.isOpen()) w.setPosition(x, y, breite, hoehe);
}

// The saved window scheme "myTavik".
void SchemaAnwenden() {
  const auto& s = PARA.SCHEMADATEN;
  if (s.wert(7) == 0) {  // no booking-form width: no scheme saved
    Meldung("Es ist noch kein Fensterschema \"MyTavik\" abgespeichert!", "(Anlegen unter \"Einstellungen)", "", "", 1,
            0);
    return;
  }
  setzePlatz(WinAnzeige, s.wert(1), s.wert(2), s.wert(3), s.wert(4));
  setzePlatz(WinBuchung, s.wert(5), s.wert(6), s.wert(7), s.wert(8));
  setzePlatz(WinSummen, s.wert(9), s.wert(10), s.wert(11), s.wert(12));
  // The frame keeps its X and Y. Its size is that of the normal (not maximized) frame.
  WinMain.setMaximized(false);
  const QRect rahmen = WinMain.position();
  WinMain.setPosition(rahmen.x(), rahmen.y(), s.wert(13), s.wert(14));
  if (s.wert(15)) WinMain.setMaximized(true);
  // A blank format in the scheme would leave its list without columns: that list gets the standard one.
  for (int i = 1; i <= 3; ++i) {
    const rt::String<80>& f = PARA.SCHEMAFORMAT[i - 1];
    if (UebersichtListenformatSetzen)
      UebersichtListenformatSetzen(i, f.clip().isEmpty() ? rt::String<80>(STANDARDLISTENFORMAT) : f);
  }
}

// Takes the places of the four windows and the frame's maximized flag into PARA.FENSTERDATEN.
void FensterdatenMerken() {
  int i = 1;
  for (Window* w : {&WinAnzeige, &WinBuchung, &WinSummen, &WinMain}) {
    const QRect r = w->isOpen() ? w->position() : QRect();
    for (int v : {r.x(), r.y(), r.width(), r.height()}) PARA.FENSTERDATEN.setzeWert(i++, v);
  }
  PARA.FENSTERDATEN.setzeWert(i, WinMain.isOpen() && WinMain.isMaximized() ? 1 : 0);
}

// The check box of the chosen period: a quarter wins over a month; with no flag set, the whole year.
int gewaehltesFeld() {
  for (int q = 0; q < 4; ++q)
    if (*kQuartal[q]) return FELD_QUARTAL_1 + q;
  for (int m = 0; m < 12; ++m)
    if (*kMonat[m]) return FELD_MONAT_1 + m;
  return FELD_GESAMTJAHR;
}

}  // namespace

Pass RahmenEreignis(Window& w, const Event& e) {
  switch (e.code) {
    case EV_Accepted:
      if (e.field >= FELD_QUARTAL_1 && e.field <= FELD_GESAMTJAHR) {
        PeriodeWaehlen(e.field);
      } else if (e.field >= FELD_ANZEIGESTANDARD1 && e.field < FELD_ANZEIGESTANDARD1 + 4) {
        AufteilungAnwenden(e.field - FELD_ANZEIGESTANDARD1 + 1);
      } else if (e.field == FELD_MYTAVIK) {
        SchemaAnwenden();
      } else if (e.field == FELD_STANDARDGROESSE) {
        w.setMaximized(false);
        const QRect r = w.position();
        w.setPosition(r.x(), r.y(), 373, 251);
      } else if (e.field == FELD_BEENDEN) {
        return Pass::Leave;
      } else if (e.field == FELD_KONTEN || e.field == FELD_KONTEN_) {
        KontenBearbeiten();
      } else if (e.field == FELD_EINSTELLUNGEN || e.field == FELD_EINSTELLUNGEN_) {
        EinstellungenBearbeiten();
      } else if (e.field == FELD_INFO) {
        start(Installationsinfo);
      } else if (e.field == FELD_HANDBUCH) {
        HandbuchOeffnen();
      } else if (e.field == FELD_CSV_EXPORT || e.field == FELD_CSV_EXPORT_) {
        start(CsvDatenexport);
      } else if (e.field == FELD_DRUCKEN || e.field == FELD_DRUCKEN_) {
        Auswertungen();
      }
      return Pass::Default;
    case EV_NewSelection:
      // A new year: the chosen period again, for that year.
      if (e.field == FELD_EINGABEJAHR) postField(EV_Accepted, gewaehltesFeld(), 0);
      return Pass::Default;
    case EV_CloseWindow:
      FensterdatenMerken();
      return Pass::Default;
    default:
      return Pass::Default;
  }
}

rt::win::Window WinMain(rahmenDefinition());

void PeriodeZuruecksetzen() {
  for (auto* f : kQuartal) *f = 0;
  for (auto* f : kMonat) *f = 0;
  GESAMTJAHR = 0;
  WinMain.hide(FELD_QUARTAL1, FELD_GESAMTJAHR_);
}

int PeriodeFeld(const rt::DATE& von, const rt::DATE& bis) {
  const rt::Day tage = rt::dayNumber(bis) - rt::dayNumber(von);
  if (tage <= 31) return FELD_MONAT_1 + std::clamp<int>(von.month, 1, 12) - 1;
  // Quarter (month div 3) + 1, which is the quarter for every period the quarter commands store; a
  // period beginning in December would give quarter 5, for which there is no flag: it shows as the
  // fourth quarter.
  if (tage <= 100) return FELD_QUARTAL_1 + std::min(std::clamp<int>(von.month, 1, 12) / 3, 3);
  return FELD_GESAMTJAHR;
}

void PeriodeWaehlen(int feld) {
  const int jahr = EINGABEJAHR;
  PeriodeZuruecksetzen();
  rt::Day von = 0, bis = 0;
  if (feld >= FELD_QUARTAL_1 && feld < FELD_QUARTAL_1 + 4) {
    const int q = feld - FELD_QUARTAL_1 + 1;
    WinMain.show(FELD_QUARTAL1 + q - 1);
    *kQuartal[q - 1] = 1;
    von = rt::quarterStart(jahr, q);
    bis = rt::quarterEnd(jahr, q);
  } else if (feld >= FELD_MONAT_1 && feld < FELD_MONAT_1 + 12) {
    const int m = feld - FELD_MONAT_1 + 1;
    *kMonat[m - 1] = 1;
    von = rt::monthStart(jahr, m);
    bis = rt::monthEnd(jahr, m);
  } else {
    WinMain.show(FELD_GESAMTJAHR_);
    GESAMTJAHR = 1;
    von = rt::yearStart(jahr);
    bis = rt::yearEnd(jahr);
  }
  WinMain.showVariables();
  PARA.VONSUMMENDATUM = rt::dateOf(von);
  PARA.BISSUMMENDATUM = rt::dateOf(bis);
  // Stored before the overview hears of it, so that it finds the new period.
  ParameterSpeichern();
  post(EVENT_ListenNeu, THREADANZEIGE);
}

void AufteilungAnwenden(int n) {
  if (n < 1 || n > 4) return;
  const Platz* p = kAufteilung[n - 1];
  setzePlatz(WinAnzeige, p[0].x, p[0].y, p[0].w, p[0].h);
  setzePlatz(WinSummen, p[1].x, p[1].y, p[1].w, p[1].h);
  setzePlatz(WinBuchung, p[2].x, p[2].y, p[2].w, p[2].h);
  for (int i = 1; i <= 3; ++i) {
    if (UebersichtListenformatSetzen) UebersichtListenformatSetzen(i, rt::String<80>(STANDARDLISTENFORMAT));
    PARA.LISTENFORMAT[i - 1] = STANDARDLISTENFORMAT;
  }
}

void RahmenOeffnen() {
  WinMain.open();
  WinMain.setMenuStyle("XPLunaBlu");
  WinMain.setWallpaper("Wizbck03.gif", true);
  // The year of the selection is that of the stored period until the overview sets it.
  if (PARA.VONSUMMENDATUM.year) EINGABEJAHR = static_cast<std::int16_t>(PARA.VONSUMMENDATUM.year);
  PeriodeZuruecksetzen();
  const int feld = PeriodeFeld(PARA.VONSUMMENDATUM, PARA.BISSUMMENDATUM);
  if (feld >= FELD_QUARTAL_1 && feld < FELD_QUARTAL_1 + 4) {
    *kQuartal[feld - FELD_QUARTAL_1] = 1;
    WinMain.show(FELD_QUARTAL1 + feld - FELD_QUARTAL_1);
  } else if (feld >= FELD_MONAT_1 && feld < FELD_MONAT_1 + 12) {
    *kMonat[feld - FELD_MONAT_1] = 1;
  } else {
    GESAMTJAHR = 1;
    WinMain.show(FELD_GESAMTJAHR_);
  }
  WinMain.showVariables();
}

void RahmenSchleife() { WinMain.run(RahmenEreignis); }
