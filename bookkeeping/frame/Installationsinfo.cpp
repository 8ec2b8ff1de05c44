#include "bookkeeping/frame/Installationsinfo.h"

#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Window.h"

using namespace rt::win;

namespace {

enum Feld { BILD = 1, VERSION, SLOGAN, ORDNERTEXT, DATENORDNERFELD };

const QColor kOrdnerFarbe(64, 96, 64);

WindowDef definition() {
  WindowDef d;
  d.label = "P50$WIN";
  d.caption = "Installationsinfo Tavik";
  d.icon = "leer.ico";
  d.font = "Arial";
  d.fontSize = 10;
  d.x = 100;
  d.y = 30;
  d.w = 270;
  d.h = 210;
  d.controls = {
      {.field = BILD, .kind = Kind::Image, .x = 10, .y = 10, .w = 250, .h = 140, .attrs = A_Scaled,
       .icon = "Tavik.gif"},
      {.field = VERSION, .kind = Kind::Prompt, .text = "- 2.0 -", .x = 195, .y = 38, .attrs = A_Bold | A_Italic,
       .fontSize = 16},
      {.field = SLOGAN, .kind = Kind::Prompt, .text = "Die unkomplizierte Einnahme-Überschuss-Rechnung", .x = 0,
       .y = 53, .w = 270, .attrs = A_Centre | A_Bold},
      {.field = ORDNERTEXT, .kind = Kind::Prompt, .text = "Daten-Ordner:", .x = 0, .y = 194, .w = 270,
       .attrs = A_Centre, .fontSize = 8},
      {.field = DATENORDNERFELD, .label = "?DATENORDNER", .kind = Kind::Display, .x = 0, .y = 201, .w = 270,
       .attrs = A_Centre, .fontSize = 8},
  };
  return d;
}

}  // namespace

void Installationsinfo() {
  auto* fenster = new Window(definition());
  Window& w = *fenster;
  w.open();
  w.setTextColour(VERSION, QColor(32, 80, 128));
  w.setTextColour(SLOGAN, QColor(88, 88, 80));
  // The data folder as it is now, up to 190 characters.
  w.setText(DATENORDNERFELD, DATENORDNER.left(190));
  for (int feld : {ORDNERTEXT, DATENORDNERFELD}) w.setTextColour(feld, kOrdnerFarbe);
  w.attach([](Window& win, const Event& e) {
    if (e.code != EV_CloseWindow && e.code != EV_CloseDown) return Pass::Default;
    win.release();
    return Pass::Leave;
  });
}
