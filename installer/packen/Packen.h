#pragma once
// Builds an installer file: the installer program, the stored files of the used dateien byte for
// byte, then the 131-byte trailer with the installation's name and each slot's start and size.

#include <array>
#include <cstdint>
#include <string>

namespace packen {

inline constexpr int kSlots = 5;
inline constexpr std::int64_t kBlock = 512;
inline constexpr std::int64_t kHoechstBloecke = 32768;  // the installer counts blocks in 16 bits

// The trailer for a name (at most 10 characters, padded with blanks) and the dateien' starts and
// sizes (start 0: slot unused).
std::string Anhang(const std::string& name, const std::array<std::int32_t, kSlots>& start,
                   const std::array<std::int32_t, kSlots>& laenge);

// Writes `ausgabe` from `programm` and the dateien' files (an empty name leaves a slot unused).
// Returns "" when done, else why the file was not built (a missing file, stored files of 32,768
// blocks or more together, offsets beyond 2 GiB); then no file is left behind.
std::string Packen(const std::string& ausgabe, const std::string& programm,
                   const std::array<std::string, kSlots>& dateien, const std::string& name = "Tavik");

}  // namespace packen
