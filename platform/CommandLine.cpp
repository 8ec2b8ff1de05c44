#include "platform/CommandLine.h"

#include <QCoreApplication>
#include <QStringList>
#include <optional>

namespace platform {
namespace {
std::optional<QString> g_line;
}

QString commandLine() {
  if (g_line) return *g_line;
  return QCoreApplication::arguments().mid(1).join(' ');
}

void setCommandLineForTesting(const QString& line) { g_line = line; }

}  // namespace platform
