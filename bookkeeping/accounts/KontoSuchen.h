#pragma once
// The account list $WINKONTOSUCHEN "Konten bearbeiten": the accounts of "Konto.dat", narrowed by a
// typed name, code or number and ordered by one of them; from it an account is edited, added or
// deleted, and the chart of accounts is printed.

// Field numbers of the window's controls.
enum KontoSuchenFeld : int {
  KS_REGIONKONTONAME = 1,  // click regions over the column headings
  KS_REGIONKONTOSHORTCUT = 2,
  KS_REGIONKONTONR = 3,
  KS_NR = 4,               // the list
  KS_KONTENDRUCKEN = 5,
  KS_BEARBEITEN = 6,
  KS_NEU = 7,
  KS_LOESCHEN = 8,
  KS_KONTONAME = 9,        // the three filters
  KS_KONTOSHORTCUT = 10,
  KS_KONTONR = 11,
};

// The frame's command "Konten bearbeiten".
void KontenBearbeiten();
// Runs the account list on the calling thread until the user closes it.
void KontoSuchen();
// Refills the open list and shows it; the fill stops as soon as a key press for the window waits.
void KontenListeNeu();
// Opens the account edit window for the highlighted row.
void GewaehltesKontoBearbeiten();
// Deletes the account of the highlighted row from "Konto.dat"; its bookings keep its number.
void KontoLoeschen();
// Prints the chart of accounts of the listed rows, in the list's order, through the print preview.
void KontenDrucken();

namespace rt::win {
class Window;
}
extern rt::win::Window WinKontoSuchen;  // $WINKONTOSUCHEN
