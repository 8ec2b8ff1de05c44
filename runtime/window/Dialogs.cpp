#include "runtime/window/Dialogs.h"

#include "platform/ShellFolders.h"
#include "runtime/window/Internal.h"
#include "runtime/window/Threads.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace rt::win {

namespace {

// The owner of a dialog of the calling thread: its top window, which takes no input meanwhile. A
// plain window's whole widget is switched off then, so the dialog is the frame's (or its own).
QWidget* dialogOwner() {
  Window* top = topWindow(currentThread());
  if (top && top->def().kind != WindowKind::Plain) return top->topWidget();
  Window* frame = Dispatcher::get().frame;
  return frame ? frame->topWidget() : nullptr;
}

}  // namespace

QString chooseFolder(const QString& caption, const QString& start) {
  QString from = start;
  while (from.endsWith(' ')) from.chop(1);
  auto* dialog = new QFileDialog(dialogOwner(), caption, from);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  QString folder;
  if (runDialog(dialog, [&] { folder = dialog->selectedFiles().value(0); }) != QDialog::Accepted || folder.isEmpty())
    return {};
  folder = QDir::toNativeSeparators(folder);
  if (!folder.endsWith(platform::separator())) folder += platform::separator();
  return folder;
}

int messageBox(const QString& text, const QString& caption, const QStringList& buttons) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::NoButton, dialogOwner());
  QList<QAbstractButton*> list;
  for (const QString& b : buttons) list << box->addButton(b, QMessageBox::AcceptRole);
  if (!list.isEmpty()) {
    box->setEscapeButton(list.first());
    box->setDefaultButton(static_cast<QPushButton*>(list.first()));
  }
  int chosen = 0;
  runDialog(box, [&] { chosen = static_cast<int>(list.indexOf(box->clickedButton())) + 1; });
  return chosen;
}

}  // namespace rt::win
