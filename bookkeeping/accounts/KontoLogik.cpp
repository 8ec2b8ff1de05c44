#include "bookkeeping/accounts/KontoLogik.h"

#include "runtime/text/Collation.h"
#include "runtime/text/Picture.h"

#include <string>

rt::String<40> KONTONAME;
rt::String<4> KONTOSHORTCUT;
rt::String<8> KONTONR;
std::uint8_t KONTENSORTIERUNG = 0;
std::uint8_t KONTENLISTEOFFEN = 0;

namespace {

std::size_t g_aktuelleZeile = 0;
int g_speicherFehler = 0;

// The row of the account in the record buffer.
KONTOQUEUE_T Zeile() {
  KONTOQUEUE_T z;
  z.NAME = KONTO.NAME;
  z.SHORTCUT = KONTO.SHORTCUT;
  z.NR = KONTO.NR;
  z.TEXTVORGABE[0] = KONTO.TEXTVORGABE[0];
  z.TEXTVORGABE[1] = KONTO.TEXTVORGABE[1];
  return z;
}

void ZeileAnhaengen() { KONTOQUEUE.add(Zeile()); }

// The filter in upper case, in place.
template <std::size_t N>
void Grossschreiben(rt::String<N>& filter) {
  filter.assignBytes(rt::Collation::upper(filter.raw()));
}

// The start of the walk: the filter followed by a character of code 0, so that the first record
// read is the first whose field is not below the filter.
template <std::size_t N, std::size_t M>
void AnFilterSetzen(rt::String<N>& feld, const rt::String<M>& filter, rt::isam::Key key) {
  feld.assignBytes(std::string(filter.bytes()) + '\0');
  KONTODATEI.setToValue(key);
}

// True when the field no longer begins with the filter: it sorts after the filter followed by two
// characters of code 255.
template <std::size_t N, std::size_t M>
bool HinterFilter(const rt::String<N>& feld, const rt::String<M>& filter) {
  return rt::Collation::compare(rt::Collation::upper(feld.bytes()), std::string(filter.bytes()) + "\xFF\xFF") > 0;
}

bool Wartet(const std::function<bool()>& tasteWartet) { return tasteWartet && tasteWartet(); }

template <std::size_t N, std::size_t M>
void NachFilterFuellen(rt::String<N>& filter, rt::String<M>& feld, rt::isam::Key key,
                       const std::function<bool()>& tasteWartet) {
  Grossschreiben(filter);
  AnFilterSetzen(feld, filter, key);
  while (!Wartet(tasteWartet) && KONTODATEI.next() == 0 && !HinterFilter(feld, filter)) ZeileAnhaengen();
}

// Code order: the accounts with a code that begins with the filter, then (with a blank filter,
// since blank sorts before every code) the accounts without a code.
void NachCodeFuellen(const std::function<bool()>& tasteWartet) {
  Grossschreiben(KONTOSHORTCUT);
  AnFilterSetzen(KONTO.SHORTCUT, KONTOSHORTCUT, KONTO_KEYSHORTCUT);
  while (!Wartet(tasteWartet) && KONTODATEI.next() == 0) {
    if (KONTO.SHORTCUT.isBlank()) continue;
    if (HinterFilter(KONTO.SHORTCUT, KONTOSHORTCUT)) break;
    ZeileAnhaengen();
  }
  Grossschreiben(KONTOSHORTCUT);
  AnFilterSetzen(KONTO.SHORTCUT, KONTOSHORTCUT, KONTO_KEYSHORTCUT);
  while (!Wartet(tasteWartet) && KONTODATEI.next() == 0 && KONTO.SHORTCUT.isBlank()) ZeileAnhaengen();
}

}  // namespace

void KontenListeFuellen(const std::function<bool()>& tasteWartet) {
  KONTOQUEUE.clear();
  g_aktuelleZeile = 0;
  switch (KONTENSORTIERUNG) {
    case 1: NachFilterFuellen(KONTONAME, KONTO.NAME, KONTO_KEYNAME, tasteWartet); break;
    case 2: NachFilterFuellen(KONTONR, KONTO.NR, KONTO_KEYNR, tasteWartet); break;
    case 3: NachCodeFuellen(tasteWartet); break;
    default: break;
  }
}

const KONTOQUEUE_T* KontoZeileLesen(std::size_t zeile) {
  const KONTOQUEUE_T* z = KONTOQUEUE.get(zeile);
  g_aktuelleZeile = z ? zeile : 0;
  return z;
}

std::size_t KontoZeileAktuell() { return g_aktuelleZeile; }

KontoFehler KontoPruefen(const KONTO_T& konto) {
  if (konto.NAME.isBlank()) return KontoFehler::Name;
  if (konto.NR.isBlank()) return KontoFehler::Nr;
  if (konto.ART == 0) return KontoFehler::Art;
  if (konto.MWST == 0 && konto.ART != 3) return KontoFehler::Mwst;
  return KontoFehler::Keiner;
}

KontoSichern KontoSpeichern(std::int32_t nummer, KONTO_T& konto, const rt::String<8>& alteNr) {
  static const rt::Picture vierstellig("@N04");
  konto.NR = vierstellig.format(konto.NR.clip().toDouble());
  if (nummer > 0) {
    // Put rewrites the record read last; another window may have read an account since this one
    // was read, so the account is read again right before it is rewritten.
    KONTO.NR = alteNr;
    g_speicherFehler = KONTODATEI.get(KONTO_KEYNR);
    KONTO = konto;
    if (!g_speicherFehler) g_speicherFehler = KONTODATEI.put();
  } else {
    KONTO = konto;
    g_speicherFehler = KONTODATEI.add();
  }
  if (g_speicherFehler == rt::isam::kDuplicateKey) return KontoSichern::NrVorhanden;
  if (g_speicherFehler) return KontoSichern::Fehlgeschlagen;
  if (KONTOQUEUE_T* z = KONTOQUEUE.get(g_aktuelleZeile); z && nummer > 0) *z = Zeile();
  return KontoSichern::Gespeichert;
}

int KontoSpeichernFehler() { return g_speicherFehler; }
