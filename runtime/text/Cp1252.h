#pragma once
// Conversion between the Windows-1252 bytes in which all stored texts are held and the Unicode
// text of the window layer.
//
// Rule for characters that Windows-1252 cannot hold: each such character becomes one "?" byte, so
// that every other character keeps its place and a text never grows or shifts by the replacement.
// The five byte values that Windows-1252 leaves undefined (81h, 8Dh, 8Fh, 90h, 9Dh) map to the
// control characters of the same value, so that every byte survives a round trip.

#include <QString>
#include <string>
#include <string_view>

namespace rt {

std::string toCp1252(QStringView text);
std::string utf8ToCp1252(std::string_view utf8);
QString fromCp1252(std::string_view bytes);
char16_t cp1252ToUnicode(unsigned char byte);

}  // namespace rt
