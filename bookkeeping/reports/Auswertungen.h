#pragma once
// The print dialog P40$WIN "Drucken": the evaluation by its tab, its date range and options, the
// accounts for the evaluation by account, the printer; "&Vorschau" builds the evaluation into the
// print preview and the dialog stays open with all its choices. It runs on the frame's thread.

#include <cstdint>

// Field numbers of P40$WIN.
enum AuswertungenFeld : int {
  AF_OK = 1,
  AF_ABBRUCH,
  AF_DRUCKERWAEHLEN,
  AF_DRUCKER,
  AF_SEITE,
  AF_GEWINN,
  AF_VOND1,
  AF_BISD1,
  AF_AUSGABENAUFSCHLUESSELN,
  AF_NACHKONTENAUFSCHLUESSELN,
  AF_VOND2,
  AF_BISD2,
  AF_EXTRASEITE,
  AF_NR,
  AF_MARK,
  AF_DEMARK,
  AF_UST,
  AF_VOND3,
  AF_BISD3,
  AF_NURSUMMEN,
  AF_ZEILENABHEBEN,
};

// Runs the dialog until "Abbruch" or its close.
void Auswertungen();
// Enables and disables the options that depend on "Nur Summen".
void NurSummenSchalten();
