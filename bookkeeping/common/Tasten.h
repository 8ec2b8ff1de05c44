#pragma once
// Key assignments of the keyboard mode "Windows Erweitert": F2 confirms, Enter moves to the next
// field, the Up key to the previous one.

#include <cstdint>

namespace rt::win {
class Window;
struct Event;
}

// Removes every key alias and the alert keys of the current window.
void TastenLoeschen();
// Sets the keys when the keyboard mode is "Windows Erweitert" or `erzwungen` is set. Enter keeps its
// own work on the controls up to field `n`, unless `enterImmer` is set.
void TastenBelegen(int n, std::uint8_t enterImmer, std::uint8_t erzwungen);

// The alert key F2 of a window with a confirm action: the entry being typed is taken first, then the
// window posts EVENT:Bestaetigt to its own thread, as its confirm button does.
void F2Bestaetigen(rt::win::Window& fenster, int taste);

// The key handling of a window with a confirm action (account edit, settings, CSV export): the keys
// are set again when the window gains the focus or a control is selected, and F2 confirms. True when
// the event was one of these; the caller then ends the pass with the default action.
bool BestaetigungsTasten(rt::win::Window& fenster, const rt::win::Event& e);
