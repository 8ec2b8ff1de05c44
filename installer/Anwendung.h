#pragma once
// The application set-up of the installer: German standard dialog texts, the window font, the icon.
// The window runtime's own set-up takes its place once it offers one.

void AnwendungEinrichten();
