#include "installer/Installation.h"

#include "installer/Anhang.h"
#include "installer/Nachricht.h"
#include "installer/Skript.h"
#include "platform/FileHandle.h"
#include "platform/FileSteps.h"
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
// A file written beside its place takes the name of its place and this much more while it is written.
constexpr int kNebenname = 24;

// Folder values are read whole: a folder name holds as much as the file system takes.
int Wertgroesse() { return platform::longestPath(platform::separator()) + 1; }

QString ohneEndblanks(QString s) {
  while (s.endsWith(' ')) s.chop(1);
  return s;
}

QString ohneTrenner(QString ordner) {
  if (ordner.endsWith(platform::separator())) ordner.chop(1);
  return ordner;
}

QString inAnfuehrung(const QString& s) { return "\"" + s + "\""; }

QString NichtAngelegt(const QString& name) { return "Die Datei " + inAnfuehrung(name) + " kann nicht angelegt werden."; }
QString NichtGeschrieben(const QString& name) {
  return "Die Datei " + inAnfuehrung(name) + " kann nicht geschrieben werden.";
}

// Enters the folder, creating it (one level) when it cannot be entered.
bool OrdnerAnlegen(const QString& ordner) {
  if (platform::setCurrentFolder(ordner) == platform::FileOk) return true;
  return platform::makeFolder(ordner) == platform::FileOk;
}

// The names of the files that an installation writes into the program folder.
QStringList Programmdateien() {
  QStringList namen;
  for (int i = 0; i < kSlots; ++i)
    if (ANHANG.START[i] != 0) namen << INSTDATEI[i].clip();
  return namen << kSymbol;
}

// The record of what this installation writes, in the program folder and in the data folder, made
// before the first file is written.
QString ListenSchreiben() {
  const QString p = ohneTrenner(ZIELORDNER);
  const QString d = DATENPFAD.isEmpty() ? p : DATENPFAD;
  const platform::InstallRecord programm{p, d, Programmdateien()};
  if (platform::writeInstallRecord(p, programm) != platform::FileOk)
    return NichtGeschrieben(ZIELORDNER + platform::installRecordName());
  if (d != p && platform::writeInstallRecord(d, {p, d, {}}) != platform::FileOk)
    return NichtGeschrieben(d + platform::separator() + platform::installRecordName());
  return {};
}

// Copies slot `i` block by block into its new file beside its place; the failure as the user reads
// it, or "".
QString SlotKopieren(int i, std::int64_t summe, platform::ReplacementFile& ziel, const Rueckmeldung& r) {
  ARBEITSPFAD = ZIELORDNER + INSTDATEI[i].clip();
  platform::deleteLeftoversBeside(ARBEITSPFAD);
  if (ziel.create(ARBEITSPFAD) != platform::FileOk) return NichtAngelegt(ARBEITSPFAD);
  if (i == 0 && ziel.markAsProgram() != platform::FileOk)
    return "Die Datei " + inAnfuehrung(ARBEITSPFAD) + " kann nicht als Programm markiert werden.";
  const std::int64_t ende = std::int64_t(ANHANG.START[i]) + ANHANG.LAENGE[i];
  for (std::int64_t versatz = ANHANG.START[i]; versatz < ende; versatz += kBlock) {
    const std::int64_t soll = std::min<std::int64_t>(kBlock, ende - versatz);
    if (platform::readFileAt(EIGENERHANDLE, versatz, BLOCKPUFFER, soll) != soll) return AnhangFehlerText();
    ziel.append(std::string_view(BLOCKPUFFER, size_t(soll)));
    ++BLOECKE;
    FORTSCHRITT = static_cast<std::int16_t>(std::int32_t(BLOECKE) * 51200 / summe);
    r.fortschritt();
  }
  return {};
}

// Every stored file is written whole beside its place first; only when all of them are whole do they
// take their places, so that a failed or killed installation leaves the files before it as they
// were, and the program that was there still runs.
QString Kopieren(const Rueckmeldung& r) {
  if (const QString f = ListenSchreiben(); !f.isEmpty()) return f;
  std::int64_t summe = 0;
  for (std::int32_t l : ANHANG.LAENGE) summe += l;
  if (summe <= 0) summe = 1;
  BLOECKE = 0;
  platform::ReplacementFile neu[kSlots];
  for (int i = 0; i < kSlots; ++i) {
    if (ANHANG.START[i] == 0) continue;
    if (QString f = SlotKopieren(i, summe, neu[i], r); !f.isEmpty()) return f;
  }
  for (int i = 0; i < kSlots; ++i)
    if (ANHANG.START[i] != 0 && neu[i].commit() != platform::FileOk) return NichtGeschrieben(ZIELORDNER + INSTDATEI[i].clip());
  QFile symbol(":/tavik/Tavik.png");
  symbol.open(QIODevice::ReadOnly);
  if (platform::writeWholeFile(ZIELORDNER + kSymbol, symbol.readAll()) != platform::FileOk)
    return NichtGeschrieben(ZIELORDNER + kSymbol);
  return {};
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
  ZIELORDNER = platform::readValue(Hive::LocalMachine, kCurrentVersion, "ProgramFilesDir", Wertgroesse()) + sep + ANHANG.NAME.clip() + sep;
  ORDNERHINWEIS = "Dieses Programm installiert Tavik in den Ordner:";
}

QString Datenordner() {
  const QString basis = platform::readValue(Hive::LocalMachine, kShellFolders, "Common AppData", Wertgroesse());
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
  for (const QString& teil : p.split(platform::separator(), Qt::SkipEmptyParts))
    if (!platform::isPlainName(teil)) return "Der Installations-Ordner darf keine Steuerzeichen enthalten!";
  // The longest name of a file in the folder, while it is written beside its place, must fit the
  // file system's paths.
  const QStringList namen = Programmdateien() << "Shortcut.vbs" << "Start.inf" << platform::installRecordName();
  int laengster = 0;
  for (const QString& name : namen)
    laengster = std::max(laengster, platform::encodedLength(name));
  laengster += kNebenname;
  const QString d = Datenordner();
  if (!d.isEmpty() && platform::encodedLength(d) + 1 + laengster >= platform::longestPath(d))
    return "Der Daten-Ordner " + inAnfuehrung(d) + " ist zu lang für eine Installation.";
  const int grenze = platform::longestPath(p) - 1 - laengster;
  if (platform::encodedLength(p) > grenze)
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
  const QString basis = platform::readValue(Hive::LocalMachine, kShellFolders, "Common AppData", Wertgroesse());
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
  // The write test leaves the program as it is: a running program, or one that another holds,
  // stops the installation before anything is written.
  ARBEITSPFAD = ZIELORDNER + Programmdatei();
  if (platform::canReplace(ARBEITSPFAD) != platform::FileOk) {
    r.meldung("Alle Anwender müssen Tavik beenden!");
    return false;
  }

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
    if (platform::writeWholeFile(marke, {}) != platform::FileOk) {
      r.meldung(NichtAngelegt(marke));
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
