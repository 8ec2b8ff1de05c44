#pragma once
// The user events that the program's windows post to each other.

#include "runtime/window/Events.h"

enum : int {
  EVENT_Bestaetigt = 0x400,               // a window confirms its input to itself
  EVENT_Speichern = 0x401,                // the notice tells the booking form to store
  EVENT_ListenNeu = 0x402,                // the overview rebuilds its lists and sums
  EVENT_SummenNeu = 0x403,                // the sums window shows new sums
  EVENT_StartbildEnde = 0x404,            // the splash has closed
  EVENT_BuchungLaden = 0x405,             // the overview hands a booking to the booking form
  EVENT_EinstellungenGeaendert = 0x406,   // settings saved or a CSV export ended
};
