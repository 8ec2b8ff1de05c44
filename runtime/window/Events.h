#pragma once
// The events that reach a window procedure, one per pass, and the three ways a pass can end.

namespace rt::win {

enum EventCode : int {
  EV_None = 0,
  EV_Accepted = 1,      // a control was completed: entry left after a change, button pressed, …
  EV_NewSelection = 2,  // each keystroke of an immediate entry, a new list row, a spin step
  EV_Selected = 3,      // a control is about to get the focus
  EV_AlertKey = 4,      // an alert key of the window was pressed; Event::key tells which
  EV_OpenWindow = 10,   // first event after the window has opened
  EV_GainFocus = 11,
  EV_LoseFocus = 12,
  EV_Timer = 13,
  EV_CloseWindow = 14,  // close request (close box, Esc, Alt+F4, or posted)
  EV_CloseDown = 15,    // the program closes the window; its default action always closes it
  EV_Sized = 16,        // the window's size was set or changed
  EV_ColumnResize = 17, // the user resized a column of a list
  EV_User = 0x400,      // user events are 400h and above
};

// Key codes of the mouse buttons. As alert keys of a window, a press of that button anywhere in the
// window raises an EV_AlertKey event instead of its normal work.
inline constexpr int kKeyMouseLeft = 1;
inline constexpr int kKeyMouseRight = 2;
// The key code of an accepted event raised by a double click with the left mouse button.
inline constexpr int kKeyMouseLeft2 = 5;

struct Event {
  int code = EV_None;
  int field = 0;  // the control of a field event, else 0
  int key = 0;    // the key code of an alert key event
};

// How a pass of a window procedure ends.
enum class Pass {
  Default,    // with the default action of the event (a close request then closes the window)
  NoDefault,  // without it (a refused close request)
  Leave,      // leave the event loop: the window closes
};

}  // namespace rt::win
