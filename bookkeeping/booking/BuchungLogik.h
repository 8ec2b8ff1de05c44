#pragma once
// The operations behind the booking entry form: account lookup and take-over, the pick list, net
// and VAT amounts, clearing, storing under the next free number and loading for editing. They work
// on the records, queues and globals alone; the form only shows their results.

#include "bookkeeping/data/Dateien.h"

#include <cstdint>

extern BUCHUNG_T BUCHUNGEINGABE;        // the booking being entered
extern rt::String<4> CODE;              // account number or code as typed; blank: no account chosen
extern std::int16_t KONTOMWST;          // the chosen VAT key 0..5
extern rt::String<20> KONTONAME_;
extern std::uint8_t DATUMMERKEN;
extern rt::DATE MERKDATUM;
extern rt::String<50> LETZTEBUCHUNG;
extern std::int32_t GEWAEHLTEBUCHUNG;   // the booking the overview hands over
extern std::uint8_t BUCHUNGSUCHEN;      // 1 while the overview is in its search mode

void NettoMwstBerechnen();
void AuswahlListeFuellen();

enum class Suche { KeineSuche, NichtGefunden, Gefunden };
Suche KontoNachschlagen();
// Takes the account in KONTO into the entry; with the edit mark the loaded VAT key and texts stay.
std::uint8_t KontoUebernehmen(std::uint8_t bearbeiten);

// The data part of clearing the form.
void EingabeDatenLeeren();

void MwstAusNetto();   // "MwSt dazu berechnen?" answered with OK
void NettoAusMwst();   // "Netto dazu berechnen?" answered with OK

enum class Speichern {
  NichtGespeichert,  // no date: nothing stored, the entry keeps its content
  Gespeichert,
  Fehlgeschlagen,    // the file refused the booking: the entry keeps its content
  KeineNummerFrei,   // the highest booking number is taken: nothing stored, the entry keeps its content
};
// Stores the entry under the next free number; `leeren` clears the form after a store.
Speichern BuchungSpeichern(void (*leeren)() = EingabeDatenLeeren);
// The error code of the last failed store or load.
int BuchungSpeichernFehler();
// Clearing the form deletes the booking loaded for editing for good.
void BearbeitungVerwerfen();
// A booking that was being edited when the program last ended goes back among the others; true
// when there was one.
bool BearbeitungWiederherstellen();

enum class Laden {
  NichtsGeladen,
  KontoFehlt,
  Geladen,
  Fehlgeschlagen,  // the booking could not be taken out of the file: it stays there, the entry is cleared
};
// Loads booking GEWAEHLTEBUCHUNG into the entry; loaded, it is taken out of the file.
Laden BuchungLadenFuerBearbeitung();
