#pragma once
// A window of the program: built from its definition, opened on the calling logical thread, fed one
// event per pass to its procedure's handler. Its dialog units are measured from its own font.
//
// Two ways to run a window: `run` is a modal call (the calling thread waits until the window leaves
// its loop, while the other logical threads and their windows go on); `attach` hands the window's
// events to a handler and returns at once, for the windows that live on a logical thread of their
// own. While a thread has a window above another, the lower one takes no input.

#include "runtime/window/Events.h"
#include "runtime/window/WindowDef.h"

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <QSizeF>
#include <set>

#include "runtime/window/ListSource.h"

class QAction;
class QPainter;
class QWidget;

namespace rt::win {

class ListBox;
struct WindowImpl;

class Window {
 public:
  using Handler = std::function<Pass(Window&, const Event&)>;

  explicit Window(WindowDef def);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const WindowDef& def() const { return def_; }
  QString label() const { return QString::fromUtf8(def_.label); }
  int thread() const;

  void open();
  void run(Handler handler);
  void attach(Handler handler);
  void close();
  bool isOpen() const;
  // For a window made with new that lives on a thread of its own: closes it and deletes this object,
  // once the event being handled has ended when called from its handler, else at once.
  void release();

  // Controls, addressed by field number; a range `from`..`to` covers the fields in between.
  QWidget* widget(int field) const;
  QAction* action(int field) const;  // a menu or menu item of a frame
  bool has(int field) const;
  void hide(int from, int to = 0);
  void show(int from, int to = 0);
  void enable(int from, int to = 0);
  void disable(int from, int to = 0);
  bool isHidden(int field) const;
  bool isEnabled(int field) const;
  void setText(int field, const QString& text);
  QString text(int field) const;  // what the control shows now
  int textWidth(int field, const QString& text) const;  // in the control's type, in dialog units
  void setFill(int field, const QColor& colour);
  QColor fill(int field) const;
  void setTextColour(int field, const QColor& colour);
  QColor textColour(int field) const;
  void setSkip(int field, bool skip);
  bool isSkipped(int field) const;
  // Selection in an entry, 1-based character positions, as the control property does it: a start
  // and end on the same position mark that one character; positions beyond the end put the cursor
  // after the text.
  void setSelection(int field, int start, int end);
  void giveFocus(int field);       // give the control the focus (an option group: its chosen option)
  int focusField() const;          // 0 when no control has the focus
  void markChanged(int field);     // leaving the control raises its accepted event
  void showVariables(int field = 0);  // show the bound variables (0: all controls)
  bool takeEdit(int field = 0);    // take the edit of a control (0: the focused one) into its variable
  // The first changed entry whose text its picture rejects, 0 when there is none: a confirm must not
  // store the variable's old value as if it were what the entry shows.
  int rejectedField() const;
  // List boxes: the rows come from a source over a queue, the columns from a format string.
  void setListSource(int field, ListSource source);
  bool setListFormat(int field, const QString& format);  // a blank format changes nothing
  QString listFormat(int field) const;                    // with the widths as they are now
  int listSelection(int field) const;                     // 1-based row, 0 for none
  void selectListRow(int field, int row);
  // Every single click on a row raises the list's accepted event (key kKeyMouseLeft), not only a
  // double click (key kKeyMouseLeft2).
  void acceptOnClick(int field);
  ListBox* list(int field) const;

  void setTimer(int hundredths);   // 0 stops the timer
  void setWallpaper(const QString& resource, bool tiled);
  QString wallpaper() const;
  // Draws the frame's menus in the colour set of that name ("XPLunaBlu"); another name gives the
  // platform's own look.
  void setMenuStyle(const QString& colourSet);

  // The window's place and size in dialog units (X, Y of the window; width, height of its client area).
  QRect position() const;
  void setPosition(int x, int y, int w, int h);
  void setPosition(const QRect& r) { setPosition(r.x(), r.y(), r.width(), r.height()); }
  QRect controlPosition(int field) const;
  void setControlPosition(int field, int x, int y, int w, int h);
  // One coordinate of a control alone, in dialog units; the others stay.
  void setControlX(int field, int x);
  void setControlY(int field, int y);
  void setControlWidth(int field, int width);
  void setControlHeight(int field, int height);
  // Removes controls for good (a tab with the controls on its page); later calls on them do nothing.
  void remove(int from, int to = 0);
  // The mouse pointer over a control.
  void setCursor(int field, Qt::CursorShape shape);

  // Tab sheets: the field of the current tab (0 when none), and switching to a tab. A tab's text,
  // fill (its tab and page colour) and visibility are set like those of any control.
  int currentTab(int sheet) const;
  void selectTab(int sheet, int tab);

  // Page views: the program paints the page into `page` (the whole page, as wide as the view); the
  // page keeps the proportions of `size` (any unit, e.g. millimetres). showVariables(field) repaints it.
  void setPagePainter(int field, std::function<void(QPainter&, const QRect& page)> painter,
                      QSizeF size = QSizeF(210, 297));
  void setVerticalScrollBar(int field, bool on);

  // One dialog unit of this window's font, in pixels (horizontal, vertical).
  QSizeF dialogUnit() const;
  bool isMaximized() const;
  void setMaximized(bool maximized);
  void activate();  // bring to the front with the focus
  // Keeps the window above the other windows, also above those that open after it.
  void keepOnTop();
  bool takesInput() const;  // false while another window of its thread lies above it

  // Alert keys of this window: such a key does not do its normal work; an EV_AlertKey event comes.
  void addAlertKey(int code);
  void clearAlertKeys();
  bool hasAlertKey(int code) const;

  // While set, user events posted to this window's thread wait until this window has closed.
  void setDeferUserEvents(bool defer);

  // The frame's own widget, for the runtime parts that build menus and toolbars.
  QWidget* topWidget() const;
  WindowImpl* impl() const { return impl_.get(); }

 private:
  WindowDef def_;
  std::unique_ptr<WindowImpl> impl_;
};

// Called (from the event loop) after a window has opened; tests answer message windows with it.
void setOpenHook(std::function<void(Window&)> hook);
// Called when an entry rejects what the user typed; the program shows its message there.
void setInvalidInputHandler(std::function<void(Window&, int field, const QString& typed)> handler);
// The program's window that the user is at now: the active window of its own, or within the active
// frame its active MDI window (the frame itself when it has none). nullptr when no window of the
// program is active; `foreign` then tells whether a window that is not the program's is (a standard
// dialog such as the printer or folder choice).
Window* frontWindow(bool* foreign = nullptr);
// The open window with this label that was opened last, or nullptr.
Window* findWindow(const QString& label);

// Shows the wait cursor over all windows (nested: as many offs as ons).
void setWaitCursor(bool on);

// Dialog units of the program's standard window font (Arial 8 point), in pixels.
double dluX();
double dluY();

}  // namespace rt::win
