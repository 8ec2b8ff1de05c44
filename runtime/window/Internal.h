#pragma once
// Internals shared by the window runtime's files: the logical-thread dispatcher with its coroutines,
// the widgets behind a Window, and the interface through which every kind of control is built and
// reached (one implementation per kind in Controls.cpp).

#include "runtime/window/Window.h"

#include <boost/context/fiber.hpp>

#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QButtonGroup;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QTabWidget;
class QPainter;

namespace rt::win {

struct WindowImpl;
struct KindOps;

struct ControlState {
  int key = 0;                  // its key in the window's table: the field number, or below kUnnamed
  const ControlDef* def = nullptr;
  const KindOps* ops = nullptr;
  QPointer<QWidget> widget;
  QPointer<QAction> action;  // a menu or a menu item
  std::unique_ptr<rt::Picture> picture;
  bool changed = false;   // leaving the control raises its accepted event
  bool hidden = false;    // hidden by the program (a control on another tab is not hidden by that)
  int group = 0;          // the option group field of an option button
  int tab = 0;            // the key of the tab on whose page the control lies, 0 for none
};

// Controls with field number 0 are kept under keys below this; the program never addresses them.
inline constexpr int kUnnamed = -1000000;

// What the builders of the controls share while a window's table is read, in order.
struct Builder {
  explicit Builder(WindowImpl& window) : w(window) {}
  WindowImpl& w;
  int key = 0;                      // the key of the control being built
  QWidget* host = nullptr;          // the widget that holds the controls
  QMenuBar* menuBar = nullptr;      // a frame's menu bar
  QMenu* menu = nullptr;            // the menu whose items follow
  QButtonGroup* group = nullptr;    // the option group whose options follow
  int groupField = 0;
  QTabWidget* sheet = nullptr;      // the tab sheet whose tabs follow
  int tabKey = 0;                   // the tab whose controls follow
  std::vector<QWidget*> behind;     // panels, boxes and pictures: behind the other controls
};

// One kind of control: its builder and the adapter through which the window's calls reach it.
struct KindOps {
  virtual ~KindOps() = default;
  // Builds the widget (or the action) of the control; nullptr when the kind has none here.
  virtual QWidget* build(Builder& b, ControlState& c) const = 0;
  virtual bool takesFocus() const { return false; }
  // The natural size in pixels for a width or height of kDefault.
  virtual QSize naturalSize(const WindowImpl& w, const ControlState& c) const;
  virtual void display(WindowImpl&, ControlState&) const {}
  // Takes the edit into the bound variable; false when the picture rejects it.
  virtual bool take(WindowImpl&, ControlState&) const { return true; }
  // What the user typed, for an entry; empty for the other kinds.
  virtual QString typed(const ControlState&) const { return {}; }
  virtual void setText(WindowImpl&, ControlState& c, const QString& text) const;
  virtual QString text(const WindowImpl&, const ControlState& c) const;
  virtual void setFill(WindowImpl&, ControlState& c, const QColor& colour) const;
  virtual void setTextColour(WindowImpl&, ControlState& c, const QColor& colour) const;
  virtual QColor textColour(const WindowImpl&, const ControlState& c) const;
  virtual void setVisible(WindowImpl& w, ControlState& c, bool on) const;
  virtual void setEnabled(WindowImpl&, ControlState& c, bool on) const;
  virtual void remove(WindowImpl& w, ControlState& c) const;
};

const KindOps& kindOps(Kind kind);

// The page view's own calls.
void setPagePainter(ControlState& c, std::function<void(QPainter&, const QRect&)> painter, const QSizeF& page);
void setPageScrollBar(ControlState& c, bool on);
// The key of the current tab of a sheet, 0 when it has none; switching to a tab.
int currentTabKey(const WindowImpl& w, const ControlState& sheet);
void setCurrentTab(ControlState& sheet, ControlState& tab);

// Dialog units of one font by the Windows rule, in pixels.
struct DialogUnits {
  double x = 1.5, y = 1.75;
  static DialogUnits of(const QFont& font);
};

QFont windowFont(const char* family, int size);
// The type of a control: the window's, with the size and style its line of the table gives.
QFont controlFont(const QFont& window, const ControlDef& d);
// Fills a widget (window, panel, page) with a colour.
void setBackground(QWidget* w, const QColor& c);

struct WindowImpl {
  Window* owner = nullptr;
  int thread = 0;
  bool open = false;
  bool allowClose = false;
  int inHandler = 0;
  bool inRun = false;           // the window runs modally (`run`)
  bool left = false;            // its procedure left the loop
  bool deferUserEvents = false;
  bool closing = false;         // being closed down: the waits of its thread's dialogs end
  bool released = false;        // the window object goes once its handler has returned
  bool inputChanging = false;   // input is being switched on or off: focus moves are no user moves
  Window::Handler handler;
  QPointer<QWidget> top;        // the top-level widget: the window, the MDI sub-window or the frame
  QPointer<QWidget> content;    // the client area that holds the controls
  QPointer<QMdiSubWindow> sub;
  QPointer<QWidget> toolbar;    // a frame's toolbar area, which holds its controls
  // For a plain window opened while the frame was open: the frame's client area, in whose
  // coordinates its place is given (as those of the MDI windows).
  QPointer<QWidget> ownerArea;
  QPointer<QTimer> timer;
  DialogUnits units;
  QString wallpaper;
  bool wallpaperTiled = false;
  std::set<int> alertKeys;
  std::map<int, ControlState> controls;  // by field number (fields 0 are kept under negative keys)
  std::vector<QButtonGroup*> groups;
  // The parts that stop taking input while a window of the same thread lies above: the client area,
  // or for the frame its menu and toolbar (its MDI area keeps serving the other threads' windows).
  std::vector<QPointer<QWidget>> inputParts;

  int pendingSelect = 0;          // selected while the window was not active
  bool rejecting = false;         // a rejected entry is being told; no second message for it
  // Lives as long as this window object: deferred calls hold it weakly, so that they never reach a
  // window that is gone.
  std::shared_ptr<bool> token = std::make_shared<bool>(true);
  QPointer<QObject> closeGuard, focusWatch;  // event filters of the open window
  QPointer<QWidget> savedFocus;  // the focused control while input was off

  QPoint origin() const;  // where X and Y 0 of a plain window lie on the screen
  int px(int dlu) const;
  int py(int dlu) const;
  int ux(int pixels) const;
  int uy(int pixels) const;
  QRect toPixels(const QRect& dlu) const;
  QRect toUnits(const QRect& pixels) const;

  void setInputEnabled(bool on);
  // Shows or hides the controls of a tab sheet's tabs as the current tab and the program say.
  void applyVisibility(ControlState& c);

  ControlState* control(int field);
  ControlState* controlOf(const QWidget* w);
  void enqueue(int code, int field = 0, int key = 0);
  // Runs `call` in the window's thread's coroutine, in turn with its events.
  void enqueueCall(std::function<void()> call);
  void acceptEntry(ControlState& c);
};

struct Pending {
  Window* target = nullptr;  // nullptr: the thread's top window at delivery
  Event ev;
  std::function<void()> call;  // runtime work to run in the thread instead of the handler
};

struct LogicalThread {
  int id = 0;
  std::deque<Pending> queue;
  std::vector<Window*> stack;  // open windows, the top one last
  std::function<void()> procedure;   // what the coroutine runs first
  boost::context::fiber suspended;   // the coroutine while it waits
  boost::context::fiber back;        // where it goes when it waits (while it runs)
  bool started = false, running = false, finished = false;
  bool idle = false;                 // waiting in its outer loop, not inside a procedure
  std::function<bool()> until;       // the innermost wait ends when this holds
  bool takesEvents = false;          // the innermost wait handles the thread's events meanwhile
  int keyPresses = 0;                // key presses that reached the thread's windows
  int keysSeen = 0;                  // … counted when the event being handled was taken
};

class Dispatcher : public QObject {
 public:
  static Dispatcher& get();

  int current = 1;
  int selecting = 0;  // field of the selected event being handled
  int nextId = 2;
  int inCoroutine = 0;  // the thread whose coroutine runs now, 0 outside every coroutine
  int yielding = 0;     // coroutines that let the others work for a moment and go on by themselves
  bool ending = false;  // the program ends: every wait returns at once
  std::map<int, LogicalThread> threads;
  std::vector<Window*> openWindows;  // in opening order
  Window* frame = nullptr;           // the open application frame
  QMdiArea* mdi = nullptr;
  std::function<void(Window&)> openHook;
  std::function<void(Window&, int, const QString&)> invalidInput;
  // Waits outside every coroutine: each in a nested event loop, left when its condition holds.
  std::vector<std::pair<QEventLoop*, std::function<bool()>>> outerWaits;

  bool alive(int thread) const;
  void enqueue(int thread, Window* target, const Event& ev, std::function<void()> call = {});
  // Hands a window the close-down request on its own thread; its default action closes it.
  void closeDown(Window* w);
  void schedule();
  bool hasWork() const;
  void opened(Window* w);
  void closed(Window* w);
  Window* windowOf(const QObject* o) const;
  Window* lastOpenWindow() const;  // nullptr when no window is open
  void pump();

  // Starts a thread's coroutine or lets it go on until it waits again.
  void resume(LogicalThread& t);
  // Waits in the running coroutine until `done` holds; with `takeEvents` its thread's events are
  // handled meanwhile. Outside every coroutine a nested event loop waits instead.
  void wait(const std::function<bool()>& done, bool takeEvents);
  // An exception left a thread's procedure or handler: the user is told, and the program closes
  // its windows as at its end.
  void failed(LogicalThread& t, const QString& what);

 private:
  bool scheduled_ = false;
  bool deliverable(const LogicalThread& t, const Pending& p) const;
  bool wakeable(const LogicalThread& t) const;
  bool deliverNext(LogicalThread& t);
  void deliver(LogicalThread& t, Pending p);
};

void installKeyFilter();
void applyDefault(Window& w, const Event& ev);

}  // namespace rt::win
