#include "bookkeeping/frame/Handbuch.h"

#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Parameter.h"
#include "platform/ShellOpen.h"
#include "runtime/window/Window.h"

using namespace rt::win;

namespace {

enum Feld { OK_ = 1, ACROBATHILFE };

WindowDef definition() {
  WindowDef d;
  d.label = "P54$WINHANDBUCHLAYOUT";
  // Wider than designed, so that the tip's first line is shown whole in the font at hand.
  d.w = 300;
  d.h = 110;
  d.font = "System";
  d.fontSize = 10;
  d.controls = {
      {.kind = Kind::Box, .x = 0, .y = 0, .w = 300, .h = 110, .border = QColor(0x80, 0x80, 0x80)},
      {.kind = Kind::Prompt, .text = "Tipp:  Ein ausreichend großer Monitor stellt das PDF-Handbuch", .x = 20, .y = 20},
      {.kind = Kind::Prompt, .text = "am besten in der Doppelseiten-Ansicht dar!", .x = 40, .y = 30},
      {.kind = Kind::Prompt, .text = "(Bei Acrobat: Anzeige/Seitenlayout/Doppelseite)", .x = 40, .y = 40},
      {.field = OK_, .label = "?OK_", .kind = Kind::Button, .text = "Ok", .x = 130, .y = 90, .w = 40, .h = 12,
       .attrs = A_Default},
      {.field = ACROBATHILFE, .label = "?PARA:ACROBATHILFE", .kind = Kind::CheckBox,
       .text = "Diesen Tipp weiterhin anzeigen", .x = 20, .y = 70, .bound = Bound(PARA.ACROBATHILFE)},
  };
  return d;
}

void TippZeigen() {
  Window w(definition());
  w.open();
  // No key aliases: Enter presses "Ok", the window's default button, in every keyboard mode, also
  // from the check box.
  TastenLoeschen();
  w.giveFocus(OK_);
  w.run([](Window&, const Event& e) { return e.code == EV_Accepted && e.field == OK_ ? Pass::Leave : Pass::Default; });
  w.close();
  // However the tip ended, a removed tick keeps it away from now on.
  ParameterSpeichern();
}

}  // namespace

void HandbuchOeffnen() {
  if (PARA.ACROBATHILFE) TippZeigen();
  if (platform::openDocument("Tavik.pdf")) return;
  Meldung("Das Handbuch ist ein PDF Dokument. Es ist jedoch kein Programm",
          "zum Lesen und Anzeigen von PDF Dokumenten installiert.",
          "Tipp: Du kannst den Acrobat Reader von Adobe kostenfrei von der",
          "Homepage https://get.adobe.com/de/reader/ herunterladen und installieren.", 0, 0);
}
