#pragma once
// The print preview: shows a report that has been run, page by page, in a normal or a magnified
// view, and lets the user print it or leave without printing. It is the program's only way to print:
//
//   Report bericht(P40_REP);
//   SEITENQUEUE.clear();
//   bericht.open(SEITENQUEUE);
//   bericht.print("?DETAIL");                // ... the report's bands
//   bericht.pageBreak();                      // ends the last page
//   Druckvorschau(bericht, -50, 1, 0);        // 1 when the user chose to print
//   bericht.close();                          // prints the pages when the user chose to
//
// The window remembers its place and its view from one preview to the next while the program runs.

#include "bookkeeping/common/Queues.h"
#include "runtime/report/Report.h"

#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <optional>

// Shows the report whose pages SEITENQUEUE holds, modally on the calling thread; a report still being
// built in steps gets its pages while it is shown, and the page key waits for one still to come.
// `anfangY` is the window's Y position for the first preview of the run; `hochformat` switches the
// report's landscape orientation off; `druckenVerbergen` hides the print button. Returns 1 when the
// user chose to print (the report then prints its pages when it is closed), otherwise 0.
std::uint8_t Druckvorschau(rt::report::Report& bericht, std::int16_t anfangY, std::uint8_t hochformat,
                           std::uint8_t druckenVerbergen);

// What the preview remembers between its calls, in dialog units: process-wide, never stored.
struct VORSCHAUANSICHT_T {
  std::int16_t X = -1000;         // -1000: no preview yet in this run
  std::int16_t Y = 0;
  std::int16_t BREITE = 280;      // the view: 280 normal, 490 magnified
  std::int16_t LUPENHOEHE = 500;  // the window's height in the magnified view
};
extern VORSCHAUANSICHT_T VORSCHAUANSICHT;

namespace vorschau {

inline constexpr std::int16_t kKeineVorschau = -1000;
inline constexpr int kErstesX = 125;
inline constexpr int kNormalBreite = 280, kNormalHoehe = 313;
inline constexpr int kLupenBreite = 490, kLupenMindesthoehe = 210;

// Where the controls go; -1 leaves a value as it is.
struct Anordnung {
  int boxY = -1, boxBreite = -1, boxHoehe = -1;     // the frame around the page
  int bildY = -1, bildBreite = -1, bildHoehe = -1;  // the page
  int rollbalken = -1;                              // the page's vertical scroll bar: 1 on, 0 off
  int blaetternX = -1;                              // the two page buttons
  int knopfX = -1;                                  // the print and the cancel button
  int zoomBreite = -1;                              // the click region over the page
};

// The normal view: the whole page in a window of 280 x 313, the page clickable.
Anordnung Normalansicht();
// The magnified view, `hoehe` high: the page as wide as the window allows, with a scroll bar.
Anordnung Lupenansicht(int hoehe);

// What a change of the window's size to `breite` x `hoehe` leads to in the view `ansicht`: the size
// the window is given back (the same when it stays), whether the event keeps its default action, and
// the controls' places when the size stands.
struct Groessenregel {
  int breite = 0, hoehe = 0;
  bool standard = true;
  std::optional<Anordnung> anordnung;
};
Groessenregel GroesseGeaendert(int ansicht, int breite, int hoehe);

// The page after a step of -1 (back) or +1 (on) from `seite` among `seiten` pages: it stays on the
// first and on the last page, never wraps, and stays when there are none.
std::size_t Blaettern(std::size_t seite, int schritt, std::size_t seiten);

// The preview shows no background picture when the program was started with "/Terminal".
bool OhneHintergrund(QStringView kommandozeile);

}  // namespace vorschau
