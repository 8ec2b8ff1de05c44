#include "platform/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <optional>

namespace platform {
namespace {
std::optional<QString> g_line;
std::optional<QString> g_program;
}  // namespace

QString commandLine() {
  if (g_line) return *g_line;
  return QCoreApplication::arguments().mid(1).join(' ');
}

void setCommandLineForTesting(const QString& line) { g_line = line; }

QString ownCommandLine() {
  const QString program =
      g_program ? *g_program : QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
  const QString arguments = commandLine();
  return '"' + program + '"' + (arguments.isEmpty() ? QString() : ' ' + arguments);
}

void setOwnProgramForTesting(const QString& path) { g_program = path; }

}  // namespace platform
