#pragma once
// The three data files, their records and keys: "Konto.dat" (accounts), "Buchung.dat" (bookings,
// encrypted under the owner password) and "Para.dat" (numbered parameters). Each file has one
// record buffer shared by the whole program; every read fills it and every write takes it.
//
//   KONTO.NR = "4000";
//   KONTODATEI.get(KONTO_KEYNR);
//   if (KONTODATEI.error()) ...

#include "runtime/isam/DataFile.h"
#include "runtime/text/Cents.h"
#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <QString>
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

struct KONTO_T {
  std::uint8_t INTERN[2];
  rt::String<8> NR;        // four digits with leading zeros
  rt::String<4> SHORTCUT;  // the code
  std::uint8_t ART;        // 1 income, 2 expense, 3 VAT prepayment or refund
  rt::String<40> NAME;
  std::int16_t MWST;       // VAT key 0 to 5
  rt::String<50> TEXTVORGABE[2];
  std::uint8_t EXTRA[500];
};

struct BUCHUNG_T {
  std::uint8_t INTERN[2];
  std::int32_t NR;
  rt::String<8> KONTO;
  rt::String<20> KONTOTEXT;
  rt::DATE DATUM;
  rt::String<50> TEXT[2];
  rt::Cents BRUTTO;  // REAL in the file, converted on every read and write
  rt::Cents NETTO;
  rt::Cents MWST;
  std::uint8_t ART;
  std::uint8_t MWSTSATZ;
  std::uint8_t EXTRA[200];
};

struct PARAREC_T {
  std::int16_t NR;
  rt::String<20> INHALT;
};

#pragma pack(pop)

static_assert(sizeof(KONTO_T) == 657);
static_assert(offsetof(KONTO_T, NAME) == 15 && offsetof(KONTO_T, MWST) == 55 &&
              offsetof(KONTO_T, TEXTVORGABE) == 57 && offsetof(KONTO_T, EXTRA) == 157);
static_assert(sizeof(BUCHUNG_T) == 364);
static_assert(offsetof(BUCHUNG_T, DATUM) == 34 && offsetof(BUCHUNG_T, BRUTTO) == 138 &&
              offsetof(BUCHUNG_T, ART) == 162 && offsetof(BUCHUNG_T, EXTRA) == 164);
static_assert(sizeof(PARAREC_T) == 22);

extern KONTO_T KONTO;
extern BUCHUNG_T BUCHUNG;
extern PARAREC_T PARAREC;

// Full names of the files, set by start-up; each Open and Create reads the name from here.
extern rt::String<200> KONTOPFAD;
extern rt::String<200> BUCHUNGPFAD;
extern rt::String<200> PARAPFAD;

extern const rt::isam::Record KONTO_AUFBAU;
extern const rt::isam::Record BUCHUNG_AUFBAU;
extern const rt::isam::Record PARAREC_AUFBAU;

extern rt::isam::DataFile KONTODATEI;
extern rt::isam::DataFile BUCHUNGDATEI;
extern rt::isam::DataFile PARADATEI;

inline constexpr rt::isam::Key KONTO_KEYNR{&KONTO_AUFBAU, 0};        // NR, unique
inline constexpr rt::isam::Key KONTO_KEYSHORTCUT{&KONTO_AUFBAU, 1};  // SHORTCUT
inline constexpr rt::isam::Key KONTO_KEYNAME{&KONTO_AUFBAU, 2};      // NAME
inline constexpr rt::isam::Key BUCHUNG_KEYNR{&BUCHUNG_AUFBAU, 0};    // NR, unique
inline constexpr rt::isam::Key BUCHUNG_KEYKONTO{&BUCHUNG_AUFBAU, 1}; // KONTO, DATUM
inline constexpr rt::isam::Key BUCHUNG_KEYDATUM{&BUCHUNG_AUFBAU, 2}; // DATUM, NR
inline constexpr rt::isam::Key PARA_KEYNR{&PARAREC_AUFBAU, 0};       // NR, unique

// What is made from a file known to be damaged (the data layer named it once and refuses writes to
// it) may lack the records that can no longer be read. The warning the program gives then: in a
// message before an evaluation, the chart of accounts or the export starts, and on their pages.
extern const char BUCHUNGEN_UNVOLLSTAENDIG[];  // "Buchung.dat": the sums, evaluations, export
extern const char KONTEN_UNVOLLSTAENDIG[];     // "Konto.dat": the chart of accounts
// True while `datei` is sound; otherwise shows its warning with the question `frage` ("OK" and
// "Abbruch") and gives the answer.
bool TrotzBeschaedigungFortfahren(const rt::isam::DataFile& datei, const QString& frage);
