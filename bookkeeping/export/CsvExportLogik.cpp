#include "bookkeeping/export/CsvExportLogik.h"

#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/proc/CsvDatei.h"
#include "platform/LargeMemory.h"
#include "runtime/UnfilledVector.h"
#include "runtime/text/Picture.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <climits>
#include <compare>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

const std::string_view CSV_KOPFZEILE =
    "Konto-Nr;Konto Name;Buchungsdatum;Buchungstext 1;Buchungstext 2;Bruttowert;Nettowert;MwStwert;"
    "Buchungsart (1=Eingang / 2=Ausgang / 3=USt);MwStsatz;\r\n";
const char CSV_KONTO_FEHLT[] = "*** Konto nicht mehr existent ***";

namespace {

using Clock = std::chrono::steady_clock;

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

// A place in KEYDATUM order: date, booking number, then the order in which the bookings were added.
struct Schluessel {
  rt::Day tag;
  std::int32_t nr;
  std::int64_t zeile;
  auto operator<=>(const Schluessel&) const = default;
};

// The line of one booking, made wherever the booking was read: its text holds the account number's
// field and then the fields from the date to the kind. The account name and the VAT rate go in
// between and after when the line is written, as they are then. Left uninitialised where a great
// many are made at once, so that the reading threads are the first to touch their memory.
struct Zeile {
  Schluessel schluessel;  // zeile 0: no booking (a place left empty, a line taken back)
  char konto[sizeof(rt::String<8>)];
  std::uint8_t satz;
  std::uint8_t mitte;   // the length of the account number's field
  std::uint8_t laenge;  // the length of the whole text
  std::uint32_t block;
  std::uint32_t anfang;
};

// The lines' texts, in blocks that never move; each thread that makes lines fills blocks of its own.
class Texte {
 public:
  static constexpr std::size_t kBlock = platform::kLargePage;
  static constexpr std::size_t kZeileHoechstens = 255;  // fits Zeile::laenge; a line takes at most 165

  // Where one thread puts its lines.
  struct Stelle {
    char* block = nullptr;
    std::size_t belegt = kBlock;
    std::uint32_t nummer = 0;
  };

  // Puts the line of `b` into the blocks of `stelle` and describes it in `z`.
  void zeileMachen(const BUCHUNG_T& b, char trennzeichen, Stelle& stelle, Zeile& z) {
    if (stelle.belegt + kZeileHoechstens > kBlock) {
      const std::lock_guard<std::mutex> lock(mutex_);
      platform::LargeBlock block = platform::allocateLargeBlock();
      if (!block) throw std::bad_alloc();
      bloecke_.push_back(std::move(block));
      stelle = {bloecke_.back().get(), 0, static_cast<std::uint32_t>(bloecke_.size() - 1)};
    }
    char* const anfang = stelle.block + stelle.belegt;
    z.schluessel = {rt::dayNumber(b.DATUM), b.NR, z.schluessel.zeile};
    std::memcpy(z.konto, b.KONTO.data, sizeof z.konto);
    z.satz = b.MWSTSATZ;
    z.block = stelle.nummer;
    z.anfang = static_cast<std::uint32_t>(stelle.belegt);
    char* p = CsvFeldAnfuegen(anfang, b.KONTO.raw(), trennzeichen, 0, 0);
    z.mitte = static_cast<std::uint8_t>(p - anfang);
    std::string feld;  // date and amounts fit in without an allocation
    rt::appendDate(feld, z.schluessel.tag);
    p = CsvFeldAnfuegen(p, feld, trennzeichen, 0, 0);
    p = CsvFeldAnfuegen(p, b.TEXT[0].raw(), trennzeichen, 0, 0);
    p = CsvFeldAnfuegen(p, b.TEXT[1].raw(), trennzeichen, 0, 0);
    const bool eingang = b.ART == 1;  // income positive, expenses and VAT bookings negative
    for (const rt::Cents betrag : {b.BRUTTO, b.NETTO, b.MWST}) {
      feld.clear();
      rt::appendAmount(feld, eingang ? betrag : -betrag);
      p = CsvFeldAnfuegen(p, feld, trennzeichen, 0, 0);
    }
    char art[4];
    const auto ende = std::to_chars(art, art + sizeof art, b.ART).ptr;
    p = CsvFeldAnfuegen(p, std::string_view(art, static_cast<std::size_t>(ende - art)), trennzeichen, 0, 0);
    z.laenge = static_cast<std::uint8_t>(p - anfang);
    stelle.belegt += z.laenge;
  }

  const char* text(const Zeile& z) const { return bloecke_[z.block].get() + z.anfang; }

 private:
  std::mutex mutex_;
  std::vector<platform::LargeBlock> bloecke_;
};

// The account name fields ("name;" as the writer makes it) of the accounts looked up by KEYNR,
// kept while the accounts file is unchanged.
class Kontenliste {
 public:
  // 0 with the field of the booking's account in `*feld`, or the code of a failed look-up.
  int feld(const char (&konto)[sizeof(rt::String<8>)], char trennzeichen, const std::string** feld) {
    std::string_view nr(konto, sizeof konto);
    while (!nr.empty() && nr.back() == ' ') nr.remove_suffix(1);
    if (KONTODATEI.revision() != stand_) {
      felder_.clear();
      stand_ = KONTODATEI.revision();
    }
    auto it = felder_.find(nr);
    if (it == felder_.end()) {
      const PufferLeihe geliehen;
      const auto walk = KONTODATEI.saveWalk();
      KONTO.NR.assignBytes(nr);
      int code = KONTODATEI.get(KONTO_KEYNR);
      if (code == 0 && KONTO.NR.bytes() != nr) code = rt::isam::kRecordNotFound;
      std::string text;
      if (code == 0 || code == rt::isam::kRecordNotFound)
        CsvFeldAnfuegen(text, code == 0 ? KONTO.NAME.raw() : std::string_view(CSV_KONTO_FEHLT), trennzeichen, 0, 0);
      KONTODATEI.restoreWalk(walk);
      stand_ = KONTODATEI.revision();
      if (code != 0 && code != rt::isam::kRecordNotFound) return code;
      it = felder_.emplace(std::string(nr), std::move(text)).first;
    }
    *feld = &it->second;
    return 0;
  }

 private:
  std::uint64_t stand_ = 0;
  std::map<std::string, std::string, std::less<>> felder_;
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

// Writes the lines of one export through the calling thread's writer, in larger pieces.
class Ausgabe {
 public:
  explicit Ausgabe(const Texte& texte) : texte_(texte), trennzeichen_(CsvTrennzeichen()) {
    aus_.reserve(kStueck + 2 * Texte::kZeileHoechstens);
    satzfelderNeu();
  }
  // After a pause the rates are taken as they are set then.
  void satzfelderNeu() {
    for (int k = 0; k < 7; ++k) {
      satzfelder_[k].clear();
      CsvFeldAnfuegen(satzfelder_[k], k >= 1 && k <= 5 ? satzText(k) : std::string_view(), trennzeichen_, 0, 0);
    }
  }
  // 0, or the code of a failed account look-up.
  int schreiben(const Zeile& z) {
    const std::string* konto = nullptr;
    if (const int code = konten_.feld(z.konto, trennzeichen_, &konto)) return code;
    const char* text = texte_.text(z);
    aus_.append(text, z.mitte);
    aus_ += *konto;
    aus_.append(text + z.mitte, z.laenge - z.mitte);
    aus_ += satzfelder_[std::min<int>(z.satz, 6)];
    aus_ += "\r\n";
    if (aus_.size() >= kStueck) weg();
    return 0;
  }
  void weg() {
    CsvTextSchreiben(aus_);  // whole lines: the text ends in CR LF, so nothing is cut off
    aus_.clear();
  }
  char trennzeichen() const { return trennzeichen_; }

 private:
  static constexpr std::size_t kStueck = 64 * 1024;
  const Texte& texte_;
  const char trennzeichen_;
  std::string aus_;
  std::string satzfelder_[7];  // by VAT key; 0 and 6 stand for every key without a rate
  Kontenliste konten_;
};

// The export over the bookings of the range as they were read in stored order: the lines in key
// order, and those of the bookings that other threads changed during the pauses, as a walk along
// KEYDATUM would have met them.
class Export {
 public:
  Export(rt::Day von, rt::Day bis, const std::function<void(rt::Day)>& pause)
      : von_(von), bis_(bis), pause_(pause), ausgabe_(texte_) {}

  // Reads the range in stored order on several connections: 0, or the code of the failed read,
  // which is not reported.
  int lesen() {
    BUCHUNG_T unten{}, oben{};
    unten.DATUM = rt::dateOf(von_);
    unten.NR = 0;
    oben.DATUM = rt::dateOf(bis_);
    oben.NR = INT32_MAX;
    std::atomic<rt::Day> gelesen{von_};  // the date of a booking read last, for the window
    auto letztePause = Clock::now();
    bool pausieren = false;
    std::vector<std::uint8_t> genommen;  // by place: whether its booking came (not deleted meanwhile)
    std::vector<Texte::Stelle> stellen;  // by reading thread
    const char trennzeichen = ausgabe_.trennzeichen();
    stand_ = BUCHUNGDATEI.revision();
    const int code = BUCHUNGDATEI.readRangeApart(
        BUCHUNG_KEYDATUM, &unten, &oben, false,
        [&](std::size_t anzahl, int faeden) {
          pausieren = anzahl > static_cast<std::size_t>(CSV_LESEN_OHNE_PAUSE);
          zeilen_.resize(anzahl);
          genommen.assign(anzahl, 0);
          stellen.resize(static_cast<std::size_t>(faeden));
        },
        [&](std::size_t platz, int faden, const void* satz, std::int64_t zeile) {
          const auto& b = *static_cast<const BUCHUNG_T*>(satz);
          genommen[platz] = 1;
          Zeile& z = zeilen_[platz];
          z.schluessel.zeile = zeile;
          texte_.zeileMachen(b, trennzeichen, stellen[static_cast<std::size_t>(faden)], z);
          gelesen.store(z.schluessel.tag, std::memory_order_relaxed);
        },
        [&] {
          if (!pause_ || !pausieren || Clock::now() - letztePause < std::chrono::milliseconds(CSV_PAUSE_MS)) return;
          pause_(gelesen.load(std::memory_order_relaxed));
          letztePause = Clock::now();
        });
    if (code != 0) return code;
    for (std::size_t i = 0; i < zeilen_.size(); ++i)
      if (!genommen[i]) zeilen_[i].schluessel.zeile = 0;
    return 0;
  }

  // Writes the lines read, pausing as the walk does: 0, or the code of a failed read.
  int schreiben(std::int32_t& anzahl) {
    // Nothing has been written yet: what changed during the pauses of the read counts wherever it
    // now lies.
    std::optional<Schluessel> platz;
    if (const int code = nachfuehren(platz)) return code;
    auto bisPause = Clock::now() + std::chrono::milliseconds(CSV_PAUSE_MS);
    int seitPause = 0;
    for (;;) {
      const Zeile* z = naechste();
      if (!z) break;
      if (const int code = ausgabe_.schreiben(*z)) return code;
      platz = z->schluessel;
      ++anzahl;
      if (++seitPause < CSV_PAUSE_NACH && (seitPause % 64 != 0 || Clock::now() < bisPause)) continue;
      if (pause_) {
        pause_(platz->tag);
        ausgabe_.satzfelderNeu();
        if (const int code = nachfuehren(platz)) return code;
      }
      seitPause = 0;
      bisPause = Clock::now() + std::chrono::milliseconds(CSV_PAUSE_MS);
    }
    ausgabe_.weg();
    return 0;
  }

 private:
  // The next line in key order from the lines read and those taken in afterwards; nullptr at the end.
  const Zeile* naechste() {
    while (i_ < zeilen_.size() && zeilen_[i_].schluessel.zeile == 0) ++i_;
    const bool dazu = j_ < dazu_.size() && (i_ == zeilen_.size() || dazu_[j_].schluessel < zeilen_[i_].schluessel);
    if (dazu) return &dazu_[j_++];
    if (i_ < zeilen_.size()) return &zeilen_[i_++];
    return nullptr;
  }

  // Takes in what other threads changed since the last look, as a walk that stands at `platz`
  // (before the first booking when empty) meets it: a booking ahead is read as it is now, one
  // behind stays as it was written. 0, or the code of a failed read.
  int nachfuehren(const std::optional<Schluessel>& platz) {
    std::vector<std::int64_t> geaendert;
    if (!BUCHUNGDATEI.changedRows(stand_, &geaendert)) return allesVoraus(platz);
    stand_ = BUCHUNGDATEI.revision();
    if (geaendert.empty()) return 0;
    std::sort(geaendert.begin(), geaendert.end());
    geaendert.erase(std::unique(geaendert.begin(), geaendert.end()), geaendert.end());
    auto betroffen = [&](const Zeile& z) {
      return std::binary_search(geaendert.begin(), geaendert.end(), z.schluessel.zeile);
    };
    for (std::size_t i = i_; i < zeilen_.size(); ++i)
      if (betroffen(zeilen_[i])) zeilen_[i].schluessel.zeile = 0;
    dazu_.erase(std::remove_if(dazu_.begin() + static_cast<std::ptrdiff_t>(j_), dazu_.end(), betroffen), dazu_.end());
    const PufferLeihe geliehen;
    const auto walk = BUCHUNGDATEI.saveWalk();
    int code = 0;
    for (const std::int64_t zeile : geaendert) {
      code = BUCHUNGDATEI.getRow(zeile);
      if (code == rt::isam::kRecordNotFound) code = 0;  // deleted, or taken out for editing
      else if (code == 0) dazunehmen(BUCHUNG, zeile, platz);
      if (code != 0) break;
    }
    BUCHUNGDATEI.restoreWalk(walk);
    std::sort(dazu_.begin() + static_cast<std::ptrdiff_t>(j_), dazu_.end(),
              [](const Zeile& a, const Zeile& b) { return a.schluessel < b.schluessel; });
    return code;
  }

  // When the changes are not known any more: every booking ahead of `platz` read again.
  int allesVoraus(const std::optional<Schluessel>& platz) {
    zeilen_.clear();
    i_ = 0;
    dazu_.clear();
    j_ = 0;
    const PufferLeihe geliehen;
    const auto walk = BUCHUNGDATEI.saveWalk();
    stand_ = BUCHUNGDATEI.revision();
    BUCHUNG.DATUM = rt::dateOf(platz ? platz->tag : von_);
    BUCHUNG.NR = platz ? platz->nr : 0;
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
    int code = 0;
    while ((code = BUCHUNGDATEI.next()) == 0 && rt::dayNumber(BUCHUNG.DATUM) <= bis_)
      dazunehmen(BUCHUNG, BUCHUNGDATEI.currentRow(), platz);
    if (code == rt::isam::kRecordNotAvailable) code = 0;
    BUCHUNGDATEI.restoreWalk(walk);
    return code;
  }

  // The booking read into `b` when it lies in the range and ahead of `platz`.
  void dazunehmen(const BUCHUNG_T& b, std::int64_t zeile, const std::optional<Schluessel>& platz) {
    const Schluessel s{rt::dayNumber(b.DATUM), b.NR, zeile};
    if (s < Schluessel{von_, 0, 0} || s.tag > bis_ || (platz && !(*platz < s))) return;
    Zeile& z = dazu_.emplace_back();
    z.schluessel.zeile = zeile;
    texte_.zeileMachen(b, ausgabe_.trennzeichen(), stelle_, z);
  }

  const rt::Day von_, bis_;
  const std::function<void(rt::Day)>& pause_;
  Texte texte_;
  Texte::Stelle stelle_;  // of the lines made on this thread
  Ausgabe ausgabe_;
  std::uint64_t stand_ = 0;    // the bookings file's revision when the lines were last brought up to it
  rt::UnfilledVector<Zeile> zeilen_;  // by place in key order, as read
  std::size_t i_ = 0;          // the next of them to write
  std::vector<Zeile> dazu_;    // taken in afterwards, in key order
  std::size_t j_ = 0;
};

// The export along a walk of KEYDATUM, for when the range cannot be read in stored order: a failed
// read then ends it as it ends the walk (and is reported).
int walkExportieren(rt::Day von, rt::Day bis, const std::function<void(rt::Day)>& pause, std::int32_t& anzahl) {
  Texte texte;
  Texte::Stelle stelle;
  Ausgabe ausgabe(texte);
  // The walk's own place: the key of the booking read last, or the start before the first.
  rt::DATE datum = rt::dateOf(von);
  std::int32_t nr = 0;
  bool gelesen = false;
  int code = 0;
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
        Zeile z{};
        texte.zeileMachen(BUCHUNG, ausgabe.trennzeichen(), stelle, z);
        if ((code = ausgabe.schreiben(z)) != 0) {
          ende = true;
          break;
        }
        ++anzahl;
        ++n;
      }
    }
    if (!ende && pause) {
      pause(rt::dayNumber(datum));
      ausgabe.satzfelderNeu();
    }
  }
  ausgabe.weg();
  return code;
}

}  // namespace

CsvExportErgebnis CsvExportieren(const QString& datei, rt::Day von, rt::Day bis,
                                 const std::function<void(rt::Day)>& pause) {
  CsvExportErgebnis e;
  if (!CsvDateiOeffnen(datei, "", e.fehler)) return e;
  CsvTextSchreiben(CSV_KOPFZEILE);
  int code = 0;
  {
    Export ex(von, bis, pause);
    code = ex.lesen();
    if (code == 0) code = ex.schreiben(e.anzahl);
    else code = walkExportieren(von, bis, pause, e.anzahl);  // it meets the failure and reports it
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
