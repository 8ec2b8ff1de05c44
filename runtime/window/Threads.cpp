#include "runtime/window/Threads.h"

#include "runtime/window/Internal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>

namespace rt::win {

Dispatcher& Dispatcher::get() {
  static Dispatcher* d = [] {
    auto* dispatcher = new Dispatcher;
    dispatcher->threads[1].id = 1;
    return dispatcher;
  }();
  return *d;
}

void Dispatcher::enqueue(int thread, Window* target, const Event& ev) {
  auto it = threads.find(thread);
  if (it == threads.end()) return;  // the thread has ended: the event goes nowhere
  auto& q = it->second.queue;
  // Resize and timer events say only that something happened; one pending copy is enough.
  if (ev.code == EV_Sized || ev.code == EV_Timer) {
    for (const Pending& p : q)
      if (p.target == target && p.ev.code == ev.code) return;
  }
  q.push_back(Pending{target, ev});
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
  if (!w->handler || w->inHandler) return false;
  if (w->deferUserEvents && p.ev.code >= EV_User) return false;
  return true;
}

bool Dispatcher::hasDeliverable() const {
  for (const auto& [id, t] : threads)
    for (const Pending& p : t.queue)
      if (deliverable(t, p)) return true;
  return false;
}

void Dispatcher::pump() {
  scheduled_ = false;
  // One event at a time, and a fresh look at every queue after each: a handler may open or close
  // windows, post events, or run a nested loop that delivers events itself.
  for (bool found = true; found;) {
    found = false;
    for (auto& [id, t] : threads) {
      auto it = std::find_if(t.queue.begin(), t.queue.end(),
                             [&](const Pending& p) { return deliverable(t, p); });
      if (it == t.queue.end()) continue;
      Pending p = *it;
      t.queue.erase(it);
      deliver(t, p);
      found = true;
      break;
    }
  }
}

void Dispatcher::deliver(LogicalThread& t, Pending p) {
  Window* target = p.target ? p.target : t.stack.back();
  WindowImpl* w = target->impl();
  // Drop stale focus events: the control must still be the one with the focus.
  if (p.ev.code == EV_Selected && target->focusField() != p.ev.field) return;
  const int saved = current;
  const int savedSelecting = selecting;
  current = t.id;
  selecting = p.ev.code == EV_Selected ? p.ev.field : 0;
  ++w->inHandler;
  Window::Handler handler = w->handler;  // the handler may replace itself
  const Pass r = handler(*target, p.ev);
  --w->inHandler;
  current = saved;
  selecting = savedSelecting;
  if (!w->open) return;
  if (r == Pass::Default) {
    applyDefault(*target, p.ev);
  } else if (r == Pass::Leave) {
    if (w->loop)
      w->loop->quit();
    else
      target->close();
  }
  schedule();
}

void Dispatcher::closeDown(Window* target) {
  WindowImpl* w = target->impl();
  if (w->handler && !w->inHandler) {
    const int saved = current;
    current = w->thread;
    ++w->inHandler;
    Window::Handler handler = w->handler;
    handler(*target, Event{EV_CloseDown, 0, 0});
    --w->inHandler;
    current = saved;
  }
  target->close();
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
  if (t.stack.empty() && id != 1) {
    threads.erase(it);
  } else {
    schedule();
  }
}

Window* Dispatcher::windowOf(const QObject* o) const {
  // The innermost open window whose widgets hold `o`.
  for (; o; o = o->parent()) {
    for (auto it = openWindows.rbegin(); it != openWindows.rend(); ++it) {
      WindowImpl* w = (*it)->impl();
      if (o == w->content || o == w->top) return *it;
    }
  }
  return nullptr;
}

int start(const std::function<void()>& procedure) {
  Dispatcher& d = Dispatcher::get();
  const int id = d.nextId++;
  d.threads[id].id = id;
  const int saved = d.current;
  d.current = id;
  procedure();
  d.current = saved;
  // A procedure that opened no window has ended already.
  auto it = d.threads.find(id);
  if (it != d.threads.end() && it->second.stack.empty()) d.threads.erase(it);
  return id;
}

int currentThread() { return Dispatcher::get().current; }
int selectingField() { return Dispatcher::get().selecting; }

bool threadExists(int thread) { return Dispatcher::get().threads.count(thread) > 0; }

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

void settle(int maxMs) {
  QElapsedTimer clock;
  clock.start();
  Dispatcher& d = Dispatcher::get();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (d.hasDeliverable() && clock.elapsed() < maxMs);
  QCoreApplication::processEvents();
}

}  // namespace rt::win
