#pragma once
// The three evaluations in the report P40$REP: the profit/loss statement (tab 1), the bookings by
// account (tab 2) and the figures of the VAT pre-return (tab 3). The print dialog sets the choices
// below and calls AuswertungErstellen; the evaluation is built, shown in the print preview and the
// report closed, which prints it when the user chose to.
//
// The bookings of the date range are read once into the evaluation's own copies; every section is
// then listed from those copies, in date order, through the evaluation's own record buffer POSTEN.
// The evaluation never writes to "Buchung.dat" and leaves the shared record buffer BUCHUNG as it was.

#include "bookkeeping/data/Dateien.h"
#include "runtime/report/Report.h"
#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <cstdint>
#include <functional>
#include <memory>

// The choices of the print dialog.
extern std::uint8_t GEWAEHLTESEITE;  // 1 profit/loss, 2 by account, 3 VAT pre-return
extern rt::DATE VOND1, BISD1, VOND2, BISD2, VOND3, BISD3;
extern std::uint8_t AUSGABENAUFSCHLUESSELN;  // tab 1: expenses by account
extern std::uint8_t EXTRASEITE;              // tab 2: one page per account
extern std::uint8_t NURSUMMEN;               // sum lines only

// The evaluation state.
extern rt::DATE AUSWERTUNGVON, AUSWERTUNGBIS;
extern std::uint8_t POSTENART;         // booking kind of the section: 1, 2 or 3
extern std::int16_t POSTENSCHLUESSEL;  // VAT key the section requires; 0: any
extern std::size_t POSTENKONTOZEILE;   // row of MARKIERQUEUE whose account the section lists; 0: any
extern std::uint8_t KOPFGEDRUCKT;      // the section has accepted a booking
extern std::uint8_t ZEILEGRAU;         // row shading toggle
extern rt::String<120> T_1, T_2;       // the two lines of the page header
extern rt::String<40> INFOOBEN;        // section heading
extern rt::String<40> INFOUNTEN;       // label of the sum line
extern double SUMB, SUMN, SUMM;        // gross, net and VAT of the section
extern double SUMBRUTTOALLES, SUMNETTOALLES, SUMMWSTALLES;
extern double SUMMWST;                 // VAT balance
extern BUCHUNG_T POSTEN;               // the booking being listed, as the detail band shows it

extern const rt::report::ReportDef P40_REP_DEF;
// The report; the print dialog makes it when it opens and drops it when it closes. An evaluation
// without a dialog makes it itself.
extern std::unique_ptr<rt::report::Report> P40_REP;

void AuswertungErstellen();
void PostenAuflisten();
void PostenOhneKontoAuflisten();

// The print preview: Druckvorschau(report, -50, 1, 0). Tests replace it.
using VorschauFunktion = std::function<std::uint8_t(rt::report::Report&)>;
void VorschauSetzen(VorschauFunktion vorschau);  // an empty function: the program's own again
