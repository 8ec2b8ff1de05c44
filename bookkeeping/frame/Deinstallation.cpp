#include "bookkeeping/frame/Deinstallation.h"

#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/frame/Globale.h"
#include "platform/CommandLine.h"
#include "platform/FileSteps.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "runtime/isam/Errors.h"
#include "runtime/window/Window.h"

#include <QDir>
#include <QStringList>

using namespace rt::win;
using platform::Hive;

namespace {

enum Feld { UNINSTTEXT = 1, ABBRUCH, OK_ };

const char* const kDeinstallationsSchluessel = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavik";
const char* const kShellFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// Values are read whole: a folder name holds as much as the file system takes, the command line two.
const int kOrdnerGroesse = platform::longestPath(platform::separator()) + 1;
const int kBefehlGroesse = 3 * kOrdnerGroesse;
// The program's own data files.
const QStringList kDatendateien = {"Buchung.dat", "Konto.dat", "Para.dat"};

QString ohneEndblanks(QString s) {
  while (s.endsWith(' ')) s.chop(1);
  return s;
}

QString ohneTrenner(QString s) {
  s = ohneEndblanks(s);
  if (s.endsWith(platform::separator())) s.chop(1);
  return s;
}

QString gleichnamig(const QString& ordner) { return QDir::cleanPath(QDir::fromNativeSeparators(ordner)); }

QString OrdnerVerweigert(const QString& ordner, const QString& eingetragen) {
  if (ordner.isEmpty()) return "ist nicht angegeben.";
  if (platform::isRootFolder(ordner)) return "ist das Grundverzeichnis.";
  if (platform::isHomeFolder(ordner)) return "ist ein Benutzerordner.";
  if (platform::isLink(ordner)) return "ist eine Verknüpfung auf einen anderen Ordner.";
  if (gleichnamig(ordner) != gleichnamig(eingetragen)) return "ist nicht der Ordner der Installation von Tavik.";
  return {};
}

WindowDef DeinstallationsFenster() {
  WindowDef def;
  def.label = "$WINUNINSTALL";
  def.caption = "Deinstallation";
  def.w = 300;
  def.h = 80;
  def.controls = {
      {.field = UNINSTTEXT, .label = "?UNINSTTEXT", .kind = Kind::Prompt, .x = 10, .y = 10, .w = 280},
      {.field = ABBRUCH, .label = "?ABBRUCH", .kind = Kind::Button, .text = "Abbruch", .x = 200, .y = 50, .w = 50, .h = 14},
      {.field = OK_, .label = "?OK_", .kind = Kind::Button, .text = "OK", .x = 40, .y = 50, .w = 50, .h = 14},
  };
  return def;
}

void VerknuepfungenEntfernen() {
  const std::pair<Hive, const char*> ordner[] = {
      {Hive::LocalMachine, "Common Desktop"},
      {Hive::CurrentUser, "Desktop"},
      {Hive::LocalMachine, "Common Programs"},
      {Hive::CurrentUser, "Programs"},
  };
  for (const auto& [hive, name] : ordner) {
    const QString wert = platform::readValue(hive, kShellFolders, name, kOrdnerGroesse);
    if (!wert.isEmpty()) platform::deleteFile(platform::shortcutFile(wert, "Tavik.lnk"));
  }
}

}  // namespace

DeinstallationsOrdner OrdnerAusKommandozeile(const QString& zeile) {
  DeinstallationsOrdner o;
  const qsizetype pfad1 = zeile.indexOf("Path1=");
  const qsizetype pfad2 = zeile.indexOf("Path2=");
  if (pfad2 >= 0) o.daten = ohneTrenner(zeile.mid(pfad2 + 6));
  if (pfad1 >= 0 && pfad2 > pfad1 + 6) o.programm = ohneTrenner(zeile.mid(pfad1 + 6, pfad2 - pfad1 - 7));
  return o;
}

QStringList DeinstallationVerweigert(const DeinstallationsOrdner& ordner) {
  const DeinstallationsOrdner eingetragen = OrdnerAusKommandozeile(
      platform::readValue(Hive::LocalMachine, kDeinstallationsSchluessel, "UnInstallString", kBefehlGroesse));
  const auto verweigert = [](const QString& name, const QString& grund) {
    return QStringList{"Die Deinstallation wird abgebrochen, es wurde nichts gelöscht.", "Der Ordner",
                       "\"" + name + "\"", grund};
  };
  for (const auto& [name, eingetragenerName] :
       {std::pair{ordner.programm, eingetragen.programm}, std::pair{ordner.daten, eingetragen.daten}}) {
    if (const QString grund = OrdnerVerweigert(name, eingetragenerName); !grund.isEmpty())
      return verweigert(name, grund);
  }
  // Each folder holds the record of the installation that made it, naming both folders as given.
  for (const QString& name : {ordner.programm, ordner.daten}) {
    platform::InstallRecord liste;
    if (!platform::readInstallRecord(name, &liste)) return verweigert(name, "enthält keine Liste einer Installation von Tavik.");
    if (liste.programFolder != ordner.programm || liste.dataFolder != ordner.daten)
      return verweigert(name, "gehört zu einer anderen Installation von Tavik.");
  }
  return {};
}

// What is left of the files that the records of both folders name, and of the records themselves.
QStringList Uebrig(const DeinstallationsOrdner& ordner, const platform::InstallRecord& programm,
                   const platform::InstallRecord& daten) {
  QStringList uebrig;
  const QString sep = platform::separator();
  for (const auto& [ordnerName, liste] : {std::pair{ordner.programm, programm}, std::pair{ordner.daten, daten}})
    for (const QString& name : liste.files + QStringList{platform::installRecordName()})
      if (platform::holdsEntry(ordnerName, name)) uebrig << ordnerName + sep + name;
  uebrig.removeDuplicates();
  return uebrig;
}

void Deinstallation() {
  const DeinstallationsOrdner ordner = OrdnerAusKommandozeile(platform::commandLine());
  KOMMANDOZEILE = ordner.programm;
  if (const QStringList grund = DeinstallationVerweigert(ordner); !grund.isEmpty()) {
    Meldung(grund[0], grund[1], grund[2], grund[3]);
    return;
  }
  platform::setCurrentFolder(ordner.programm);

  KONTOPFAD = ordner.daten + platform::separator() + "Konto.dat";
  if (KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) == rt::isam::kAccessDenied) {
    Meldung("Zur Deinstallation muss Tavik! beendet sein!", "", "", "", 1, 0);
    return;
  }
  KONTODATEI.close();

  Window fenster(DeinstallationsFenster());
  fenster.open();
  fenster.setText(UNINSTTEXT, "Soll Tavik und alle damit erfassten Daten wirklich gelöscht werden?");
  fenster.giveFocus(ABBRUCH);
  bool ok = false;
  fenster.run([&](Window&, const Event& e) {
    if (e.code == EV_Accepted && e.field == OK_) {
      ok = true;
      return Pass::Leave;
    }
    // "Abbruch" and every other way of closing the window change nothing.
    if ((e.code == EV_Accepted && e.field == ABBRUCH) || e.code == EV_CloseWindow) return Pass::Leave;
    return Pass::Default;
  });
  fenster.close();
  if (!ok) return;

  // The batch runs from a folder made for this run, which no one else can write.
  const QString sep = platform::separator();
  const QString privat = platform::makePrivateFolder();
  const QString batch = privat + sep + "UnInst.bat";
  if (privat.isEmpty() || platform::copyWholeFile("UnInst.int", batch) != platform::FileOk) {
    if (!privat.isEmpty()) platform::removeFolderIfEmpty(privat);
    Meldung("Die Deinstallation wird abgebrochen, es wurde nichts gelöscht.",
            "Die Datei \"UnInst.int\" im Programmordner kann nicht", "in einen eigenen temporären Ordner kopiert werden.");
    return;
  }
  platform::InstallRecord programm, daten;
  platform::readInstallRecord(ordner.programm, &programm);
  platform::readInstallRecord(ordner.daten, &daten);
  // What killed writes of the program and of the installer left beside their files.
  const QString liste = platform::installRecordName();
  for (const QString& name : kDatendateien + QStringList{"Start.inf", liste})
    platform::deleteLeftoversBeside(ordner.daten + sep + name);
  for (const QString& name : programm.files + QStringList{liste}) platform::deleteLeftoversBeside(ordner.programm + sep + name);

  const QString wurzel = platform::driveRoot(ordner.programm);
  platform::setCurrentFolder(wurzel);
  const int ende = platform::runBatch(batch, {ordner.programm, ordner.daten}, wurzel);
  platform::removeNamedFiles(privat, {"UnInst.bat"});
  platform::removeFolderIfEmpty(privat);

  // The entry and the launchers go only once the files are gone, so that a run that stopped halfway
  // can be repeated.
  if (const QStringList uebrig = Uebrig(ordner, programm, daten); ende != 0 || !uebrig.isEmpty()) {
    Meldung("Die Deinstallation ist nicht vollständig und kann wiederholt werden.",
            uebrig.isEmpty() ? QString("Die Datei \"UnInst.int\" konnte nicht ausgeführt werden.") : "Nicht gelöscht:",
            uebrig.value(0), uebrig.size() > 1 ? "und " + QString::number(uebrig.size() - 1) + " weitere." : "");
    return;
  }
  platform::deleteKey(Hive::LocalMachine, kDeinstallationsSchluessel);
  VerknuepfungenEntfernen();

  QStringList behalten;
  for (const QString& o : {ordner.programm, ordner.daten})
    if (platform::folderExists(o) && !behalten.contains(o)) behalten << o;
  if (behalten.isEmpty())
    Meldung("Deinstallation abgeschlossen", "", "", "", 1, 0);
  else
    Meldung("Deinstallation abgeschlossen",
            behalten.size() == 1 ? "Dieser Ordner bleibt, da er noch andere Dateien enthält:"
                                 : "Diese Ordner bleiben, da sie noch andere Dateien enthalten:",
            "\"" + behalten[0] + "\"", behalten.size() > 1 ? "\"" + behalten[1] + "\"" : "");
}
