#pragma once
// The set-up that every program of the system makes before its first window: the platform plugin
// and runtime folder when there is no display, the German locale and Qt's German standard dialog
// texts, and the window font (Arial 8 point; Liberation Sans stands in for it where Arial is missing).

namespace rt::win {

// Before the QApplication is created: without a display the program runs offscreen, with a private
// runtime folder (mode 0700) when none is set.
void prepareEnvironment();
// After the QApplication is created: the German locale, Qt's German texts and the window font.
void setUpApplication();

}  // namespace rt::win
