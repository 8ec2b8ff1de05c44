#include "runtime/text/Cp1252.h"

#include <QList>
#include <array>

namespace rt {
namespace {

// Unicode of the bytes 80h to 9Fh; the undefined ones stay at their own value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char unicodeToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

char16_t cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

std::string toCp1252(QStringView text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text.toUcs4()) out.push_back(unicodeToCp1252(c));
  return out;
}

std::string utf8ToCp1252(std::string_view utf8) {
  // Well-formed one- to three-byte sequences are decoded here (every character of the code page is
  // among them); anything else goes the way of Qt's decoder, which treats ill-formed input its way.
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  const auto folge = [](unsigned char b) { return (b & 0xC0) == 0x80; };
  while (p < end) {
    char32_t c = *p;
    if (c < 0x80) {
      ++p;
    } else if (c >= 0xC2 && c < 0xE0 && end - p >= 2 && folge(p[1])) {
      c = (c & 0x1F) << 6 | (p[1] & 0x3F);
      p += 2;
    } else if (c >= 0xE0 && c < 0xF0 && end - p >= 3 && folge(p[1]) && folge(p[2])) {
      c = (c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
      if (c < 0x800 || (c >= 0xD800 && c < 0xE000))
        return toCp1252(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
      p += 3;
    } else {
      return toCp1252(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    }
    out.push_back(unicodeToCp1252(c));
  }
  return out;
}

QString fromCp1252(std::string_view bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (char b : bytes) out.append(QChar(cp1252ToUnicode(static_cast<unsigned char>(b))));
  return out;
}

}  // namespace rt
