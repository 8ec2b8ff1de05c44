#pragma once
// The work behind the booking overview: the refill of the income and expense lists with the period
// and year sums, and the text search. They work on "Buchung.dat", PARA and the queues alone.

#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <QString>
#include <functional>

struct SUMMEN_T {
  double JGEWINN = 0;
  double JEINGANGBRUTTO = 0;
  double JAUSGANGBRUTTO = 0;  // negative
  double JUST = 0;            // negative
  double EINGANGNETTO = 0;
  double EINGANGBRUTTO = 0;
  double EINGANGMWST = 0;
  double AUSGANGNETTO = 0;    // negative
  double AUSGANGBRUTTO = 0;   // negative
  double AUSGANGMWST = 0;     // negative
};

extern SUMMEN_T SUMMEN;
extern rt::DATE BUCHUNGSUCHENVON;
extern rt::DATE BUCHUNGSUCHENBIS;
extern rt::String<50> BUCHUNGSUCHENTEXT;
// The first and last day of the year of PARA.VONSUMMENDATUM.
extern rt::Day JAHRESANFANG;
extern rt::Day JAHRESENDE;

void JahresgrenzenSetzen();

// Empties the income and expense lists, sets SUMMEN to 0 and walks the year of the period's first
// day from its newest booking back; `jeBuchung` runs after each booking read.
void ListenNeuBerechnen(const std::function<void()>& jeBuchung = {});

// The search range is usable: both dates set and Von not after Bis.
bool SuchbereichGueltig();
// Fills SUCHQUEUE with the bookings of the range whose text contains the fragment.
void SuchergebnisFuellen();
// The search range preset from the earliest to the latest booking; dates stay in an empty file.
void SuchbereichVorbelegen();

// Upper case for a to z and ä, ö, ü; every other character stays.
QString GrossMitUmlauten(const QString& text);
