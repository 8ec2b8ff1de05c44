#pragma once
// The sums window $WINSUMMEN: the period sums, the year sums and the year result that the overview
// computes, laid out for the booking mode.

#include "runtime/text/Cents.h"
#include "runtime/text/String.h"

// Field numbers of the sums window's controls, in the order of the window.
enum SummenFeld : int {
  FELD_S_VONSUMMENDATUM = 1,
  FELD_S_BINDESTRICH,
  FELD_S_BISSUMMENDATUM,
  FELD_S_EINNAHMEN,
  FELD_S_EINGANGBRUTTO,
  FELD_S_EINGANGNETTO,
  FELD_S_EINGANGMWST,
  FELD_S_BRUTTO2,
  FELD_S_NETTO2,
  FELD_S_MWST2,
  FELD_S_AUSGABEN,
  FELD_S_AUSGANGBRUTTO,
  FELD_S_AUSGANGNETTO,
  FELD_S_AUSGANGMWST,
  FELD_S_BRUTTO3,
  FELD_S_NETTO3,
  FELD_S_MWST3,
  FELD_S_TRENNER,
  FELD_S_JEINGANGBRUTTO,
  FELD_S_JAUSGANGBRUTTO,
  FELD_S_JUST,
  FELD_S_JGEWINN,
  FELD_S_JAHRESBILANZ,
  FELD_S_JAHR2,
  FELD_S_EINNAHMEN2,
  FELD_S_AUSGABEN2,
  FELD_S_MWST4,
  FELD_S_LINIE,
  FELD_S_GEWINNSTR,
  FELD_S_BESCHAEDIGT,  // shown while "Buchung.dat" is known to be damaged
};

// The display fields of the window, filled from SUMMEN on every new sums event.
extern rt::Cents EINGANGBRUTTO_, EINGANGNETTO_, EINGANGMWST_;
extern rt::Cents AUSGANGBRUTTO_, AUSGANGNETTO_, AUSGANGMWST_;
extern rt::Cents JEINGANGBRUTTO_, JAUSGANGBRUTTO_, JUST_, JGEWINN_;
extern rt::String<7> GEWINNSTR;

// The window procedure: opens the sums window on the calling thread and attaches its handler.
void SummenUebersicht();
// Shows and places the controls for PARA.BUCHUNGSART; while "Buchung.dat" is known to be damaged, also
// the warning that the sums are incomplete.
void SummenfensterEinrichten();
