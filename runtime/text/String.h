#pragma once
// STRING(n): exactly N bytes of Windows-1252, padded with blanks on the right. Comparisons and
// joins use the text without its trailing blanks. Assigning a longer text cuts it at N characters.
//
// Text given as `const char*`, std::string_view or QString is Unicode text (UTF-8 or UTF-16) and is
// converted by the rule of Cp1252.h; `assignBytes` and `bytes` work on the stored bytes directly.

#include "runtime/text/Cp1252.h"

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace rt {

template <std::size_t N>
struct String {
  static_assert(N > 0);
  static constexpr std::size_t size = N;

  char data[N];

  String() { clear(); }
  String(const char* utf8) { *this = utf8; }        // NOLINT(google-explicit-constructor)
  String(std::string_view utf8) { *this = utf8; }   // NOLINT(google-explicit-constructor)
  String(const QString& text) { *this = text; }     // NOLINT(google-explicit-constructor)
  template <std::size_t M>
  String(const String<M>& other) { assignBytes(other.bytes()); }  // NOLINT

  String& operator=(const char* utf8) { return *this = std::string_view(utf8 ? utf8 : ""); }
  String& operator=(std::string_view utf8) { return assignBytes(utf8ToCp1252(utf8)); }
  String& operator=(const QString& text) { return assignBytes(toCp1252(text)); }
  template <std::size_t M>
  String& operator=(const String<M>& other) { return assignBytes(other.bytes()); }

  // Stores the Windows-1252 bytes as they are, cut at N and padded with blanks.
  String& assignBytes(std::string_view cp1252) {
    const std::size_t n = std::min(N, cp1252.size());
    if (n) std::memcpy(data, cp1252.data(), n);
    std::memset(data + n, ' ', N - n);
    return *this;
  }

  void clear() { std::memset(data, ' ', N); }

  // Length of the text without trailing blanks.
  std::size_t length() const {
    std::size_t n = N;
    while (n > 0 && data[n - 1] == ' ') --n;
    return n;
  }
  bool isBlank() const { return length() == 0; }

  // All N bytes, blanks included.
  std::string_view raw() const { return {data, N}; }
  // The bytes without trailing blanks.
  std::string_view bytes() const { return {data, length()}; }
  // The text without trailing blanks, for display and for joining with other text.
  QString clip() const { return fromCp1252(bytes()); }
  // All N characters as text, trailing blanks included.
  QString full() const { return fromCp1252(raw()); }
  std::string utf8() const { return clip().toStdString(); }

  // 1-based slices, as the stored layouts count characters.
  std::string_view sub(std::size_t from, std::size_t count) const {
    if (from < 1 || from > N) return {};
    return {data + from - 1, std::min(count, N - from + 1)};
  }
  // Writes the bytes at 1-based position `from`, exactly `count` characters (blank-padded).
  void setSub(std::size_t from, std::size_t count, std::string_view cp1252) {
    for (std::size_t i = 0; i < count && from - 1 + i < N; ++i)
      data[from - 1 + i] = i < cp1252.size() ? cp1252[i] : ' ';
  }

  char& operator[](std::size_t i) { return data[i]; }
  char operator[](std::size_t i) const { return data[i]; }

  // Equality of the texts without trailing blanks (on both sides), byte for byte.
  template <std::size_t M>
  bool operator==(const String<M>& other) const { return bytes() == other.bytes(); }
  bool operator==(const char* utf8) const {
    std::string other = utf8ToCp1252(utf8 ? utf8 : "");
    while (!other.empty() && other.back() == ' ') other.pop_back();
    return bytes() == other;
  }
};

}  // namespace rt
