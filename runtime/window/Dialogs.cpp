#include "runtime/window/Dialogs.h"

#include "platform/ShellFolders.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

#include <QDir>
#include <QFileDialog>

namespace rt::win {

QString chooseFolder(const QString& caption, const QString& start) {
  QString from = start;
  while (from.endsWith(' ')) from.chop(1);
  Window* top = topWindow(currentThread());
  QFileDialog dialog(top ? top->topWidget() : nullptr, caption, from);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  QString folder = QDir::toNativeSeparators(dialog.selectedFiles().front());
  if (!folder.endsWith(platform::separator())) folder += platform::separator();
  return folder;
}

}  // namespace rt::win
