// A window: builds its widgets from its table through the builders of the control kinds, opens it on
// the calling logical thread, and carries the window-level calls (place and size, focus, hide and
// show, texts and colours) to the adapters of its controls. Dialog units come from the window's font.

#include "runtime/window/Window.h"

#include "runtime/text/Picture.h"
#include "runtime/window/Internal.h"
#include "runtime/window/Keys.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Resources.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolTip>
#include <cmath>

namespace rt::win {
namespace {

const DialogUnits& standardUnits() {
  static const DialogUnits u = DialogUnits::of(windowFont("Arial", 8));
  return u;
}

bool isFieldEvent(QEvent::Type t) { return t == QEvent::FocusIn || t == QEvent::FocusOut; }

// The client area: paints the wallpaper and reports resizes and close requests.
class Content : public QWidget {
 public:
  explicit Content(WindowImpl* w) : w_(w) {}
  void detach() { w_ = nullptr; }  // its window has closed; the widget waits for its deletion

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!w_ || w_->wallpaper.isEmpty()) return;
    const QPixmap pm = resourcePixmap(w_->wallpaper);
    if (pm.isNull()) return;
    QPainter p(this);
    if (w_->wallpaperTiled)
      p.drawTiledPixmap(rect(), pm);
    else
      p.drawPixmap(rect(), pm);
  }
  void resizeEvent(QResizeEvent*) override {
    if (w_ && w_->open) w_->enqueue(EV_Sized);
  }

 private:
  WindowImpl* w_;
};

// Turns a close of the window's top-level widget into a close request, unless the program closes it.
class CloseGuard : public QObject {
 public:
  explicit CloseGuard(WindowImpl* w) : w_(w) {}
  bool eventFilter(QObject*, QEvent* ev) override {
    switch (ev->type()) {
      case QEvent::Close:
        if (w_->allowClose) return false;
        ev->ignore();
        w_->enqueue(EV_CloseWindow);
        return true;
      case QEvent::WindowActivate:
        if (w_->open) w_->enqueue(EV_GainFocus);
        return false;
      case QEvent::WindowDeactivate:
        if (w_->open) w_->enqueue(EV_LoseFocus);
        return false;
      default:
        return false;
    }
  }

 private:
  WindowImpl* w_;
};

// Raises selected and accepted events as the focus moves between the controls.
class FocusWatch : public QObject {
 public:
  explicit FocusWatch(WindowImpl* w) : w_(w) {}
  bool eventFilter(QObject* obj, QEvent* ev) override {
    // Focus that moves because the window's input is switched off or on is no move between controls.
    if (!isFieldEvent(ev->type()) || !w_->open || w_->inputChanging) return false;
    auto* fe = static_cast<QFocusEvent*>(ev);
    ControlState* c = w_->controlOf(static_cast<QWidget*>(obj));
    if (!c) return false;
    // Focus that moves because another window opened or closed is no move between controls.
    const Qt::FocusReason r = fe->reason();
    const int field = c->group ? c->group : c->def->field;
    // A control selected while its window was not active gets the focus only when the window
    // activates; that is still the selection the program asked for.
    const bool asked = ev->type() == QEvent::FocusIn && w_->pendingSelect == field;
    if (ev->type() == QEvent::FocusIn) w_->pendingSelect = 0;
    if (!asked && (r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason)) return false;
    if (ev->type() == QEvent::FocusIn) {
      w_->enqueue(EV_Selected, field);
    } else {
      w_->acceptEntry(*c);
    }
    return false;
  }

 private:
  WindowImpl* w_;
};

// Brings a window to the front; the headless platform has no stacking of its own.
void raiseWidget(QWidget* w) {
  if (QGuiApplication::platformName() != "offscreen" || !w->isWindow()) w->raise();
  w->activateWindow();
}

// A window of its own is placed by its client area, which reads back the same whether or not the
// window manager has framed it yet, and so that its title bar stays within the user's reach: its
// frame not above nor left of the screen's work area, and a stretch of its title bar within the
// area's right and lower edges.
void placeReachable(QWidget* top, QPoint client) {
  const QScreen* screen = QGuiApplication::screenAt(client);
  if (!screen) screen = top->screen() ? top->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry(), frame = top->frameGeometry(), inner = top->geometry();
    // Before the window manager has framed the window, its title bar is as high as the style says.
    const bool framed = frame.top() < inner.top();
    const int title = (top->windowFlags() & Qt::FramelessWindowHint) ? 0
                      : framed ? inner.top() - frame.top()
                               : top->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int border = inner.left() - frame.left();
    constexpr int kGrip = 60;  // pixels of the title bar that stay on the screen
    client.setY(std::clamp(client.y(), area.top() + title, std::max(area.top() + title, area.bottom() - kGrip)));
    client.setX(std::clamp(client.x(), area.left() + border, std::max(area.left() + border, area.right() - kGrip)));
  }
  top->setGeometry(QRect(client, top->size()));
}

bool inRange(int field, int from, int to) { return field >= from && field <= (to ? to : from); }

bool addressed(int key) { return key != 0 && key > kUnnamed; }

// The controls of a range, in the order of their field numbers.
std::vector<ControlState*> inRangeOf(WindowImpl& w, int from, int to) {
  std::vector<ControlState*> r;
  for (auto& [field, c] : w.controls)
    if (addressed(field) && inRange(field, from, to)) r.push_back(&c);
  return r;
}

// The colour sets of the menu style.
void applyMenuPalette(QWidget* w, const QString& colourSet) {
  if (colourSet != "XPLunaBlu") {
    w->setPalette(QPalette());
    return;
  }
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, QColor(0xDD, 0xEA, 0xFB));
  pal.setColor(QPalette::Base, QColor(0xF4, 0xF8, 0xFE));
  pal.setColor(QPalette::Button, QColor(0xDD, 0xEA, 0xFB));
  pal.setColor(QPalette::Highlight, QColor(0x31, 0x6A, 0xC5));
  pal.setColor(QPalette::HighlightedText, Qt::white);
  pal.setColor(QPalette::WindowText, QColor(0x00, 0x1E, 0x50));
  pal.setColor(QPalette::ButtonText, QColor(0x00, 0x1E, 0x50));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

}  // namespace

QFont windowFont(const char* family, int size) {
  QFont f(QString::fromUtf8(family), size);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

// By the Windows rule: the average character width is taken over the 52 letters, rounded as the
// platform rounds it; a horizontal unit is a quarter of it, a vertical unit an eighth of the height.
DialogUnits DialogUnits::of(const QFont& font) {
  const QFontMetrics fm(font);
  const int letters = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int average = (letters / 26 + 1) / 2;
  return {average / 4.0, fm.height() / 8.0};
}

double dluX() { return standardUnits().x; }
double dluY() { return standardUnits().y; }

void setWaitCursor(bool on) {
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

QPoint WindowImpl::origin() const { return ownerArea ? ownerArea->mapToGlobal(QPoint(0, 0)) : QPoint(); }

int WindowImpl::px(int dlu) const { return static_cast<int>(std::lround(dlu * units.x)); }
int WindowImpl::py(int dlu) const { return static_cast<int>(std::lround(dlu * units.y)); }
int WindowImpl::ux(int pixels) const { return static_cast<int>(std::lround(pixels / units.x)); }
int WindowImpl::uy(int pixels) const { return static_cast<int>(std::lround(pixels / units.y)); }
QRect WindowImpl::toPixels(const QRect& r) const { return QRect(px(r.x()), py(r.y()), px(r.width()), py(r.height())); }
QRect WindowImpl::toUnits(const QRect& r) const { return QRect(ux(r.x()), uy(r.y()), ux(r.width()), uy(r.height())); }


// ---------------------------------------------------------------------------------------------
// WindowImpl

ControlState* WindowImpl::control(int field) {
  auto it = controls.find(field);
  return it == controls.end() || !addressed(field) ? nullptr : &it->second;
}

ControlState* WindowImpl::controlOf(const QWidget* w) {
  for (auto& [field, c] : controls)
    if (c.widget == w) return &c;
  return nullptr;
}

void WindowImpl::setInputEnabled(bool on) {
  if (!on) {
    QWidget* f = QApplication::focusWidget();
    savedFocus = f && controlOf(f) ? f : nullptr;
  }
  inputChanging = true;
  for (auto& part : inputParts)
    if (part) part->setEnabled(on);
  inputChanging = false;
  if (on && top) {
    // Back from a window above: the window and its control get the focus again, without the
    // events of a move between controls.
    raiseWidget(top);
    if (sub && Dispatcher::get().mdi) Dispatcher::get().mdi->setActiveSubWindow(sub);
    inputChanging = true;
    if (savedFocus) savedFocus->setFocus(Qt::ActiveWindowFocusReason);
    inputChanging = false;
    savedFocus = nullptr;
  }
}

void WindowImpl::applyVisibility(ControlState& c) {
  bool on = !c.hidden;
  if (on && c.tab) {
    // A control on a tab's page shows while its tab is the current one of a shown sheet.
    auto it = controls.find(c.tab);
    QWidget* page = it == controls.end() ? nullptr : it->second.widget.data();
    QTabWidget* sheet = nullptr;
    for (QWidget* p = page ? page->parentWidget() : nullptr; p && !sheet; p = p->parentWidget())
      sheet = qobject_cast<QTabWidget*>(p);
    on = sheet && !it->second.hidden && !sheet->isHidden() && sheet->currentWidget() == page;
  }
  if (c.action)
    c.action->setVisible(on);
  else if (c.widget)
    c.widget->setVisible(on);
}

void WindowImpl::enqueue(int code, int field, int key) {
  Dispatcher::get().enqueue(thread, owner, Event{code, field, key});
}

void WindowImpl::enqueueCall(std::function<void()> call) {
  Dispatcher::get().enqueue(thread, owner, Event{}, std::move(call));
}

void WindowImpl::acceptEntry(ControlState& c) {
  if (c.def->kind != Kind::Entry || !c.changed || !c.widget) return;
  if (c.ops->take(*this, c)) {
    c.changed = false;
    owner->showVariables(c.def->field);
    enqueue(EV_Accepted, c.def->field);
    return;
  }
  // Rejected where the window's confirm checks it: the entry keeps what was typed, and the user may
  // go anywhere, to the window's cancel too.
  if (c.def->attrs & A_CheckOnConfirm) return;
  // Rejected: the entry keeps what was typed and the focus, and the program says why, once for this
  // attempt (the focus coming back to the entry is no new attempt).
  const QString typed = c.ops->typed(c);
  QPointer<QWidget> keep = c.widget;
  QTimer::singleShot(0, keep, [this, keep] {
    inputChanging = true;
    if (keep) keep->setFocus(Qt::OtherFocusReason);
    inputChanging = false;
  });
  if (rejecting) return;
  rejecting = true;
  // The message is shown on the window's own logical thread, so that it holds up that window (and
  // not the thread that happened to be current) while the user reads it.
  const int field = c.def->field;
  enqueueCall([this, field, typed, keep] {
    auto& handler = Dispatcher::get().invalidInput;
    if (handler)
      handler(*owner, field, typed);
    else if (keep)
      QToolTip::showText(keep->mapToGlobal(QPoint(0, keep->height())), "Ungültige Eingabe", keep);
    rejecting = false;
  });
}

// ---------------------------------------------------------------------------------------------
// Window

Window::Window(WindowDef def) : def_(std::move(def)), impl_(std::make_unique<WindowImpl>()) {
  impl_->owner = this;
}

Window::~Window() {
  if (impl_->open) close();
}

int Window::thread() const { return impl_->thread; }
bool Window::isOpen() const { return impl_->open; }
QWidget* Window::topWidget() const { return impl_->top; }
QSizeF Window::dialogUnit() const { return QSizeF(impl_->units.x, impl_->units.y); }

void Window::open() {
  if (impl_->open) return;
  installKeyFilter();
  Dispatcher& d = Dispatcher::get();
  WindowImpl& w = *impl_;
  w.thread = d.current;
  w.allowClose = false;
  w.closing = false;
  w.left = false;
  w.rejecting = false;
  w.alertKeys.clear();
  w.deferUserEvents = false;
  w.wallpaper.clear();
  w.ownerArea = nullptr;
  const QFont font = windowFont(def_.font, def_.fontSize);
  w.units = DialogUnits::of(font);

  auto* content = new Content(&w);
  content->setFont(font);
  if (def_.background.isValid()) setBackground(content, def_.background);
  w.content = content;
  w.inputParts = {content};

  Builder b(w);
  b.host = content;  // the widget that holds the controls: the client area, or a frame's toolbar
  if (def_.kind == WindowKind::Frame) {
    auto* main = new QMainWindow;
    auto* mdi = new QMdiArea;
    mdi->setObjectName("mdiarea");
    // Work windows that lie beyond the area stay within reach.
    mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    main->setCentralWidget(mdi);
    main->setWindowTitle(QString::fromUtf8(def_.caption));
    b.menuBar = main->menuBar();
    auto* bar = new QToolBar(main);
    bar->setObjectName("toolbar");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    auto* area = new QWidget;
    // The toolbar's controls are small: check boxes show as toggles without a tick (the chosen one
    // framed and highlighted), buttons without inner margins. Their type is the toolbar's, 9 pixels
    // high, unless a control has its own.
    QFont small = windowFont(def_.font, def_.fontSize);
    small.setPixelSize(9);
    area->setFont(small);
    area->setStyleSheet(
        "QCheckBox { spacing: 0px; padding: 0px; border: 1px solid transparent; border-radius: 2px; }"
        "QCheckBox::indicator { width: 0px; height: 0px; border: none; image: none; background: transparent; }"
        "QCheckBox:checked { background: #FFF6C8; border-color: #7A6A20; font-weight: bold; }"
        "QCheckBox:hover { border-color: #316AC5; }"
        "QPushButton { padding: 0px; }");
    // The toolbar is as wide as its controls reach.
    int right = 0;
    for (const ControlDef& cd : def_.controls)
      if (cd.kind != Kind::Menu && cd.kind != Kind::MenuItem && cd.w != kDefault) right = std::max(right, cd.x + cd.w);
    area->setFixedSize(w.px(right + 2), w.py(def_.toolbarHeight));
    bar->addWidget(area);
    if (def_.toolbarHeight <= 0) bar->hide();
    main->addToolBar(Qt::TopToolBarArea, bar);
    main->resize(w.px(def_.w), w.py(def_.h));
    w.top = main;
    w.toolbar = area;
    // Its menu and toolbar take no input while a window of its thread is above it; the MDI area goes
    // on serving the other threads' windows.
    w.inputParts = {b.menuBar, bar};
    d.frame = this;
    d.mdi = mdi;
    delete content;
    content = nullptr;
    b.host = area;
    w.content = mdi;
  } else if (def_.kind == WindowKind::MdiChild && d.mdi) {
    auto* sub = new QMdiSubWindow;
    sub->setWidget(content);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->setWindowTitle(QString::fromUtf8(def_.caption));
    d.mdi->addSubWindow(sub);
    w.sub = sub;
    w.top = sub;
  } else {
    Qt::WindowFlags flags = Qt::Window;
    if (!*def_.caption) flags |= Qt::FramelessWindowHint;
    // Opened while the frame is open, it is owned by the frame: it stays above it, and its place is
    // given in the frame's client coordinates.
    QWidget* parent = d.frame ? d.frame->impl()->top.data() : nullptr;
    content->setParent(parent, parent ? (flags | Qt::Dialog) : flags);
    w.ownerArea = d.mdi ? d.mdi->viewport() : nullptr;
    content->setWindowTitle(QString::fromUtf8(def_.caption));
    w.top = content;
  }
  w.closeGuard = new CloseGuard(&w);
  w.top->installEventFilter(w.closeGuard);
  if (*def_.icon) w.top->setWindowIcon(resourceIcon(QString::fromUtf8(def_.icon)));
  if (w.content && def_.kind != WindowKind::Frame) w.content->resize(w.px(def_.w), w.py(def_.h));

  // Controls, in the order of the table, which is also the Tab order.
  auto* focusWatch = new FocusWatch(&w);
  w.focusWatch = focusWatch;
  int unnamed = 0;
  for (const ControlDef& cd : def_.controls) {
    const int key = cd.field ? cd.field : kUnnamed - ++unnamed;
    ControlState& cs = w.controls[key];
    cs.key = key;
    cs.def = &cd;
    cs.ops = &kindOps(cd.kind);
    cs.tab = b.tabKey;
    cs.hidden = cd.attrs & A_Hidden;
    if (*cd.picture) cs.picture = std::make_unique<rt::Picture>(cd.picture);
    b.key = key;
    QWidget* widget = cs.ops->build(b, cs);
    if (cs.action) {
      if (cd.attrs & A_Disabled) cs.action->setEnabled(false);
      if (cd.attrs & A_Hidden) cs.action->setVisible(false);
      continue;
    }
    if (!widget) {
      w.controls.erase(key);
      continue;
    }
    cs.widget = widget;
    widget->setObjectName(QString::fromUtf8(cd.label));
    // A frame's toolbar has a style sheet, which stops its type from reaching its controls by itself.
    if (b.host == w.toolbar || cd.fontSize > 0 || (cd.attrs & (A_Large | A_Bold | A_Italic)))
      widget->setFont(controlFont(b.host->font(), cd));
    if (*cd.tip && cd.kind != Kind::Tab) widget->setToolTip(QString::fromUtf8(cd.tip));
    if (cd.kind == Kind::Tab) continue;  // its sheet places its page
    const QSize natural = cs.ops->naturalSize(w, cs);
    widget->setGeometry(w.px(cd.x), w.py(cd.y), cd.w == kDefault ? natural.width() : w.px(cd.w),
                        cd.h == kDefault ? natural.height() : w.py(cd.h));
    if (cs.ops->takesFocus()) {
      widget->setFocusPolicy((cd.attrs & A_Skip) ? Qt::ClickFocus : Qt::StrongFocus);
      widget->installEventFilter(focusWatch);
    } else {
      widget->setFocusPolicy(Qt::NoFocus);
    }
    if (cd.attrs & A_Disabled) widget->setEnabled(false);
    if (cs.hidden || cs.tab) w.applyVisibility(cs);
    // The keys of a frame's controls work in the whole frame, also while an MDI window has the focus.
    if (cd.key && def_.kind == WindowKind::Frame)
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setShortcut(QKeySequence(qtKeyOf(cd.key)));
  }
  // Panels, boxes, sheets and pictures lie behind the other controls, in their own order.
  for (auto it = b.behind.rbegin(); it != b.behind.rend(); ++it) (*it)->lower();

  showVariables();
  w.open = true;
  d.opened(this);

  if (def_.kind == WindowKind::Frame) {
    w.top->show();
  } else if (w.sub) {
    w.sub->show();
    setPosition(def_.x == kDefault ? 0 : def_.x, def_.y == kDefault ? 0 : def_.y, def_.w, def_.h);
  } else {
    w.top->show();
    if (def_.x == kDefault || def_.y == kDefault) {
      // Centred on the frame, or on the screen when there is none.
      QRect area = d.frame && d.frame->impl()->top ? d.frame->impl()->top->geometry()
                                                   : QGuiApplication::primaryScreen()->availableGeometry();
      const QRect r(QPoint(0, 0), w.top->size());
      placeReachable(w.top, area.center() - r.center());
    } else {
      placeReachable(w.top, w.origin() + QPoint(w.px(def_.x), w.py(def_.y)));
    }
  }
  raiseWidget(w.top);
  w.enqueue(EV_OpenWindow);
  if (d.openHook) {
    std::weak_ptr<bool> alive = w.token;
    QTimer::singleShot(0, w.top, [this, alive] {
      if (!alive.expired() && impl_->open && Dispatcher::get().openHook) Dispatcher::get().openHook(*this);
    });
  }
}

void Window::run(Handler handler) {
  WindowImpl& w = *impl_;
  if (!w.open) return;
  w.handler = std::move(handler);
  w.left = false;
  w.inRun = true;
  // The calling thread waits, handling its events, until the window leaves its loop or is closed.
  std::weak_ptr<bool> alive = w.token;
  Dispatcher::get().wait([&w, alive] { return alive.expired() || w.left || !w.open; }, true);
  if (!alive.expired()) w.inRun = false;
}

void Window::attach(Handler handler) {
  impl_->handler = std::move(handler);
  Dispatcher::get().schedule();
}

void Window::close() {
  WindowImpl& w = *impl_;
  if (!w.open) return;
  w.open = false;
  w.allowClose = true;
  Dispatcher& d = Dispatcher::get();
  if (d.frame == this) {
    // The windows inside the frame end with it, the last opened first: each gets the close-down
    // request, whose default action closes it.
    const std::vector<Window*> open = d.openWindows;
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
      if (*it == this || std::find(d.openWindows.begin(), d.openWindows.end(), *it) == d.openWindows.end() ||
          !(*it)->isOpen())
        continue;
      const QWidget* t = (*it)->impl()->top;
      while (t && t != w.top.data()) t = t->parentWidget();
      if (t) d.closeDown(*it);
    }
    d.frame = nullptr;
    d.mdi = nullptr;
  }
  d.closed(this);
  if (w.timer) w.timer->stop();
  QWidget* top = w.top;
  // Nothing of the closed window may call back into it: its filters go, its widgets fall silent
  // until they are deleted.
  delete w.closeGuard.data();
  delete w.focusWatch.data();
  if (top) {
    top->blockSignals(true);
    for (QObject* child : top->findChildren<QObject*>()) child->blockSignals(true);
  }
  if (auto* content = dynamic_cast<Content*>(w.content.data())) content->detach();
  w.controls.clear();
  w.groups.clear();
  w.inputParts.clear();
  w.handler = nullptr;
  if (top) {
    top->hide();
    top->deleteLater();  // we may be inside a signal of one of its controls
  }
  w.top = nullptr;
  w.content = nullptr;
  w.sub = nullptr;
}

void Window::release() {
  close();
  impl_->released = true;
  if (!impl_->inHandler) delete this;  // else the dispatcher deletes it after the handler
}

// ------------------------------------------------------------------- controls

QWidget* Window::widget(int field) const {
  ControlState* c = impl_->control(field);
  return c ? c->widget.data() : nullptr;
}

bool Window::has(int field) const { return impl_->control(field) != nullptr; }

QAction* Window::action(int field) const {
  ControlState* c = impl_->control(field);
  return c ? c->action.data() : nullptr;
}

void Window::hide(int from, int to) {
  for (ControlState* c : inRangeOf(*impl_, from, to)) {
    c->hidden = true;
    c->ops->setVisible(*impl_, *c, false);
  }
}

void Window::show(int from, int to) {
  for (ControlState* c : inRangeOf(*impl_, from, to)) {
    c->hidden = false;
    c->ops->setVisible(*impl_, *c, true);
  }
}

void Window::enable(int from, int to) {
  for (ControlState* c : inRangeOf(*impl_, from, to)) c->ops->setEnabled(*impl_, *c, true);
}

void Window::disable(int from, int to) {
  for (ControlState* c : inRangeOf(*impl_, from, to)) c->ops->setEnabled(*impl_, *c, false);
}

void Window::remove(int from, int to) {
  for (int key : [&] {
         std::vector<int> keys;
         for (ControlState* c : inRangeOf(*impl_, from, to)) keys.push_back(c->key);
         return keys;
       }()) {
    ControlState* c = impl_->control(key);
    if (!c) continue;  // went with a tab removed before
    c->ops->remove(*impl_, *c);
    impl_->controls.erase(key);
  }
}

bool Window::isHidden(int field) const {
  ControlState* c = impl_->control(field);
  return !c || c->hidden;
}

bool Window::isEnabled(int field) const {
  if (QAction* a = action(field)) return a->isEnabled();
  QWidget* w = widget(field);
  return w && w->isEnabled();
}

void Window::setText(int field, const QString& text) {
  if (ControlState* c = impl_->control(field)) c->ops->setText(*impl_, *c, text);
}

QString Window::text(int field) const {
  ControlState* c = impl_->control(field);
  return c ? c->ops->text(*impl_, *c) : QString();
}

int Window::textWidth(int field, const QString& text) const {
  const QWidget* w = widget(field);
  return w ? static_cast<int>(std::ceil(w->fontMetrics().horizontalAdvance(text) / impl_->units.x)) : 0;
}

void Window::setFill(int field, const QColor& colour) {
  if (ControlState* c = impl_->control(field); c && c->widget) c->ops->setFill(*impl_, *c, colour);
}

QColor Window::fill(int field) const {
  QWidget* w = widget(field);
  return w && w->autoFillBackground() ? w->palette().color(QPalette::Window) : QColor();
}

void Window::setTextColour(int field, const QColor& colour) {
  if (ControlState* c = impl_->control(field); c && c->widget) c->ops->setTextColour(*impl_, *c, colour);
}

QColor Window::textColour(int field) const {
  ControlState* c = impl_->control(field);
  return c && c->widget ? c->ops->textColour(*impl_, *c) : QColor();
}

void Window::setSkip(int field, bool skip) {
  ControlState* c = impl_->control(field);
  if (!c) return;
  const Qt::FocusPolicy policy = skip ? Qt::ClickFocus : Qt::StrongFocus;
  if (c->ops->takesFocus() && c->widget) c->widget->setFocusPolicy(policy);
  for (auto& [key, o] : impl_->controls)
    if (o.group == c->def->field && c->def->kind == Kind::OptionGroup && o.widget) o.widget->setFocusPolicy(policy);
}

bool Window::isSkipped(int field) const {
  ControlState* c = impl_->control(field);
  if (c && c->def->kind == Kind::OptionGroup) {
    for (auto& [key, o] : impl_->controls)
      if (o.group == field && o.widget) return !(o.widget->focusPolicy() & Qt::TabFocus);
  }
  QWidget* w = widget(field);
  return !w || !(w->focusPolicy() & Qt::TabFocus);
}

void Window::setSelection(int field, int start, int end) {
  auto* e = qobject_cast<QLineEdit*>(widget(field));
  if (!e) return;
  const int len = e->text().size();
  const int from = std::clamp(start - 1, 0, len);
  const int to = std::clamp(end, 0, len);
  if (to > from)
    e->setSelection(from, to - from);
  else
    e->setCursorPosition(from);
}

void Window::giveFocus(int field) {
  ControlState* c = impl_->control(field);
  if (!c || !c->widget) return;
  QWidget* w = c->widget;
  if (c->def->kind == Kind::OptionGroup) {
    // The focus goes to the group's chosen option, or to its first one.
    QWidget* first = nullptr;
    for (auto& [key, o] : impl_->controls) {
      if (o.group != field || !o.widget) continue;
      if (!first) first = o.widget;
      if (static_cast<QAbstractButton*>(o.widget.data())->isChecked()) {
        first = o.widget;
        break;
      }
    }
    if (!first) return;
    w = first;
  }
  if (impl_->top) impl_->top->activateWindow();
  w->setFocus(Qt::OtherFocusReason);
  impl_->pendingSelect = QApplication::focusWidget() == w ? 0 : field;
}

int Window::focusField() const {
  QWidget* f = QApplication::focusWidget();
  if (!f) return 0;
  ControlState* c = impl_->controlOf(f);
  if (!c) return 0;
  return c->group ? c->group : c->def->field;
}

void Window::markChanged(int field) {
  if (ControlState* c = impl_->control(field)) c->changed = true;
}

void Window::showVariables(int only) {
  for (auto& [field, c] : impl_->controls) {
    if (only && field != only) continue;
    if (c.widget && c.def->kind != Kind::OptionGroup) c.ops->display(*impl_, c);
  }
}

ListBox* Window::list(int field) const { return dynamic_cast<ListBox*>(widget(field)); }

void Window::setListSource(int field, ListSource source) {
  if (ListBox* l = list(field)) l->setSource(std::move(source));
}

bool Window::setListFormat(int field, const QString& format) {
  ListBox* l = list(field);
  return l && l->setFormat(format);
}

QString Window::listFormat(int field) const {
  ListBox* l = list(field);
  return l ? l->format() : QString();
}

int Window::listSelection(int field) const {
  ListBox* l = list(field);
  return l ? l->selectedRow() : 0;
}

void Window::selectListRow(int field, int row) {
  if (ListBox* l = list(field)) l->selectRow(row);
}

void Window::acceptOnClick(int field) {
  ListBox* l = list(field);
  if (!l) return;
  WindowImpl* w = impl_.get();
  QObject::connect(l, &QAbstractItemView::clicked, l, [w, field] {
    if (w->open) w->enqueue(EV_Accepted, field, kKeyMouseLeft);
  });
}

int Window::rejectedField() const {
  for (const auto& [field, c] : impl_->controls) {
    if (field <= 0 || c.def->kind != Kind::Entry || !c.widget || !c.changed || !c.picture) continue;
    const rt::Picture& p = *c.picture;
    const QString typed = c.ops->typed(c);
    if (p.kind() == rt::Picture::Kind::Date && !p.parseDate(typed)) return field;
    if (p.kind() == rt::Picture::Kind::Number && !p.parseNumber(typed)) return field;
  }
  return 0;
}

bool Window::takeEdit(int field) {
  if (!field) field = focusField();
  ControlState* c = impl_->control(field);
  return !c || !c->widget || c->ops->take(*impl_, *c);
}

int Window::currentTab(int sheet) const {
  ControlState* c = impl_->control(sheet);
  if (!c || c->def->kind != Kind::Sheet) return 0;
  const int key = currentTabKey(*impl_, *c);
  return addressed(key) ? key : 0;
}

void Window::selectTab(int sheet, int tab) {
  ControlState* s = impl_->control(sheet);
  ControlState* t = impl_->control(tab);
  if (s && t && s->def->kind == Kind::Sheet && t->def->kind == Kind::Tab) setCurrentTab(*s, *t);
}

void Window::setPagePainter(int field, std::function<void(QPainter&, const QRect&)> painter, QSizeF size) {
  if (ControlState* c = impl_->control(field)) rt::win::setPagePainter(*c, std::move(painter), size);
}

void Window::setVerticalScrollBar(int field, bool on) {
  if (ControlState* c = impl_->control(field)) setPageScrollBar(*c, on);
}

void Window::setCursor(int field, Qt::CursorShape shape) {
  if (QWidget* w = widget(field)) w->setCursor(shape);
}

void Window::setTimer(int hundredths) {
  WindowImpl& w = *impl_;
  if (!w.top) return;
  if (!w.timer) {
    w.timer = new QTimer(w.top);
    QObject::connect(w.timer, &QTimer::timeout, w.timer, [&w] { w.enqueue(EV_Timer); });
  }
  if (hundredths <= 0)
    w.timer->stop();
  else
    w.timer->start(hundredths * 10);
}

void Window::setWallpaper(const QString& resource, bool tiled) {
  impl_->wallpaper = resource;
  impl_->wallpaperTiled = tiled;
  if (auto* mdi = qobject_cast<QMdiArea*>(impl_->content.data())) {
    // A frame shows its wallpaper behind the MDI windows.
    const QPixmap pm = resourcePixmap(resource);
    if (pm.isNull())
      mdi->setBackground(QApplication::palette().brush(QPalette::Dark));
    else
      mdi->setBackground(tiled ? QBrush(pm) : QBrush(pm.scaled(mdi->viewport()->size())));
    return;
  }
  if (impl_->content) impl_->content->update();
}

void Window::setMenuStyle(const QString& colourSet) {
  auto* main = qobject_cast<QMainWindow*>(impl_->top.data());
  if (!main) return;
  applyMenuPalette(main->menuBar(), colourSet);
  for (auto& [field, c] : impl_->controls)
    if (auto* m = qobject_cast<QMenu*>(c.widget.data())) applyMenuPalette(m, colourSet);
}

QString Window::wallpaper() const { return impl_->wallpaper; }

// ------------------------------------------------------------------- place and size

namespace {

// The pixels that each coordinate of a window's place and size was when it was read in dialog
// units, by window: a value given back as it was read is exactly the pixels it was read from,
// although dialog units are coarser than pixels.
struct ReadPlace {
  std::map<int, int> x, y, w, h;
};
std::map<QString, ReadPlace>& readPlaces() {
  static std::map<QString, ReadPlace> places;
  return places;
}

int pixelsOf(const std::map<int, int>& read, int units, int computed) {
  const auto it = read.find(units);
  return it == read.end() ? computed : it->second;
}

}  // namespace

QRect Window::position() const {
  const WindowImpl& w = *impl_;
  if (!w.top) return {};
  const QSize s = w.sub ? w.content->size() : w.top->size();
  const QRect pixels((w.sub ? w.top->pos() : w.top->geometry().topLeft()) - w.origin(), s);
  const QRect units = w.toUnits(pixels);
  ReadPlace& read = readPlaces()[label()];
  read.x[units.x()] = pixels.x();
  read.y[units.y()] = pixels.y();
  read.w[units.width()] = pixels.width();
  read.h[units.height()] = pixels.height();
  return units;
}

void Window::setPosition(int x, int y, int width, int height) {
  WindowImpl& w = *impl_;
  if (!w.top) return;
  const ReadPlace& read = readPlaces()[label()];
  const QRect px(pixelsOf(read.x, x, w.px(x)), pixelsOf(read.y, y, w.py(y)), pixelsOf(read.w, width, w.px(width)),
                 pixelsOf(read.h, height, w.py(height)));
  if (w.sub) {
    if (w.sub->isMaximized()) w.sub->showNormal();
    const QSize deco = w.sub->size() - w.content->size();
    w.sub->setGeometry(px.x(), px.y(), px.width() + deco.width(), px.height() + deco.height());
    // Qt lays the widget out inside the sub-window; make sure the client area has exactly the size.
    const QSize diff = px.size() - w.content->size();
    if (!diff.isNull()) w.sub->resize(w.sub->size() + diff);
  } else {
    w.top->resize(px.size());
    placeReachable(w.top, w.origin() + px.topLeft());
  }
  // Setting the size always raises the resize event, also when it did not change.
  w.enqueue(EV_Sized);
}

QRect Window::controlPosition(int field) const {
  QWidget* c = widget(field);
  return c ? impl_->toUnits(c->geometry()) : QRect();
}

void Window::setControlPosition(int field, int x, int y, int width, int height) {
  if (QWidget* c = widget(field)) c->setGeometry(impl_->toPixels(QRect(x, y, width, height)));
}

void Window::setControlX(int field, int x) {
  const QRect r = controlPosition(field);
  setControlPosition(field, x, r.y(), r.width(), r.height());
}

void Window::setControlY(int field, int y) {
  const QRect r = controlPosition(field);
  setControlPosition(field, r.x(), y, r.width(), r.height());
}

void Window::setControlWidth(int field, int width) {
  const QRect r = controlPosition(field);
  setControlPosition(field, r.x(), r.y(), width, r.height());
}

void Window::setControlHeight(int field, int height) {
  const QRect r = controlPosition(field);
  setControlPosition(field, r.x(), r.y(), r.width(), height);
}

bool Window::isMaximized() const { return impl_->top && impl_->top->isMaximized(); }

void Window::setMaximized(bool maximized) {
  if (!impl_->top) return;
  if (maximized)
    impl_->top->showMaximized();
  else
    impl_->top->showNormal();
}

void Window::activate() {
  WindowImpl& w = *impl_;
  if (!w.top) return;
  if (w.sub && Dispatcher::get().mdi) Dispatcher::get().mdi->setActiveSubWindow(w.sub);
  raiseWidget(w.top);
}

void Window::keepOnTop() {
  QWidget* top = impl_->top;
  if (!top) return;
  top->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  top->show();  // a changed flag hides the window
}

bool Window::takesInput() const {
  for (const auto& part : impl_->inputParts)
    if (part && !part->isEnabled()) return false;
  return impl_->open;
}

void Window::addAlertKey(int code) { impl_->alertKeys.insert(code); }
void Window::clearAlertKeys() { impl_->alertKeys.clear(); }
bool Window::hasAlertKey(int code) const { return impl_->alertKeys.count(code) > 0; }
void Window::setDeferUserEvents(bool defer) {
  impl_->deferUserEvents = defer;
  Dispatcher::get().schedule();
}

// ------------------------------------------------------------------- program-wide

void setOpenHook(std::function<void(Window&)> hook) { Dispatcher::get().openHook = std::move(hook); }

void setInvalidInputHandler(std::function<void(Window&, int, const QString&)> handler) {
  Dispatcher::get().invalidInput = std::move(handler);
}

Window* frontWindow(bool* foreign) {
  if (foreign) *foreign = false;
  const QWidget* active = QApplication::activeWindow();
  if (!active || !active->isVisible()) return nullptr;
  Dispatcher& d = Dispatcher::get();
  if (d.frame && active == d.frame->impl()->top.data()) {
    const QMdiSubWindow* sub = d.mdi ? d.mdi->activeSubWindow() : nullptr;
    for (Window* w : d.openWindows)
      if (sub && w->impl()->sub.data() == sub) return w;
    return d.frame;
  }
  for (Window* w : d.openWindows)
    if (w->impl()->top.data() == active) return w;
  if (foreign) *foreign = true;
  return nullptr;
}

Window* findWindow(const QString& label) {
  auto& open = Dispatcher::get().openWindows;
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if ((*it)->label() == label) return *it;
  return nullptr;
}

}  // namespace rt::win
