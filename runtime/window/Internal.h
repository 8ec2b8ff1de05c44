#pragma once
// Internals shared by the window runtime's files: the logical-thread dispatcher and the widgets
// behind a Window.

#include "runtime/window/Window.h"

#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <memory>
#include <map>
#include <vector>

class QAction;
class QButtonGroup;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;

namespace rt::win {

struct ControlState {
  const ControlDef* def = nullptr;
  QPointer<QWidget> widget;
  QPointer<QAction> action;  // a menu or a menu item
  std::unique_ptr<rt::Picture> picture;
  bool changed = false;   // leaving the control raises its accepted event
  int group = 0;          // the option group field of an option button
};

struct WindowImpl {
  Window* owner = nullptr;
  int thread = 0;
  bool open = false;
  bool allowClose = false;
  int inHandler = 0;
  bool deferUserEvents = false;
  Window::Handler handler;
  QEventLoop* loop = nullptr;   // set while the window runs modally
  QPointer<QWidget> top;        // the top-level widget: the window, the MDI sub-window or the frame
  QPointer<QWidget> content;    // the client area that holds the controls
  QPointer<QMdiSubWindow> sub;
  QPointer<QWidget> toolbar;    // a frame's toolbar area, which holds its controls
  QPointer<QTimer> timer;
  QString wallpaper;
  bool wallpaperTiled = false;
  std::set<int> alertKeys;
  std::map<int, ControlState> controls;  // by field number (fields 0 are kept under negative keys)
  std::vector<QButtonGroup*> groups;
  // The parts that stop taking input while a window of the same thread lies above: the client area,
  // or for the frame its menu and toolbar (its MDI area keeps serving the other threads' windows).
  std::vector<QPointer<QWidget>> inputParts;

  int pendingSelect = 0;          // selected while the window was not active
  // Lives as long as this window object: deferred calls hold it weakly, so that they never reach a
  // window that is gone.
  std::shared_ptr<bool> token = std::make_shared<bool>(true);
  QPointer<QObject> closeGuard, focusWatch;  // event filters of the open window
  QPointer<QWidget> savedFocus;  // the focused control while input was off

  void setInputEnabled(bool on);

  ControlState* control(int field);
  ControlState* controlOf(const QWidget* w);
  void enqueue(int code, int field = 0, int key = 0);
  void acceptEntry(ControlState& c);
};

struct Pending {
  Window* target = nullptr;  // nullptr: the thread's top window at delivery
  Event ev;
};

struct LogicalThread {
  int id = 0;
  std::deque<Pending> queue;
  std::vector<Window*> stack;  // open windows, the top one last
};

class Dispatcher : public QObject {

 public:
  static Dispatcher& get();

  int current = 1;
  int selecting = 0;  // field of the selected event being handled
  int nextId = 2;
  std::map<int, LogicalThread> threads;
  std::vector<Window*> openWindows;  // in opening order
  Window* frame = nullptr;           // the open application frame
  QMdiArea* mdi = nullptr;
  std::function<void(Window&)> openHook;
  std::function<void(Window&, int, const QString&)> invalidInput;

  void enqueue(int thread, Window* target, const Event& ev);
  // Hands a window the close-down request on its own thread; its default action closes it.
  void closeDown(Window* w);
  void schedule();
  bool hasDeliverable() const;
  void opened(Window* w);
  void closed(Window* w);
  Window* windowOf(const QObject* o) const;

 public:
  void pump();

 private:
  bool scheduled_ = false;
  bool deliverable(const LogicalThread& t, const Pending& p) const;
  void deliver(LogicalThread& t, Pending p);
};

void installKeyFilter();
void applyDefault(Window& w, const Event& ev);

}  // namespace rt::win
