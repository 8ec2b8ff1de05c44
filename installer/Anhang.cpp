#include "installer/Anhang.h"

#include "installer/Nachricht.h"
#include "platform/CommandLine.h"
#include "platform/FileHandle.h"
#include "platform/FileSteps.h"

#include <algorithm>
#include <vector>

QString EIGENEDATEI;
std::int32_t EIGENEGROESSE = 0;
std::int32_t EIGENERHANDLE = 0;
ANHANG_T ANHANG;
std::int32_t FEHLERCODE = 0;
std::int32_t ZUGRIFFSZAEHLER = 0;
rt::String<15> INSTDATEI[kSlots];
char BLOCKPUFFER[kBlock];

namespace {

int g_letzterFehler = 0;
char g_nameImAnhang[10];  // the name field as the file holds it

QString ohneEndblanks(QString s) {
  while (s.endsWith(' ')) s.chop(1);
  return s;
}

std::int32_t langAus(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                   std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
}

}  // namespace

void InstDateienSetzen() {
  for (auto& n : INSTDATEI) n.clear();
  INSTDATEI[0] = "Tavik" + platform::programExtension();
  INSTDATEI[2] = "UnInst.int";
  INSTDATEI[3] = "Tavik.pdf";
}

std::uint8_t DateiErzeugen(const QString& name, std::int32_t& handle) {
  g_letzterFehler = platform::createFile(ohneEndblanks(name).left(249), &handle);
  return handle > 0 ? 1 : 0;
}

std::uint8_t DateiOeffnenLesen(const QString& name, std::int32_t& handle) {
  g_letzterFehler = platform::openFileForReading(ohneEndblanks(name).left(249), &handle);
  return handle > 0 ? 1 : 0;
}

std::int32_t DateiGroesse(const QString& name) {
  const std::int64_t size = platform::entrySize(ohneEndblanks(name).left(255));
  return size < 0 ? -1 : static_cast<std::int32_t>(static_cast<std::uint32_t>(size));
}

std::uint8_t DateiVorhanden(const QString& name) {
  return platform::entryExists(ohneEndblanks(name).left(255)) ? 1 : 0;
}

int LetzterFehler() { return g_letzterFehler; }

QString EigeneDateiAusKommandozeile(const QString& kommandozeile, const QString& endung) {
  QString name = kommandozeile;
  if (name.startsWith('"')) {
    name = ohneEndblanks(name.mid(1));
    name.chop(1);  // the closing quote
  }
  name = ohneEndblanks(name);
  if (name.size() < 4 || name[name.size() - 4] != '.') name += endung;
  return ohneEndblanks(name);
}

void EigeneDateiFinden() {
  EIGENEDATEI = EigeneDateiAusKommandozeile(platform::ownCommandLine(), platform::programExtension());
}

bool DateiOeffnenUndAnhangLesen() {
  EIGENEGROESSE = DateiGroesse(EIGENEDATEI);
  if (!DateiOeffnenLesen(EIGENEDATEI, EIGENERHANDLE)) {
    FEHLERCODE = LetzterFehler();
    return false;
  }
  char name[10];
  std::fill(std::begin(name), std::end(name), ' ');
  platform::readFileAt(EIGENERHANDLE, std::int64_t(EIGENEGROESSE) - 51, name, 10);
  std::copy(std::begin(name), std::end(name), std::begin(g_nameImAnhang));
  ANHANG.NAME.assignBytes(std::string_view(name, 10));
  if (ANHANG.NAME.isBlank()) ANHANG.NAME = "Tavik";
  char felder[40] = {};
  platform::readFileAt(EIGENERHANDLE, std::int64_t(EIGENEGROESSE) - 41, felder, 40);
  for (int i = 0; i < kSlots; ++i) {
    ANHANG.START[i] = langAus(felder + 4 * i);
    ANHANG.LAENGE[i] = langAus(felder + 20 + 4 * i);
  }
  return true;
}

bool AnhangGueltig() {
  if (EIGENEGROESSE < kAnhangGroesse || platform::entrySize(EIGENEDATEI) != EIGENEGROESSE) return false;
  std::string_view name(g_nameImAnhang, 10);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  if (!name.empty() && !platform::isPlainName(rt::fromCp1252(name))) return false;

  const std::int64_t anhang = std::int64_t(EIGENEGROESSE) - kAnhangGroesse;
  if (ANHANG.START[0] <= 0) return false;
  std::vector<std::pair<std::int64_t, std::int64_t>> belegt;
  std::int64_t bloecke = 0;
  for (int i = 0; i < kSlots; ++i) {
    if (ANHANG.START[i] == 0) continue;
    const std::int64_t start = ANHANG.START[i], laenge = ANHANG.LAENGE[i];
    if (INSTDATEI[i].isBlank() || laenge < 0 || start < ANHANG.START[0] || start + laenge > anhang) return false;
    belegt.emplace_back(start, start + laenge);
    bloecke += (laenge + kBlock - 1) / kBlock;
  }
  std::sort(belegt.begin(), belegt.end());
  for (std::size_t i = 1; i < belegt.size(); ++i)
    if (belegt[i].first < belegt[i - 1].second) return false;
  return bloecke < 32768;
}

QString AnhangFehlerText() {
  return "Die Installationsdatei kann nicht gelesen werden (evtl. Datenträger beschädigt).";
}

bool LesbarkeitPruefen(const std::function<void(int prozent)>& melden) {
  const std::int64_t s = ANHANG.START[0];
  const std::int64_t bereich = std::int64_t(EIGENEGROESSE) - s;
  for (std::int64_t versatz = s; versatz < EIGENEGROESSE; versatz += kBlock) {
    if (platform::readFileAt(EIGENERHANDLE, versatz, BLOCKPUFFER, kBlock) <= 0) {
      ++ZUGRIFFSZAEHLER;
      FEHLERCODE = 999;
      return false;
    }
    melden(static_cast<int>((versatz - s) * 100 / bereich));
  }
  return true;
}

QString ZugriffsFehlerText() {
  return "Auf die Installationsdatei ist kein Zugriff möglich (evtl. Datenträger beschädigt).";
}

QString ZugriffsFehlerTitel() {
  return "(Zugriffscode " + QString::number(ZUGRIFFSZAEHLER) + "-" + QString::number(FEHLERCODE) + ")";
}

void ZugriffsFehler() { Nachricht(ZugriffsFehlerText(), ZugriffsFehlerTitel()); }
