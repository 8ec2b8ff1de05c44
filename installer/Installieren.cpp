#include "installer/Installieren.h"

#include "installer/Anhang.h"
#include "installer/Installation.h"
#include "installer/Nachricht.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

#include <algorithm>

using namespace rt::win;

namespace {

// The check and the copy run within one event. After each new value of the bar the screen catches
// up; the window's own events wait meanwhile.
void FortschrittZeigen(Window& fenster) {
  const bool neu = fenster.text(FELD_FORTSCHRITT).toInt() != std::clamp<int>(FORTSCHRITT, 0, 100);
  fenster.showVariables(FELD_FORTSCHRITT);
  fenster.showVariables(FELD_STATUSTEXT);
  if (neu) yieldThread();
}

// The program folder as its line shows it: a name too long for the line keeps its beginning and its
// end, where the folder's own name stands.
QString OrdnerAnzeige(const QString& ordner) {
  return ordner.size() <= 46 ? ordner : ordner.left(18) + " … " + ordner.right(25);
}

void OrdnerAendern(Window& fenster) {
  if (Nachricht("Ein anderer Installationsordner darf nur vom Computer-Spezialisten gewählt werden!", "",
                "Abbruch|Bin Spezialist") != 2)
    return;
  const QString ordner = OrdnerWaehlen("Installationsordner wählen", ZIELORDNER);
  if (ordner.isEmpty()) return;
  if (const QString fehler = OrdnerFehler(ordner); !fehler.isEmpty()) {
    Nachricht(fehler);
    return;
  }
  ZIELORDNER = ordner;
  fenster.setText(FELD_ZIELORDNER, OrdnerAnzeige(ZIELORDNER));
}

}  // namespace

WindowDef InstallerFenster() {
  WindowDef def;
  def.label = "$WIN";
  def.w = 305;
  def.h = 200;
  def.font = "Arial";
  def.fontSize = 12;
  def.background = QColor(0xF0, 0xF0, 0xE0);
  def.icon = "Tavik.ico";
  const QColor tasten(0xE0, 0xE0, 0xC8);
  const QColor erfolg(0xD8, 0xF0, 0xD0);
  def.controls = {
      {.field = FELD_STATUSTEXT, .label = "?STATUSTEXT", .kind = Kind::Display, .picture = "@S40", .x = 50, .y = 60,
       .w = 200, .bound = STATUSTEXT, .attrs = A_Centre},
      {.field = FELD_HAKEN, .label = "?HAKEN", .kind = Kind::Image, .x = 255, .y = 66, .w = 12, .h = 12,
       .attrs = A_Hidden, .icon = "Haken.png"},
      {.field = FELD_FORTSCHRITT, .label = "?FORTSCHRITT", .kind = Kind::Progress, .x = 50, .y = 72, .w = 200,
       .h = 10, .bound = FORTSCHRITT, .low = 0, .high = 100},
      {.field = FELD_UEBERSCHRIFT, .label = "?UEBERSCHRIFT", .kind = Kind::Display, .picture = "@S50", .x = 50,
       .y = 10, .w = 200, .h = 20, .bound = UEBERSCHRIFT, .attrs = A_Centre, .fontSize = 14},
      {.field = FELD_ORDNERHINWEIS, .label = "?ORDNERHINWEIS", .kind = Kind::Display, .picture = "@S80", .x = 5,
       .y = 130, .w = 205, .bound = ORDNERHINWEIS, .attrs = A_Hidden},
      {.field = FELD_ZIELORDNER, .label = "?ZIELORDNER", .kind = Kind::Display, .x = 5, .y = 140, .w = 205,
       .attrs = A_Hidden},
      {.field = FELD_TASTENFELD, .label = "?TASTENFELD", .kind = Kind::Panel, .x = 212, .y = 115, .w = 86, .h = 80,
       .attrs = A_Hidden, .fill = tasten},
      {.field = FELD_INSTALLATIONSTARTEN, .label = "?INSTALLATIONSTARTEN", .kind = Kind::Button,
       .text = "Installation starten", .x = 220, .y = 140, .w = 70, .h = 15, .attrs = A_Hidden | A_Default},
      {.field = FELD_ORDNERAENDERN, .label = "?ORDNERAENDERN", .kind = Kind::Button, .text = "Ordner ändern",
       .x = 220, .y = 158, .w = 70, .h = 15, .attrs = A_Hidden, .tip = "Ändert den Zielordner der Installation"},
      {.field = FELD_ABBRUCH, .label = "?ABBRUCH", .kind = Kind::Button, .text = "Abbruch", .x = 220, .y = 176,
       .w = 70, .h = 15, .attrs = A_Hidden},
      {.field = FELD_ERFOLGFELD, .label = "?ERFOLGFELD", .kind = Kind::Panel, .x = 50, .y = 90, .w = 200, .h = 20,
       .attrs = A_Hidden, .fill = erfolg},
      {.field = FELD_ERFOLG, .label = "?ERFOLG", .kind = Kind::Prompt,
       .text = "Alle Dateien sind erfolgreich installiert!", .x = 50, .y = 95, .w = 200, .attrs = A_Hidden | A_Centre},
  };
  return def;
}

void InstallerGlobaleLeeren() {
  EIGENEDATEI.clear();
  EIGENEGROESSE = EIGENERHANDLE = FEHLERCODE = ZUGRIFFSZAEHLER = 0;
  ANHANG = ANHANG_T{};
  for (auto& n : INSTDATEI) n.clear();
  ZIELORDNER.clear();
  DATENPFAD.clear();
  ARBEITSPFAD.clear();
  UEBERSCHRIFT.clear();
  STATUSTEXT.clear();
  ORDNERHINWEIS.clear();
  FORTSCHRITT = BLOECKE = 0;
  ORDNEROK = NEUINSTALLATION = 0;
}

void Installieren() {
  if (!AdministratorPruefen()) {
    Nachricht(AdministratorText());
    return;
  }
  STATUSTEXT = "Dateien werden auf Lesbarkeit geprüft";
  EigeneDateiFinden();
  InstDateienSetzen();

  Window fenster(InstallerFenster());
  fenster.open();
  if (!DateiOeffnenUndAnhangLesen()) {
    ZugriffsFehler();
    fenster.close();
    return;
  }
  // A damaged file is refused before anything can be written.
  if (!AnhangGueltig()) {
    Nachricht(AnhangFehlerText());
    fenster.close();
    return;
  }
  UEBERSCHRIFT = "Installation Tavik";
  ZielordnerVorschlagen();
  fenster.showVariables();

  bool installiert = false;
  const Rueckmeldung rueckmeldung{
      .meldung = [](const QString& text) { Nachricht(text); },
      .kopierBeginn =
          [&] {
            fenster.hide(FELD_HAKEN);
            FortschrittZeigen(fenster);
          },
      .fortschritt = [&] { FortschrittZeigen(fenster); },
  };

  fenster.run([&](Window& w, const Event& e) {
    switch (e.code) {
      case EV_OpenWindow:
        if (!LesbarkeitPruefen([&](int prozent) {
              FORTSCHRITT = static_cast<std::int16_t>(prozent);
              FortschrittZeigen(w);
            })) {
          ZugriffsFehler();
          return Pass::Leave;
        }
        w.setText(FELD_ZIELORDNER, OrdnerAnzeige(ZIELORDNER));
        w.show(FELD_HAKEN, FELD_ABBRUCH);
        w.giveFocus(FELD_INSTALLATIONSTARTEN);
        if (const QString fehler = OrdnerFehler(ZIELORDNER); !fehler.isEmpty()) Nachricht(fehler);
        return Pass::Default;
      case EV_Accepted:
        if (e.field == FELD_INSTALLATIONSTARTEN) {
          // No button takes a click while the installation runs.
          w.disable(FELD_INSTALLATIONSTARTEN, FELD_ABBRUCH);
          installiert = Installation(rueckmeldung);
          if (!installiert) {
            w.enable(FELD_INSTALLATIONSTARTEN, FELD_ABBRUCH);
            return Pass::Default;
          }
          w.show(FELD_HAKEN);
          w.show(FELD_ERFOLGFELD, FELD_ERFOLG);
          w.setText(FELD_ABBRUCH, "Beenden");
          w.enable(FELD_ABBRUCH);
          w.giveFocus(FELD_ABBRUCH);
        } else if (e.field == FELD_ORDNERAENDERN) {
          OrdnerAendern(w);
        } else if (e.field == FELD_ABBRUCH) {
          return Pass::Leave;
        }
        return Pass::Default;
      case EV_CloseWindow:
        return Pass::Leave;
      default:
        return Pass::Default;
    }
  });
  fenster.close();
  if (installiert) ProgrammStarten();
}

int ProgrammStart() {
  InstallerGlobaleLeeren();
  Installieren();
  return 0;
}
