#pragma once
// The running process, and starting other programs.

#include <QString>
#include <QStringList>

namespace platform {

// Ends the process at once with `code`: no window is closed and nothing is saved.
[[noreturn]] void endProcess(int code);

// A write beyond the largest file the process may write (a file-size limit) then fails with its
// code, as on a full disk, instead of ending the process by a signal.
void keepRunningAtFileSizeLimit();

// Runs a command line in the current folder and waits for its end, without a time limit. The first
// word names the program, the others are its arguments (separated by blanks); the name "WScript"
// is the script host (ScriptHost.h). False when the program could not be started; its exit code is
// not looked at.
bool runAndWait(const QString& commandLine);

// Starts a program without waiting, with `folder` as its current folder. A name without a folder is
// the file of that name in `folder`, as a program started by its name alone is found there.
bool startProgram(const QString& program, const QStringList& arguments, const QString& folder);

// Runs a batch file (here a POSIX shell script, run by /bin/sh) with `folder` as its current folder
// and waits for its end: its exit code, or -1 when it could not be started or did not end normally.
int runBatch(const QString& batch, const QStringList& arguments, const QString& folder);

}  // namespace platform
