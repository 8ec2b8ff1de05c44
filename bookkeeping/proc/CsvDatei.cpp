#include "bookkeeping/proc/CsvDatei.h"

#include "platform/Files.h"
#include "runtime/window/Threads.h"

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

// The bytes outside 20h..7Fh that pass the filter: ÄÖÜéßäöü² and the two control bytes 0Bh, 0Ch.
bool sonderzeichen(unsigned char c) {
  switch (c) {
    case 0xC4: case 0xD6: case 0xDC: case 0xE9: case 0xDF: case 0xE4: case 0xF6: case 0xFC: case 0xB2:
    case 0x0B: case 0x0C:
      return true;
    default:
      return false;
  }
}

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

void CsvFeldAnfuegen(std::string& ziel, std::string_view wert, char trennzeichen, std::uint8_t anfuehrung,
                     std::uint8_t zeilenende) {
  wert = ohneEndBlanks(wert);
  if (anfuehrung) ziel += '"';
  for (const char z : wert) {
    const auto c = static_cast<unsigned char>(z == trennzeichen ? ' ' : z);
    const bool passt = c >= 0x20 && c <= 0x7F && !(anfuehrung && c == '"');
    ziel += passt || sonderzeichen(c) ? static_cast<char>(c) : ' ';
  }
  if (anfuehrung) ziel += '"';
  if (zeilenende)
    ziel += "\r\n";
  else
    ziel += trennzeichen;
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
