#include "runtime/window/Dialogs.h"

#include "platform/ShellFolders.h"
#include "runtime/window/Internal.h"
#include "runtime/window/Threads.h"

#include <QDir>
#include <QFileDialog>

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
  QFileDialog dialog(dialogOwner(), caption, from);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  QString folder = QDir::toNativeSeparators(dialog.selectedFiles().front());
  if (!folder.endsWith(platform::separator())) folder += platform::separator();
  return folder;
}

}  // namespace rt::win
