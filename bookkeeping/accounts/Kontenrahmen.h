#pragma once
// The chart of accounts P19$REPKONTEN "Tavik! Kontenrahmen": the rows of the account list, in the
// list's order, one line per account on A4 portrait pages.

#include "bookkeeping/common/Queues.h"
#include "runtime/report/Report.h"

#include <cstdint>

// The row being printed; the chart's detail fields show it.
extern KONTOQUEUE_T KONTENZEILE;
extern const rt::report::ReportDef P19_REPKONTEN;

// Prints a detail band for each row of KONTOQUEUE into the open report. With PARA:ZEILENABHEBEN set,
// the rows alternate light grey and white, beginning with grey while `grau` is 0; `grau` carries the
// alternation on to the next print.
void KontenrahmenDrucken(rt::report::Report& bericht, std::uint8_t& grau);
