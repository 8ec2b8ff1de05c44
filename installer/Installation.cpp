#include "installer/Installation.h"

#include "installer/Anhang.h"
#include "installer/Nachricht.h"
#include "installer/Skript.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "runtime/window/Window.h"

#include <QFile>

#include <algorithm>
#include <vector>

QString ZIELORDNER;
QString DATENPFAD;
rt::String<50> UEBERSCHRIFT;
rt::String<40> STATUSTEXT;
std::int16_t FORTSCHRITT = 0;
rt::String<80> ORDNERHINWEIS;
std::uint8_t ORDNEROK = 0;
std::uint8_t NEUINSTALLATION = 0;
std::int16_t BLOECKE = 0;
QString ARBEITSPFAD;

namespace {

using platform::Hive;

const char* const kDeinstallationsSchluessel = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavik";
const char* const kShellFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
// The program's icon, which its launchers show, lies beside it.
const char* const kSymbol = "Tavik.png";
constexpr int kSkriptLaenge = 1400;
constexpr int kSkriptFest = 1114;
constexpr int kBefehlLaenge = 189;

QString ohneEndblanks(QString s) {
  while (s.endsWith(' ')) s.chop(1);
  return s;
}

QString ohneTrenner(QString ordner) {
  if (ordner.endsWith(platform::separator())) ordner.chop(1);
  return ordner;
}

QString inAnfuehrung(const QString& s) { return "\"" + s + "\""; }

// Enters the folder, creating it (one level) when it cannot be entered.
bool OrdnerAnlegen(const QString& ordner) {
  if (platform::setCurrentFolder(ordner) == platform::FileOk) return true;
  return platform::makeFolder(ordner) == platform::FileOk;
}

// Writes `daten` into a new file of that name; the failure as the user reads it, or "".
QString DateiSchreiben(const QString& name, const QByteArray& daten) {
  std::int32_t handle = 0;
  if (!DateiErzeugen(name, handle)) return "Die Datei " + inAnfuehrung(name) + " kann nicht angelegt werden.";
  const bool geschrieben = platform::writeFile(handle, daten.constData(), daten.size()) == daten.size();
  if (platform::closeFile(handle) != platform::FileOk || !geschrieben)
    return "Die Datei " + inAnfuehrung(name) + " kann nicht geschrieben werden.";
  return {};
}

// Copies slot `i` block by block; the failure as the user reads it, or "".
QString SlotKopieren(int i, std::int64_t summe, const Rueckmeldung& r) {
  ARBEITSPFAD = ZIELORDNER + INSTDATEI[i].clip();
  const QString kaputt = "Die Installationsdatei kann nicht gelesen werden (evtl. Datenträger beschädigt).";
  std::int32_t ziel = 0;
  if (!DateiErzeugen(ARBEITSPFAD, ziel)) return "Die Datei " + inAnfuehrung(ARBEITSPFAD) + " kann nicht angelegt werden.";
  QString fehler;
  const std::int64_t ende = std::int64_t(ANHANG.START[i]) + ANHANG.LAENGE[i];
  for (std::int64_t versatz = ANHANG.START[i]; versatz < ende && fehler.isEmpty(); versatz += kBlock) {
    const std::int64_t soll = std::min<std::int64_t>(kBlock, ende - versatz);
    if (platform::readFileAt(EIGENERHANDLE, versatz, BLOCKPUFFER, soll) != soll)
      fehler = kaputt;
    else if (platform::writeFile(ziel, BLOCKPUFFER, soll) != soll)
      fehler = "Die Datei " + inAnfuehrung(ARBEITSPFAD) + " kann nicht geschrieben werden.";
    ++BLOECKE;
    FORTSCHRITT = static_cast<std::int16_t>(std::int32_t(BLOECKE) * 51200 / summe);
    r.fortschritt();
  }
  if (platform::closeFile(ziel) != platform::FileOk && fehler.isEmpty())
    fehler = "Die Datei " + inAnfuehrung(ARBEITSPFAD) + " kann nicht geschrieben werden.";
  return fehler;
}

// Whether the installed file of slot `i` holds the stored bytes.
bool SlotVollstaendig(int i) {
  QFile f(ZIELORDNER + INSTDATEI[i].clip());
  if (!f.open(QIODevice::ReadOnly) || f.size() != ANHANG.LAENGE[i]) return false;
  char gelesen[kBlock];
  for (std::int64_t pos = 0; pos < ANHANG.LAENGE[i]; pos += kBlock) {
    const std::int64_t n = std::min<std::int64_t>(kBlock, ANHANG.LAENGE[i] - pos);
    if (platform::readFileAt(EIGENERHANDLE, ANHANG.START[i] + pos, BLOCKPUFFER, n) != n) return false;
    if (f.read(gelesen, n) != n || std::memcmp(gelesen, BLOCKPUFFER, size_t(n)) != 0) return false;
  }
  return true;
}

QString Kopieren(const Rueckmeldung& r) {
  std::int64_t summe = 0;
  for (std::int32_t l : ANHANG.LAENGE) summe += l;
  if (summe <= 0) summe = 1;
  BLOECKE = 0;
  for (int i = 0; i < kSlots; ++i) {
    if (ANHANG.START[i] == 0) continue;
    if (QString f = SlotKopieren(i, summe, r); !f.isEmpty()) return f;
  }
  for (int i = 0; i < kSlots; ++i)
    if (ANHANG.START[i] != 0 && !SlotVollstaendig(i))
      return "Die Datei " + inAnfuehrung(ZIELORDNER + INSTDATEI[i].clip()) + " ist nicht vollständig installiert.";
  if (platform::makeExecutable(ZIELORDNER + Programmdatei()) != platform::FileOk)
    return "Die Datei " + inAnfuehrung(ZIELORDNER + Programmdatei()) + " kann nicht als Programm markiert werden.";
  QFile symbol(":/tavik/Tavik.png");
  symbol.open(QIODevice::ReadOnly);
  return DateiSchreiben(ZIELORDNER + kSymbol, symbol.readAll());
}

QString EintragSchreiben() {
  platform::RegistryKey key;
  const QString d = DATENPFAD.isEmpty() ? ZIELORDNER : DATENPFAD;
  const bool ok = platform::createKey(Hive::LocalMachine, kDeinstallationsSchluessel, &key) == platform::RegistryOk &&
                  platform::setValue(key, "DisplayName", "Tavik") == platform::RegistryOk &&
                  platform::setValue(key, "UnInstallString", DeinstallationsBefehl(ZIELORDNER, d)) == platform::RegistryOk;
  platform::closeKey(&key);
  return ok ? QString() : "Der Deinstallationseintrag kann nicht gespeichert werden.";
}

}  // namespace

QString Programmdatei() { return "Tavik" + platform::programExtension(); }

bool AdministratorPruefen() {
  ARBEITSPFAD = platform::windowsFolder().left(119) + platform::separator() + "SYSTEM32" +
                platform::separator() + "Test.sys";
  std::int32_t handle = 0;
  if (DateiErzeugen(ARBEITSPFAD, handle)) {
    platform::closeFile(handle);
    platform::deleteFile(ARBEITSPFAD);
    return true;
  }
  return LetzterFehler() == platform::FilePathNotFound;
}

QString AdministratorText() { return "Installation muss mit Administratorrechten ausgeführt werden!"; }

void ZielordnerVorschlagen() {
  const QString sep = platform::separator();
  ZIELORDNER = platform::readValue(Hive::LocalMachine, kCurrentVersion, "ProgramFilesDir", 190) + sep + ANHANG.NAME.clip() + sep;
  ORDNERHINWEIS = "Dieses Programm installiert Tavik in den Ordner:";
}

QString Datenordner() {
  const QString basis = platform::readValue(Hive::LocalMachine, kShellFolders, "Common AppData", 190);
  if (basis.isEmpty()) return {};
  const QString sep = platform::separator();
  return basis + sep + "Dolmix" + sep + ANHANG.NAME.clip();
}

QString DeinstallationsBefehl(const QString& programmordner, const QString& datenordner) {
  return ohneEndblanks(programmordner) + Programmdatei() + " /UnInstall Path1=" + ohneEndblanks(programmordner) +
         " Path2=" + ohneEndblanks(datenordner);
}

QString OrdnerFehler(const QString& programmordner) {
  const QString p = ohneEndblanks(programmordner);
  if (platform::isRootFolder(p)) return "Installations-Ordner darf nicht das Grundverzeichnis sein!";
  const QString d = Datenordner();
  // The longest file name in the folder, the uninstall entry and the shortcut script must hold it.
  const int laengster = std::max<int>(INSTDATEI[2].clip().size(), QString("Shortcut.vbs").size());
  const int frei = DeinstallationsBefehl("", "").size();
  const int grenze = std::min({kArbeitspfadLaenge - laengster,
                               int(kBefehlLaenge - frei - (d.isEmpty() ? 0 : d.size())) / (d.isEmpty() ? 3 : 2),
                               int(kSkriptLaenge - kSkriptFest - d.size()) / 6});
  if (grenze < 4) return "Der Daten-Ordner " + inAnfuehrung(d) + " ist zu lang für eine Installation.";
  if (p.size() > grenze)
    return "Der Installations-Ordner darf höchstens " + QString::number(grenze) + " Zeichen lang sein!";
  return {};
}

bool Installation(const Rueckmeldung& r) {
  if (const QString f = OrdnerFehler(ZIELORDNER); !f.isEmpty()) {
    r.meldung(f);
    return false;
  }
  ORDNEROK = 1;
  if (!OrdnerAnlegen(ZIELORDNER)) {
    r.meldung("Der Ordner " + inAnfuehrung(ohneTrenner(ZIELORDNER)) + " kann nicht angelegt werden.");
    ORDNEROK = 0;
  }
  DATENPFAD.clear();
  const QString basis = platform::readValue(Hive::LocalMachine, kShellFolders, "Common AppData", 190);
  if (!basis.isEmpty()) {
    for (const QString& teil : {QString("Dolmix"), ANHANG.NAME.clip()}) {
      DATENPFAD = (DATENPFAD.isEmpty() ? basis : DATENPFAD) + platform::separator() + teil;
      if (!OrdnerAnlegen(DATENPFAD)) {
        r.meldung("Der Daten-Ordner " + inAnfuehrung(DATENPFAD) + " kann nicht angelegt werden.");
        ORDNEROK = 0;
      }
    }
  }
  if (!ORDNEROK) return false;

  FORTSCHRITT = 0;
  STATUSTEXT = "Installationsverlauf";
  r.kopierBeginn();

  NEUINSTALLATION = DateiVorhanden(ZIELORDNER + Programmdatei()) ? 0 : 1;
  ARBEITSPFAD = ZIELORDNER + Programmdatei();
  std::int32_t handle = 0;
  if (!DateiErzeugen(ARBEITSPFAD, handle)) {
    r.meldung("Alle Anwender müssen Tavik beenden!");
    return false;
  }
  platform::closeFile(handle);

  rt::win::setWaitCursor(true);
  const QString kopierFehler = Kopieren(r);
  platform::setCurrentFolder(ZIELORDNER);
  rt::win::setWaitCursor(false);
  if (!kopierFehler.isEmpty()) {
    r.meldung(kopierFehler);
    return false;
  }

  if (NEUINSTALLATION) {
    VerknuepfungenAnlegen(ZIELORDNER, DATENPFAD);
    if (!DATENPFAD.isEmpty()) platform::setCurrentFolder(DATENPFAD);
    const QString marke = platform::currentFolder() + platform::separator() + "Start.inf";
    if (const QString f = DateiSchreiben(marke, {}); !f.isEmpty()) {
      r.meldung(f);
      return false;
    }
    platform::setCurrentFolder(ZIELORDNER);
  }
  if (const QString f = EintragSchreiben(); !f.isEmpty()) {
    r.meldung(f);
    return false;
  }
  return true;
}

void ProgrammStarten() {
  platform::closeFile(EIGENERHANDLE);
  EIGENERHANDLE = 0;
  platform::setCurrentFolder(ZIELORDNER);
  platform::startProgram(Programmdatei(), {}, ZIELORDNER);
}
