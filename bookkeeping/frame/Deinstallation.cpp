#include "bookkeeping/frame/Deinstallation.h"

#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/frame/Globale.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "runtime/isam/Errors.h"
#include "runtime/window/Window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

using namespace rt::win;
using platform::Hive;

namespace {

enum Feld { UNINSTTEXT = 1, ABBRUCH, OK_ };

const char* const kDeinstallationsSchluessel = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavik";
const char* const kShellFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

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
  if (QFileInfo(QDir::fromNativeSeparators(ordner)).isSymLink()) return "ist eine Verknüpfung auf einen anderen Ordner.";
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
    const QString wert = platform::readValue(hive, kShellFolders, name, 190);
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
  const DeinstallationsOrdner eingetragen =
      OrdnerAusKommandozeile(platform::readValue(Hive::LocalMachine, kDeinstallationsSchluessel, "UnInstallString", 190));
  for (const auto& [name, eingetragenerName] :
       {std::pair{ordner.programm, eingetragen.programm}, std::pair{ordner.daten, eingetragen.daten}}) {
    if (const QString grund = OrdnerVerweigert(name, eingetragenerName); !grund.isEmpty())
      return {"Die Deinstallation wird abgebrochen, es wurde nichts gelöscht.", "Der Ordner",
              "\"" + name + "\"", grund};
  }
  return {};
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
  const QString batch = platform::tempFolder() + platform::separator() + "UnInst.bat";
  fenster.run([&](Window&, const Event& e) {
    if (e.code == EV_Accepted && e.field == OK_) {
      platform::deleteKey(Hive::LocalMachine, kDeinstallationsSchluessel);
      VerknuepfungenEntfernen();
      QFile::remove(QDir::fromNativeSeparators(batch));
      QFile::copy("UnInst.int", QDir::fromNativeSeparators(batch));
      ok = true;
      return Pass::Leave;
    }
    // "Abbruch" and every other way of closing the window change nothing.
    if ((e.code == EV_Accepted && e.field == ABBRUCH) || e.code == EV_CloseWindow) return Pass::Leave;
    return Pass::Default;
  });
  fenster.close();
  if (!ok) return;

  const QString wurzel = platform::driveRoot(ordner.programm);
  platform::setCurrentFolder(wurzel);
  platform::startBatch(batch, {ordner.programm, ordner.daten}, wurzel);
}
