// Packaging step of the build: tavik_packen OUTPUT PROGRAM SLOT1 SLOT2 SLOT3 SLOT4 SLOT5
// A slot given as "-" stays unused.

#include "installer/packen/Packen.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3 + packen::kSlots) {
    std::fprintf(stderr, "Aufruf: %s AUSGABE PROGRAMM SLOT1 SLOT2 SLOT3 SLOT4 SLOT5 (\"-\": unbenutzt)\n", argv[0]);
    return 2;
  }
  std::array<std::string, packen::kSlots> dateien;
  for (int i = 0; i < packen::kSlots; ++i) dateien[i] = std::string(argv[3 + i]) == "-" ? "" : argv[3 + i];
  const std::string fehler = packen::Packen(argv[1], argv[2], dateien);
  if (!fehler.empty()) {
    std::fprintf(stderr, "Fehler: %s kann nicht gebaut werden: %s\n", argv[1], fehler.c_str());
    return 1;
  }
  return 0;
}
