#include "bookkeeping/booking/UebersichtLogik.h"

#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"

#include <algorithm>
#include <chrono>
#include <climits>

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
  std::vector<JAHRESZEILE_T> zeilen;
};
Jahreskopie g_kopie;
long g_gelesen = 0;
int g_taktZeilen = 256;
int g_taktMs = 50;

JAHRESZEILE_T ZeileAusPuffer() {
  return JAHRESZEILE_T{BUCHUNGDATEI.currentRow(), rt::dayNumber(BUCHUNG.DATUM), BUCHUNG.NR, BUCHUNG.ART,
                       BUCHUNG.BRUTTO, BUCHUNG.NETTO, BUCHUNG.MWST, BuchungsZeile(BUCHUNG)};
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
        EINGANGQUEUE.add(z.LISTENZEILE);
        summen.EINGANGNETTO += z.NETTO;
        summen.EINGANGBRUTTO += z.BRUTTO;
        summen.EINGANGMWST += z.MWST;
      }
      if (imJahr) summen.JEINGANGBRUTTO += z.BRUTTO;
    } else if (z.ART >= 2) {
      if (inPeriode) {
        AUSGANGQUEUE.add(z.LISTENZEILE);
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
  g_kopie = Jahreskopie{true, aufnahme.jahr, BUCHUNGDATEI.revision(), {}};
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

// Reads the year into the copy: the order from the date key, then the bookings in stored order on
// several connections at once, which reads each page of the file once instead of hopping between
// them in date order. False, with the copy invalid, when that read failed.
bool JahrEinlesen(const Aufnahme& aufnahme, const std::function<void()>& zwischendurch) {
  using Clock = std::chrono::steady_clock;
  g_kopie = Jahreskopie{};
  BUCHUNG_T von{}, bis{};
  von.DATUM = rt::dateOf(aufnahme.anfang);
  von.NR = INT32_MIN;
  bis.DATUM = rt::dateOf(aufnahme.ende);
  bis.NR = INT32_MAX;
  const std::uint64_t stand = BUCHUNGDATEI.revision();
  std::vector<JAHRESZEILE_T> zeilen;
  if (zwischendurch) zwischendurch();
  auto zuletzt = Clock::now();
  const int code = BUCHUNGDATEI.readRange(
      BUCHUNG_KEYDATUM, &von, &bis, true, [&zeilen](std::size_t anzahl) { zeilen.resize(anzahl); },
      [&zeilen](std::size_t platz, const void* satz, std::int64_t zeile) {
        const auto& b = *static_cast<const BUCHUNG_T*>(satz);
        zeilen[platz] = JAHRESZEILE_T{zeile, rt::dayNumber(b.DATUM), b.NR, b.ART, b.BRUTTO, b.NETTO, b.MWST,
                                      BuchungsZeile(b)};
      },
      [&] {
        if (!zwischendurch || Clock::now() - zuletzt < std::chrono::milliseconds(g_taktMs)) return;
        zwischendurch();
        zuletzt = Clock::now();
      });
  if (code != 0) return false;
  // A booking deleted meanwhile left its place empty; the other changes are caught up below.
  std::erase_if(zeilen, [](const JAHRESZEILE_T& z) { return z.ZEILE == 0; });
  g_gelesen += static_cast<long>(zeilen.size());
  g_kopie = Jahreskopie{true, aufnahme.jahr, stand, std::move(zeilen)};
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

long ListenNeuGelesen() { return g_gelesen; }

void ListenNeuTakt(int zeilen, int ms) {
  g_taktZeilen = zeilen > 0 ? zeilen : 256;
  g_taktMs = ms;
}

const std::vector<JAHRESZEILE_T>& JahresKopie() { return g_kopie.zeilen; }

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
