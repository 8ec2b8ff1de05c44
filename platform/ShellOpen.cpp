#include "platform/ShellOpen.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {
namespace {

std::function<bool(const QString&)> g_starter;

// "gio open" returns as soon as the associated program has been started and fails when the type has
// no program; without it, "xdg-open" is started on its own and only its start can be judged.
bool desktopStart(const QString& path) {
  const QString gio = QStandardPaths::findExecutable("gio");
  if (!gio.isEmpty()) {
    QProcess p;
    // The started program inherits no pipe of ours: we wait for gio alone.
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(gio, {"open", path});
    if (!p.waitForFinished(15000)) {
      p.kill();
      p.waitForFinished(1000);
      return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }
  const QString xdg = QStandardPaths::findExecutable("xdg-open");
  return !xdg.isEmpty() && QProcess::startDetached(xdg, {path});
}

}  // namespace

bool openDocument(const QString& name) {
  const QFileInfo file(name);
  if (!file.isFile()) return false;
  const QString path = file.absoluteFilePath();
  return g_starter ? g_starter(path) : desktopStart(path);
}

void setDocumentStarterForTesting(std::function<bool(const QString&)> starter) { g_starter = std::move(starter); }

}  // namespace platform
