#include "bookkeeping/booking/BuchungLogik.h"

#include "bookkeeping/accounts/KontoLogik.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/text/Picture.h"


BUCHUNG_T BUCHUNGEINGABE{};
rt::String<4> CODE;
std::int16_t KONTOMWST = 0;
rt::String<20> KONTONAME_;
std::uint8_t DATUMMERKEN = 0;
rt::DATE MERKDATUM{};
rt::String<50> LETZTEBUCHUNG;
std::int32_t GEWAEHLTEBUCHUNG = 0;
std::uint8_t BUCHUNGSUCHEN = 0;

namespace {

int g_speicherFehler = 0;

bool IstZiffer(char c) { return c >= '0' && c <= '9'; }

// Clears a booking record as the file layer's Clear does.
void Leeren(BUCHUNG_T& b) { b = BUCHUNG_T{}; }

}  // namespace

void NettoMwstBerechnen() {
  if (KONTOMWST == 0) return;
  BUCHUNGEINGABE.NETTO = rt::netOf(BUCHUNGEINGABE.BRUTTO, MwstSatz(KONTOMWST));
  BUCHUNGEINGABE.MWST = BUCHUNGEINGABE.BRUTTO - BUCHUNGEINGABE.NETTO;
}

void AuswahlListeFuellen() {
  // While the account list is open it owns KONTOQUEUE, which the pick list then shows as it is.
  if (KONTENLISTEOFFEN) return;
  const std::string_view t = CODE.bytes();
  const std::size_t l = t.size();
  KONTOQUEUE.clear();
  auto durchlaufen = [&](auto nehmen) {
    KONTODATEI.clear();
    KONTODATEI.setToValue(KONTO_KEYNR);
    while (KONTODATEI.next() == 0) {
      if (!nehmen()) continue;
      KONTOQUEUE_T z;
      z.NAME = KONTO.NAME;
      z.SHORTCUT = KONTO.SHORTCUT;
      z.NR = KONTO.NR;
      z.TEXTVORGABE[0] = KONTO.TEXTVORGABE[0];
      z.TEXTVORGABE[1] = KONTO.TEXTVORGABE[1];
      KONTOQUEUE.add(z);
    }
  };
  if (l == 0 || !IstZiffer(t[0]))
    durchlaufen([&] { return l > 0 ? KONTO.SHORTCUT.sub(1, l) == t : !KONTO.SHORTCUT.isBlank(); });
  if (l == 0 || IstZiffer(t[0]))
    durchlaufen([&] { return l > 0 ? KONTO.NR.sub(1, l) == t : KONTO.SHORTCUT.isBlank(); });
}

Suche KontoNachschlagen() {
  if (IstZiffer(CODE[0])) {
    KONTO.NR = CODE;
    return KONTODATEI.get(KONTO_KEYNR) ? Suche::NichtGefunden : Suche::Gefunden;
  }
  if (CODE.isBlank()) return Suche::KeineSuche;
  KONTO.SHORTCUT = CODE;
  return KONTODATEI.get(KONTO_KEYSHORTCUT) ? Suche::NichtGefunden : Suche::Gefunden;
}

std::uint8_t KontoUebernehmen(std::uint8_t bearbeiten) {
  if (!bearbeiten) KONTOMWST = KONTO.MWST;
  KONTONAME_ = KONTO.NAME;
  BUCHUNGEINGABE.KONTO = KONTO.NR;
  BUCHUNGEINGABE.ART = KONTO.ART;
  if (!bearbeiten) {
    BUCHUNGEINGABE.TEXT[0] = KONTO.TEXTVORGABE[0];
    BUCHUNGEINGABE.TEXT[1] = KONTO.TEXTVORGABE[1];
  }
  return KONTO.ART;
}

void EingabeDatenLeeren() {
  CODE.clear();
  Leeren(BUCHUNGEINGABE);
  BUCHUNGEINGABE.DATUM = DATUMMERKEN && !MERKDATUM.isZero() ? MERKDATUM : rt::dateOf(rt::today());
  AuswahlListeFuellen();
}

void MwstAusNetto() { BUCHUNGEINGABE.MWST = BUCHUNGEINGABE.BRUTTO - BUCHUNGEINGABE.NETTO; }
void NettoAusMwst() { BUCHUNGEINGABE.NETTO = BUCHUNGEINGABE.BRUTTO - BUCHUNGEINGABE.MWST; }

Speichern BuchungSpeichern(void (*leeren)()) {
  if (BUCHUNGEINGABE.DATUM.isZero()) return Speichern::NichtGespeichert;
  BUCHUNG.NR = 2147483647;
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
  if (BUCHUNGDATEI.previous()) {
    BUCHUNGEINGABE.NR = 1;
  } else if (BUCHUNG.NR == 2147483647) {
    return Speichern::KeineNummerFrei;  // the next number would wrap to a negative one
  } else {
    BUCHUNGEINGABE.NR = BUCHUNG.NR + 1;
  }
  BUCHUNG = BUCHUNGEINGABE;
  BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(KONTOMWST);
  // The Add is checked: a booking that did not reach the file stays in the entry, so that nothing
  // the user typed (or loaded for editing) is lost.
  // A booking loaded for editing waits parked in the file; it goes in the same transaction in which
  // its new form is added, so that the file always holds one of the two.
  g_speicherFehler = BUCHUNGDATEI.begin();
  if (!g_speicherFehler) g_speicherFehler = BUCHUNGDATEI.add();
  if (!g_speicherFehler) g_speicherFehler = BUCHUNGDATEI.dropParked();
  if (!g_speicherFehler) g_speicherFehler = BUCHUNGDATEI.commit();
  if (g_speicherFehler) {
    BUCHUNGDATEI.rollback();
    return Speichern::Fehlgeschlagen;
  }
  if (DATUMMERKEN) MERKDATUM = BUCHUNG.DATUM;
  leeren();
  QString zeile = "Letzte Eingabe:" + rt::formatAmount(BUCHUNG.BRUTTO) + " / " + BUCHUNG.TEXT[0].full();
  LETZTEBUCHUNG = zeile.left(50);
  if (BUCHUNGSUCHEN) SUCHQUEUE.add(BuchungsZeile(BUCHUNG));
  return Speichern::Gespeichert;
}

int BuchungSpeichernFehler() { return g_speicherFehler; }

void BearbeitungVerwerfen() { BUCHUNGDATEI.dropParked(); }

bool BearbeitungWiederherstellen() {
  std::int64_t n = 0;
  if (BUCHUNGDATEI.parkedCount(&n) || !n) return false;
  return BUCHUNGDATEI.unpark() == 0;
}

Laden BuchungLadenFuerBearbeitung() {
  BUCHUNG.NR = GEWAEHLTEBUCHUNG;
  if (BUCHUNGDATEI.get(BUCHUNG_KEYNR)) return Laden::NichtsGeladen;
  BUCHUNGEINGABE = BUCHUNG;
  KONTOMWST = BUCHUNG.MWSTSATZ;
  CODE.assignBytes(BUCHUNGEINGABE.KONTO.sub(1, 4));
  KONTO.NR = BUCHUNGEINGABE.KONTO;
  if (KONTODATEI.get(KONTO_KEYNR)) return Laden::KontoFehlt;
  // Park acts on the record read last in "Buchung.dat": the booking read above, since the account
  // Get touched only "Konto.dat". It leaves the lists and sums but stays in the file until it is
  // stored again or cleared, so that a crash meanwhile never loses it. A booking that stays among
  // the others must not also stay in the entry, or storing the entry would keep it twice.
  g_speicherFehler = BUCHUNGDATEI.park();
  if (g_speicherFehler) {
    EingabeDatenLeeren();
    return Laden::Fehlgeschlagen;
  }
  return Laden::Geladen;
}
