#include "bookkeeping/frame/Globale.h"

using namespace rt::win;

namespace {
WindowDef definition() {
  WindowDef d;
  d.label = "$WINANZEIGE";
  d.caption = "Buchungsübersicht";
  d.x = 295;
  d.y = -6;
  d.w = 176;
  d.h = 156;
  d.kind = WindowKind::MdiChild;
  return d;
}
}  // namespace

Window WinAnzeige(definition());
