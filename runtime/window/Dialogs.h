#pragma once
// Qt's standard dialogs as the program's logical threads use them: Qt's own dialogs (not the
// platform's), so that they look and answer the same everywhere, in German, each run through
// runDialog, so that only the calling thread waits.

#include <QString>

namespace rt::win {

// The folder choice, starting at `start` (trailing blanks are dropped), above the calling thread's
// top window: the chosen folder with a trailing separator, or an empty string when cancelled.
QString chooseFolder(const QString& caption, const QString& start);

}  // namespace rt::win
