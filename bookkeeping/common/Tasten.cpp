#include "bookkeeping/common/Tasten.h"

#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/window/Events.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

using namespace rt::win;

void TastenLoeschen() {
  clearKeyAliases();
  if (Window* w = topWindow(currentThread())) w->clearAlertKeys();
}

void TastenBelegen(int n, std::uint8_t enterImmer, std::uint8_t erzwungen) {
  if (PARA.TASTATUR != 1 && !erzwungen) return;
  TastenLoeschen();
  if (Window* w = topWindow(currentThread())) w->addAlertKey(VK_F2);
  if (enterImmer || selectingField() > n) setKeyAlias(VK_Enter, VK_Tab);
  setKeyAlias(VK_Up, VK_ShiftTab);
}

void F2Bestaetigen(rt::win::Window& fenster, int taste) {
  if (taste != VK_F2) return;
  fenster.takeEdit();
  rt::win::post(EVENT_Bestaetigt, 0);
}

bool BestaetigungsTasten(rt::win::Window& fenster, const rt::win::Event& e) {
  switch (e.code) {
    case EV_GainFocus:
    case EV_Selected:
      TastenBelegen(2, 0, 0);
      return true;
    case EV_AlertKey:
      F2Bestaetigen(fenster, e.key);
      return true;
    default:
      return false;
  }
}
