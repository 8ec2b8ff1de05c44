#pragma once
// The program's message window: up to four lines, "OK" alone or "OK" and "Abbruch".

#include <QString>
#include <cstdint>

// Shows the lines and waits for the answer. `zentriert` puts line 1 and 2 into the middle rows and
// leaves out lines 3 and 4; `mitAbbruch` adds "Abbruch". Returns 1 for "OK", 0 for "Abbruch" or a
// closed window.
std::uint8_t Meldung(const QString& zeile1, const QString& zeile2 = {}, const QString& zeile3 = {},
                     const QString& zeile4 = {}, std::uint8_t zentriert = 0, std::uint8_t mitAbbruch = 0);
