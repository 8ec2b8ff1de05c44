#include "bookkeeping/export/CsvExportLogik.h"

#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/proc/CsvDatei.h"
#include "runtime/text/Picture.h"

#include <chrono>
#include <climits>
#include <map>
#include <optional>
#include <string>

const std::string_view CSV_KOPFZEILE =
    "Konto-Nr;Konto Name;Buchungsdatum;Buchungstext 1;Buchungstext 2;Bruttowert;Nettowert;MwStwert;"
    "Buchungsart (1=Eingang / 2=Ausgang / 3=USt);MwStsatz;\r\n";
const char CSV_KONTO_FEHLT[] = "*** Konto nicht mehr existent ***";

namespace {

// Keeps the shared record buffers of the bookings and accounts and gives them back when it ends.
class PufferLeihe {
 public:
  PufferLeihe() : buchung_(BUCHUNG), konto_(KONTO) {}
  ~PufferLeihe() {
    BUCHUNG = buchung_;
    KONTO = konto_;
  }
  PufferLeihe(const PufferLeihe&) = delete;
  PufferLeihe& operator=(const PufferLeihe&) = delete;

 private:
  const BUCHUNG_T buchung_;
  const KONTO_T konto_;
};

void feld(const QString& text) { CsvFeldSchreiben(rt::toCp1252(text), 0, 0); }

// The accounts looked up since the last pause. No other thread runs between two pauses, so an
// account read once stays as it is until the next one.
class Kontenliste {
 public:
  // Looks up the booking's account: 0 with the account in `*konto` (nullptr when there is none),
  // or the code of a failed look-up.
  int suchen(const BUCHUNG_T& b, const KONTO_T** konto) {
    const std::string nr(b.KONTO.bytes());
    auto it = konten_.find(nr);
    if (it == konten_.end()) {
      KONTO.NR = b.KONTO;
      int code = KONTODATEI.get(KONTO_KEYNR);
      if (code == 0 && !(KONTO.NR == b.KONTO)) code = rt::isam::kRecordNotFound;
      if (code != 0 && code != rt::isam::kRecordNotFound) return code;
      it = konten_.emplace(nr, code == 0 ? std::optional<KONTO_T>(KONTO) : std::nullopt).first;
    }
    *konto = it->second ? &*it->second : nullptr;
    return 0;
  }
  void vergessen() { konten_.clear(); }

 private:
  std::map<std::string, std::optional<KONTO_T>> konten_;
};

// The rate of a VAT key 1 to 5 as it is set now, in "@N5`2"; formatted again only when it changed.
std::string_view satzText(int schluessel) {
  static const rt::Picture satz("@N5`2");
  static double wert[6] = {-1, -1, -1, -1, -1, -1};
  static std::string text[6];
  const double r = MwstSatz(schluessel);
  if (r != wert[schluessel]) {
    wert[schluessel] = r;
    text[schluessel] = rt::toCp1252(satz.format(r));
  }
  return text[schluessel];
}

}  // namespace

void CsvBuchungSchreiben(const BUCHUNG_T& b, const KONTO_T* konto) {
  // Bookings come in date order, many to a day: the date is formatted once a day.
  static rt::Day tag = -1;
  static std::string datum;
  if (const rt::Day t = rt::dayNumber(b.DATUM); t != tag) {
    tag = t;
    datum = rt::toCp1252(rt::formatDate(t));
  }
  CsvFeldSchreiben(b.KONTO.raw(), 0, 0);
  CsvFeldSchreiben(konto ? konto->NAME.raw() : std::string_view(CSV_KONTO_FEHLT), 0, 0);
  CsvFeldSchreiben(datum, 0, 0);
  CsvFeldSchreiben(b.TEXT[0].raw(), 0, 0);
  CsvFeldSchreiben(b.TEXT[1].raw(), 0, 0);
  const bool eingang = b.ART == 1;  // income positive, expenses and VAT bookings negative
  feld(rt::formatAmount(eingang ? b.BRUTTO : -b.BRUTTO));
  feld(rt::formatAmount(eingang ? b.NETTO : -b.NETTO));
  feld(rt::formatAmount(eingang ? b.MWST : -b.MWST));
  CsvFeldSchreiben(std::to_string(b.ART), 0, 0);
  CsvFeldSchreiben(b.MWSTSATZ >= 1 && b.MWSTSATZ <= 5 ? satzText(b.MWSTSATZ) : std::string_view(), 0, 0);
  CsvTextSchreiben("\r\n");
}

CsvExportErgebnis CsvExportieren(const QString& datei, rt::Day von, rt::Day bis,
                                 const std::function<void(rt::Day)>& pause) {
  CsvExportErgebnis e;
  if (!CsvDateiOeffnen(datei, "", e.fehler)) return e;
  CsvTextSchreiben(CSV_KOPFZEILE);

  // The walk's own place: the key of the booking read last, or the start before the first.
  rt::DATE datum = rt::dateOf(von);
  std::int32_t nr = 0;
  bool gelesen = false;
  int code = 0;
  Kontenliste konten;
  using Clock = std::chrono::steady_clock;
  for (bool ende = false; !ende;) {
    {
      const PufferLeihe geliehen;
      BUCHUNG.DATUM = datum;
      BUCHUNG.NR = nr;
      BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
      const auto bisPause = Clock::now() + std::chrono::milliseconds(CSV_PAUSE_MS);
      for (int n = 0; n < CSV_PAUSE_NACH && (n % 64 != 63 || Clock::now() < bisPause);) {
        code = BUCHUNGDATEI.next();
        if (code != 0 || rt::dayNumber(BUCHUNG.DATUM) > bis) {
          if (code == rt::isam::kRecordNotAvailable) code = 0;
          ende = true;
          break;
        }
        // After a pause the walk starts again at the booking it read last.
        if (gelesen && BUCHUNG.NR == nr && rt::dayNumber(BUCHUNG.DATUM) == rt::dayNumber(datum)) continue;
        datum = BUCHUNG.DATUM;
        nr = BUCHUNG.NR;
        gelesen = true;
        const KONTO_T* konto = nullptr;
        if ((code = konten.suchen(BUCHUNG, &konto)) != 0) {
          ende = true;
          break;
        }
        CsvBuchungSchreiben(BUCHUNG, konto);
        ++e.anzahl;
        ++n;
      }
    }
    konten.vergessen();
    if (!ende && pause) pause(rt::dayNumber(datum));
  }
  if (code != 0) {
    CsvDateiFreigeben();  // the file is discarded
    e.fehler = static_cast<std::int16_t>(code);
    return e;
  }
  e.fehler = CsvDateiSchliessen();
  return e;
}

void CsvZeitraumVorbelegen(rt::DATE& von, rt::DATE& bis) {
  const PufferLeihe geliehen;
  von = bis = {};
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = {};
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  if (BUCHUNGDATEI.next() == 0) von = BUCHUNG.DATUM;
  BUCHUNG.NR = INT32_MAX;  // a booking on day 100000 itself is not after it
  BUCHUNG.DATUM = rt::dateOf(rt::kLatestDay);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  if (BUCHUNGDATEI.previous() == 0) bis = BUCHUNG.DATUM;
}
