#include "bookkeeping/frame/Globale.h"

using namespace rt::win;

namespace {
WindowDef definition() {
  WindowDef d;
  d.label = "$WINSUMMEN";
  d.caption = "Summenübersicht";
  d.x = -1;
  d.y = 169;
  d.w = 472;
  d.h = 66;
  d.kind = WindowKind::MdiChild;
  return d;
}
}  // namespace

Window WinSummen(definition());
