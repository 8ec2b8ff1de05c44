#pragma once
// Logical threads. Qt allows widgets on one OS thread only, so every thread of the program is a
// logical thread on the GUI thread: a number, a queue of posted events and a stack of open windows.
// Thread 1 is the main thread. A post to number 0 reaches the posting thread itself.

#include "runtime/window/Events.h"

#include <functional>

namespace rt::win {

class Window;

// Starts `procedure` on a new logical thread and returns its number. The procedure opens its window
// and returns; the thread lives while it has an open window.
int start(const std::function<void()>& procedure);
int currentThread();
bool threadExists(int thread);

// Posts a user event (or any event code) to the top window of a thread.
void post(int code, int thread = 0);
// Posts a field event (accepted, new selection, close request …) for a control of the thread's top window.
void postField(int code, int field, int thread = 0);

// The field of the selected event being handled now; 0 at every other time.
int selectingField();

// The top window of a thread, or nullptr.
Window* topWindow(int thread);

}  // namespace rt::win
