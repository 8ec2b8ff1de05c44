#include "installer/Nachricht.h"

#include "platform/ShellFolders.h"
#include "runtime/window/Threads.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

// The dialogs run through the window runtime: only the calling thread waits for them. Each is a
// window of its own: the runtime takes the input of the window below while a dialog is open, and a
// dialog inside that window would lose its input with it.
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

// Qt's own folder dialog (not the platform's), run through the window runtime.
QString OrdnerWaehlen(const QString& titel, const QString& start) {
  // A proposed folder that does not exist yet opens the dialog in the nearest folder above it.
  QString beginn = QDir::cleanPath(QDir::fromNativeSeparators(start));
  while (!QFileInfo(beginn).isDir() && !QDir(beginn).isRoot() && !beginn.isEmpty()) beginn = QFileInfo(beginn).path();
  QFileDialog dialog(nullptr, titel, beginn);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (rt::win::runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  QString ordner = QDir::toNativeSeparators(dialog.selectedFiles().front());
  if (!ordner.endsWith(platform::separator())) ordner += platform::separator();
  return ordner;
}
