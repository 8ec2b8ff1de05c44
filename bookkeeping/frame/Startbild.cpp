#include "bookkeeping/frame/Startbild.h"

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

using namespace rt::win;

namespace {

enum Feld { IMAGE = 1, VERSION, SLOGAN };

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
      {.field = VERSION, .kind = Kind::Prompt, .text = "- 2.0 -", .x = 211, .y = 31, .attrs = A_Bold | A_Italic,
       .fontSize = 16},
      {.field = SLOGAN, .kind = Kind::Prompt, .text = "Die unkomplizierte Einnahme-Überschuss-Rechnung", .x = 0,
       .y = 50, .w = 282, .attrs = A_Centre | A_Bold, .fontSize = 10},
  };
  return d;
}

Window* g_startbild = nullptr;  // the splash while it is up

void Beenden(Window& w) {
  g_startbild = nullptr;
  STARTBILDAKTIV = 0;
  w.release();
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

void Startbild() {
  if (g_startbild) return;  // one splash per run
  auto* fenster = new Window(definition());
  Window& w = *fenster;
  g_startbild = fenster;
  w.open();
  // The window layer centres it; its top lies 45 units below the top of the screen.
  const QRect r = w.position();
  w.setPosition(r.x(), 45, 282, 152);
  w.setTextColour(VERSION, QColor(32, 80, 128));
  w.setTextColour(SLOGAN, QColor(88, 88, 80));
  // The splash opens before the frame, so the frame does not own it: it is kept above the frame
  // that opens after it.
  w.keepOnTop();
  w.addAlertKey(kKeyMouseLeft);
  w.addAlertKey(kKeyMouseRight);
  w.addAlertKey(VK_Esc);
  w.setTimer(600);
  w.attach(Ereignis);
}

void StartbildSchliessen() {
  if (g_startbild) Beenden(*g_startbild);
}
