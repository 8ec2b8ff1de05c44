#pragma once
// The installation steps, apart from the window: the administrator probe, the proposed program
// folder, the folders, the copy of the stored files, the first-start marker and the uninstall
// entry, and the start of the installed program at the end.

#include "runtime/text/String.h"

#include <QString>
#include <cstdint>
#include <functional>

extern QString ZIELORDNER;               // the program folder, ending in the separator
extern QString DATENPFAD;                // the data folder without separator; empty: none
extern rt::String<50> UEBERSCHRIFT;
extern rt::String<40> STATUSTEXT;
extern std::int16_t FORTSCHRITT;         // 0 to 100 (a little more after the last block)
extern rt::String<80> ORDNERHINWEIS;
extern std::uint8_t ORDNEROK;
extern std::uint8_t NEUINSTALLATION;
extern std::int16_t BLOECKE;
extern QString ARBEITSPFAD;              // the file being probed or written

// The name of the program file.
QString Programmdatei();

// The probe: false when the probe file below the Windows folder cannot be created for any reason
// but a missing path, that is without administrator rights.
bool AdministratorPruefen();
QString AdministratorText();

// The proposed program folder below the program files folder, named after the installation.
void ZielordnerVorschlagen();
// The data folder that an installation will use: the common application-data folder & the vendor
// folder & the installation's name; empty when the system names no such folder.
QString Datenordner();
// Why a program folder cannot be taken: it is a root folder, holds a control character, or it or the
// data folder is too long for the paths of their files on this file system. Empty when it can be
// taken.
QString OrdnerFehler(const QString& programmordner);
// The uninstall command line for the program folder and the data folder.
QString DeinstallationsBefehl(const QString& programmordner, const QString& datenordner);

struct Rueckmeldung {
  std::function<void(const QString& text)> meldung;  // a message box
  std::function<void()> kopierBeginn;                // the window shows the copy state
  std::function<void()> fortschritt;                 // FORTSCHRITT has a new value
};

// The installation on "Installation starten": true when every file is in place byte for byte, the
// marker written on a new installation and the uninstall entry stored. Every failure is reported
// through `r.meldung`, naming the file or step; the user may then change the folder or retry.
bool Installation(const Rueckmeldung& r);

// The end after a successful installation: the own file is closed and the installed program is
// started from the program folder, without waiting.
void ProgrammStarten();
