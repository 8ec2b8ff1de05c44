#pragma once
// Opening a document with the program that the desktop associates with its type, as the shell's
// verb "open" does.

#include <QString>
#include <functional>

namespace platform {

// Opens the document (a name without a folder is looked for in the current folder) in a program of
// its own and does not wait for that program. False when the document does not exist or no program
// could be started for it.
bool openDocument(const QString& name);

// Tests hand the start of the program to `starter` (it receives the document's full path and says
// whether a program was started), so that no real program is ever started; an empty function
// restores the desktop's own start.
void setDocumentStarterForTesting(std::function<bool(const QString& path)> starter);

}  // namespace platform
