#pragma once
// The program's command line.

#include <QString>

namespace platform {

// Its arguments after the program's own name, joined by blanks.
QString commandLine();
// Tests start the program's main procedure with a command line of their own.
void setCommandLineForTesting(const QString& line);

// The whole command line as the system reports it to a program: its own program file in double
// quotes, then a blank and the arguments when there are any.
QString ownCommandLine();
// Tests name the program file that the whole command line reports.
void setOwnProgramForTesting(const QString& path);

}  // namespace platform
