#pragma once
// The booking entry form $WINBUCHUNG: choose an account by number or code, enter date, gross amount
// and texts, confirm; the notice "Gespeichert" runs for 0.8 s and then the form stores the booking.
// A booking handed over by the overview is loaded for editing.

#include <cstdint>

// 1 while the splash window is shown; the form keeps the focus on its invisible button until then.
extern std::uint8_t STARTBILDAKTIV;

// Field numbers of the form's controls.
enum BuchungFeld : int {
  BF_OK = 1,
  BF_ABBRUCH = 2,
  BF_KONTOMWST = 3,      // the VAT key group; 4..8 its buttons ?R1..?R5
  BF_R1 = 4,
  BF_MWSTSTR = 19,       // end of the run 3..19 of the VAT key group
  BF_CODE = 20,
  BF_ZAHL = 21,
  BF_BUCHSTABE = 22,
  BF_BOX = 23,           // 23..29: the account box with name, code and number
  BF_KONTONAME = 25,
  BF_KONTOCODE = 27,
  BF_KONTONR = 29,
  BF_DATUM = 30,
  BF_DATUMMERKEN = 31,
  BF_ZAHLART = 32,
  BF_BRUTTO = 33,
  BF_NETTOKNOPF = 34,    // 34..37: the buttons and entries of net and VAT
  BF_NETTO = 35,
  BF_MWSTKNOPF = 36,
  BF_MWST = 37,
  BF_TEXT_1 = 38,
  BF_TEXT_2 = 39,
  BF_LETZTEBUCHUNG = 40,
  BF_NR = 41,            // the account pick list
  BF_HILF = 42,
};

// The form's procedure: opens $WINBUCHUNG on the calling logical thread and hands it its events.
void BuchungEingeben();
// The state without an account.
void EingabeNeutral();
// Clears the entry, returns to the state without an account and shows it.
void EingabeLeeren();
// The message for a number or code without an account.
void KeinKontoMeldung();
