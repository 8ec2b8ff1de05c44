#pragma once
// The notice "Gespeichert": shown for 0.8 s beside the booking form on a logical thread of its own;
// when it closes it tells the form to store the booking.

void GespeichertHinweis();
