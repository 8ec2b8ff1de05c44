#include "bookkeeping/booking/Arbeitsfenster.h"

#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Window.h"

bool ArbeitsfensterVorne() {
  bool fremd = false;
  const rt::win::Window* vorne = rt::win::frontWindow(&fremd);
  if (!vorne) return !fremd;
  // The splash and the notice "Gespeichert" come and go by themselves: the user is not at them.
  if (vorne->label() == "P7$WIN" || vorne->label() == "P26$WIN") return true;
  return vorne == &WinMain || vorne == &WinBuchung || vorne == &WinSummen || vorne == &WinAnzeige;
}
