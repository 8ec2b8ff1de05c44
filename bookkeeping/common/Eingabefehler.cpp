#include "bookkeeping/common/Eingabefehler.h"

#include "bookkeeping/common/Meldung.h"
#include "runtime/text/Picture.h"

void EingabefehlerMelden(rt::win::Window& fenster, int feld, const QString& eingabe) {
  QString hinweis;
  for (const rt::win::ControlDef& c : fenster.def().controls) {
    if (c.field != feld) continue;
    const rt::Picture bild(c.picture);
    if (bild.kind() == rt::Picture::Kind::Date)
      hinweis = "Bitte ein Datum wie 05.03.2024 oder 5.3.24 eingeben.";
    else if (bild.kind() == rt::Picture::Kind::Number && bild.decimals() > 0)
      hinweis = "Bitte einen Betrag wie 1.234,56 oder 1234,56 eingeben.";
    else if (bild.kind() == rt::Picture::Kind::Number)
      hinweis = "Bitte eine Zahl eingeben.";
  }
  Meldung("Die Eingabe \"" + eingabe.trimmed() + "\" ist ungültig.", hinweis, "", "", 1, 0);
}
