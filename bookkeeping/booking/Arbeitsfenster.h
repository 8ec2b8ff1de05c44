#pragma once
// Whether the user is at the frame or one of its three work windows (or at no window of the
// program, or at the splash or the notice "Gespeichert", which come and go by themselves): only
// then do the booking form and the sums window make themselves the active window.
// While the user is at a window that was opened on the way (a dialog, a message, the CSV export, an
// account window, a standard dialog), it keeps the front and the focus.
bool ArbeitsfensterVorne();
