#pragma once
// The message for an entry that rejected what the user typed.

#include "runtime/window/Window.h"

void EingabefehlerMelden(rt::win::Window& fenster, int feld, const QString& eingabe);
