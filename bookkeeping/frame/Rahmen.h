#pragma once
// The frame $WINMAIN: the program's MDI window with its menu, its toolbar with the period selection
// (a month, a quarter or the whole year of EINGABEJAHR), the four arrangements of the work windows,
// the saved window scheme and the standard size.

#include "runtime/text/Date.h"
#include "runtime/text/String.h"
#include "runtime/window/Events.h"

#include <cstdint>
#include <functional>

namespace rt::win {
class Window;
}

// The period flags, the frame's bound variables: exactly one is 1 after opening and after every
// period command.
extern std::uint8_t QUARTAL_1, QUARTAL_2, QUARTAL_3, QUARTAL_4;
extern std::uint8_t MONAT_1, MONAT_2, MONAT_3, MONAT_4, MONAT_5, MONAT_6, MONAT_7, MONAT_8, MONAT_9, MONAT_10,
    MONAT_11, MONAT_12;
extern std::uint8_t GESAMTJAHR;

// Field numbers of the frame's controls; menus and menu items are negative.
enum RahmenFeld : int {
  FELD_MENU_TAVIK = -1,
  FELD_DRUCKEN = -2,
  FELD_EINSTELLUNGEN = -3,
  FELD_KONTEN = -4,
  FELD_CSV_EXPORT = -5,
  FELD_BEENDEN = -6,
  FELD_MENU_HILFE = -7,
  FELD_INFO = -8,
  FELD_HANDBUCH = -9,
  FELD_QUARTAL_1 = 1,     // .. FELD_QUARTAL_1 + 3: the quarter check boxes
  FELD_MONAT_1 = 5,       // .. FELD_MONAT_1 + 11: the month check boxes
  FELD_GESAMTJAHR = 17,
  FELD_EINGABEJAHR = 18,  // the year spin
  FELD_QUARTAL1 = 19,     // .. FELD_QUARTAL1 + 3: the quarter panels
  FELD_GESAMTJAHR_ = 23,  // the year panel
  FELD_ANZEIGESTANDARD1 = 24,  // .. FELD_ANZEIGESTANDARD1 + 3: the arrangement buttons
  FELD_MYTAVIK = 28,
  FELD_STANDARDGROESSE = 29,
  FELD_DRUCKEN_ = 30,
  FELD_EINSTELLUNGEN_ = 31,
  FELD_KONTEN_ = 32,
  FELD_CSV_EXPORT_ = 33,
};

// The format with which the overview's three lists are designed.
inline constexpr char STANDARDLISTENFORMAT[] = "33LM|~Datum~@D06.@95LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~";

// Sets the column format of one of the overview's lists (1 income, 2 expenses, 3 search results).
// The overview installs it when it builds its lists; until then the frame has no list to format.
extern std::function<void(int liste, const rt::String<80>& format)> UebersichtListenformatSetzen;

// Opens $WINMAIN in its menu style and shows the stored period in the period selection.
void RahmenOeffnen();
// Runs the frame's event loop until "&Beenden" or the close of the frame.
void RahmenSchleife();
// One pass of the frame's event loop.
rt::win::Pass RahmenEreignis(rt::win::Window& w, const rt::win::Event& e);

// Clears all seventeen period flags and hides the quarter and year panels.
void PeriodeZuruecksetzen();
// Chooses the period of a quarter, month or whole-year check box for the year EINGABEJAHR, saves it
// and tells the overview.
void PeriodeWaehlen(int feld);
// The check box that shows a stored period: a month for up to 31 days from Von to Bis, a quarter for
// up to 100, else the whole year.
int PeriodeFeld(const rt::DATE& von, const rt::DATE& bis);
// Puts the open work windows at the places of arrangement n (1..4) and resets the list formats.
void AufteilungAnwenden(int n);
