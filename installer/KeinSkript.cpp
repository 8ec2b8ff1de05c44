#include "installer/KeinSkript.h"

#include "runtime/window/Window.h"

using namespace rt::win;

namespace {
enum Feld { ZEILE1 = 1, ZEILE2, ZEILE3, ZEILE4, ZIELORDNER_, ZEILE6, ZEILE7, OK };
}

WindowDef KeinSkriptFenster() {
  WindowDef def;
  def.label = "$WINKEINCSCRIPT";
  def.w = 180;
  def.h = 115;
  def.font = "Arial";
  def.fontSize = 10;
  def.background = QColor(0xE0, 0xE0, 0xF0);
  def.controls = {
      {.field = ZEILE1, .kind = Kind::Prompt, .text = "Diese Windowsversion erlaubt nicht die Aus-", .x = 10, .y = 10},
      {.field = ZEILE2, .kind = Kind::Prompt, .text = "führung eines Skriptes zur Erstellung einer", .x = 10, .y = 20},
      {.field = ZEILE3, .kind = Kind::Prompt, .text = "Verknüpfung (Startsymbol) auf dem Desktop.", .x = 10, .y = 30},
      {.field = ZEILE4, .kind = Kind::Prompt, .text = "Abhilfe: Erstelle im Windows-Explorer im Ordner", .x = 10, .y = 55},
      {.field = ZIELORDNER_, .label = "?ZIELORDNER", .kind = Kind::Display, .x = 10, .y = 65, .w = 165},
      {.field = ZEILE6, .kind = Kind::Prompt, .text = "mit Mausrechtsklick auf die Datei \"Tavik.exe\" eine", .x = 10, .y = 75},
      {.field = ZEILE7, .kind = Kind::Prompt, .text = "Verknüpfung und ziehe diese auf den Desktop.", .x = 10, .y = 85},
      {.field = OK, .label = "?OK", .kind = Kind::Button, .text = "Ok", .x = 70, .y = 97, .w = 40, .h = 13,
       .attrs = A_Default},
  };
  return def;
}

void KeinSkriptZeigen(const QString& programmordner) {
  Window fenster(KeinSkriptFenster());
  fenster.open();
  fenster.setText(ZIELORDNER_, programmordner.left(100));
  fenster.giveFocus(OK);
  fenster.run([](Window&, const Event& e) {
    if (e.code == EV_Accepted && e.field == OK) return Pass::Leave;
    return Pass::Default;
  });
  fenster.close();
}
