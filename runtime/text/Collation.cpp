#include "runtime/text/Collation.h"

#include "runtime/text/Cp1252.h"

#include <array>
#include <algorithm>

namespace rt {
namespace {

struct Tables {
  std::array<unsigned char, 256> weight{};
  std::array<unsigned char, 256> upper{};
};

Tables byteOrder() {
  Tables t;
  for (int i = 0; i < 256; ++i) {
    t.weight[i] = static_cast<unsigned char>(i);
    t.upper[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 32 : i);
  }
  return t;
}

Tables g_tables = byteOrder();

}  // namespace

bool Collation::set(std::string_view orderUtf8, std::string_view casePairsUtf8) {
  const std::string order = utf8ToCp1252(orderUtf8);
  const std::string pairs = utf8ToCp1252(casePairsUtf8);
  const auto comma = pairs.find(',');
  if (comma == std::string::npos || comma != pairs.size() - comma - 1) return false;

  Tables t = byteOrder();
  std::array<bool, 256> inOrder{};
  unsigned lowest = 256;
  for (char c : order) {
    const auto b = static_cast<unsigned char>(c);
    if (inOrder[b]) return false;  // a letter listed twice would give two weights
    inOrder[b] = true;
    lowest = std::min<unsigned>(lowest, b);
  }
  unsigned next = 0;
  for (unsigned b = 0; b < 256; ++b) {
    if (b == lowest)
      for (char c : order) t.weight[static_cast<unsigned char>(c)] = static_cast<unsigned char>(next++);
    if (!inOrder[b]) t.weight[b] = static_cast<unsigned char>(next++);
  }
  for (std::size_t i = 0; i < comma; ++i)
    t.upper[static_cast<unsigned char>(pairs[comma + 1 + i])] = static_cast<unsigned char>(pairs[i]);
  g_tables = t;
  return true;
}

void Collation::reset() { g_tables = byteOrder(); }

unsigned char Collation::weight(unsigned char c) { return g_tables.weight[c]; }
unsigned char Collation::upper(unsigned char c) { return g_tables.upper[c]; }

std::string Collation::upper(std::string_view cp1252) {
  std::string out(cp1252);
  for (char& c : out) c = static_cast<char>(upper(static_cast<unsigned char>(c)));
  return out;
}

QString Collation::upper(const QString& text) {
  // Characters that Windows-1252 cannot hold have no case pair and stay as they are.
  QString out = text;
  for (QChar& ch : out) {
    const std::string b = toCp1252(QStringView(&ch, 1));
    if (b[0] != '?') ch = QChar(cp1252ToUnicode(upper(static_cast<unsigned char>(b[0]))));
  }
  return out;
}

int Collation::compare(std::string_view a, std::string_view b, bool ignoreCase) {
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
    auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
    if (ignoreCase) {
      ca = upper(ca);
      cb = upper(cb);
    }
    if (ca != cb) return weight(ca) < weight(cb) ? -1 : 1;
  }
  return 0;
}

}  // namespace rt
