#pragma once
// The notice window $WINKEINCSCRIPT: the script host cannot be started; how to make the desktop
// shortcut by hand.

#include "runtime/window/WindowDef.h"

#include <QString>

rt::win::WindowDef KeinSkriptFenster();
// Opens the notice with the program folder in its fifth line and waits for "Ok" or its closing.
void KeinSkriptZeigen(const QString& programmordner);
