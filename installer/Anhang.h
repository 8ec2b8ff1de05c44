#pragma once
// The installer's own file: the installer program, then the stored files byte for byte, then a
// trailer of 131 bytes that names the installation and tells where each stored file lies. Here are
// the trailer's fields, the fixed names of the stored files, how the installer finds, opens and
// checks its own file, and the file routines through which it does all its own file access.

#include "runtime/text/String.h"

#include <QString>
#include <cstdint>
#include <functional>

inline constexpr int kSlots = 5;
inline constexpr int kAnhangGroesse = 131;
inline constexpr int kBlock = 512;

struct ANHANG_T {
  rt::String<10> NAME;              // the installation's name; blank in the file means "Tavik"
  std::int32_t START[kSlots] = {};  // offset of each stored file's first byte; 0 = slot unused
  std::int32_t LAENGE[kSlots] = {};
};

extern QString EIGENEDATEI;          // the installer's own file, from the command line
extern std::int32_t EIGENEGROESSE;
extern std::int32_t EIGENERHANDLE;   // open for reading from the trailer read until the end
extern ANHANG_T ANHANG;
extern std::int32_t FEHLERCODE;
extern std::int32_t ZUGRIFFSZAEHLER;
extern rt::String<15> INSTDATEI[kSlots];  // fixed names of the stored files, blank when unused
extern char BLOCKPUFFER[kBlock];

// The stored files' names: the program, the uninstall batch, the manual.
void InstDateienSetzen();

// File routines; names are taken without trailing blanks.
std::uint8_t DateiErzeugen(const QString& name, std::int32_t& handle);
std::uint8_t DateiOeffnenLesen(const QString& name, std::int32_t& handle);
std::int32_t DateiGroesse(const QString& name);
std::uint8_t DateiVorhanden(const QString& name);
// The system's code of the last failed file routine.
int LetzterFehler();

// The own file's name from a command line: quotes removed, and `endung` appended when the name does
// not end in a four-character extension.
QString EigeneDateiAusKommandozeile(const QString& kommandozeile, const QString& endung);
// Fills EIGENEDATEI from the process's command line, with the platform's program extension.
void EigeneDateiFinden();

// Opens the own file and reads the trailer; false (FEHLERCODE set) when the file cannot be opened.
bool DateiOeffnenUndAnhangLesen();

// Whether the trailer fits the file, checked before anything is written: the name is blank or one
// plain folder name; slot 1 is used; every used slot has a name, a size of at least 0 and lies in
// the stored area (from the start of slot 1 to the trailer) without overlapping another; and the
// stored files together take fewer than 32,768 blocks.
bool AnhangGueltig();
QString AnhangFehlerText();

// Reads every byte from the start of slot 1 to the end of the file once, block by block, reporting
// the percentage after each block; false (ZUGRIFFSZAEHLER and FEHLERCODE set) at the first block
// that reads nothing.
bool LesbarkeitPruefen(const std::function<void(int prozent)>& melden);

// The access failure as the installer shows it: text and caption.
QString ZugriffsFehlerText();
QString ZugriffsFehlerTitel();
// Shows the access failure. The caller then ends the installer at once.
void ZugriffsFehler();
