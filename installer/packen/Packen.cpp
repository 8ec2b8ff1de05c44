#include "installer/packen/Packen.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace packen {

namespace {

void langSchreiben(std::string& s, std::size_t pos, std::int32_t wert) {
  const auto u = static_cast<std::uint32_t>(wert);
  for (int i = 0; i < 4; ++i) s[pos + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

bool lesen(const std::string& datei, std::string* inhalt) {
  std::ifstream in(datei, std::ios::binary);
  if (!in) return false;
  inhalt->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

std::string Anhang(const std::string& name, const std::array<std::int32_t, kSlots>& start,
                   const std::array<std::int32_t, kSlots>& laenge) {
  std::string a(131, '\0');
  std::string n = name.substr(0, 10);
  n.resize(10, ' ');
  a.replace(80, 10, n);
  for (int i = 0; i < kSlots; ++i) {
    langSchreiben(a, 90 + 4 * i, start[i]);
    langSchreiben(a, 110 + 4 * i, laenge[i]);
  }
  return a;
}

std::string Packen(const std::string& ausgabe, const std::string& programm,
                   const std::array<std::string, kSlots>& dateien, const std::string& name) {
  std::string datei;
  if (!lesen(programm, &datei)) return "das Installationsprogramm " + programm + " ist nicht lesbar";
  std::array<std::int32_t, kSlots> start{}, laenge{};
  std::int64_t bloecke = 0;
  for (int i = 0; i < kSlots; ++i) {
    if (dateien[i].empty()) continue;
    std::string inhalt;
    if (!lesen(dateien[i], &inhalt)) return "die Datei " + dateien[i] + " ist nicht lesbar";
    bloecke += (static_cast<std::int64_t>(inhalt.size()) + kBlock - 1) / kBlock;
    if (bloecke >= kHoechstBloecke) {
      std::ostringstream m;
      m << "die gespeicherten Dateien brauchen mit " << dateien[i] << " " << bloecke
        << " Blöcke zu 512 Bytes; höchstens " << kHoechstBloecke - 1 << " sind möglich";
      return m.str();
    }
    if (datei.size() + inhalt.size() + 131 > std::size_t(std::numeric_limits<std::int32_t>::max()))
      return "die Installationsdatei würde größer als 2 GiB";
    // A slot is used exactly when its start is not 0; the program before it takes offset 0.
    start[i] = static_cast<std::int32_t>(datei.size());
    laenge[i] = static_cast<std::int32_t>(inhalt.size());
    datei += inhalt;
  }
  datei += Anhang(name, start, laenge);
  const std::string neu = ausgabe + ".neu";
  {
    std::ofstream out(neu, std::ios::binary | std::ios::trunc);
    out.write(datei.data(), static_cast<std::streamsize>(datei.size()));
    out.close();
    if (!out) {
      std::remove(neu.c_str());
      return "die Datei " + ausgabe + " kann nicht geschrieben werden";
    }
  }
  // The installer file is a program that the user starts.
  std::error_code ec;
  namespace fs = std::filesystem;
  fs::permissions(neu, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add, ec);
  if (ec || std::rename(neu.c_str(), ausgabe.c_str()) != 0) {
    std::remove(neu.c_str());
    return "die Datei " + ausgabe + " kann nicht geschrieben werden";
  }
  return {};
}

}  // namespace packen
