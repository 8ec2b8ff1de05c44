#include "bookkeeping/accounts/Kontenrahmen.h"

#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"

using namespace rt::report;

KONTOQUEUE_T KONTENZEILE;

namespace {
const QColor kGrau(128, 128, 128);
const QColor kHellgrau(224, 224, 224);
const QColor kWeiss(255, 255, 255);
}  // namespace

// The page body is 170 x 242 mm, 20 from the left and 25 from the top edge; the page header stands
// above it, in the page's own coordinates.
const ReportDef P19_REPKONTEN{
    .label = "P19$REPKONTEN",
    .title = "Tavik! Kontenrahmen",
    .header = {.label = "?HEADER",
               .controls = {{.label = "?TITELBOX", .kind = Kind::Box, .x = 20, .y = 10, .w = 170, .h = 7,
                             .border = QColor(0, 0, 0)},
                            {.label = "?TITEL", .kind = Kind::Text, .text = "Tavik! Kontenrahmen", .x = 22, .y = 11.3},
                            {.label = "?BESCHAEDIGT", .kind = Kind::Text, .text = KONTEN_UNVOLLSTAENDIG, .x = 66,
                             .y = 12, .attrs = A_Hidden, .color = QColor(192, 0, 0), .fontSize = 8},
                            {.label = "?SEITE", .kind = Kind::Text, .text = "Seite", .x = 180, .y = 11.3,
                             .attrs = A_Right},
                            // Clear of "Seite" by one and a half blanks; four digits and more in smaller type.
                            {.label = "?SEITENNR", .kind = Kind::PageNumber, .picture = "@N_8", .x = 181.5,
                             .y = 11.3, .w = 6.5, .attrs = A_Right},
                            {.label = "?KOPFNAME", .kind = Kind::Text, .text = "Name", .x = 20, .y = 19.5,
                             .attrs = A_Bold},
                            {.label = "?KOPFKONTO", .kind = Kind::Text, .text = "Konto", .x = 71, .y = 19.5,
                             .attrs = A_Bold},
                            {.label = "?KOPFCODE", .kind = Kind::Text, .text = "Code", .x = 83, .y = 19.5,
                             .attrs = A_Bold},
                            {.label = "?KOPFTEXT1", .kind = Kind::Text, .text = "Textvorgabe 1", .x = 95, .y = 19.5,
                             .attrs = A_Bold, .color = kGrau},
                            {.label = "?KOPFTEXT2", .kind = Kind::Text, .text = "Textvorgabe 2", .x = 143, .y = 19.5,
                             .attrs = A_Bold, .color = kGrau}}},
    .bands = {{.label = "?DETAIL",
               .height = 4,
               .fontSize = 8,
               .controls = {{.label = "?REPBOX", .kind = Kind::Box, .w = 170, .h = 4, .fill = kWeiss},
                            {.label = "?KONTOQUEUE:NAME", .kind = Kind::String, .picture = "@S40", .x = 0, .y = 0.4,
                             .w = 50, .bound = KONTENZEILE.NAME},
                            {.label = "?KONTOQUEUE:NR", .kind = Kind::String, .picture = "@N04", .x = 51, .y = 0.4,
                             .w = 12, .bound = KONTENZEILE.NR},
                            {.label = "?KONTOQUEUE:SHORTCUT", .kind = Kind::String, .picture = "@S3", .x = 63,
                             .y = 0.4, .w = 10, .bound = KONTENZEILE.SHORTCUT},
                            {.label = "?KONTOQUEUE:TEXTVORGABE_1", .kind = Kind::String, .picture = "@S50", .x = 75,
                             .y = 0.4, .w = 47, .bound = KONTENZEILE.TEXTVORGABE[0], .color = kGrau},
                            {.label = "?KONTOQUEUE:TEXTVORGABE_2", .kind = Kind::String, .picture = "@S50", .x = 123,
                             .y = 0.4, .w = 47, .bound = KONTENZEILE.TEXTVORGABE[1], .color = kGrau}}}},
};

void KontenrahmenDrucken(Report& bericht, std::uint8_t& grau) {
  // The pages of a chart from a damaged file say so.
  if (KONTODATEI.failure()) bericht.unhide("?BESCHAEDIGT");
  else bericht.hide("?BESCHAEDIGT");
  for (std::size_t i = 1; i <= KONTOQUEUE.records(); ++i) {
    if (PARA.ZEILENABHEBEN != 0) {
      grau = grau == 0 ? 1 : 0;
      bericht.setFill("?REPBOX", grau ? kHellgrau : kWeiss);
    }
    KONTENZEILE = *KONTOQUEUE.get(i);
    bericht.print("?DETAIL");
  }
}
