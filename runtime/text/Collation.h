#pragma once
// The program-wide collation: one 256-entry weight table and one upper-case table over
// Windows-1252 bytes. Key order, sorting and upper-casing all go through it, so that one order holds
// everywhere.
//
// `set` takes the letter order ("AaÄäBb…") and the case pairs ("ÄÖÜ,äöü"). The letters of the order
// form one block of consecutive weights in the given order; that block stands where its lowest byte
// stands in byte order (for the German order: at "A"), and every other byte keeps its byte order
// around it. So blank, punctuation and digits sort before the letters, and "ß", accented letters and
// the other high bytes after "z". Upper-casing maps a-z to A-Z and each case pair; nothing else.
// Before `set` is called the order is plain byte order.

#include <QString>
#include <string>
#include <string_view>

namespace rt {

class Collation {
 public:
  // Both arguments are UTF-8 text. Returns false (and changes nothing) when the pairs are malformed.
  static bool set(std::string_view orderUtf8, std::string_view casePairsUtf8);
  static void reset();  // back to byte order and ASCII case

  static unsigned char weight(unsigned char c);
  static unsigned char upper(unsigned char c);
  static std::string upper(std::string_view cp1252);
  static QString upper(const QString& text);

  // Compares two Windows-1252 texts as fields padded with blanks to the same length, so that
  // trailing blanks never count and a character that weighs less than the blank sorts before the
  // end of a text ("K" + chr(0) before "K"). Negative, 0 or positive.
  static int compare(std::string_view a, std::string_view b, bool ignoreCase = false);
};

// The German order that start-up sets.
inline constexpr const char* kGermanOrder =
    "AaÄäBbCcDdEeFfGgHhIiJjKkLlMmNnOoÖöPpQqRrSsTtUuÜüVvWwXxYyZz";
inline constexpr const char* kGermanCasePairs = "ÄÖÜ,äöü";

}  // namespace rt
