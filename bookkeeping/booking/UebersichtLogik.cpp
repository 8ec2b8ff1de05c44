#include "bookkeeping/booking/UebersichtLogik.h"

#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <future>

SUMMEN_T SUMMEN;
rt::DATE BUCHUNGSUCHENVON{};
rt::DATE BUCHUNGSUCHENBIS{};
rt::String<50> BUCHUNGSUCHENTEXT;
rt::Day JAHRESANFANG = 0;
rt::Day JAHRESENDE = 0;

void JahresgrenzenSetzen() {
  const int jahr = PARA.VONSUMMENDATUM.year;
  EINGABEJAHR = static_cast<std::int16_t>(jahr);
  JAHRESANFANG = rt::yearStart(jahr);
  JAHRESENDE = rt::yearEnd(jahr);
}

namespace {

struct Jahreskopie {
  bool gueltig = false;
  int jahr = 0;
  std::uint64_t stand = 0;  // the file's revision that the rows reflect
  rt::UnfilledVector<JAHRESZEILE_T> zeilen;
  std::vector<std::string> texte;  // the list texts; the last store takes those of rows read later
};
Jahreskopie g_kopie;
long g_gelesen = 0;
int g_taktZeilen = 256;
int g_taktMs = 50;

// The booking of a row as the copy keeps it, its list text appended to store `speicher`.
JAHRESZEILE_T Jahreszeile(const BUCHUNG_T& b, std::int64_t zeile, std::size_t speicher, std::string& text) {
  const BUCHUNGSZEILE_T liste = BuchungsZeile(b);
  const std::string_view t = liste.TEXT.bytes();
  const JAHRESZEILE_T z{zeile,
                        b.BRUTTO,
                        b.NETTO,
                        b.MWST,
                        b.DATUM,
                        rt::dayNumber(b.DATUM),
                        b.NR,
                        static_cast<std::uint32_t>(text.size()),
                        static_cast<std::uint8_t>(t.size()),
                        static_cast<std::uint8_t>(speicher),
                        b.ART};
  text += t;
  return z;
}

JAHRESZEILE_T ZeileAusPuffer() {
  return Jahreszeile(BUCHUNG, BUCHUNGDATEI.currentRow(), g_kopie.texte.size() - 1, g_kopie.texte.back());
}

BUCHUNGSZEILE_T Listenzeile(const JAHRESZEILE_T& z) {
  BUCHUNGSZEILE_T liste;
  liste.DATUM = z.DATUM;
  liste.TEXT.assignBytes(std::string_view(g_kopie.texte[z.TEXTSPEICHER]).substr(z.TEXTSTELLE, z.TEXTLAENGE));
  liste.BETRAG = z.BRUTTO;
  liste.NR = z.NR;
  return liste;
}

// Walk order: date, number and row, each descending (the order of Previous on KEYDATUM).
bool Vorher(const JAHRESZEILE_T& a, const JAHRESZEILE_T& b) {
  if (a.TAG != b.TAG) return a.TAG > b.TAG;
  if (a.NR != b.NR) return a.NR > b.NR;
  return a.ZEILE > b.ZEILE;
}

// A booking read in walk order goes into the lists and sums of the period and the year.
// The bounds are taken once: other threads may change the period while a long walk yields.
struct Aufnahme {
  rt::Day von, bis, anfang, ende;
  int jahr;
  SUMMEN_T summen;
  void operator()(const JAHRESZEILE_T& z) {
    const bool inPeriode = z.TAG >= von && z.TAG <= bis;
    const bool imJahr = z.TAG >= anfang && z.TAG <= ende;
    if (z.ART == 1) {
      if (inPeriode) {
        EINGANGQUEUE.add(Listenzeile(z));
        summen.EINGANGNETTO += z.NETTO;
        summen.EINGANGBRUTTO += z.BRUTTO;
        summen.EINGANGMWST += z.MWST;
      }
      if (imJahr) summen.JEINGANGBRUTTO += z.BRUTTO;
    } else if (z.ART >= 2) {
      if (inPeriode) {
        AUSGANGQUEUE.add(Listenzeile(z));
        if (z.ART == 2) {
          summen.AUSGANGNETTO -= z.NETTO;
          summen.AUSGANGBRUTTO -= z.BRUTTO;
          summen.AUSGANGMWST -= z.MWST;
        }
      }
      if (imJahr && z.ART == 2) summen.JAUSGANGBRUTTO -= z.BRUTTO;
      if (imJahr && z.ART == 3) summen.JUST -= z.BRUTTO;
    }
  }
};

// Reads the year from the file into the copy, filling the lists on the way so that they grow
// while the walk runs.
void JahrLesen(Aufnahme& aufnahme, const std::function<void()>& zwischendurch) {
  using Clock = std::chrono::steady_clock;
  const auto pause = [&zwischendurch] {
    const rt::isam::DataFile::WalkState walk = BUCHUNGDATEI.saveWalk();
    const BUCHUNG_T puffer = BUCHUNG;
    zwischendurch();
    BUCHUNG = puffer;
    BUCHUNGDATEI.restoreWalk(walk);
  };
  g_kopie = Jahreskopie{true, aufnahme.jahr, BUCHUNGDATEI.revision(), {}, {std::string()}};
  if (zwischendurch) zwischendurch();
  auto zuletzt = Clock::now();
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = rt::dateOf(aufnahme.ende + 1);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  while (BUCHUNGDATEI.previous() == 0) {
    if (rt::dayNumber(BUCHUNG.DATUM) < aufnahme.anfang) break;
    ++g_gelesen;
    g_kopie.zeilen.push_back(ZeileAusPuffer());
    aufnahme(g_kopie.zeilen.back());
    if (zwischendurch && g_gelesen % g_taktZeilen == 0 &&
        Clock::now() - zuletzt >= std::chrono::milliseconds(g_taktMs)) {
      pause();
      zuletzt = Clock::now();
    }
  }
}

// The bookings of a year as the parallel read gives them: 0 or the code of the failed read.
struct Jahreszeilen {
  int code = 0;
  rt::UnfilledVector<JAHRESZEILE_T> zeilen;
  std::vector<std::string> texte;  // one store for each reading thread, and one for later rows
};

// Reads the bookings of the year, the order from the date key, then the bookings in stored order on
// several connections at once, which reads each page of the file once instead of hopping between
// them in date order. Leaves the file's state alone, so that it may run on a thread of its own.
Jahreszeilen JahrParallelLesen(int jahr, const std::function<void()>& warten) {
  BUCHUNG_T von{}, bis{};
  von.DATUM = rt::dateOf(rt::yearStart(jahr));
  von.NR = INT32_MIN;
  bis.DATUM = rt::dateOf(rt::yearEnd(jahr));
  bis.NR = INT32_MAX;
  Jahreszeilen gelesen;
  auto& zeilen = gelesen.zeilen;
  auto& texte = gelesen.texte;
  std::vector<std::uint8_t> genommen;
  gelesen.code = BUCHUNGDATEI.readRangeApart(
      BUCHUNG_KEYDATUM, &von, &bis, true,
      [&](std::size_t anzahl, int faeden) {
        // The rows are written where the reading threads put them; the text stores have room for
        // the longest texts, which costs address space only.
        zeilen.resize(anzahl);
        genommen.assign(anzahl, 0);
        texte.assign(static_cast<std::size_t>(faeden) + 1, std::string());
        for (int f = 0; f < faeden; ++f)
          texte[static_cast<std::size_t>(f)].reserve((anzahl / static_cast<std::size_t>(faeden) + 1) *
                                                     BUCHUNGSZEILE_T{}.TEXT.size);
      },
      [&](std::size_t platz, int faden, const void* satz, std::int64_t zeile) {
        const auto f = static_cast<std::size_t>(faden);
        zeilen[platz] = Jahreszeile(*static_cast<const BUCHUNG_T*>(satz), zeile, f, texte[f]);
        genommen[platz] = 1;
      },
      warten);
  // A booking deleted meanwhile left its place untaken; the other changes are caught up afterwards.
  std::size_t n = 0;
  for (std::size_t i = 0; i < zeilen.size(); ++i)
    if (genommen[i]) zeilen[n++] = zeilen[i];
  zeilen.resize(n);
  if (texte.empty()) texte.emplace_back();
  return gelesen;
}

// The year read ahead at start-up, with the file's revision before the read began.
struct Vorlauf {
  int jahr = 0;
  std::uint64_t stand = 0;
  std::future<Jahreszeilen> zeilen;
};
Vorlauf g_vorlauf;

// Reads the year into the copy, or takes it from the read ahead when that is of the same year.
// False, with the copy invalid, when that read failed.
bool JahrEinlesen(const Aufnahme& aufnahme, const std::function<void()>& zwischendurch) {
  using Clock = std::chrono::steady_clock;
  g_kopie = Jahreskopie{};
  if (zwischendurch) zwischendurch();
  Vorlauf vorlauf = std::move(g_vorlauf);
  g_vorlauf = Vorlauf{};
  Jahreszeilen gelesen;
  std::uint64_t stand = 0;
  if (vorlauf.zeilen.valid() && vorlauf.jahr == aufnahme.jahr) {
    stand = vorlauf.stand;
    while (vorlauf.zeilen.wait_for(std::chrono::milliseconds(g_taktMs)) != std::future_status::ready)
      if (zwischendurch) zwischendurch();
    gelesen = vorlauf.zeilen.get();
  } else {
    if (vorlauf.zeilen.valid()) vorlauf.zeilen.wait();
    stand = BUCHUNGDATEI.revision();
    auto zuletzt = Clock::now();
    gelesen = JahrParallelLesen(aufnahme.jahr, [&] {
      if (!zwischendurch || Clock::now() - zuletzt < std::chrono::milliseconds(g_taktMs)) return;
      zwischendurch();
      zuletzt = Clock::now();
    });
  }
  if (gelesen.code != 0) return false;
  g_gelesen += static_cast<long>(gelesen.zeilen.size());
  g_kopie = Jahreskopie{true, aufnahme.jahr, stand, std::move(gelesen.zeilen), std::move(gelesen.texte)};
  return true;
}

// Brings the copy up to the file by reading only the rows changed since; false when they are not
// known.
bool KopieNachfuehren(const Aufnahme& aufnahme) {
  std::vector<std::int64_t> geaendert;
  if (!g_kopie.gueltig || g_kopie.jahr != aufnahme.jahr ||
      !BUCHUNGDATEI.changedRows(g_kopie.stand, &geaendert))
    return false;
  g_kopie.stand = BUCHUNGDATEI.revision();
  auto& zeilen = g_kopie.zeilen;
  // Every changed row leaves first, so that each comes back into rows that are in order.
  std::sort(geaendert.begin(), geaendert.end());
  geaendert.erase(std::unique(geaendert.begin(), geaendert.end()), geaendert.end());
  std::erase_if(zeilen, [&geaendert](const JAHRESZEILE_T& z) {
    return std::binary_search(geaendert.begin(), geaendert.end(), z.ZEILE);
  });
  for (const std::int64_t zeile : geaendert) {
    if (BUCHUNGDATEI.getRow(zeile) != 0) continue;  // deleted or parked
    ++g_gelesen;
    const JAHRESZEILE_T neu = ZeileAusPuffer();
    if (neu.TAG < aufnahme.anfang || neu.TAG > aufnahme.ende) continue;
    zeilen.insert(std::lower_bound(zeilen.begin(), zeilen.end(), neu, Vorher), neu);
  }
  return true;
}

// Fills the lists and sums from the copy in walk order, pausing as the walk over the file does.
// After a pause the copy catches up with what other threads changed meanwhile, and the lists go on
// after the booking listed last: a booking stored ahead of it is listed, none twice.
void ListenAusKopie(Aufnahme& aufnahme, const std::function<void()>& zwischendurch) {
  using Clock = std::chrono::steady_clock;
  auto zuletzt = Clock::now();
  long seitPause = 0;
  for (std::size_t i = 0; i < g_kopie.zeilen.size();) {
    const JAHRESZEILE_T& z = g_kopie.zeilen[i++];
    aufnahme(z);
    if (!zwischendurch || ++seitPause < g_taktZeilen || Clock::now() - zuletzt < std::chrono::milliseconds(g_taktMs))
      continue;
    const JAHRESZEILE_T gelistet = z;
    zwischendurch();
    zuletzt = Clock::now();
    seitPause = 0;
    if (!KopieNachfuehren(aufnahme)) {
      g_kopie.gueltig = false;  // the next refill reads the year again
      continue;
    }
    i = static_cast<std::size_t>(
        std::upper_bound(g_kopie.zeilen.begin(), g_kopie.zeilen.end(), gelistet, Vorher) - g_kopie.zeilen.begin());
  }
}

}  // namespace

void ListenNeuBerechnen(const std::function<void()>& zwischendurch) {
  EINGANGQUEUE.clear();
  AUSGANGQUEUE.clear();
  SUMMEN = SUMMEN_T{};
  JahresgrenzenSetzen();
  g_gelesen = 0;
  Aufnahme aufnahme{rt::dayNumber(PARA.VONSUMMENDATUM), rt::dayNumber(PARA.BISSUMMENDATUM), JAHRESANFANG,
                    JAHRESENDE, PARA.VONSUMMENDATUM.year, {}};
  if (KopieNachfuehren(aufnahme)) {
    for (const JAHRESZEILE_T& z : g_kopie.zeilen) aufnahme(z);
  } else if (JahrEinlesen(aufnahme, zwischendurch) && KopieNachfuehren(aufnahme)) {
    ListenAusKopie(aufnahme, zwischendurch);
  } else {
    JahrLesen(aufnahme, zwischendurch);
  }
  SUMMEN = aufnahme.summen;
}

void JahrVorauslesen() {
  JahrVorauslesenVerwerfen();
  if (!BUCHUNGDATEI.isOpen()) return;
  const int jahr = PARA.VONSUMMENDATUM.year;
  g_vorlauf.jahr = jahr;
  g_vorlauf.stand = BUCHUNGDATEI.revision();
  g_vorlauf.zeilen = std::async(std::launch::async, [jahr] { return JahrParallelLesen(jahr, {}); });
}

void JahrVorauslesenVerwerfen() {
  if (g_vorlauf.zeilen.valid()) g_vorlauf.zeilen.wait();
  g_vorlauf = Vorlauf{};
}

long ListenNeuGelesen() { return g_gelesen; }

void ListenNeuTakt(int zeilen, int ms) {
  g_taktZeilen = zeilen > 0 ? zeilen : 256;
  g_taktMs = ms;
}

const rt::UnfilledVector<JAHRESZEILE_T>& JahresKopie() { return g_kopie.zeilen; }

BUCHUNGSZEILE_T JahresListenzeile(const JAHRESZEILE_T& zeile) { return Listenzeile(zeile); }

bool SuchbereichGueltig() {
  const rt::Day von = rt::dayNumber(BUCHUNGSUCHENVON);
  const rt::Day bis = rt::dayNumber(BUCHUNGSUCHENBIS);
  return von != 0 && bis != 0 && von <= bis;
}

namespace {

// GrossMitUmlauten on the Windows-1252 bytes of a text, which the records hold: the same letters.
std::string GrossBytes(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') c = static_cast<char>(u - 32);
    else if (u == 0xE4 || u == 0xF6 || u == 0xFC) c = static_cast<char>(u - 0x20);  // ä ö ü
  }
  return out;
}

}  // namespace

void SuchergebnisFuellen() {
  SUCHQUEUE.clear();
  const std::string stueck = GrossBytes(BUCHUNGSUCHENTEXT.bytes());
  const rt::Day bis = rt::dayNumber(BUCHUNGSUCHENBIS);
  g_gelesen = 0;
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = BUCHUNGSUCHENVON;
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  while (BUCHUNGDATEI.next() == 0) {
    if (rt::dayNumber(BUCHUNG.DATUM) > bis) break;
    ++g_gelesen;
    if (stueck.empty()) continue;  // an empty fragment occurs nowhere
    if (GrossBytes(BUCHUNG.TEXT[0].bytes()).find(stueck) != std::string::npos ||
        GrossBytes(BUCHUNG.TEXT[1].bytes()).find(stueck) != std::string::npos)
      SUCHQUEUE.add(BuchungsZeile(BUCHUNG));
  }
}

long SuchergebnisGelesen() { return g_gelesen; }

void SuchbereichVorbelegen() {
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = {};
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  if (BUCHUNGDATEI.next() == 0) BUCHUNGSUCHENVON = BUCHUNG.DATUM;
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = rt::dateOf(rt::kLatestDay);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  if (BUCHUNGDATEI.previous() == 0) BUCHUNGSUCHENBIS = BUCHUNG.DATUM;
}

QString GrossMitUmlauten(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z') c = QChar(u - 32);
    else if (u == u'ä') c = QChar(u'Ä');
    else if (u == u'ö') c = QChar(u'Ö');
    else if (u == u'ü') c = QChar(u'Ü');
  }
  return out;
}
