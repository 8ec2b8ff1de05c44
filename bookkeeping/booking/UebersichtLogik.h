#pragma once
// The work behind the booking overview: the refill of the income and expense lists with the period
// and year sums, and the text search. They work on "Buchung.dat", PARA and the queues alone.

#include "runtime/UnfilledVector.h"
#include "runtime/text/Cents.h"
#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include "bookkeeping/common/Queues.h"

#include <QString>
#include <cstdint>
#include <vector>
#include <functional>

struct SUMMEN_T {
  rt::Cents JGEWINN;
  rt::Cents JEINGANGBRUTTO;
  rt::Cents JAUSGANGBRUTTO;  // negative
  rt::Cents JUST;            // negative
  rt::Cents EINGANGNETTO;
  rt::Cents EINGANGBRUTTO;
  rt::Cents EINGANGMWST;
  rt::Cents AUSGANGNETTO;    // negative
  rt::Cents AUSGANGBRUTTO;   // negative
  rt::Cents AUSGANGMWST;     // negative
};

extern SUMMEN_T SUMMEN;
extern rt::DATE BUCHUNGSUCHENVON;
extern rt::DATE BUCHUNGSUCHENBIS;
extern rt::String<50> BUCHUNGSUCHENTEXT;
// The first and last day of the year of PARA.VONSUMMENDATUM.
extern rt::Day JAHRESANFANG;
extern rt::Day JAHRESENDE;

void JahresgrenzenSetzen();

// Empties the income and expense lists, sets SUMMEN to 0 and fills them from the bookings of the
// year of the period's first day, newest first. The rows of that year are kept in memory, so that
// after a store, a delete or a load only the changed rows are read from "Buchung.dat"; the copy is
// never written back. A refill that has to read the whole year calls `zwischendurch` before it
// starts and then every 50 ms or so, with the walk's position and BUCHUNG saved around the call:
// the window shows its progress there and lets the other threads work, which may use the file.
void ListenNeuBerechnen(const std::function<void()>& zwischendurch = {});
// Starts reading the year of PARA.VONSUMMENDATUM on threads of their own, with their own
// connections to "Buchung.dat", while the program goes on; the next refill of that year takes the
// rows from there and catches up with what was stored meanwhile. Verwerfen waits for that read and
// drops it; it must end before "Buchung.dat" is closed.
void JahrVorauslesen();
void JahrVorauslesenVerwerfen();
// How often a long refill pauses: at most every `zeilen` rows, and not before `ms` have passed since
// the last pause (256 and 50 unless set).
void ListenNeuTakt(int zeilen, int ms);
// The rows that the last refill read from "Buchung.dat".
long ListenNeuGelesen();

// One booking of the year as the refill keeps it. The text of its list row lies in one of the
// copy's text stores.
struct JAHRESZEILE_T {
  std::int64_t ZEILE;  // the row in the file
  rt::Cents BRUTTO, NETTO, MWST;
  rt::DATE DATUM;
  rt::Day TAG;
  std::int32_t NR;
  std::uint32_t TEXTSTELLE;  // where the text begins in its store
  std::uint8_t TEXTLAENGE;
  std::uint8_t TEXTSPEICHER;
  std::uint8_t ART;
};
// The rows kept, in walk order (date, then number, descending).
const rt::UnfilledVector<JAHRESZEILE_T>& JahresKopie();
// The list row of a kept booking.
BUCHUNGSZEILE_T JahresListenzeile(const JAHRESZEILE_T& zeile);

// The search range is usable: both dates set and Von not after Bis.
bool SuchbereichGueltig();
// Fills SUCHQUEUE with the bookings of the range whose text contains the fragment.
void SuchergebnisFuellen();
// The bookings that the last search read.
long SuchergebnisGelesen();
// The search range preset from the earliest to the latest booking; dates stay in an empty file.
void SuchbereichVorbelegen();

// Upper case for a to z and ä, ö, ü; every other character stays.
QString GrossMitUmlauten(const QString& text);
