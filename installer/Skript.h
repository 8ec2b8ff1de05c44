#pragma once
// The shortcut script: on a new installation the installer writes it into the program folder as
// "Shortcut.vbs", runs it with the script host, waits for it and deletes it again. It makes the
// program's shortcut in the programs menu and on the desktop and gives the local users group change
// access to the data folder.

#include <QString>

// The script's text for the program folder P (ending in the separator) and the data folder D
// (without it; empty when there is none): 30 lines joined by CR LF, the last without a line end.
QString SkriptText(const QString& P, const QString& D);

// The shortcut step, with the program folder as the current folder. When the script host cannot be
// started, the notice window tells how to make the shortcut by hand.
void VerknuepfungenAnlegen(const QString& P, const QString& D);
