#pragma once
// The installer's one procedure: the window $WIN from the administrator probe to the end.

#include "runtime/window/WindowDef.h"

// Field numbers of $WIN.
enum InstallerFeld {
  FELD_STATUSTEXT = 1,
  FELD_HAKEN,
  FELD_FORTSCHRITT,
  FELD_UEBERSCHRIFT,
  FELD_ORDNERHINWEIS,
  FELD_ZIELORDNER,
  FELD_TASTENFELD,
  FELD_INSTALLATIONSTARTEN,
  FELD_ORDNERAENDERN,
  FELD_ABBRUCH,
  FELD_ERFOLGFELD,
  FELD_ERFOLG,
};

rt::win::WindowDef InstallerFenster();

// Every global of the installer zero or blank, as at the start of the process.
void InstallerGlobaleLeeren();

void Installieren();

// The process entry after the application set-up: the installation, then exit code 0.
int ProgrammStart();
