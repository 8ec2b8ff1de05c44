#pragma once
// A window is defined by a table that reads like the program's control tables: field number, label,
// kind, text, picture, position and size in dialog units, bound variable and attributes. The runtime
// builds the Qt widgets from it.

#include "runtime/window/Bound.h"

#include <QColor>
#include <vector>

namespace rt::win {

enum class Kind {
  Button,
  Entry,        // an edit field; its picture decides what it accepts
  Display,      // shows its bound variable under its picture (a "string" control)
  Prompt,       // a fixed text
  CheckBox,     // bound to a BYTE: 1 checked, 0 not
  OptionGroup,  // bound to a number; its option buttons follow it in the table
  Option,       // an option button of the group before it; `value` is its number
  Spin,         // a number entry with up/down; `low`..`high`
  Panel,        // a filled rectangle
  Box,          // a framed rectangle; with a text, a group box with that title in its frame
  Line,         // a line
  Image,        // a picture from the program's resources
  List,         // a list box over a queue; a vertical scroll bar when its rows need one, a
                // horizontal one only with A_HScroll (columns beyond its right edge are cut)
  Menu,         // a menu of the frame's menu bar; its items follow it in the table
  MenuItem,     // an item of the menu before it; accepted when chosen
  Sheet,        // a tab sheet; its tabs follow it in the table, up to an End
  Tab,          // a tab of the sheet before it; the controls after it, up to the next Tab or End, lie
                // on its page (positions stay in the window's dialog units); `fill` colours tab and page
  End,          // ends the tab sheet before it: the controls after it belong to the window again
  Region,       // an invisible click region: accepted when clicked; with a tip and a mouse pointer
  Progress,     // a progress bar showing its bound number within `low`..`high` (0..100 when both 0)
  PageView,     // a page image, painted by the program's painter (Window::setPagePainter); A_VScroll
                // gives it a vertical scroll bar over a page taller than the control
};

// Attributes of a control.
enum Attr : unsigned {
  A_None = 0,
  A_Hidden = 1u << 0,
  A_Disabled = 1u << 1,
  A_Skip = 1u << 2,       // not in the Tab order
  A_Immediate = 1u << 3,  // an entry that reports every keystroke (new selection)
  A_Centre = 1u << 4,     // text centred
  A_Right = 1u << 5,      // text right-aligned
  A_Default = 1u << 6,    // the default button: Enter in another control of the window presses it
  A_Large = 1u << 7,      // large type: twice the size, bold
  A_Tiled = 1u << 8,      // image tiled
  A_Vertical = 1u << 9,   // a vertical line or separator
  A_Separator = 1u << 10, // a menu item with a separator line above it
  A_Button = 1u << 11,    // a check box drawn as a push button that stays down while checked
  A_VScroll = 1u << 12,   // a page view with a vertical scroll bar
  A_Bold = 1u << 13,      // bold type
  A_Italic = 1u << 14,    // italic type
  A_Scaled = 1u << 15,    // an image scaled to the size of its control
  A_HScroll = 1u << 16,   // a list with a horizontal scroll bar when its columns are wider than it
  A_CheckOnConfirm = 1u << 17,  // an entry left with a text its picture rejects keeps it without a
                                // word; the window's confirm checks it (Window::rejectedField)
};

inline constexpr int kDefault = -32768;  // no fixed place or size: the window layer decides

struct ControlDef {
  int field = 0;                // field number; 0 for a control that the program never addresses
  const char* label = "";       // "?CODE"
  Kind kind = Kind::Prompt;
  const char* text = "";        // caption of buttons, prompts, check boxes
  const char* picture = "";     // "@S4", "@D06.B", "@N-12`2", …
  int x = 0, y = 0, w = kDefault, h = kDefault;  // dialog units
  Bound bound{};
  unsigned attrs = A_None;
  const char* tip = "";
  const char* icon = "";        // resource name of an icon or image
  int key = 0;                  // a key code that accepts (or, for an option, chooses) the control;
                                // in a frame it works while any of its MDI windows has the focus
  QColor fill{};                // fill of a panel or box, background of a list
  QColor border{};              // border of a box
  double value = 0;             // the value of an option button
  int low = 0, high = 0;        // range of a spin or a progress bar
  Qt::CursorShape cursor = Qt::ArrowCursor;  // the mouse pointer over a click region
  int fontSize = 0;             // type size in points; 0: the window's. Its place stays in the window's units.
};

enum class WindowKind { Plain, MdiChild, Frame };

struct WindowDef {
  const char* label = "";       // "P9$WIN", "$WINBUCHUNG"
  const char* caption = "";     // empty: no caption
  int x = kDefault, y = kDefault;  // kDefault: the window layer places it (centred)
  int w = 0, h = 0;             // client size in dialog units
  WindowKind kind = WindowKind::Plain;
  const char* font = "Arial";   // the window's font; its dialog units are measured from it
  int fontSize = 8;
  QColor background{};
  const char* icon = "";        // resource name of the window's icon
  // A frame holds its menus in a menu bar and its other controls in a toolbar of this height, placed
  // in dialog units within the toolbar.
  int toolbarHeight = 0;
  std::vector<ControlDef> controls{};
};

}  // namespace rt::win
