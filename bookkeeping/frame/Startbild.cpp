#include "bookkeeping/frame/Startbild.h"

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

using namespace rt::win;

namespace {

enum Feld { IMAGE = 1, VERSION, SLOGAN };

// Key codes of the mouse buttons.
constexpr int kMausLinks = 1;
constexpr int kMausRechts = 2;

WindowDef definition() {
  WindowDef d;
  d.label = "P7$WIN";
  d.y = 45;
  d.w = 282;
  d.h = 152;
  d.font = "Arial";
  d.fontSize = 8;
  d.background = Qt::white;
  d.controls = {
      {.field = IMAGE, .label = "?IMAGE", .kind = Kind::Image, .x = 1, .y = 1, .icon = "Tavik.gif"},
      {.kind = Kind::Box, .x = 1, .y = 1, .w = 279, .h = 150, .border = QColor(192, 224, 224)},
      {.kind = Kind::Box, .x = 3, .y = 3, .w = 275, .h = 146, .border = QColor(239, 255, 255)},
      {.kind = Kind::Box, .x = 0, .y = 0, .w = 282, .h = 152, .border = QColor(32, 80, 128)},
      {.field = VERSION, .kind = Kind::Prompt, .text = "- 2.0 -", .x = 211, .y = 31},
      {.field = SLOGAN, .kind = Kind::Prompt, .text = "Die unkomplizierte Einnahme-Überschuss-Rechnung", .x = 0,
       .y = 50, .w = 282, .attrs = A_Centre},
  };
  return d;
}

Window* g_startbild = nullptr;  // the splash while it is up

// Stand-in until the window layer takes the mouse buttons as alert keys: a press of either button
// anywhere in the window arrives as an alert key event (without telling which button it was).
class MausAlsAlarm : public QObject {
 public:
  explicit MausAlsAlarm(int thread) : thread_(thread) {}
  bool eventFilter(QObject*, QEvent* ev) override {
    if (ev->type() != QEvent::MouseButtonPress) return false;
    const Qt::MouseButton b = static_cast<QMouseEvent*>(ev)->button();
    if (b != Qt::LeftButton && b != Qt::RightButton) return false;
    postField(EV_AlertKey, 0, thread_);
    return true;
  }

 private:
  int thread_;
};

void MaustastenAlarmieren(Window& w) {
  w.addAlertKey(kMausLinks);
  w.addAlertKey(kMausRechts);
  QWidget* top = w.topWidget();
  auto* filter = new MausAlsAlarm(w.thread());
  filter->setParent(top);
  top->installEventFilter(filter);
  for (QWidget* c : top->findChildren<QWidget*>()) c->installEventFilter(filter);
  // The splash stays above the frame that opens after it.
  top->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  top->show();
}

void Beenden(Window& w) {
  w.close();
  g_startbild = nullptr;
  STARTBILDAKTIV = 0;
  Window* fenster = &w;
  QTimer::singleShot(0, [fenster] { delete fenster; });
}

Pass Ereignis(Window& w, const Event& e) {
  switch (e.code) {
    case EV_AlertKey:
      // Esc is an alert key only so that it does not close the splash; the mouse buttons end it.
      if (e.key == VK_Esc) return Pass::Default;
      [[fallthrough]];
    case EV_Timer:
      post(EVENT_StartbildEnde, THREADSUMMEN);
      Beenden(w);
      return Pass::Leave;
    case EV_CloseWindow:
    case EV_CloseDown:
      // Closed by other means: nobody is told.
      Beenden(w);
      return Pass::Leave;
    default:
      return Pass::Default;
  }
}

}  // namespace

void TextSchrift(Window& w, int feld, int punkt, bool fett, bool kursiv, const QColor& farbe) {
  QWidget* c = w.widget(feld);
  if (!c) return;
  QFont f = c->font();
  f.setPointSize(punkt);
  f.setBold(fett);
  f.setItalic(kursiv);
  c->setFont(f);
  const QSize natuerlich = c->sizeHint();
  c->resize(std::max(c->width(), natuerlich.width()), natuerlich.height());
  w.setTextColour(feld, farbe);
}

void Startbild() {
  if (g_startbild) return;  // one splash per run
  auto* fenster = new Window(definition());
  Window& w = *fenster;
  g_startbild = fenster;
  w.open();
  // The window layer centres it; its top lies 45 units below the top of the screen.
  const QRect r = w.position();
  w.setPosition(r.x(), 45, 282, 152);
  TextSchrift(w, VERSION, 16, true, true, QColor(32, 80, 128));
  TextSchrift(w, SLOGAN, 10, true, false, QColor(88, 88, 80));
  MaustastenAlarmieren(w);
  w.addAlertKey(VK_Esc);
  w.setTimer(600);
  w.attach(Ereignis);
}

void StartbildSchliessen() {
  if (g_startbild) Beenden(*g_startbild);
}
