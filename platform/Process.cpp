#include "platform/Process.h"

#include "platform/ScriptHost.h"

#include <QDir>
#include <QProcess>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace platform {

void endProcess(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

void keepRunningAtFileSizeLimit() {
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool runAndWait(const QString& commandLine) {
  QStringList words = commandLine.split(' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return false;
  const QString program = words.takeFirst();
  if (program.compare("WScript", Qt::CaseInsensitive) == 0) return runScriptHost(words);
  QProcess p;
  p.setProgram(program);
  p.setArguments(words);
  p.start();
  if (!p.waitForStarted(-1)) return false;
  p.waitForFinished(-1);
  return true;
}

bool startProgram(const QString& program, const QStringList& arguments, const QString& folder) {
  QString file = QDir::fromNativeSeparators(program);
  if (!file.contains('/')) file = QDir(QDir::fromNativeSeparators(folder)).filePath(file);
  return QProcess::startDetached(file, arguments, QDir::fromNativeSeparators(folder));
}

int runBatch(const QString& batch, const QStringList& arguments, const QString& folder) {
  QProcess p;
  p.setProgram("/bin/sh");
  p.setArguments(QStringList{QDir::fromNativeSeparators(batch)} + arguments);
  p.setWorkingDirectory(QDir::fromNativeSeparators(folder));
  p.setStandardInputFile(QProcess::nullDevice());
  p.setProcessChannelMode(QProcess::ForwardedChannels);  // the batch reports on the console, if any
  p.start();
  if (!p.waitForStarted(-1) || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit) return -1;
  return p.exitCode();
}

}  // namespace platform
