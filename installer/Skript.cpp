#include "installer/Skript.h"

#include "installer/Anhang.h"
#include "installer/KeinSkript.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <QStringList>

const QString kBeschreibung = "Buchhaltung mit Einnahmen-Überschuss-Rechnung";

QString SkriptText(const QString& P, const QString& D) {
  const QString q = "\"";
  const QStringList verknuepfung = {
      "set oShellLink = WshShell.CreateShortcut(strDesktop & \"\\Tavik.lnk\")",
      "oShellLink.TargetPath = \"" + P + "Tavik.exe\"",
      "oShellLink.WindowStyle = 1",
      "oShellLink.IconLocation = \"" + P + "Tavik.exe, 0\"",
      // The launcher's tip says what the program is for, beside its name.
      "oShellLink.Description = \"" + kBeschreibung + q,
      "oShellLink.WorkingDirectory = \"" + P + q,
      "oShellLink.Save",
  };
  QStringList zeilen = {
      "set WshShell = WScript.CreateObject(\"WScript.Shell\")",
      "strDesktop = WshShell.SpecialFolders(\"AllUsersPrograms\")",
      "if strDesktop = \"\" then strDesktop = WshShell.SpecialFolders(\"Programs\")",
  };
  zeilen << verknuepfung;
  zeilen << "strDesktop = WshShell.SpecialFolders(\"AllUsersDesktop\")"
         << "if strDesktop = \"\" then strDesktop = WshShell.SpecialFolders(\"Desktop\")";
  zeilen << verknuepfung;
  zeilen << "on error resume next"
         << "set obj = GetObject(\"winmgmts://\")"
         << "if err=0 then"
         << "set result = obj.ExecQuery(\"select Name,SID from WIN32_Group\")"
         << "for each it in result"
         << "if it.sid=\"S-1-5-32-545\" then"
         << "WshShell.Run(\"cacls \"\"" + D + "\"\" /e /g \"&it.name&\":c\"),0,TRUE"
         << "exit for"
         << "end if"
         << "next"
         << "end if";
  return zeilen.join("\r\n");
}

void VerknuepfungenAnlegen(const QString& P, const QString& D) {
  const QByteArray text = SkriptText(P, D).toUtf8();
  std::int32_t handle = 0;
  if (DateiErzeugen("Shortcut.vbs", handle)) {
    platform::writeFile(handle, text.constData(), text.size());
    platform::closeFile(handle);
  }
  if (!platform::runAndWait("WScript //NoLogo Shortcut.vbs")) KeinSkriptZeigen(P);
  platform::deleteFile("Shortcut.vbs");
}
