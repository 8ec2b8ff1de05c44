#pragma once
// The settings window P17$WIN "Einstellungen": booking mode, VAT rates, keyboard mode, whether the
// window places are kept, the name and address for the printouts, and the window scheme "myTavik".
// Its controls edit PARA in place; "OK" saves all parameters, "Abbruch" or closing reads them back.

// Field numbers of the window's controls. "OK" and "Abbruch" come first, so that Enter presses them
// in the keyboard mode "Windows Erweitert"; the rate entries follow each other, as they are switched
// as a run.
enum EinstellungenFeld : int {
  EF_SPEICHERN = 1,
  EF_ABBRUCH2 = 2,
  EF_BUCHUNGSART = 3,    // the option group; 4..6 its buttons for the modes 1..3
  EF_MWSTBOX = 7,
  EF_MWSTPROMPT_1 = 8,   // 8..12: the prompts "#1".."#5"
  EF_MWST_1 = 13,        // 13..17: the rate entries of the keys 1..5
  EF_MWST_2 = 14,
  EF_MWST_3 = 15,
  EF_MWST_4 = 16,
  EF_MWST_5 = 17,
  EF_TRENNER = 18,
  EF_TASTATUR = 19,      // the option group; 20, 21 its buttons for the modes 1, 2
  EF_FENSTERBOX = 22,
  EF_MYTAVIKSPEICHERN = 23,
  EF_FENSTERXY = 24,
  EF_NAME = 26,          // each address entry follows its prompt
  EF_NAME2 = 28,
  EF_STRASSE = 30,
  EF_PLZORT = 32,
};

// Opens the window on the calling thread, runs it and returns when it has closed.
void EinstellungenBearbeiten();
// Enables the rate entries of the keys 2..5 in the booking mode 1 and disables them in the others;
// the rate of key 1 is never editable.
void MwstFelderSchalten();
