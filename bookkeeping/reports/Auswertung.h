#pragma once
// The three evaluations in the report P40$REP: the profit/loss statement (tab 1), the bookings by
// account (tab 2) and the figures of the VAT pre-return (tab 3). The print dialog sets the choices
// below and calls AuswertungErstellen; the evaluation is built, shown in the print preview and the
// report closed, which prints it when the user chose to.
//
// The bookings of the date range are read once into the run's own copies; every section is then
// listed from those copies, in date order, through the run's own record buffer POSTEN.
// The evaluation never writes to "Buchung.dat" and leaves the shared record buffer BUCHUNG as it was.

#include "bookkeeping/data/Dateien.h"
#include "runtime/UnfilledVector.h"
#include "runtime/report/Report.h"
#include "runtime/text/Cents.h"
#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// The choices of the print dialog.
extern std::uint8_t GEWAEHLTESEITE;  // 1 profit/loss, 2 by account, 3 VAT pre-return
extern rt::DATE VOND1, BISD1, VOND2, BISD2, VOND3, BISD3;
extern std::uint8_t AUSGABENAUFSCHLUESSELN;  // tab 1: expenses by account
extern std::uint8_t EXTRASEITE;              // tab 2: one page per account
extern std::uint8_t NURSUMMEN;               // sum lines only

// A booking as an evaluation keeps it: the record's bytes up to its EXTRA bytes, which no evaluation
// shows, so that the copy of a year takes less than half the memory of the records.
#pragma pack(push, 1)
struct POSTENSATZ_T {
  std::uint8_t INTERN[2];
  std::int32_t NR;
  rt::String<8> KONTO;
  rt::String<20> KONTOTEXT;
  rt::DATE DATUM;
  rt::String<50> TEXT[2];
  rt::Cents BRUTTO;
  rt::Cents NETTO;
  rt::Cents MWST;
  std::uint8_t ART;
  std::uint8_t MWSTSATZ;
};
#pragma pack(pop)
static_assert(sizeof(POSTENSATZ_T) == offsetof(BUCHUNG_T, EXTRA));
static_assert(offsetof(POSTENSATZ_T, DATUM) == offsetof(BUCHUNG_T, DATUM) &&
              offsetof(POSTENSATZ_T, BRUTTO) == offsetof(BUCHUNG_T, BRUTTO) &&
              offsetof(POSTENSATZ_T, ART) == offsetof(BUCHUNG_T, ART));

// The bookings of an evaluation's date range, copied in date order, and where each section finds
// its own: by kind, and by kind and account number (without trailing blanks).
struct AUSWERTUNGSBESTAND_T {
  rt::UnfilledVector<POSTENSATZ_T> buchungen;  // filled by the reading threads
  std::vector<std::uint32_t> nachArt[4];
  std::unordered_map<std::string, std::vector<std::uint32_t>> nachKonto[4];
};

// The state of one evaluation run. AuswertungErstellen makes one for each evaluation and hands it
// down to the listing routines; its report P40_REP is bound to the run's own fields.
struct AUSWERTUNG_T {
  rt::DATE AUSWERTUNGVON{}, AUSWERTUNGBIS{};
  std::uint8_t POSTENART = 0;         // booking kind of the section: 1, 2 or 3
  std::int16_t POSTENSCHLUESSEL = 0;  // VAT key the section requires; 0: any
  std::size_t POSTENKONTOZEILE = 0;   // row of MARKIERQUEUE whose account the section lists; 0: any
  std::uint8_t KOPFGEDRUCKT = 0;      // the section has accepted a booking
  std::uint8_t ZEILEGRAU = 0;         // row shading toggle
  rt::String<120> T_1, T_2;           // the two lines of the page header
  rt::String<40> INFOOBEN;            // section heading
  rt::String<40> INFOUNTEN;           // label of the sum line
  rt::Cents SUMB, SUMN, SUMM;         // gross, net and VAT of the section
  rt::Cents SUMBRUTTOALLES, SUMNETTOALLES, SUMMWSTALLES;
  rt::Cents SUMMWST;                  // VAT balance
  BUCHUNG_T POSTEN{};                 // the booking being listed, as the detail band shows it
  AUSWERTUNGSBESTAND_T BESTAND;
  rt::report::Report P40_REP;

  AUSWERTUNG_T();
  AUSWERTUNG_T(const AUSWERTUNG_T&) = delete;
  AUSWERTUNG_T& operator=(const AUSWERTUNG_T&) = delete;
};

void AuswertungErstellen();
void PostenAuflisten(AUSWERTUNG_T& lauf);
void PostenOhneKontoAuflisten(AUSWERTUNG_T& lauf);

// The print preview: Druckvorschau(report, -50, 1, 0). Tests replace it.
using VorschauFunktion = std::function<std::uint8_t(rt::report::Report&)>;
void VorschauSetzen(VorschauFunktion vorschau);  // an empty function: the program's own again
