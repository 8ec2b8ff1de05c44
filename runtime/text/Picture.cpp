#include "runtime/text/Picture.h"

#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace rt {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Reads 1 to maxDigits decimal digits from the front of s.
bool readCount(std::string_view& s, int& out, int maxDigits) {
  int n = 0;
  out = 0;
  while (n < maxDigits && n < static_cast<int>(s.size()) && isDigit(s[n])) out = out * 10 + (s[n++] - '0');
  s.remove_prefix(n);
  return n > 0;
}

// |value| × 10^decimals, rounded half away from zero, as a digit string without leading zeros.
// The rounding works on the value's 15 significant decimal digits rather than on the binary value,
// so that 2.675 (held as 2.67499999…) rounds to 2.68 as the written amount does. Empty when the
// result has more than maxDigits digits.
std::string roundedDigits(double value, int decimals, int maxDigits) {
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
  const std::string_view sci(buf, res.ptr - buf);  // "d.dddddddddddddde±xx"
  const std::size_t e = sci.find('e');
  std::string mantissa = std::string(1, sci[0]) + std::string(sci.substr(2, e - 2));
  int exponent = 0;
  std::from_chars(sci.data() + e + 2, sci.data() + sci.size(), exponent);
  if (sci[e + 1] == '-') exponent = -exponent;

  // The value is 0.mantissa × 10^(exponent + 1); keep that many digits before the decimal point
  // plus the decimals.
  const int keep = exponent + 1 + decimals;
  if (keep < 0) return "0";
  if (keep > maxDigits) return {};  // the mantissa starts with a non-zero digit unless value is 0
  const int m = static_cast<int>(mantissa.size());
  std::string out = mantissa.substr(0, std::min(keep, m));
  if (keep > m) out.append(keep - m, '0');
  if (keep < m && mantissa[keep] >= '5') {
    int i = static_cast<int>(out.size()) - 1;
    while (i >= 0 && out[i] == '9') out[i--] = '0';
    if (i >= 0)
      ++out[i];
    else
      out.insert(out.begin(), '1');
  }
  const std::size_t first = out.find_first_not_of('0');
  out = first == std::string::npos ? "0" : out.substr(first);
  if (static_cast<int>(out.size()) > maxDigits) return {};
  return out;
}

Day latestDay() {
  static const Day last = dayNumber(9999, 12, 31);
  return last;
}

}  // namespace

Picture::Picture(std::string_view text) {
  if (text.substr(0, 2) == "@N") {
    std::string_view s = text.substr(2);
    if (!s.empty() && s[0] == '-') {
      sign_ = true;
      s.remove_prefix(1);
    }
    if (!s.empty() && (s[0] == '0' || s[0] == '_')) {
      zeroFill_ = s[0] == '0';
      s.remove_prefix(1);
    }
    int width = 0, decimals = 0;
    if (!readCount(s, width, 2) || width < 1) return;
    if (!s.empty() && s[0] == '`') {
      stops_ = true;
      s.remove_prefix(1);
      if (!readCount(s, decimals, 2)) return;
      if (decimals > 0 && decimals + 2 > width) return;  // not even "0,00" would fit
    }
    if (!s.empty()) return;
    kind_ = Kind::Number;
    width_ = width;
    decimals_ = decimals;
  } else if (text == "@D06." || text == "@D06.B") {
    kind_ = Kind::Date;
    width_ = 10;
  } else if (text.substr(0, 2) == "@S") {
    std::string_view s = text.substr(2);
    int width = 0;
    if (!readCount(s, width, 5) || width < 1 || !s.empty()) return;
    kind_ = Kind::Text;
    width_ = width;
  }
}

std::optional<QString> Picture::render(double value) const {
  if (!std::isfinite(value)) return std::nullopt;
  std::string digits = roundedDigits(value, decimals_, width_);
  if (digits.empty()) return std::nullopt;
  return render(std::move(digits), value < 0);
}

std::optional<QString> Picture::render(std::string digits, bool negative) const {
  negative = negative && digits != "0";  // never "-0,00"
  if (static_cast<int>(digits.size()) <= decimals_) digits.insert(0, decimals_ + 1 - digits.size(), '0');

  const std::string whole = digits.substr(0, digits.size() - decimals_);
  std::string shown;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (stops_ && i > 0 && (whole.size() - i) % 3 == 0) shown += '.';
    shown += whole[i];
  }
  if (decimals_ > 0) shown += ',' + digits.substr(whole.size());

  const int room = width_ - (negative ? 1 : 0);
  if (static_cast<int>(shown.size()) > room) return std::nullopt;
  if (zeroFill_) shown.insert(0, room - shown.size(), '0');
  if (negative) shown.insert(0, 1, '-');
  return QString::fromLatin1(shown).rightJustified(width_, ' ');
}

QString Picture::format(double value) const {
  if (kind_ != Kind::Number) return {};
  // A value too wide for its picture is never cut or shown in part: the whole width shows "#", so
  // that no wrong number can be read off a window, a report or the export.
  return render(value).value_or(QString(width_, '#'));
}

// The cents' digits with the picture's decimals: zeros appended, or the dropped places rounded
// half away from zero.
QString Picture::format(Cents amount) const {
  if (kind_ != Kind::Number) return {};
  const std::int64_t c = amount.cents();
  std::uint64_t magnitude = c < 0 ? 0 - static_cast<std::uint64_t>(c) : static_cast<std::uint64_t>(c);
  std::string digits;
  if (decimals_ >= 2) {
    digits = std::to_string(magnitude) + std::string(decimals_ - 2, '0');
  } else {
    const std::uint64_t unit = decimals_ == 1 ? 10 : 100;
    magnitude = magnitude / unit + (magnitude % unit >= unit / 2 ? 1 : 0);
    digits = std::to_string(magnitude);
  }
  return render(std::move(digits), c < 0).value_or(QString(width_, '#'));
}

// Day 0 is "no date" and shows blank with and without "B": it has no calendar form, and any
// text in its place ("00.00.0000", or 28.12.1800 as the day count would give) would be read or
// exported as a date that was never entered. A day number that no four-digit year can show
// (negative, or after 9999) fills the width with "#", as an oversized number does.
QString Picture::formatDate(Day day) const {
  if (kind_ != Kind::Date) return {};
  if (day == 0) return QString(width_, ' ');
  if (day < 0 || day > latestDay()) return QString(width_, '#');
  const DATE d = dateOf(day);
  return QStringLiteral("%1.%2.%3")
      .arg(d.day, 2, 10, QChar('0'))
      .arg(d.month, 2, 10, QChar('0'))
      .arg(d.year, 4, 10, QChar('0'));
}

QString Picture::formatText(const QString& text) const {
  if (kind_ != Kind::Text) return {};
  QString shown = text.left(width_);
  // Never split a character that takes two UTF-16 units.
  if (text.size() > width_ && shown.back().isHighSurrogate()) shown.chop(1);
  return shown.leftJustified(width_, ' ');
}

// Accepted: an optional minus (only where the picture has "-"), the whole part as plain digits or,
// where the picture shows thousands stops, grouped by full stops (1 to 3 digits without a leading
// zero, then groups of exactly 3), and where it has decimals a decimal comma with at most that many
// digits. A stop in any other place is rejected rather than guessed at: read as a decimal point or
// as a stop, "12.50" would be one of two amounts a factor of 100 apart.
std::optional<Picture::Typed> Picture::scan(const QString& typed) const {
  if (kind_ != Kind::Number) return std::nullopt;
  const QString s = typed.trimmed();
  Typed out;
  if (s.isEmpty()) {
    out.whole = "0";
    return out;
  }

  qsizetype i = 0;
  out.negative = s[0] == '-';
  if (out.negative) {
    if (!sign_) return std::nullopt;
    ++i;
  }
  std::string& whole = out.whole;
  int group = 0;         // digits in the current group
  bool grouped = false;  // a stop has been seen
  for (; i < s.size() && s[i] != ','; ++i) {
    if (isDigit(s[i])) {
      whole += static_cast<char>(s[i].unicode());
      ++group;
    } else if (s[i] == '.' && stops_) {
      const bool firstGroupOk = grouped || (group >= 1 && group <= 3 && whole[0] != '0');
      if (!firstGroupOk || (grouped && group != 3)) return std::nullopt;
      grouped = true;
      group = 0;
    } else {
      return std::nullopt;
    }
  }
  if (grouped && group != 3) return std::nullopt;

  std::string& fraction = out.fraction;
  if (i < s.size()) {  // at the decimal comma
    if (decimals_ == 0) return std::nullopt;
    for (++i; i < s.size(); ++i) {
      if (!isDigit(s[i])) return std::nullopt;
      fraction += static_cast<char>(s[i].unicode());
    }
    if (static_cast<int>(fraction.size()) > decimals_) return std::nullopt;
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (whole.empty()) whole = "0";
  return out;
}

std::optional<double> Picture::parseNumber(const QString& typed) const {
  const auto t = scan(typed);
  if (!t) return std::nullopt;
  const std::string number = t->whole + (t->fraction.empty() ? "" : "." + t->fraction);
  double value = 0;
  const auto res = std::from_chars(number.data(), number.data() + number.size(), value);
  if (res.ec != std::errc() || res.ptr != number.data() + number.size()) return std::nullopt;
  if (t->negative) value = -value;
  if (value == 0) value = 0;  // no negative zero
  if (!render(value)) return std::nullopt;
  return value;
}

std::optional<Cents> Picture::parseCents(const QString& typed) const {
  const auto t = scan(typed);
  if (!t) return std::nullopt;
  std::string fraction = t->fraction;
  fraction.resize(std::max<std::size_t>(fraction.size(), 2), '0');
  if (fraction.find_first_not_of('0', 2) != std::string::npos) return std::nullopt;  // below a cent
  const std::string digits = t->whole + fraction.substr(0, 2);
  if (digits.size() > 18) return std::nullopt;  // the width of a picture keeps it far below
  const Cents amount(t->negative ? -std::stoll(digits) : std::stoll(digits));
  if (format(amount).contains('#')) return std::nullopt;
  return amount;
}

// Accepted: day.month.year with one or two digits for day and month and two or four for the year,
// or the digits alone as ddmmyy or ddmmyyyy. A two-digit year yy is 20yy for 00 to 79 and 19yy for
// 80 to 99.
std::optional<Day> Picture::parseDate(const QString& typed) const {
  if (kind_ != Kind::Date) return std::nullopt;
  const QString s = typed.trimmed();
  if (s.isEmpty()) return Day{0};

  bool digitsOnly = true;
  for (QChar c : s) digitsOnly = digitsOnly && isDigit(c);
  QStringList parts;
  if (!digitsOnly)
    parts = s.split('.');
  else if (s.size() == 6 || s.size() == 8)
    parts = {s.left(2), s.mid(2, 2), s.mid(4)};
  if (parts.size() != 3) return std::nullopt;

  int value[3] = {};
  for (int p = 0; p < 3; ++p) {
    const QString& part = parts[p];
    const bool sizeOk = p < 2 ? part.size() == 1 || part.size() == 2 : part.size() == 2 || part.size() == 4;
    if (!sizeOk) return std::nullopt;
    for (QChar c : part) {
      if (!isDigit(c)) return std::nullopt;
      value[p] = value[p] * 10 + (c.unicode() - '0');
    }
  }
  int year = value[2];
  if (parts[2].size() == 2) year += year < 80 ? 2000 : 1900;
  if (!isValidDate(year, value[1], value[0])) return std::nullopt;
  return dayNumber(year, value[1], value[0]);
}

double roundDecimal(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  std::string digits = roundedDigits(value, decimals, 30);
  if (digits.empty()) return value;
  if (static_cast<int>(digits.size()) <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
  digits.insert(digits.size() - decimals, ".");
  double r = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), r);
  return value < 0 && r != 0 ? -r : r;
}

QString formatAmount(Cents value) {
  static const Picture amount("@N-12`2");
  return amount.format(value);
}

QString formatDate(Day day) {
  static const Picture date("@D06.");
  return date.formatDate(day);
}

void appendAmount(std::string& out, Cents amount) {
  // Built from the right: two decimals, the comma, the whole digits with a stop before every third.
  constexpr std::ptrdiff_t kWidth = 12;
  const std::int64_t c = amount.cents();
  std::uint64_t m = c < 0 ? 0 - static_cast<std::uint64_t>(c) : static_cast<std::uint64_t>(c);
  char buf[40];
  char* const end = buf + sizeof buf;
  char* p = end;
  for (int i = 0; i < 2; ++i, m /= 10) *--p = static_cast<char>('0' + m % 10);
  *--p = ',';
  for (int n = 0; n == 0 || m > 0; ++n, m /= 10) {
    if (n > 0 && n % 3 == 0) *--p = '.';
    *--p = static_cast<char>('0' + m % 10);
  }
  if (c < 0) *--p = '-';  // a negative amount is never zero
  const std::ptrdiff_t length = end - p;
  if (length > kWidth) {
    out.append(kWidth, '#');
    return;
  }
  out.append(static_cast<std::size_t>(kWidth - length), ' ');
  out.append(p, static_cast<std::size_t>(length));
}

void appendDate(std::string& out, Day day) {
  if (day == 0) {
    out.append(10, ' ');
    return;
  }
  if (day < 0 || day > latestDay()) {
    out.append(10, '#');
    return;
  }
  const DATE d = dateOf(day);
  const char text[10] = {static_cast<char>('0' + d.day / 10),    static_cast<char>('0' + d.day % 10),  '.',
                         static_cast<char>('0' + d.month / 10),  static_cast<char>('0' + d.month % 10), '.',
                         static_cast<char>('0' + d.year / 1000), static_cast<char>('0' + d.year / 100 % 10),
                         static_cast<char>('0' + d.year / 10 % 10), static_cast<char>('0' + d.year % 10)};
  out.append(text, sizeof text);
}

}  // namespace rt
