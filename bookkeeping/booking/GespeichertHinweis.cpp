#include "bookkeeping/booking/GespeichertHinweis.h"

#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Threads.h"

using namespace rt::win;

namespace {

WindowDef definition() {
  WindowDef d;
  d.label = "P26$WIN";
  d.w = 153;
  d.h = 96;
  d.background = QColor(0xFF, 0xFB, 0xE8);
  d.controls = {
      {.kind = Kind::Box, .x = 0, .y = 0, .w = 153, .h = 96, .border = QColor(0x80, 0x80, 0x80)},
      {.field = 1, .label = "?GESPEICHERT", .kind = Kind::Prompt, .text = "Gespeichert", .x = 0, .y = 35,
       .w = 158, .h = 20, .attrs = A_Centre | A_Large},
  };
  return d;
}

}  // namespace

void GespeichertHinweis() {
  // Each confirmation has a notice of its own; it is freed once its pass has ended.
  auto* notice = new Window(definition());
  Window& w = *notice;
  w.open();
  const QRect form = WinBuchung.position();
  w.setPosition(form.x() + 100, form.y() + 26, 153, 96);
  w.setTimer(80);
  // However the notice ends (its time, Esc or a close request, the program's end), the form hears of it.
  w.attach([](Window& win, const Event& e) {
    if (e.code != EV_Timer && e.code != EV_CloseWindow && e.code != EV_CloseDown) return Pass::Default;
    win.release();
    TastenBelegen(2, 0, 0);
    post(EVENT_Speichern, THREADBUCHUNG);
    return Pass::Leave;
  });
}
