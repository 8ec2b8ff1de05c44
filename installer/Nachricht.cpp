#include "installer/Nachricht.h"

#include "runtime/window/Dialogs.h"
#include "runtime/window/Threads.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

// The box runs through the window runtime: only the calling thread waits for it. It is a window of
// its own: the runtime takes the input of the window below while the box is open, and a box inside
// that window would lose its input with it.
int Nachricht(const QString& text, const QString& titel, const QString& knoepfe) {
  QMessageBox box(QMessageBox::NoIcon, titel, text, QMessageBox::NoButton);
  box.setObjectName("Nachricht");
  QList<QAbstractButton*> liste;
  for (const QString& k : knoepfe.isEmpty() ? QStringList{"OK"} : knoepfe.split('|'))
    liste << box.addButton(k, QMessageBox::AcceptRole);
  box.setEscapeButton(liste.first());
  box.setDefaultButton(static_cast<QPushButton*>(liste.first()));
  rt::win::runDialog(box);
  const int gewaehlt = static_cast<int>(liste.indexOf(box.clickedButton()));
  return gewaehlt < 0 ? 1 : gewaehlt + 1;
}

QString OrdnerWaehlen(const QString& titel, const QString& start) {
  // A proposed folder that does not exist yet opens the dialog in the nearest folder above it.
  QString beginn = QDir::cleanPath(QDir::fromNativeSeparators(start));
  while (!QFileInfo(beginn).isDir() && !QDir(beginn).isRoot() && !beginn.isEmpty()) beginn = QFileInfo(beginn).path();
  return rt::win::chooseFolder(titel, QDir::toNativeSeparators(beginn));
}
