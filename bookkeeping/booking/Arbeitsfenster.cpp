#include "bookkeeping/booking/Arbeitsfenster.h"

#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Window.h"

bool ArbeitsfensterVorne() {
  bool fremd = false;
  const rt::win::Window* vorne = rt::win::frontWindow(&fremd);
  if (!vorne) return !fremd;
  return vorne == &WinMain || vorne == &WinBuchung || vorne == &WinSummen || vorne == &WinAnzeige;
}
