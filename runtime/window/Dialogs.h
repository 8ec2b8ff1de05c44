#pragma once
// Qt's standard dialogs as the program's logical threads use them: Qt's own dialogs (not the
// platform's), so that they look and answer the same everywhere, in German, each run through
// runDialog, so that only the calling thread waits.

#include <QString>
#include <QStringList>

namespace rt::win {

// The folder choice, starting at `start` (trailing blanks are dropped), above the calling thread's
// top window: the chosen folder with a trailing separator, or an empty string when cancelled.
QString chooseFolder(const QString& caption, const QString& start);

// A message box without icon above the calling thread's top window: the text, the caption (none when
// empty) and one button for each of `buttons`, the first one the default and the one of Esc. The
// number of the chosen button, counted from 1; 0 when its wait was cancelled.
int messageBox(const QString& text, const QString& caption, const QStringList& buttons);

}  // namespace rt::win
