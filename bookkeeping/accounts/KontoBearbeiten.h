#pragma once
// The account edit window P23$WIN "Konto bearbeiten": name, number, code, kind, VAT key and two
// preset texts of the account in the record buffer KONTO. "OK" checks and saves it; the booking
// mode decides which parts the user may set.

#include <cstdint>

// Field numbers of the window's controls.
enum KontoBearbeitenFeld : int {
  KB_SPEICHERN = 1,
  KB_ABBRUCH = 2,
  KB_NAME = 3,
  KB_NR = 4,
  KB_SHORTCUT = 5,
  KB_ART = 6,          // the kind options; their buttons are KB_ART_1 .. KB_ART_1 + 2
  KB_ARTTEXT = 7,      // "Art"
  KB_BOX = 8,          // the box in the kind's colour
  KB_MWST = 9,         // the VAT key group; its buttons ?R1 .. ?R5 are KB_R1 .. KB_R1 + 4
  KB_R1 = 10,
  KB_TEXTVORGABE_1 = 15,
  KB_TEXTVORGABE_2 = 16,
  KB_ART_1 = 17,
  KB_MWSTRAHMEN = 20,  // frame and heading "MwSt Satz" of the VAT key group
  KB_MWSTTITEL = 21,
};

// Edits the account in KONTO and returns when the window has closed. `nummer` > 0 rewrites the
// account read under that number, 0 or less adds a new one. KONTO keeps what the window left in it.
void KontoBearbeiten(std::int32_t nummer);
// Colours ?BOX by the account's kind and shows or hides the VAT key group (the VAT prepayment kind
// has no VAT key).
void KontoArtFaerben();
