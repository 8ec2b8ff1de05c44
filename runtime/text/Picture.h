#pragma once
// Display pictures: how a value is shown in a window, a list, a report or the export, and how an
// entry field reads what the user typed.
//
//   "@N" [-] [0|_] width [`decimals]   number: "-" lets the user type a minus; "0" fills with leading
//                                       zeros, "_" or nothing with leading blanks; "`" gives a decimal
//                                       comma and full stops between thousands. Without "`" the digits
//                                       stand plain ("@N4" shows the year 2024 as "2024").
//   "@D06." [B]                         date as dd.mm.yyyy, 10 characters.
//   "@S" n                              text of n characters.
//
// A negative number always shows its minus sign directly before the first digit; a number that
// rounds to zero never shows one. A value that does not fit its picture shows the whole width
// filled with "#".

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/text/Cents.h"
#include "runtime/text/Date.h"

namespace rt {

class Picture {
 public:
  enum class Kind { Invalid, Number, Date, Text };

  explicit Picture(std::string_view text);

  bool valid() const { return kind_ != Kind::Invalid; }
  Kind kind() const { return kind_; }
  int width() const { return width_; }  // characters of the shown text
  int decimals() const { return decimals_; }

  // Each formats for its own kind of picture and returns an empty text for any other.
  QString format(double value) const;
  QString format(Cents amount) const;  // exact: no binary value in between
  QString formatDate(Day day) const;
  QString formatText(const QString& text) const;  // cut or blank-padded to the width

  // What an entry field makes of the typed text; empty = rejected. Blanks around it are ignored and
  // a blank entry is 0 (no date for a date picture).
  std::optional<double> parseNumber(const QString& typed) const;
  // An amount: the typed digits taken as they stand; a picture with more than two decimals takes
  // only what whole cents can hold.
  std::optional<Cents> parseCents(const QString& typed) const;
  std::optional<Day> parseDate(const QString& typed) const;

 private:
  std::optional<QString> render(double value) const;  // empty when it does not fit
  // `digits`: the value times 10^decimals without leading zeros.
  std::optional<QString> render(std::string digits, bool negative) const;
  // The typed number as its sign, whole digits and decimal digits; empty when rejected.
  struct Typed {
    bool negative = false;
    std::string whole, fraction;
  };
  std::optional<Typed> scan(const QString& typed) const;

  Kind kind_ = Kind::Invalid;
  int width_ = 0;
  int decimals_ = 0;
  bool sign_ = false;
  bool zeroFill_ = false;
  bool stops_ = false;
};

// `value` rounded to `decimals` places: first to 15 significant decimal digits, then half away from
// zero, as amounts are shown. Values too large for that stay as they are.
double roundDecimal(double value, int decimals);

// The amount picture "@N-12`2" and the date picture "@D06.".
QString formatAmount(Cents amount);
QString formatDate(Day day);
// The same two texts as bytes appended to `out`, without a QString in between: for texts made in
// great numbers, also on threads other than the GUI thread.
void appendAmount(std::string& out, Cents amount);
void appendDate(std::string& out, Day day);

}  // namespace rt
