#pragma once
// The program's command line: its arguments after the program's own name, joined by blanks.

#include <QString>

namespace platform {

QString commandLine();
// Tests start the program's main procedure with a command line of their own.
void setCommandLineForTesting(const QString& line);

}  // namespace platform
