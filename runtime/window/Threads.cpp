// The dispatcher of the logical threads. Every logical thread runs in a stackful coroutine of its own
// on the GUI thread; Qt's signals and event filters only queue events. The dispatcher, called from
// Qt's event loop, resumes each coroutine whose queue holds a deliverable event or whose wait has
// ended; the coroutine handles its events one by one and suspends when it has nothing left to do.
// A modal run thus suspends only its own thread, and each thread goes on as soon as its own window
// answers, whatever the other threads wait for. Code outside every coroutine (the program's start,
// tests) waits in a nested event loop instead.

#include "runtime/window/Threads.h"

#include "runtime/window/Internal.h"

#include <boost/context/protected_fixedsize_stack.hpp>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <exception>
#include <utility>

namespace rt::win {
namespace {

// A handler may build reports and standard dialogs: the coroutines get roomy stacks, with a guard
// page below each.
constexpr std::size_t kStackSize = 4u << 20;

// Resumes at most this many coroutines per pass, so that Qt gets to paint and read input in between.
constexpr int kResumesPerPass = 64;

// At the program's end, the windows closed and the threads let go on at most this many times.
constexpr int kMaxClosings = 10000;

// The coroutines' stacks. Under AddressSanitizer a stack is unpoisoned before it is freed: frames that
// were poisoned on it would otherwise stay poisoned in memory that is later used for something else.
struct Stack : boost::context::protected_fixedsize_stack {
  using Base = boost::context::protected_fixedsize_stack;
  Stack() : Base(kStackSize) {}
  void deallocate(boost::context::stack_context& sc) noexcept {
#if defined(__SANITIZE_ADDRESS__)
    __asan_unpoison_memory_region(static_cast<char*>(sc.sp) - sc.size, sc.size);
#endif
    Base::deallocate(sc);
  }
};

}  // namespace

Dispatcher& Dispatcher::get() {
  static Dispatcher* d = [] {
    auto* dispatcher = new Dispatcher;
    dispatcher->threads[1].id = 1;
    return dispatcher;
  }();
  return *d;
}

bool Dispatcher::alive(int thread) const {
  auto it = threads.find(thread);
  if (it == threads.end() || it->second.finished) return false;
  const LogicalThread& t = it->second;
  return thread == 1 || !t.stack.empty() || !t.idle || !t.started;
}

void Dispatcher::enqueue(int thread, Window* target, const Event& ev, std::function<void()> call) {
  if (!alive(thread)) return;  // the thread has ended: the event goes nowhere
  auto& q = threads[thread].queue;
  // Resize and timer events say only that something happened; one pending copy is enough.
  if (!call && (ev.code == EV_Sized || ev.code == EV_Timer)) {
    for (const Pending& p : q)
      if (p.target == target && p.ev.code == ev.code && !p.call) return;
  }
  q.push_back(Pending{target, ev, std::move(call)});
  schedule();
}

void Dispatcher::schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, [this] { pump(); }, Qt::QueuedConnection);
}

bool Dispatcher::deliverable(const LogicalThread& t, const Pending& p) const {
  if (t.stack.empty()) return false;
  Window* top = t.stack.back();
  Window* target = p.target ? p.target : top;
  if (target != top) return false;  // waits until the windows above it have closed
  WindowImpl* w = target->impl();
  if ((!w->handler && !p.call) || w->inHandler) return false;
  if (w->deferUserEvents && p.ev.code >= EV_User) return false;
  return true;
}

bool Dispatcher::wakeable(const LogicalThread& t) const {
  if (t.running || t.finished) return false;
  const auto anyDeliverable = [&] {
    return std::any_of(t.queue.begin(), t.queue.end(), [&](const Pending& p) { return deliverable(t, p); });
  };
  if (!t.started) return static_cast<bool>(t.procedure) || anyDeliverable();
  if (t.until && t.until()) return true;
  return t.takesEvents && anyDeliverable();
}

bool Dispatcher::hasWork() const {
  if (yielding) return true;
  for (const auto& [id, t] : threads)
    if (wakeable(t)) return true;
  return false;
}

void Dispatcher::pump() {
  scheduled_ = false;
  // One coroutine at a time, and a fresh look at every thread after each: a handler may open or
  // close windows, post events or start threads.
  for (int n = 0;; ++n) {
    auto it = std::find_if(threads.begin(), threads.end(), [&](const auto& e) { return wakeable(e.second); });
    if (it == threads.end()) break;
    if (n == kResumesPerPass) {
      schedule();
      break;
    }
    resume(it->second);
  }
  for (auto& [loop, done] : outerWaits)
    if (done()) loop->quit();
}

void Dispatcher::resume(LogicalThread& t) {
  const int id = t.id;
  if (!t.started) {
    t.started = true;
    t.suspended = boost::context::fiber(
        std::allocator_arg, Stack(),
        [this, id](boost::context::fiber&& caller) {
          LogicalThread& self = threads[id];
          self.back = std::move(caller);
          try {
            if (self.procedure) {
              const std::function<void()> procedure = std::move(self.procedure);
              self.procedure = nullptr;
              procedure();
            }
            // Then the thread serves its windows; it ends with its last window (the main thread
            // never, but at the program's end).
            self.idle = true;
            wait([&self] { return self.id != 1 && self.stack.empty(); }, true);
          } catch (const boost::context::detail::forced_unwind&) {
            throw;  // the coroutine's own unwinding
          } catch (const std::exception& e) {
            failed(self, QString::fromLocal8Bit(e.what()));
          } catch (...) {
            failed(self, {});
          }
          self.finished = true;
          return std::move(self.back);
        });
  }
  const int savedCurrent = current, savedCoroutine = inCoroutine, savedSelecting = selecting;
  current = inCoroutine = id;
  t.running = true;
  t.suspended = std::move(t.suspended).resume();
  LogicalThread& after = threads[id];
  after.running = false;
  current = savedCurrent;
  inCoroutine = savedCoroutine;
  selecting = savedSelecting;
  if (!after.finished) return;
  if (id != 1) {
    threads.erase(id);
    return;
  }
  // The main thread's coroutine only serves the windows of the main procedure, which goes on: a new
  // one serves them when they have events again.
  after.started = after.finished = after.idle = false;
  after.until = nullptr;
  after.takesEvents = false;
}

void Dispatcher::wait(const std::function<bool()>& done, bool takeEvents) {
  if (!inCoroutine) {
    if (done() || ending) return;
    QEventLoop loop;
    outerWaits.emplace_back(&loop, [this, done] { return ending || done(); });
    schedule();
    loop.exec();
    outerWaits.erase(std::find_if(outerWaits.begin(), outerWaits.end(),
                                  [&](const auto& w) { return w.first == &loop; }));
    return;
  }
  LogicalThread& t = threads[inCoroutine];
  std::function<bool()> savedUntil = std::move(t.until);
  const bool savedTakes = t.takesEvents;
  const bool savedIdle = t.idle;
  t.until = done;
  t.takesEvents = takeEvents;
  while (!done() && !ending) {
    if (takeEvents && deliverNext(t)) continue;
    const int savedSelecting = selecting;
    t.back = std::move(t.back).resume();  // back to the dispatcher until this thread is resumed
    selecting = savedSelecting;
  }
  t.until = std::move(savedUntil);
  t.takesEvents = savedTakes;
  t.idle = savedIdle;
}

bool Dispatcher::deliverNext(LogicalThread& t) {
  auto it = std::find_if(t.queue.begin(), t.queue.end(), [&](const Pending& p) { return deliverable(t, p); });
  if (it == t.queue.end()) return false;
  Pending p = std::move(*it);
  t.queue.erase(it);
  deliver(t, std::move(p));
  return true;
}

void Dispatcher::deliver(LogicalThread& t, Pending p) {
  Window* target = p.target ? p.target : t.stack.back();
  WindowImpl* w = target->impl();
  // Drop stale focus events: the control must still be the one with the focus.
  if (!p.call && p.ev.code == EV_Selected && target->focusField() != p.ev.field) return;
  const int savedSelecting = selecting;
  const bool savedIdle = t.idle;
  t.idle = false;
  t.keysSeen = t.keyPresses;
  selecting = p.ev.code == EV_Selected && !p.call ? p.ev.field : 0;
  std::weak_ptr<bool> alive = w->token;
  ++w->inHandler;
  Pass r = Pass::NoDefault;
  if (p.call) {
    p.call();
  } else {
    Window::Handler handler = w->handler;  // the handler may replace itself
    r = handler(*target, p.ev);
  }
  selecting = savedSelecting;
  t.idle = savedIdle;
  if (alive.expired()) return;
  --w->inHandler;
  if (w->released && !w->inHandler) {
    delete target;
    schedule();
    return;
  }
  if (!w->open) return;
  if (r == Pass::Default) {
    applyDefault(*target, p.ev);
  } else if (r == Pass::Leave) {
    if (w->inRun)
      w->left = true;
    else
      target->close();
  }
  schedule();
}

void Dispatcher::closeDown(Window* target) {
  WindowImpl* w = target->impl();
  std::weak_ptr<bool> alive = w->token;
  // A dialog that its handler waits for ends first, as cancelled; then the handler hears of the
  // close-down.
  w->closing = true;
  auto it = threads.find(w->thread);
  if (it != threads.end() && w->handler) {
    LogicalThread& t = it->second;
    if (t.running && inCoroutine == t.id) {
      if (!w->inHandler) deliver(t, Pending{target, Event{EV_CloseDown, 0, 0}, {}});
    } else {
      t.queue.push_front(Pending{target, Event{EV_CloseDown, 0, 0}, {}});
      if (wakeable(t)) resume(t);  // its coroutine handles it now, if the window is its top one
    }
  }
  if (!alive.expired()) target->close();
}

void Dispatcher::failed(LogicalThread& t, const QString& what) {
  qWarning("Logical thread %d ended by an exception: %s", t.id, qUtf8Printable(what));
  // The handlers that the exception left never return: their windows take no more events.
  for (Window* w : t.stack) w->impl()->handler = nullptr;
  auto* box = new QMessageBox(QMessageBox::Critical, QCoreApplication::applicationName(),
                              "Ein unerwarteter Fehler ist aufgetreten. Das Programm wird beendet.");
  if (!what.isEmpty()) box->setInformativeText("Fehler: " + what);
  box->setObjectName("Programmfehler");
  runDialog(box);
  // The program closes as at its end: its windows close, the last opened first (the frame with the
  // windows inside it), and the procedure that waits for them goes on to its end.
  for (int n = 0; n < kMaxClosings; ++n) {
    Window* w = lastOpenWindow();
    if (!w) break;
    closeDown(w);
  }
}

Window* Dispatcher::lastOpenWindow() const {
  // A window being closed (the frame while the windows inside it close) is no longer open.
  for (auto it = openWindows.rbegin(); it != openWindows.rend(); ++it)
    if ((*it)->isOpen()) return *it;
  return nullptr;
}

void applyDefault(Window& w, const Event& ev) {
  if (ev.code == EV_CloseWindow || ev.code == EV_CloseDown) w.close();
}

void Dispatcher::opened(Window* w) {
  auto& t = threads[w->impl()->thread];
  t.id = w->impl()->thread;
  // The lower window takes no input while another window of its thread is above it.
  if (!t.stack.empty()) t.stack.back()->impl()->setInputEnabled(false);
  t.stack.push_back(w);
  openWindows.push_back(w);
}

void Dispatcher::closed(Window* w) {
  const int id = w->impl()->thread;
  openWindows.erase(std::remove(openWindows.begin(), openWindows.end(), w), openWindows.end());
  auto it = threads.find(id);
  if (it == threads.end()) return;
  auto& t = it->second;
  const bool wasTop = !t.stack.empty() && t.stack.back() == w;
  t.stack.erase(std::remove(t.stack.begin(), t.stack.end(), w), t.stack.end());
  t.queue.erase(std::remove_if(t.queue.begin(), t.queue.end(),
                               [&](const Pending& p) { return p.target == w; }),
                t.queue.end());
  if (wasTop && !t.stack.empty()) t.stack.back()->impl()->setInputEnabled(true);
  // A thread that has never run and has no window left has nothing to do.
  if (t.stack.empty() && !t.started && id != 1) threads.erase(it);
  schedule();
}

Window* Dispatcher::windowOf(const QObject* o) const {
  // The innermost open window whose widgets hold `o`. A window of its own on the way (a standard
  // dialog, a menu) is none of them: its keys are its own.
  for (; o; o = o->parent()) {
    for (auto it = openWindows.rbegin(); it != openWindows.rend(); ++it) {
      WindowImpl* w = (*it)->impl();
      if (o == w->content || o == w->top) return *it;
    }
    if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) return nullptr;
  }
  return nullptr;
}

int start(const std::function<void()>& procedure) {
  Dispatcher& d = Dispatcher::get();
  const int id = d.nextId++;
  LogicalThread& t = d.threads[id];
  t.id = id;
  t.procedure = procedure;
  // The procedure runs at once, until it waits or has opened its window.
  d.resume(t);
  return id;
}

int currentThread() { return Dispatcher::get().current; }
int selectingField() { return Dispatcher::get().selecting; }

bool threadExists(int thread) { return Dispatcher::get().alive(thread); }

void post(int code, int thread) {
  Dispatcher& d = Dispatcher::get();
  d.enqueue(thread ? thread : d.current, nullptr, Event{code, 0, 0});
}

void postField(int code, int field, int thread) {
  Dispatcher& d = Dispatcher::get();
  d.enqueue(thread ? thread : d.current, nullptr, Event{code, field, 0});
}

Window* topWindow(int thread) {
  Dispatcher& d = Dispatcher::get();
  auto it = d.threads.find(thread);
  if (it == d.threads.end() || it->second.stack.empty()) return nullptr;
  return it->second.stack.back();
}

void yieldThread() {
  Dispatcher& d = Dispatcher::get();
  if (!d.inCoroutine) {
    QCoreApplication::processEvents();
    return;
  }
  // Back after Qt has handled what is waiting (input, painting) and the other threads have had
  // their turn.
  auto done = std::make_shared<bool>(false);
  QTimer::singleShot(0, &d, [done, &d] {
    *done = true;
    d.schedule();
  });
  ++d.yielding;
  d.wait([done] { return *done; }, false);
  --d.yielding;
}

bool keyPressWaiting() {
  yieldThread();
  Dispatcher& d = Dispatcher::get();
  auto it = d.threads.find(d.current);
  return it != d.threads.end() && it->second.keyPresses != it->second.keysSeen;
}

int runDialog(QDialog* dialog, const std::function<void()>& answer) {
  Dispatcher& d = Dispatcher::get();
  QPointer<QDialog> guard(dialog);
  bool finished = false;
  int result = QDialog::Rejected;
  const auto connection = QObject::connect(dialog, &QDialog::finished, &d, [&finished, &result, &d](int r) {
    finished = true;
    result = r;
    d.schedule();
  });
  // Non-blocking: the dialog opens without a modal loop; this thread's window takes no input and the
  // thread waits until the dialog is finished, while the other threads go on. Outside every thread
  // the dialog runs modally.
  Window* top = d.inCoroutine ? topWindow(d.current) : nullptr;
  std::weak_ptr<bool> alive = top ? top->impl()->token : std::weak_ptr<bool>();
  const auto ownerThere = [top, alive] {
    return !top || (!alive.expired() && top->isOpen() && !top->impl()->closing);
  };
  if (!d.inCoroutine) {
    if (!d.ending) dialog->exec();
  } else if (!d.ending) {
    if (top) top->impl()->setInputEnabled(false);
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    d.wait([&] { return finished || !guard || !ownerThere(); }, false);
    if (ownerThere() && top) top->impl()->setInputEnabled(true);
  }
  if (!guard) return QDialog::Rejected;
  QObject::disconnect(connection);
  if (!finished || !ownerThere()) result = QDialog::Rejected;
  else if (answer) answer();
  delete guard.data();
  return result;
}

void endThreads() {
  Dispatcher& d = Dispatcher::get();
  d.ending = true;
  for (int n = 0; n < kMaxClosings; ++n) {
    // The windows still open, the last opened first: each hears of it on its own thread.
    if (Window* w = d.lastOpenWindow()) {
      d.closeDown(w);
      continue;
    }
    auto it = std::find_if(d.threads.begin(), d.threads.end(), [](const auto& e) {
      return e.second.started && !e.second.finished && !e.second.running;
    });
    if (it == d.threads.end()) break;
    d.resume(it->second);
  }
  d.ending = false;
}

struct Steps::State {
  std::function<void()> procedure;
  boost::context::fiber paused;  // the procedure while it waits for resume()
  boost::context::fiber caller;  // the resume() that runs it, while it runs
  std::exception_ptr failure;
  bool done = false;
};

Steps::Steps(std::function<void()> procedure) : state_(std::make_unique<State>()) {
  State* s = state_.get();
  s->procedure = std::move(procedure);
  s->paused = boost::context::fiber(std::allocator_arg, Stack(), [s](boost::context::fiber&& caller) {
    s->caller = std::move(caller);
    try {
      s->procedure();
    } catch (const boost::context::detail::forced_unwind&) {
      throw;  // the unwinding of a destroyed Steps
    } catch (...) {
      s->failure = std::current_exception();
    }
    s->done = true;
    return std::move(s->caller);
  });
}

// A procedure that has not returned unwinds here, in the paused fiber's destructor.
Steps::~Steps() = default;

bool Steps::resume() {
  State& s = *state_;
  if (s.done) return false;
  s.paused = std::move(s.paused).resume();
  if (s.failure) std::rethrow_exception(std::exchange(s.failure, nullptr));
  return !s.done;
}

void Steps::pause() { state_->caller = std::move(state_->caller).resume(); }

bool Steps::done() const { return state_->done; }

bool threadsHaveWork() { return Dispatcher::get().hasWork(); }
bool inLogicalThread() { return Dispatcher::get().inCoroutine != 0; }

}  // namespace rt::win
