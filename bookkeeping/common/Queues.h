#pragma once
// The in-memory lists that several windows share: the account pick list and the three booking lists.

#include "runtime/Queue.h"
#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <cstdint>

struct KONTOQUEUE_T {
  rt::String<40> NAME;
  rt::String<4> SHORTCUT;
  rt::String<8> NR;
  rt::String<50> TEXTVORGABE[2];
};

// A row of the booking lists: text 1, three blanks, text 2; the gross amount; the booking number.
struct BUCHUNGSZEILE_T {
  rt::DATE DATUM{};
  rt::String<103> TEXT;
  double BETRAG = 0;
  std::int32_t NR = 0;
};

extern rt::Queue<KONTOQUEUE_T> KONTOQUEUE;
extern rt::Queue<BUCHUNGSZEILE_T> EINGANGQUEUE;  // income of the period, newest first
extern rt::Queue<BUCHUNGSZEILE_T> AUSGANGQUEUE;  // expenses and VAT bookings of the period
extern rt::Queue<BUCHUNGSZEILE_T> SUCHQUEUE;     // search results, oldest first

struct BUCHUNG_T;
// The list row of a booking.
BUCHUNGSZEILE_T BuchungsZeile(const BUCHUNG_T& buchung);
