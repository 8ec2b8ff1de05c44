#pragma once
// Logical threads. Qt allows widgets on one OS thread only, so every thread of the program is a
// logical thread on the GUI thread: a number, a queue of posted events, a stack of open windows and a
// coroutine of its own, in which its procedure and its window handlers run. A modal call waits only
// in its own thread. Thread 1 is the main thread. A post to number 0 reaches the posting thread itself.

#include "runtime/window/Events.h"

#include <functional>
#include <memory>

class QDialog;

namespace rt::win {

class Window;

// Starts `procedure` on a new logical thread and returns its number. The procedure runs at once until
// it waits (a modal run) or returns; the thread lives while its procedure runs or it has an open window.
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

// Lets the screen repaint and the other threads work, then goes on: for a long walk that shows its
// progress. The calling thread's own events wait meanwhile.
void yieldThread();
// Whether a key press has reached a window of the calling thread since the event being handled was
// taken (typed, but not yet handled by the program); lets the screen catch up first.
bool keyPressWaiting();
// Runs a Qt dialog (a standard dialog: folder, printer, message box) without a nested event loop.
// The caller makes it on the heap; the runtime owns it from then on and deletes it before it
// returns. The calling thread waits until the dialog is finished, its window taking no input, while
// the other threads go on; `answer` then runs, the dialog still there, to read what was chosen.
// Returns the dialog's result (QDialog::Accepted or Rejected). The wait ends as cancelled (Rejected,
// `answer` not run) when the dialog goes, when the window it was opened over closes or is closed
// down, and at the program's end.
int runDialog(QDialog* dialog, const std::function<void()>& answer = {});

// At the program's end, after its main window has closed: closes the windows still open (each hears
// of it on its own thread) and lets every suspended thread go on, its waits ending at once, until its
// procedure has returned and its stack has unwound. Called outside every logical thread.
void endThreads();

// A procedure that runs in steps on a stack of its own, on the calling thread and outside the
// dispatcher: resume() runs it until it calls pause() or returns. Destroyed while its procedure has
// begun and not returned, it unwinds the procedure's stack (its destructors run) without going on.
class Steps {
 public:
  explicit Steps(std::function<void()> procedure);
  ~Steps();
  Steps(const Steps&) = delete;
  Steps& operator=(const Steps&) = delete;

  // Runs the procedure on until it pauses or returns; false once it has returned. An exception that
  // leaves the procedure leaves the resume() that ran it.
  bool resume();
  // Called by the procedure: back to the resume() that runs it.
  void pause();
  bool done() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Whether a logical thread has work it can do now (an event it can take, a wait that has ended);
// whether the caller runs in a logical thread. For drivers that let the threads settle.
bool threadsHaveWork();
bool inLogicalThread();

}  // namespace rt::win
