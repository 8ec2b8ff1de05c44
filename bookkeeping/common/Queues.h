#pragma once
// The in-memory lists that several windows share: the account pick list and the three booking lists.

#include "runtime/Queue.h"
#include "runtime/report/Report.h"
#include "runtime/text/Cents.h"
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
  rt::Cents BETRAG;
  std::int32_t NR = 0;
};

// A row of the print dialog's account marking list: name and number, each with its colours (text,
// background, text and background when selected; red in the low byte), and whether the account is
// left out of the evaluation by account (1) or included (0).
struct MARKIERQUEUE_T {
  rt::String<40> NAME;
  std::int32_t F1 = 0, F2 = 0, F3 = 0, F4 = 0;
  rt::String<8> NR;
  std::int32_t F5 = 0, F6 = 0, F7 = 0, F8 = 0;
  std::uint8_t GESPERRT = 0;
};

extern rt::Queue<KONTOQUEUE_T> KONTOQUEUE;
extern rt::Queue<BUCHUNGSZEILE_T> EINGANGQUEUE;  // income of the period, newest first
extern rt::Queue<BUCHUNGSZEILE_T> AUSGANGQUEUE;  // expenses and VAT bookings of the period
extern rt::Queue<BUCHUNGSZEILE_T> SUCHQUEUE;     // search results, oldest first
extern rt::Queue<MARKIERQUEUE_T> MARKIERQUEUE;   // the accounts of the print dialog
extern rt::report::PageQueue SEITENQUEUE;        // the pages of the report in the print preview

struct BUCHUNG_T;
// The list row of a booking.
BUCHUNGSZEILE_T BuchungsZeile(const BUCHUNG_T& buchung);
