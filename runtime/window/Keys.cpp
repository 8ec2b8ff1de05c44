// Key codes, the program-wide key aliases and the application event filter that applies them: alert
// keys (mouse buttons among them), the keys of controls, Esc as a close request, Enter on buttons and
// entries and the default button.

#include "runtime/window/Keys.h"

#include "runtime/window/Internal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>
#include <QPushButton>
#include <QRadioButton>
#include <map>

namespace rt::win {
namespace {

std::map<int, int> g_aliases;

int baseCode(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + (qtKey - Qt::Key_F1);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
  switch (qtKey) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_Enter;
    case Qt::Key_Escape: return VK_Esc;
    case Qt::Key_Up: return VK_Up;
    case Qt::Key_Down: return VK_Down;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    // The two keys right of 0 on the German keyboard.
    case Qt::Key_ssharp: return 0xDB;
    case Qt::Key_Dead_Acute:
    case Qt::Key_acute: return 0xDD;
    default: return 0;
  }
}

// Moves the focus as Tab or Shift+Tab would, in the window of `w`.
void moveFocus(QWidget* w, bool forward) {
  QKeyEvent tab(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                forward ? Qt::NoModifier : Qt::ShiftModifier);
  QApplication::sendEvent(w, &tab);
}

bool isModifier(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
         key == Qt::Key_AltGr;
}

// The window's default button, when it can be pressed now.
QAbstractButton* defaultButton(WindowImpl& w) {
  for (auto& [field, c] : w.controls)
    if (c.def->kind == Kind::Button && (c.def->attrs & A_Default) && c.widget && c.widget->isVisible() &&
        c.widget->isEnabled())
      return static_cast<QAbstractButton*>(c.widget.data());
  return nullptr;
}

class KeyFilter : public QObject {
 public:
  bool eventFilter(QObject* obj, QEvent* ev) override {
    if (ev->type() == QEvent::MouseButtonPress || ev->type() == QEvent::MouseButtonDblClick)
      return mouseAlert(obj, *static_cast<QMouseEvent*>(ev));
    if ((ev->type() != QEvent::KeyPress && ev->type() != QEvent::KeyRelease) || !obj->isWidgetType()) return false;
    auto* ke = static_cast<QKeyEvent*>(ev);
    if (ev->type() == QEvent::KeyRelease) {
      if (!ke->isAutoRepeat() && ke->key() == answeredKey_) answeredKey_ = 0;
      return false;
    }
    // A key held down after it answered a window repeats into the window below: the repeats go nowhere.
    if (ke->isAutoRepeat() && ke->key() == answeredKey_) return true;
    answeredKey_ = 0;
    Dispatcher& d = Dispatcher::get();
    Window* window = d.windowOf(obj);
    if (!window) return false;
    WindowImpl* w = window->impl();
    auto* widget = static_cast<QWidget*>(obj);
    if (!isModifier(ke->key())) {
      auto t = d.threads.find(w->thread);
      if (t != d.threads.end()) ++t->second.keyPresses;
    }
    int code = keyCodeOf(*ke);
    if (!code) return false;

    if (const int to = keyAlias(code)) {
      if (to == VK_Tab || to == VK_ShiftTab) {
        moveFocus(widget, to == VK_Tab);
        return true;
      }
      code = to;
    }
    if (w->alertKeys.count(code)) {
      w->enqueue(EV_AlertKey, 0, code);
      return true;
    }
    for (auto& [field, c] : w->controls) {
      if (c.def->key != code || !c.widget || !c.widget->isVisible() || !c.widget->isEnabled()) continue;
      if (auto* b = qobject_cast<QAbstractButton*>(c.widget.data())) b->click();
      return true;
    }
    // Esc is the close request of dialogs and MDI windows; the frame is not closed by a key.
    if (code == VK_Esc) {
      if (window->def().kind == WindowKind::Frame) return false;
      w->enqueue(EV_CloseWindow);
      return true;
    }
    if (code == VK_Enter) {
      if (auto* b = qobject_cast<QPushButton*>(widget)) {
        answeredKey_ = ke->key();
        b->click();
        return true;
      }
      ControlState* c = w->controlOf(widget);
      const bool entry = qobject_cast<QLineEdit*>(widget) != nullptr;
      if (entry && c) w->acceptEntry(*c);
      // Enter in another control presses the window's default button, once the entry has taken
      // what was typed; an entry that rejects it keeps the focus and the button stays up.
      if (c && !c->changed) {
        if (QAbstractButton* b = defaultButton(*w)) {
          answeredKey_ = ke->key();
          b->click();
          return true;
        }
      }
      if (entry) return true;
    }
    return false;
  }

 private:
  // A mouse button that is an alert key of the window under the pointer; a double click is a press too.
  // The press is caught as it reaches the screen window, before any control takes the focus or the
  // press; one sent to a control directly is caught there.
  static bool mouseAlert(QObject* obj, const QMouseEvent& e) {
    const Qt::MouseButton b = e.button();
    const int code = b == Qt::LeftButton ? kKeyMouseLeft : b == Qt::RightButton ? kKeyMouseRight : 0;
    if (!code) return false;
    QObject* hit = obj->isWidgetType() ? obj : nullptr;
    if (obj->isWindowType()) {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() != obj) continue;
        QWidget* child = top->childAt(e.position().toPoint());
        hit = child ? child : top;
      }
    }
    Window* window = hit ? Dispatcher::get().windowOf(hit) : nullptr;
    if (!window || !window->hasAlertKey(code) || !window->takesInput()) return false;
    window->impl()->enqueue(EV_AlertKey, 0, code);
    return true;
  }

  int answeredKey_ = 0;  // the key that pressed a button, until it is released
};

}  // namespace

int keyCodeOf(const QKeyEvent& e) {
  int code = baseCode(e.key());
  if (!code) return 0;
  const auto mods = e.modifiers();
  if ((mods & Qt::ShiftModifier) || e.key() == Qt::Key_Backtab) code |= KEY_Shift;
  if (mods & Qt::ControlModifier) code |= KEY_Ctrl;
  if (mods & Qt::AltModifier) code |= KEY_Alt;
  return code;
}

int qtKeyOf(int code) {
  int key = 0;
  const int base = code & 0xFF;
  if (base >= VK_F1 && base <= VK_F1 + 23) key = Qt::Key_F1 + (base - VK_F1);
  else if ((base >= '0' && base <= '9') || (base >= 'A' && base <= 'Z')) key = base;
  else if (base == VK_Enter) key = Qt::Key_Return;
  else if (base == VK_Esc) key = Qt::Key_Escape;
  else if (base == 0xDB) key = Qt::Key_ssharp;
  else if (base == 0xDD) key = Qt::Key_acute;
  if (code & KEY_Shift) key |= Qt::SHIFT;
  if (code & KEY_Ctrl) key |= Qt::CTRL;
  if (code & KEY_Alt) key |= Qt::ALT;
  return key;
}

void setKeyAlias(int from, int to) { g_aliases[from] = to; }
void clearKeyAliases() { g_aliases.clear(); }
int keyAlias(int from) {
  auto it = g_aliases.find(from);
  return it == g_aliases.end() ? 0 : it->second;
}

void installKeyFilter() {
  static KeyFilter* filter = nullptr;
  if (filter) return;
  filter = new KeyFilter;
  qApp->installEventFilter(filter);
}

}  // namespace rt::win
