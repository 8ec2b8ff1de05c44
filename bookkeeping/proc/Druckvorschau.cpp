#include "bookkeeping/proc/Druckvorschau.h"

VORSCHAUANSICHT_T VORSCHAUANSICHT;

namespace vorschau {

// The page buttons stand 48, the print and cancel buttons 54 units from the window's right edge; the
// frame is 68, the page 70 units narrower than the window.
namespace {
constexpr int kBlaetternRand = 48, kKnopfRand = 54, kBoxRand = 68, kBildRand = 70;
constexpr int kNormalBoxHoehe = 299, kNormalBildHoehe = 297;
}  // namespace

Anordnung Normalansicht() {
  return {.boxY = 7, .boxBreite = kNormalBreite - kBoxRand, .boxHoehe = kNormalBoxHoehe,
          .bildY = 8, .bildBreite = kNormalBreite - kBildRand, .bildHoehe = kNormalBildHoehe,
          .rollbalken = 0,
          .blaetternX = kNormalBreite - kBlaetternRand, .knopfX = kNormalBreite - kKnopfRand,
          .zoomBreite = kNormalBreite - kBildRand};
}

Anordnung Lupenansicht(int hoehe) {
  return {.boxY = 0, .boxBreite = kLupenBreite - kBoxRand, .boxHoehe = hoehe,
          .bildY = 0, .bildBreite = kLupenBreite - kBildRand, .bildHoehe = hoehe,
          .rollbalken = 1,
          .blaetternX = kLupenBreite - kBlaetternRand, .knopfX = kLupenBreite - kKnopfRand,
          .zoomBreite = 0};
}

Groessenregel GroesseGeaendert(int ansicht, int breite, int hoehe) {
  // The width belongs to the view.
  if (breite != ansicht) return {ansicht, hoehe, false, std::nullopt};
  const bool normal = ansicht == kNormalBreite;
  if (normal && hoehe != kNormalHoehe) return {breite, kNormalHoehe, false, std::nullopt};
  if (!normal && hoehe < kLupenMindesthoehe) return {breite, kLupenMindesthoehe, true, std::nullopt};
  // The size stands: the controls follow it. The normal view keeps its page and frame heights, so
  // that the frame's lower edge stays inside the window.
  return {breite, hoehe, true,
          Anordnung{.boxBreite = breite - kBoxRand, .boxHoehe = normal ? kNormalBoxHoehe : hoehe,
                    .bildBreite = breite - kBildRand, .bildHoehe = normal ? kNormalBildHoehe : hoehe,
                    .blaetternX = breite - kBlaetternRand, .knopfX = breite - kKnopfRand}};
}

std::size_t Blaettern(std::size_t seite, int schritt, std::size_t seiten) {
  if (schritt < 0 && seite > 1) return seite - 1;
  if (schritt > 0 && seite < seiten) return seite + 1;
  return seite;
}

bool OhneHintergrund(QStringView kommandozeile) { return kommandozeile.contains(u"/Terminal"); }

}  // namespace vorschau
