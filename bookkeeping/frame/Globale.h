#pragma once
// Globals that start-up sets and the other windows read.

#include "runtime/text/String.h"
#include "runtime/window/Window.h"

#include <cstdint>

extern rt::String<200> KOMMANDOZEILE;
extern QString DATENORDNER;              // with a trailing separator, or empty: the current folder
extern rt::String<10> DATENUNTERORDNER;
extern std::uint8_t ERSTSTART;
extern std::int32_t THREADBUCHUNG;
extern std::int32_t THREADSUMMEN;
extern std::int32_t THREADANZEIGE;
extern std::int16_t EINGABEJAHR;         // the year of the frame's period selection

// The global windows; each is opened and closed by the procedure of its window.
extern rt::win::Window WinMain;          // $WINMAIN, the frame
extern rt::win::Window WinBuchung;       // $WINBUCHUNG, the booking entry form
extern rt::win::Window WinAnzeige;       // $WINANZEIGE, the booking overview
extern rt::win::Window WinSummen;        // $WINSUMMEN, the sums window
