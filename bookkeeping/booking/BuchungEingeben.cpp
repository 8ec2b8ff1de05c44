#include "bookkeeping/frame/Globale.h"

using namespace rt::win;

namespace {
WindowDef definition() {
  WindowDef d;
  d.label = "$WINBUCHUNG";
  d.caption = "Buchung eingeben";
  d.w = 288;
  d.h = 156;
  d.kind = WindowKind::MdiChild;
  return d;
}
}  // namespace

Window WinBuchung(definition());
