#pragma once
// A report is defined by a table in millimetres: the page, the detail area, the page header and the
// bands, each with its controls bound to program variables. The report engine (Report.h) prints the
// bands onto page images.

#include "runtime/window/Bound.h"

#include <QColor>
#include <vector>

namespace rt::report {

enum class Kind {
  Text,        // a fixed text (`text`); an empty one only takes its place
  String,      // its bound variable shown under its picture
  PageNumber,  // the number of the page it stands on, under its picture
  Box,         // a rectangle with `border` and `fill` (either may be left out)
  Line,        // a horizontal rule from x over the width w
};

// Attributes of a control.
enum Attr : unsigned {
  A_None = 0,
  A_Hidden = 1u << 0,     // not printed until unhidden
  A_Bold = 1u << 1,
  A_Underline = 1u << 2,
  A_Right = 1u << 3,      // text right-aligned in its width
  A_Centre = 1u << 4,     // text centred in its width
};

struct ControlDef {
  const char* label = "";    // "?BUCHUNG:BRUTTO"; the operations of the report address controls by it
  Kind kind = Kind::Text;
  const char* text = "";     // the text of a Text control
  const char* picture = "";  // "@D06.", "@N-12`2", "@S40"; empty: texts clipped, numbers plainly
  // Millimetres: in the page header from the page's top-left corner, in the other bands from the
  // detail area's left edge and the band's top. A text of width 0 is as wide as it is, x being its
  // left edge (right-aligned: its right edge; centred: its middle). A text longer than its width is
  // cut after the last character that fits; a number never is: it is set in a smaller size that fits.
  // A text of height 0 is one line of its font high.
  double x = 0, y = 0, w = 0, h = 0;
  rt::win::Bound bound{};
  unsigned attrs = A_None;
  QColor color{};            // text or rule colour; unset: black
  QColor fill{};             // fill of a box; unset: none
  QColor border{};           // border of a box; unset: none
  double fontSize = 0;       // points; 0: the band's size
};

struct BandDef {
  const char* label = "";    // "?HEADER", "?DETAIL"; bands are printed by it
  double height = 0;         // millimetres; 0: down to the lowest control's bottom
  double fontSize = 0;       // points; 0: the report's size
  std::vector<ControlDef> controls{};
};

struct ReportDef {
  const char* label = "";    // "P40$REP"
  const char* title = "";    // the report's own title text, "Tavik! Druck"
  bool landscape = false;
  double paperWidth = 210, paperHeight = 297;  // millimetres, portrait (A4)
  // The detail area, in which the bands stand one below the other.
  double left = 20, top = 25, width = 170, height = 242;
  const char* font = "Arial";
  double fontSize = 10;      // points
  BandDef header{};          // printed on every page by itself; empty: no page header
  std::vector<BandDef> bands{};
};

}  // namespace rt::report
