#pragma once
// The program's single entry: start-up, the frame's event loop, close-down.

void Hauptprogramm();
