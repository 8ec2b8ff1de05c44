#include "bookkeeping/reports/Markierliste.h"

#include "bookkeeping/data/Dateien.h"

namespace {

void faerben(MARKIERQUEUE_T& zeile, std::int32_t text, std::uint8_t gesperrt) {
  const std::int32_t grund = Farbwort(224, 224, 232);
  zeile.F1 = zeile.F3 = zeile.F5 = zeile.F7 = text;
  zeile.F2 = zeile.F4 = zeile.F6 = zeile.F8 = grund;
  zeile.GESPERRT = gesperrt;
}

}  // namespace

std::int32_t Farbwort(int rot, int gruen, int blau) { return rot | (gruen << 8) | (blau << 16); }

void KontoMarkieren(MARKIERQUEUE_T& zeile) { faerben(zeile, Farbwort(0, 0, 255), 0); }
void KontoDemarkieren(MARKIERQUEUE_T& zeile) { faerben(zeile, Farbwort(128, 128, 128), 1); }

void MarkierlisteFuellen() {
  MARKIERQUEUE.clear();
  const KONTO_T gemerkt = KONTO;
  KONTODATEI.clear();
  KONTODATEI.set(KONTO_KEYNR);
  while (KONTODATEI.next() == 0) {
    MARKIERQUEUE_T zeile;
    zeile.NAME = KONTO.NAME;
    zeile.NR = KONTO.NR;
    KontoMarkieren(zeile);
    MARKIERQUEUE.add(zeile);
  }
  KONTO = gemerkt;
}
