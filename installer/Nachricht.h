#pragma once
// The installer's dialogs with the user: the platform's message box and the folder choice.

#include <QString>

// A message box without icon: the text, the caption (none when empty) and one OK button, or the
// buttons named in `knoepfe` ("Abbruch|Bin Spezialist"). The number of the chosen button, counted
// from 1; a box closed without a choice counts as its first button.
int Nachricht(const QString& text, const QString& titel = {}, const QString& knoepfe = {});

// The folder choice dialog, starting at `start` or, while that does not exist, the nearest folder
// above it: the chosen folder ending in the separator, or "" when the user cancels.
QString OrdnerWaehlen(const QString& titel, const QString& start);
