#include "installer/Nachricht.h"

#include "platform/Files.h"
#include "platform/ShellFolders.h"
#include "runtime/window/Dialogs.h"

#include <QDir>

// The box runs through the window runtime: only the calling thread waits for it.
int Nachricht(const QString& text, const QString& titel, const QString& knoepfe) {
  const int gewaehlt = rt::win::messageBox(text, titel, knoepfe.isEmpty() ? QStringList{"OK"} : knoepfe.split('|'));
  return gewaehlt < 1 ? 1 : gewaehlt;
}

QString OrdnerWaehlen(const QString& titel, const QString& start) {
  // A proposed folder that does not exist yet opens the dialog in the nearest folder above it.
  QString beginn = QDir::cleanPath(QDir::fromNativeSeparators(start));
  while (!beginn.isEmpty() && !platform::folderExists(beginn) && !platform::isRootFolder(beginn)) {
    const qsizetype schnitt = beginn.lastIndexOf('/');
    beginn = schnitt > 0 ? beginn.left(schnitt) : schnitt == 0 ? QStringLiteral("/") : QStringLiteral(".");
  }
  return rt::win::chooseFolder(titel, QDir::toNativeSeparators(beginn));
}
