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
#include <QToolBar>
#include <QToolTip>
#include <cmath>

namespace rt::win {
namespace {

QFont windowFont(const char* family = "Arial", int size = 8) {
  QFont f(QString::fromUtf8(family), size);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

struct Scale {
  double x = 1.5, y = 1.75;
};

// Dialog units by the Windows rule: a horizontal unit is a quarter of the font's average character
// width (measured over the 52 letters), a vertical unit an eighth of its height.
const Scale& scale() {
  static Scale s = [] {
    const QFontMetricsF fm(windowFont());
    Scale r;
    r.x = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0 / 4.0;
    r.y = fm.height() / 8.0;
    return r;
  }();
  return s;
}

int px(int dlu) { return static_cast<int>(std::lround(dlu * scale().x)); }
int py(int dlu) { return static_cast<int>(std::lround(dlu * scale().y)); }
int ux(int pixels) { return static_cast<int>(std::lround(pixels / scale().x)); }
int uy(int pixels) { return static_cast<int>(std::lround(pixels / scale().y)); }

bool isFieldEvent(QEvent::Type t) { return t == QEvent::FocusIn || t == QEvent::FocusOut; }

// The client area: paints the wallpaper and reports resizes and close requests.
class Content : public QWidget {
 public:
  explicit Content(WindowImpl* w) : w_(w) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (w_->wallpaper.isEmpty()) return;
    const QPixmap pm = resourcePixmap(w_->wallpaper);
    if (pm.isNull()) return;
    QPainter p(this);
    if (w_->wallpaperTiled)
      p.drawTiledPixmap(rect(), pm);
    else
      p.drawPixmap(rect(), pm);
  }
  void resizeEvent(QResizeEvent*) override {
    if (w_->open) w_->enqueue(EV_Sized);
  }

 private:
  WindowImpl* w_;
};

// A panel, box or line. It paints its own fill: the widget styles of a toolbar do not fill it.
class Fill : public QFrame {
 public:
  using QFrame::QFrame;

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (autoFillBackground()) QPainter(this).fillRect(rect(), palette().color(QPalette::Window));
    QFrame::paintEvent(e);
  }
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
    if (!isFieldEvent(ev->type()) || !w_->open) return false;
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

Qt::Alignment alignmentOf(const ControlDef& d, const rt::Picture* pic) {
  if (d.attrs & A_Centre) return Qt::AlignHCenter | Qt::AlignVCenter;
  if (d.attrs & A_Right) return Qt::AlignRight | Qt::AlignVCenter;
  if (pic && pic->kind() == rt::Picture::Kind::Number) return Qt::AlignRight | Qt::AlignVCenter;
  return Qt::AlignLeft | Qt::AlignVCenter;
}

void setBackground(QWidget* w, const QColor& c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, c);
  pal.setColor(QPalette::Base, c);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

// Brings a window to the front; the headless platform has no stacking of its own.
void raiseWidget(QWidget* w) {
  if (QGuiApplication::platformName() != "offscreen" || !w->isWindow()) w->raise();
  w->activateWindow();
}

bool inRange(int field, int from, int to) { return field >= from && field <= (to ? to : from); }

// Controls with field number 0 are kept under keys below this; the program never addresses them.
constexpr int kUnnamed = -1000000;
bool addressed(int key) { return key != 0 && key > kUnnamed; }

// Hides, shows, enables or disables the controls of a range: widgets, and the menus and items.
template <typename F>
void forRange(WindowImpl& w, int from, int to, F f) {
  for (auto& [field, c] : w.controls) {
    if (!addressed(field) || !inRange(field, from, to)) continue;
    if (c.action)
      f(c.action.data());
    else if (c.widget)
      f(c.widget.data());
  }
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

double dluX() { return scale().x; }
double dluY() { return scale().y; }

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
  for (auto& part : inputParts)
    if (part) part->setEnabled(on);
  if (on && top) {
    // Back from a window above: the window and its control get the focus again, without the
    // events of a move between controls.
    raiseWidget(top);
    if (sub && Dispatcher::get().mdi) Dispatcher::get().mdi->setActiveSubWindow(sub);
    if (savedFocus) savedFocus->setFocus(Qt::ActiveWindowFocusReason);
    savedFocus = nullptr;
  }
}

void WindowImpl::enqueue(int code, int field, int key) {
  Dispatcher::get().enqueue(thread, owner, Event{code, field, key});
}

void WindowImpl::acceptEntry(ControlState& c) {
  auto* edit = qobject_cast<QLineEdit*>(c.widget.data());
  if (!edit || !c.changed) return;
  if (!c.def->bound.isSet() || c.def->bound.take(edit->text(), c.picture.get())) {
    c.changed = false;
    owner->display(c.def->field);
    enqueue(EV_Accepted, c.def->field);
    return;
  }
  // Rejected: the entry keeps what was typed and the focus, and the program says why.
  const QString typed = edit->text();
  QPointer<QLineEdit> keep = edit;
  QTimer::singleShot(0, edit, [keep] {
    if (keep) keep->setFocus(Qt::OtherFocusReason);
  });
  // The message is shown from the event loop, on the window's own logical thread, so that it holds
  // up that window (and not the thread that happened to be current) while the user reads it.
  std::weak_ptr<bool> alive = token;
  const int field = c.def->field;
  QTimer::singleShot(0, edit, [this, alive, field, typed, keep] {
    if (alive.expired() || !open) return;
    auto& handler = Dispatcher::get().invalidInput;
    if (!handler) {
      if (keep) QToolTip::showText(keep->mapToGlobal(QPoint(0, keep->height())), "Ungültige Eingabe", keep);
      return;
    }
    Dispatcher& d = Dispatcher::get();
    const int saved = d.current;
    d.current = thread;
    handler(*owner, field, typed);
    d.current = saved;
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

void Window::open() {
  if (impl_->open) return;
  installKeyFilter();
  Dispatcher& d = Dispatcher::get();
  WindowImpl& w = *impl_;
  w.thread = d.current;
  w.allowClose = false;
  w.alertKeys.clear();
  w.deferUserEvents = false;
  w.wallpaper.clear();

  auto* content = new Content(&w);
  content->setFont(windowFont(def_.font, def_.fontSize));
  if (def_.background.isValid()) setBackground(content, def_.background);
  w.content = content;
  w.inputParts = {content};

  // The widget that holds the controls: the client area, or a frame's toolbar.
  QWidget* host = content;
  QMenuBar* menuBar = nullptr;
  if (def_.kind == WindowKind::Frame) {
    auto* main = new QMainWindow;
    auto* mdi = new QMdiArea;
    mdi->setObjectName("mdiarea");
    main->setCentralWidget(mdi);
    main->setWindowTitle(QString::fromUtf8(def_.caption));
    menuBar = main->menuBar();
    auto* bar = new QToolBar(main);
    bar->setObjectName("toolbar");
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    auto* area = new QWidget;
    area->setFont(windowFont(def_.font, def_.fontSize - 1));
    // The toolbar's controls are small: check boxes show as toggles (the chosen one framed and
    // highlighted), buttons and spins without inner margins.
    area->setStyleSheet(
        "QCheckBox { font-size: 9px; spacing: 0px; padding: 0px; border: 1px solid transparent; border-radius: 2px; }"
        "QCheckBox::indicator { width: 0px; height: 0px; }"
        "QCheckBox:checked { background: #FFF6C8; border-color: #7A6A20; font-weight: bold; }"
        "QCheckBox:hover { border-color: #316AC5; }"
        "QPushButton { padding: 0px; font-size: 8px; }"
        "QSpinBox { padding: 0px; font-size: 9px; }");
    // The toolbar is as wide as its controls reach.
    int right = 0;
    for (const ControlDef& cd : def_.controls)
      if (cd.kind != Kind::Menu && cd.kind != Kind::MenuItem && cd.w != kDefault) right = std::max(right, cd.x + cd.w);
    area->setFixedSize(px(right + 2), py(def_.toolbarHeight));
    bar->addWidget(area);
    if (def_.toolbarHeight <= 0) bar->hide();
    main->addToolBar(Qt::TopToolBarArea, bar);
    main->resize(px(def_.w), py(def_.h));
    w.top = main;
    w.toolbar = area;
    // Its menu and toolbar take no input while a window of its thread is above it; the MDI area goes
    // on serving the other threads' windows.
    w.inputParts = {menuBar, bar};
    d.frame = this;
    d.mdi = mdi;
    delete content;
    content = nullptr;
    host = area;
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
    QWidget* parent = d.frame ? d.frame->impl()->top.data() : nullptr;
    content->setParent(parent, parent ? (flags | Qt::Dialog) : flags);
    content->setWindowTitle(QString::fromUtf8(def_.caption));
    w.top = content;
  }
  w.closeGuard = new CloseGuard(&w);
  w.top->installEventFilter(w.closeGuard);
  if (*def_.icon) w.top->setWindowIcon(resourceIcon(QString::fromUtf8(def_.icon)));
  if (w.content && def_.kind != WindowKind::Frame) w.content->resize(px(def_.w), py(def_.h));

  // Controls, in the order of the table, which is also the Tab order.
  auto* focusWatch = new FocusWatch(&w);
  w.focusWatch = focusWatch;
  QButtonGroup* group = nullptr;
  int groupField = 0;
  int unnamed = 0;
  std::vector<QWidget*> behind;
  QMenu* menu = nullptr;
  for (const ControlDef& cd : def_.controls) {
    ControlState cs;
    cs.def = &cd;
    const int key = cd.field ? cd.field : kUnnamed - ++unnamed;
    if (cd.kind == Kind::Menu || cd.kind == Kind::MenuItem) {
      if (!menuBar) continue;  // only a frame has a menu bar
      const QString text = QString::fromUtf8(cd.text);
      if (cd.kind == Kind::Menu) {
        menu = menuBar->addMenu(text);
        menu->setObjectName(QString::fromUtf8(cd.label));
        cs.widget = menu;
        cs.action = menu->menuAction();
      } else {
        if (!menu) continue;
        if (cd.attrs & A_Separator) menu->addSeparator();
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromUtf8(cd.label));
        if (cd.key) a->setShortcut(QKeySequence(qtKeyOf(cd.key)));
        if (*cd.icon) a->setIcon(resourceIcon(QString::fromUtf8(cd.icon)));
        const int field = cd.field;
        QObject::connect(a, &QAction::triggered, a, [&w, field] { w.enqueue(EV_Accepted, field); });
        cs.action = a;
      }
      if (cd.attrs & A_Disabled) cs.action->setEnabled(false);
      if (cd.attrs & A_Hidden) cs.action->setVisible(false);
      w.controls[key] = std::move(cs);
      continue;
    }
    if (*cd.picture) cs.picture = std::make_unique<rt::Picture>(cd.picture);
    const QString text = QString::fromUtf8(cd.text);
    QWidget* widget = nullptr;
    switch (cd.kind) {
      case Kind::Button: {
        auto* b = new QPushButton(text, host);
        if (*cd.icon) b->setIcon(resourceIcon(QString::fromUtf8(cd.icon)));
        b->setAutoDefault(false);
        const int field = cd.field;
        QObject::connect(b, &QPushButton::clicked, b, [&w, field] { w.enqueue(EV_Accepted, field); });
        widget = b;
        break;
      }
      case Kind::Entry: {
        auto* e = new QLineEdit(host);
        if (cs.picture && cs.picture->kind() == rt::Picture::Kind::Text) e->setMaxLength(cs.picture->width());
        e->setAlignment(alignmentOf(cd, cs.picture.get()));
        const int field = cd.field;
        const bool immediate = cd.attrs & A_Immediate;
        QObject::connect(e, &QLineEdit::textEdited, e, [&w, field, immediate] {
          if (ControlState* c = w.control(field)) c->changed = true;
          if (immediate) w.enqueue(EV_NewSelection, field);
        });
        widget = e;
        break;
      }
      case Kind::Display:
      case Kind::Prompt: {
        auto* l = new QLabel(text, host);
        l->setAlignment(alignmentOf(cd, cs.picture.get()));
        l->setTextFormat(Qt::PlainText);
        if (cd.attrs & A_Large) {
          QFont f = l->font();
          f.setPointSize(f.pointSize() * 2);
          f.setBold(true);
          l->setFont(f);
        }
        widget = l;
        break;
      }
      case Kind::CheckBox: {
        QAbstractButton* c = nullptr;
        if (cd.attrs & A_Button) {
          auto* b = new QPushButton(text, host);
          b->setCheckable(true);
          b->setAutoDefault(false);
          if (*cd.icon) b->setIcon(resourceIcon(QString::fromUtf8(cd.icon)));
          c = b;
        } else {
          c = new QCheckBox(text, host);
        }
        const int field = cd.field;
        QObject::connect(c, &QAbstractButton::clicked, c, [&w, field](bool on) {
          ControlState* s = w.control(field);
          if (s && s->def->bound.isSet()) s->def->bound.setNumber(on ? 1 : 0);
          w.enqueue(EV_Accepted, field);
        });
        widget = c;
        break;
      }
      case Kind::OptionGroup: {
        auto* frame = new QFrame(host);
        group = new QButtonGroup(frame);
        w.groups.push_back(group);
        groupField = cd.field;
        widget = frame;
        behind.push_back(frame);
        break;
      }
      case Kind::Option: {
        auto* r = new QRadioButton(text, host);
        cs.group = groupField;
        if (group) group->addButton(r);
        const int gf = groupField;
        const double value = cd.value;
        QObject::connect(r, &QRadioButton::clicked, r, [&w, gf, value] {
          ControlState* g = w.control(gf);
          if (g && g->def->bound.isSet()) g->def->bound.setNumber(value);
          w.enqueue(EV_Accepted, gf);
        });
        widget = r;
        break;
      }
      case Kind::Spin: {
        auto* s = new QSpinBox(host);
        s->setRange(cd.low, cd.high);
        s->setAlignment(Qt::AlignRight);
        const int field = cd.field;
        QObject::connect(s, &QSpinBox::valueChanged, s, [&w, field](int v) {
          ControlState* c = w.control(field);
          if (!c || c->widget->signalsBlocked()) return;
          if (c->def->bound.isSet()) c->def->bound.setNumber(v);
          w.enqueue(EV_NewSelection, field);
        });
        widget = s;
        break;
      }
      case Kind::Panel:
      case Kind::Box:
      case Kind::Line: {
        auto* f = new Fill(host);
        if (cd.kind == Kind::Line) {
          f->setFrameShape((cd.attrs & A_Vertical) ? QFrame::VLine : QFrame::HLine);
        } else if (cd.kind == Kind::Box) {
          f->setFrameShape(QFrame::Box);
          if (cd.border.isValid()) {
            QPalette pal = f->palette();
            pal.setColor(QPalette::WindowText, cd.border);
            f->setPalette(pal);
          }
        }
        if (cd.fill.isValid()) setBackground(f, cd.fill);
        widget = f;
        behind.push_back(f);
        break;
      }
      case Kind::Image: {
        auto* l = new QLabel(host);
        l->setPixmap(resourcePixmap(QString::fromUtf8(cd.icon)));
        widget = l;
        behind.push_back(l);
        break;
      }
      case Kind::List: {
        // The format string stands in the control's text; the rows come from setListSource.
        auto* l = new ListBox(content);
        l->setFormat(text);
        if (cd.fill.isValid()) {
          QPalette pal = l->palette();
          pal.setColor(QPalette::Base, cd.fill);
          l->setPalette(pal);
        }
        const int field = cd.field;
        l->onDoubleClick = [&w, field] { w.enqueue(EV_Accepted, field, kKeyMouseLeft2); };
        l->onNewSelection = [&w, field] { w.enqueue(EV_NewSelection, field); };
        l->onColumnResized = [&w, field] { w.enqueue(EV_ColumnResize, field); };
        widget = l;
        break;
      }
      case Kind::Menu:
      case Kind::MenuItem:
        break;  // built above
    }
    if (!widget) continue;
    widget->setObjectName(QString::fromUtf8(cd.label));
    if (*cd.tip) widget->setToolTip(QString::fromUtf8(cd.tip));
    const QSize natural = widget->sizeHint();
    int x = px(cd.x), y = py(cd.y);
    int wpx = cd.w == kDefault ? natural.width() : px(cd.w);
    int hpx = cd.h == kDefault ? natural.height() : py(cd.h);
    if (cd.kind == Kind::Prompt || cd.kind == Kind::Display) {
      if (cd.h == kDefault) hpx = QFontMetrics(widget->font()).height();
      if (cd.w == kDefault && cs.picture) wpx = QFontMetrics(widget->font()).horizontalAdvance(QString(cs.picture->width(), '0'));
    }
    if (cd.kind == Kind::Button && cd.h == kDefault) hpx = py(14);
    if (cd.kind == Kind::Entry && cd.h == kDefault) hpx = py(10);
    if (cd.kind == Kind::Entry && cd.w == kDefault && cs.picture)
      wpx = QFontMetrics(widget->font()).horizontalAdvance(QString(cs.picture->width() + 1, '0')) + 8;
    widget->setGeometry(x, y, wpx, hpx);
    const bool takesFocus = cd.kind == Kind::Button || cd.kind == Kind::Entry || cd.kind == Kind::CheckBox ||
                            cd.kind == Kind::Option || cd.kind == Kind::Spin || cd.kind == Kind::List;
    if (takesFocus) {
      widget->setFocusPolicy((cd.attrs & A_Skip) ? Qt::ClickFocus : Qt::StrongFocus);
      widget->installEventFilter(focusWatch);
    } else {
      widget->setFocusPolicy(Qt::NoFocus);
    }
    if (cd.attrs & A_Disabled) widget->setEnabled(false);
    if (cd.attrs & A_Hidden) widget->hide();
    // The keys of a frame's controls work in the whole frame, also while an MDI window has the focus.
    if (cd.key && def_.kind == WindowKind::Frame)
      if (auto* b = qobject_cast<QAbstractButton*>(widget)) b->setShortcut(QKeySequence(qtKeyOf(cd.key)));
    cs.widget = widget;
    w.controls[key] = std::move(cs);
  }
  // Panels, boxes and pictures lie behind the other controls, in their own order.
  for (auto it = behind.rbegin(); it != behind.rend(); ++it) (*it)->lower();

  display();
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
      w.top->move(area.center() - r.center());
    } else {
      w.top->move(px(def_.x), py(def_.y));
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
  if (!impl_->open) return;
  impl_->handler = std::move(handler);
  QEventLoop loop;
  impl_->loop = &loop;
  Dispatcher::get().schedule();
  loop.exec();
  impl_->loop = nullptr;
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
      if (*it == this || !(*it)->isOpen()) continue;
      const QWidget* t = (*it)->impl()->top;
      while (t && t != w.top.data()) t = t->parentWidget();
      if (t) d.closeDown(*it);
    }
    d.frame = nullptr;
    d.mdi = nullptr;
  }
  d.closed(this);
  if (w.loop) w.loop->quit();
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
  forRange(*impl_, from, to, [](auto* o) { o->setVisible(false); });
}

void Window::show(int from, int to) {
  forRange(*impl_, from, to, [](auto* o) { o->setVisible(true); });
}

void Window::enable(int from, int to) {
  forRange(*impl_, from, to, [](auto* o) { o->setEnabled(true); });
}

void Window::disable(int from, int to) {
  forRange(*impl_, from, to, [](auto* o) { o->setEnabled(false); });
}

bool Window::isHidden(int field) const {
  if (QAction* a = action(field)) return !a->isVisible();
  QWidget* w = widget(field);
  return !w || w->isHidden();
}

bool Window::isEnabled(int field) const {
  if (QAction* a = action(field)) return a->isEnabled();
  QWidget* w = widget(field);
  return w && w->isEnabled();
}

void Window::setText(int field, const QString& text) {
  if (QAction* a = action(field)) {
    a->setText(text);
    return;
  }
  QWidget* w = widget(field);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
  else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
  else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(text);
}

QString Window::text(int field) const {
  if (QAction* a = action(field)) return a->text();
  QWidget* w = widget(field);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* s = qobject_cast<QSpinBox*>(w)) return s->text();
  return {};
}

void Window::setFill(int field, const QColor& colour) {
  if (QWidget* w = widget(field)) setBackground(w, colour);
}

QColor Window::fill(int field) const {
  QWidget* w = widget(field);
  return w && w->autoFillBackground() ? w->palette().color(QPalette::Window) : QColor();
}

void Window::setTextColour(int field, const QColor& colour) {
  QWidget* w = widget(field);
  if (!w) return;
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, colour);
  pal.setColor(QPalette::Text, colour);
  pal.setColor(QPalette::ButtonText, colour);
  w->setPalette(pal);
}

QColor Window::textColour(int field) const {
  QWidget* w = widget(field);
  return w ? w->palette().color(QPalette::WindowText) : QColor();
}

void Window::setSkip(int field, bool skip) {
  if (QWidget* w = widget(field)) w->setFocusPolicy(skip ? Qt::ClickFocus : Qt::StrongFocus);
  if (ControlState* c = impl_->control(field))
    for (QButtonGroup* g : impl_->groups)
      for (QAbstractButton* b : g->buttons())
        if (ControlState* o = impl_->controlOf(b); o && o->group == c->def->field)
          b->setFocusPolicy(skip ? Qt::ClickFocus : Qt::StrongFocus);
}

bool Window::isSkipped(int field) const {
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

void Window::select(int field) {
  QWidget* w = widget(field);
  if (!w) return;
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

void Window::display(int only) {
  for (auto& [field, c] : impl_->controls) {
    if (only && field != only) continue;
    if (!c.widget) continue;
    const ControlDef& d = *c.def;
    if (c.group) {
      ControlState* g = impl_->control(c.group);
      if (g && g->def->bound.isSet())
        static_cast<QRadioButton*>(c.widget.data())->setChecked(g->def->bound.number() == d.value);
      continue;
    }
    if (auto* list = dynamic_cast<ListBox*>(c.widget.data())) {
      list->refresh();
      continue;
    }
    if (!d.bound.isSet()) continue;
    if (auto* e = qobject_cast<QLineEdit*>(c.widget.data())) {
      e->setText(d.bound.show(c.picture.get()).trimmed());
      c.changed = false;
    } else if (auto* l = qobject_cast<QLabel*>(c.widget.data())) {
      QString t = d.bound.show(c.picture.get());
      l->setText(c.picture && c.picture->kind() == rt::Picture::Kind::Number ? t.trimmed() : t);
    } else if (auto* cb = qobject_cast<QAbstractButton*>(c.widget.data()); cb && cb->isCheckable()) {
      cb->setChecked(d.bound.number() != 0);
    } else if (auto* s = qobject_cast<QSpinBox*>(c.widget.data())) {
      const QSignalBlocker block(s);
      s->setValue(static_cast<int>(d.bound.number()));
    }
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

int Window::rejectedField() const {
  for (const auto& [field, c] : impl_->controls) {
    auto* e = qobject_cast<QLineEdit*>(c.widget.data());
    if (field <= 0 || !e || !c.changed || !c.picture) continue;
    const rt::Picture& p = *c.picture;
    if (p.kind() == rt::Picture::Kind::Date && !p.parseDate(e->text())) return field;
    if (p.kind() == rt::Picture::Kind::Number && !p.parseNumber(e->text())) return field;
  }
  return 0;
}

bool Window::update(int field) {
  if (!field) field = focusField();
  ControlState* c = impl_->control(field);
  if (!c || !c->def->bound.isSet()) return true;
  if (auto* e = qobject_cast<QLineEdit*>(c->widget.data())) {
    if (!c->def->bound.take(e->text(), c->picture.get())) return false;
  }
  return true;
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

QRect Window::position() const {
  const WindowImpl& w = *impl_;
  if (!w.top) return {};
  const QPoint p = w.top->pos();
  const QSize s = w.sub ? w.content->size() : (w.top ? w.top->size() : QSize());
  return QRect(ux(p.x()), uy(p.y()), ux(s.width()), uy(s.height()));
}

void Window::setPosition(int x, int y, int width, int height) {
  WindowImpl& w = *impl_;
  if (!w.top) return;
  if (w.sub) {
    if (w.sub->isMaximized()) w.sub->showNormal();
    const QSize deco = w.sub->size() - w.content->size();
    w.sub->setGeometry(px(x), py(y), px(width) + deco.width(), py(height) + deco.height());
    // Qt lays the widget out inside the sub-window; make sure the client area has exactly the size.
    const QSize diff = QSize(px(width), py(height)) - w.content->size();
    if (!diff.isNull()) w.sub->resize(w.sub->size() + diff);
  } else {
    w.top->move(px(x), py(y));
    w.top->resize(px(width), py(height));
  }
  // Setting the size always raises the resize event, also when it did not change.
  w.enqueue(EV_Sized);
}

QRect Window::controlPosition(int field) const {
  QWidget* c = widget(field);
  if (!c) return {};
  const QRect g = c->geometry();
  return QRect(ux(g.x()), uy(g.y()), ux(g.width()), uy(g.height()));
}

void Window::setControlPosition(int field, int x, int y, int width, int height) {
  if (QWidget* c = widget(field)) c->setGeometry(px(x), py(y), px(width), py(height));
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

Window* findWindow(const QString& label) {
  auto& open = Dispatcher::get().openWindows;
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if ((*it)->label() == label) return *it;
  return nullptr;
}

}  // namespace rt::win
