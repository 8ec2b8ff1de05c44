#pragma once
// The booking overview $WINANZEIGE: the income and expense lists of the period, the period and year
// sums behind the sums window, and the text search over a date range. A double click hands a booking
// to the booking form.

// Field numbers of the overview's controls, in the order of the window. The order matters: the period
// display and the search group are hidden and shown as runs.
enum UebersichtFeld : int {
  FELD_BUCHUNGSUCHENOK = 1,
  FELD_PARAVONSUMMENDATUM,
  FELD_VONBISBINDESTRICH,
  FELD_PARABISSUMMENDATUM,
  FELD_BERECHNE,
  FELD_NREINGANG,
  FELD_NRAUSGANG,
  FELD_BUCHUNGSUCHEN,
  FELD_BUCHUNGSUCHENSTART,
  FELD_BUCHUNGSUCHEN2,
  FELD_BUCHUNGSUCHENVON,
  FELD_BUCHUNGSUCHEN3,
  FELD_BUCHUNGSUCHENBIS,
  FELD_BUCHUNGSUCHEN4,
  FELD_BUCHUNGSUCHEN5,
  FELD_BUCHUNGSUCHENTEXT,
  FELD_NRBUCHUNGSUCHEN,
};

// The window procedure: opens the overview on the calling thread and attaches its handler.
void BuchungsUebersicht();

// Checks the search range and fills the search results.
void SucheAusfuehren();
// The message for a double click while the booking form holds input.
void EingabeOffenMeldung();
