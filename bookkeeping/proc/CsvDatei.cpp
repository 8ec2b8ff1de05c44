#include "bookkeeping/proc/CsvDatei.h"

#include "platform/Files.h"
#include "runtime/window/Threads.h"

#include <array>
#include <map>
#include <string>

namespace {

struct Schreiber {
  char trennzeichen = ' ';
  platform::ReplacementFile datei;
};

// The writers by logical thread.
std::map<int, Schreiber>& alleSchreiber() {
  static std::map<int, Schreiber> schreiber;
  return schreiber;
}

Schreiber& meinSchreiber() { return alleSchreiber()[rt::win::currentThread()]; }

std::string_view ohneEndBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The bytes that pass the filter: 20h..7Fh, and outside that ÄÖÜéßäöü² and the control bytes 0Bh, 0Ch.
constexpr std::array<bool, 256> kDurchlass = [] {
  std::array<bool, 256> t{};
  for (int c = 0x20; c <= 0x7F; ++c) t[c] = true;
  for (const int c : {0xC4, 0xD6, 0xDC, 0xE9, 0xDF, 0xE4, 0xF6, 0xFC, 0xB2, 0x0B, 0x0C}) t[c] = true;
  return t;
}();

}  // namespace

std::uint8_t CsvDateiOeffnen(const QString& dateiname, std::string_view trennzeichen, std::int16_t& fehler) {
  Schreiber& s = meinSchreiber();
  s.trennzeichen = trennzeichen.empty() ? ' ' : trennzeichen.front();
  if (s.trennzeichen == ' ') s.trennzeichen = ';';
  QString name = dateiname;
  while (name.endsWith(' ')) name.chop(1);
  platform::deleteLeftoversBeside(name);
  fehler = static_cast<std::int16_t>(s.datei.create(name));
  return fehler == 0 ? 1 : 0;
}

char* CsvFeldAnfuegen(char* ziel, std::string_view wert, char trennzeichen, std::uint8_t anfuehrung,
                      std::uint8_t zeilenende) {
  wert = ohneEndBlanks(wert);
  if (anfuehrung) *ziel++ = '"';
  for (const char z : wert) {
    const bool blank = z == trennzeichen || (anfuehrung && z == '"') || !kDurchlass[static_cast<unsigned char>(z)];
    *ziel++ = blank ? ' ' : z;
  }
  if (anfuehrung) *ziel++ = '"';
  if (zeilenende) {
    *ziel++ = '\r';
    *ziel++ = '\n';
  } else {
    *ziel++ = trennzeichen;
  }
  return ziel;
}

void CsvFeldAnfuegen(std::string& ziel, std::string_view wert, char trennzeichen, std::uint8_t anfuehrung,
                     std::uint8_t zeilenende) {
  const std::size_t anfang = ziel.size();
  ziel.resize(anfang + wert.size() + 4);
  char* const ende = CsvFeldAnfuegen(ziel.data() + anfang, wert, trennzeichen, anfuehrung, zeilenende);
  ziel.resize(static_cast<std::size_t>(ende - ziel.data()));
}

void CsvFeldSchreiben(std::string_view wert, std::uint8_t anfuehrung, std::uint8_t zeilenende) {
  Schreiber& s = meinSchreiber();
  if (!s.datei.isOpen()) return;
  static std::string feld;  // one buffer for every field, so that a field costs no allocation
  feld.clear();
  CsvFeldAnfuegen(feld, wert, s.trennzeichen, anfuehrung, zeilenende);
  s.datei.append(feld);
}

char CsvTrennzeichen() { return meinSchreiber().trennzeichen; }

void CsvTextSchreiben(std::string_view text) {
  Schreiber& s = meinSchreiber();
  if (s.datei.isOpen()) s.datei.append(ohneEndBlanks(text));
}

std::int16_t CsvDateiSchliessen() { return static_cast<std::int16_t>(meinSchreiber().datei.commit()); }

void CsvDateiFreigeben() { alleSchreiber().erase(rt::win::currentThread()); }
