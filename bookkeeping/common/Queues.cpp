#include "bookkeeping/common/Queues.h"

#include "bookkeeping/data/Dateien.h"

rt::Queue<KONTOQUEUE_T> KONTOQUEUE;
rt::Queue<BUCHUNGSZEILE_T> EINGANGQUEUE;
rt::Queue<BUCHUNGSZEILE_T> AUSGANGQUEUE;
rt::Queue<BUCHUNGSZEILE_T> SUCHQUEUE;
rt::Queue<MARKIERQUEUE_T> MARKIERQUEUE;
rt::report::PageQueue SEITENQUEUE;

BUCHUNGSZEILE_T BuchungsZeile(const BUCHUNG_T& buchung) {
  BUCHUNGSZEILE_T z;
  z.DATUM = buchung.DATUM;
  std::string text(buchung.TEXT[0].bytes());
  text += "   ";
  text += buchung.TEXT[1].bytes();
  z.TEXT.assignBytes(text);
  z.BETRAG = buchung.BRUTTO;
  z.NR = buchung.NR;
  return z;
}
