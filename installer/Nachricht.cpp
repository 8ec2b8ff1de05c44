#include "installer/Nachricht.h"

#include "platform/ShellFolders.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

int Nachricht(const QString& text, const QString& titel, const QString& knoepfe) {
  QMessageBox box(QMessageBox::NoIcon, titel, text, QMessageBox::NoButton, QApplication::activeWindow());
  box.setObjectName("Nachricht");
  QList<QAbstractButton*> liste;
  for (const QString& k : knoepfe.isEmpty() ? QStringList{"OK"} : knoepfe.split('|'))
    liste << box.addButton(k, QMessageBox::AcceptRole);
  box.setEscapeButton(liste.first());
  box.setDefaultButton(static_cast<QPushButton*>(liste.first()));
  box.exec();
  const int gewaehlt = static_cast<int>(liste.indexOf(box.clickedButton()));
  return gewaehlt < 0 ? 1 : gewaehlt + 1;
}

// Runs the Qt dialog modally; a dialog of the window runtime that does not block a thread's
// coroutine takes its place once the runtime offers one.
QString OrdnerWaehlen(const QString& titel, const QString& start) {
  // A proposed folder that does not exist yet opens the dialog in the nearest folder above it.
  QString beginn = QDir::cleanPath(QDir::fromNativeSeparators(start));
  while (!QFileInfo(beginn).isDir() && !QDir(beginn).isRoot() && !beginn.isEmpty()) beginn = QFileInfo(beginn).path();
  const QString gewaehlt = QFileDialog::getExistingDirectory(
      QApplication::activeWindow(), titel, beginn,
      QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (gewaehlt.isEmpty()) return {};
  QString ordner = QDir::toNativeSeparators(gewaehlt);
  if (!ordner.endsWith(platform::separator())) ordner += platform::separator();
  return ordner;
}

void WarteCursor(bool an) {
  if (an)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}
