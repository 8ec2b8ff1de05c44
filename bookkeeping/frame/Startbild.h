#pragma once
// The splash window P7$WIN: the program's picture, shown on a thread of its own from just before the
// frame opens, for six seconds or until a click with either mouse button. When it closes it tells the
// sums window (EVENT_StartbildEnde), which passes the news on to the booking form.

namespace rt::win {
class Window;
}

// The procedure of the splash's thread: opens the window and hands it its events.
void Startbild();
// Closes a splash that is still up without telling anyone: it ends with the program.
void StartbildSchliessen();

