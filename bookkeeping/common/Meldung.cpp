#include "bookkeeping/common/Meldung.h"

#include "bookkeeping/common/Tasten.h"
#include "runtime/window/Window.h"

#include <algorithm>

using namespace rt::win;

namespace {

enum Feld { P1 = 1, P2, STR_1, STR_2, STR_3, STR_4, OK, ABBRUCH };

const QColor kRahmen(0xD8, 0xE4, 0xF0);
const QColor kGrund(0xF4, 0xF8, 0xFC);
constexpr int kKnopfBreite = 40;
constexpr int kZeilenlaenge = 260;

}  // namespace

std::uint8_t Meldung(const QString& zeile1, const QString& zeile2, const QString& zeile3,
                     const QString& zeile4, std::uint8_t zentriert, std::uint8_t mitAbbruch) {
  // Rows long enough for a whole path: a file name in a message is never cut.
  rt::String<kZeilenlaenge> str[4];
  if (zentriert) {
    str[1] = zeile1;
    str[2] = zeile2;
  } else {
    str[0] = zeile1;
    str[1] = zeile2;
    str[2] = zeile3;
    str[3] = zeile4;
  }

  TastenLoeschen();

  WindowDef def;
  def.label = "P9$WIN";
  def.w = 200;
  def.h = 80;
  def.controls = {
      {.field = P1, .label = "?P1", .kind = Kind::Panel, .x = 0, .y = 0, .w = 200, .h = 80, .fill = kRahmen},
      {.field = P2, .label = "?P2", .kind = Kind::Panel, .x = 7, .y = 6, .w = 186, .h = 68, .fill = kGrund},
      {.field = STR_1, .label = "?STR_1", .kind = Kind::Display, .x = 1, .y = 10, .w = 200, .bound = str[0], .attrs = A_Centre},
      {.field = STR_2, .label = "?STR_2", .kind = Kind::Display, .x = 1, .y = 20, .w = 200, .bound = str[1], .attrs = A_Centre},
      {.field = STR_3, .label = "?STR_3", .kind = Kind::Display, .x = 1, .y = 30, .w = 200, .bound = str[2], .attrs = A_Centre},
      {.field = STR_4, .label = "?STR_4", .kind = Kind::Display, .x = 1, .y = 40, .w = 200, .bound = str[3], .attrs = A_Centre},
      {.field = OK, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 35, .y = 55, .w = kKnopfBreite, .h = 13},
      {.field = ABBRUCH, .label = "?ABBRUCH", .kind = Kind::Button, .text = "Abbruch", .x = 125, .y = 55,
       .w = kKnopfBreite, .h = 13, .icon = "Esc.ico"},
  };
  Window fenster(def);
  fenster.open();
  // Events that other windows post to this thread wait until the answer is given.
  fenster.setDeferUserEvents(true);

  auto setzeX = [&](int feld, int x) {
    const QRect r = fenster.controlPosition(feld);
    fenster.setControlPosition(feld, x, r.y(), r.width(), r.height());
  };
  auto setzeBreite = [&](int feld, int breite) {
    const QRect r = fenster.controlPosition(feld);
    fenster.setControlPosition(feld, r.x(), r.y(), breite, r.height());
  };

  if (!mitAbbruch) {
    fenster.hide(ABBRUCH);
    setzeX(OK, 90);
  }
  // A line of more than 50 characters widens the window to 300 units, and further when a row needs
  // it, so that a long path shows whole; it stays centred on the same point.
  int breite = 200;
  for (const QString* z : {&zeile1, &zeile2, &zeile3, &zeile4})
    if (z->size() > 50) breite = 300;
  if (breite > 200)
    for (int f = STR_1; f <= STR_4; ++f) breite = std::max(breite, fenster.textWidth(f, fenster.text(f)) + 30);
  if (breite > 200) {
    const int mehr = breite - 300;
    const QRect r = fenster.position();
    fenster.setPosition(r.x() - (breite - 200) / 2, r.y(), breite, r.height());
    setzeBreite(P1, breite);
    for (int f = STR_1; f <= STR_4; ++f) setzeBreite(f, breite);
    setzeBreite(P2, breite - 14);
    if (mitAbbruch) {
      setzeX(OK, 55 + mehr / 2);
      setzeX(ABBRUCH, 165 + mehr / 2);
    } else {
      setzeX(OK, 140 + mehr / 2);
    }
  }
  fenster.giveFocus(OK);

  std::uint8_t ergebnis = 0;
  fenster.run([&](Window&, const Event& e) {
    if (e.code == EV_Accepted && e.field == OK) {
      ergebnis = 1;
      return Pass::Leave;
    }
    if (e.code == EV_Accepted && e.field == ABBRUCH) {
      ergebnis = 0;
      return Pass::Leave;
    }
    if (e.code == EV_CloseWindow) ergebnis = 0;
    return Pass::Default;
  });

  TastenBelegen(2, 1, 0);
  fenster.close();
  return ergebnis;
}
