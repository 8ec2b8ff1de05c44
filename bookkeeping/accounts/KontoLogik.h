#pragma once
// The work behind the account list and the account edit window: the list's fill by order and
// filter, the rows of KONTOQUEUE, the checks of an account and its save. They work on "Konto.dat",
// the record buffer KONTO and KONTOQUEUE alone; the windows only show and feed them.

#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// The list's filters; they keep their values from one opening of the list to the next.
extern rt::String<40> KONTONAME;       // name filter
extern rt::String<4> KONTOSHORTCUT;    // code filter
extern rt::String<8> KONTONR;          // number filter, a prefix of the four-digit number text
// The list's order and the filter that applies: 1 name, 2 number, 3 code.
extern std::uint8_t KONTENSORTIERUNG;
// 1 while the account list is open: it reads KONTOQUEUE by position, so nobody else refills it.
extern std::uint8_t KONTENLISTEOFFEN;

// Refills KONTOQUEUE with the accounts whose field of the order begins with its filter, in key
// order; the code order lists the accounts without a code last. The filter is upper-cased in place.
// The fill stops early when `tasteWartet` says that a key press is waiting.
void KontenListeFuellen(const std::function<bool()>& tasteWartet = {});

// Reads row `zeile` of KONTOQUEUE and makes it the current row; nullptr (and no current row) when
// there is no such row.
const KONTOQUEUE_T* KontoZeileLesen(std::size_t zeile);
// The row read last, 0 for none.
std::size_t KontoZeileAktuell();

// The first failing check of an account before it is saved.
enum class KontoFehler { Keiner, Name, Nr, Art, Mwst };
KontoFehler KontoPruefen(const KONTO_T& konto);

enum class KontoSichern {
  Gespeichert,
  NrVorhanden,     // another account has the number: nothing written
  Fehlgeschlagen,  // the file refused the write: nothing written
};
// Saves `konto` with its number as four digits: `nummer` > 0 rewrites the account that was read
// under `alteNr` and puts the saved account on the current row of KONTOQUEUE; otherwise it is
// added. KONTO holds the saved account afterwards.
KontoSichern KontoSpeichern(std::int32_t nummer, KONTO_T& konto, const rt::String<8>& alteNr);
// The error code of the last failed save.
int KontoSpeichernFehler();
