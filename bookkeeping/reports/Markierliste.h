#pragma once
// The print dialog's account marking list MARKIERQUEUE: every account of "Konto.dat" in number
// order, included (blue) or left out (grey) of the evaluation by account.

#include "bookkeeping/common/Queues.h"

// Refills MARKIERQUEUE with every account, all included. The shared record buffer KONTO is left as
// it was.
void MarkierlisteFuellen();
// Set a row to the included or the left-out state (the caller writes it back).
void KontoMarkieren(MARKIERQUEUE_T& zeile);
void KontoDemarkieren(MARKIERQUEUE_T& zeile);
// A colour word: red in the low byte, then green, then blue.
std::int32_t Farbwort(int rot, int gruen, int blau);
