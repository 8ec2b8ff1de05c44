#include "runtime/text/Picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "runtime/text/Date.h"

using rt::Picture;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

rt::Day day(int y, int m, int d) { return rt::dayNumber(y, m, d); }

}  // namespace

TEST(PictureTest, ReadsThePictureText) {
  for (const char* text :
       {"@N-12`2", "@N5`2", "@N_5`2", "@N04", "@N4", "@N_8", "@D06.", "@D06.B", "@S4", "@S200"}) {
    EXPECT_TRUE(Picture(text).valid()) << text;
  }
  for (const char* text : {"", "@", "@N", "@N-", "@N0", "@N5`", "@N2`2", "@N12`2x", "@N-12.2", "@n12", "@X5",
                           "@D06", "@D06.C", "@D6.", "@S", "@S0", "@S-4", "N12"}) {
    EXPECT_FALSE(Picture(text).valid()) << text;
  }
  EXPECT_EQ(Picture("@N-12`2").width(), 12);
  EXPECT_EQ(Picture("@N-12`2").decimals(), 2);
  EXPECT_EQ(Picture("@D06.B").width(), 10);

  // Each kind formats and parses only its own values.
  EXPECT_EQ(Picture("@S4").format(1), QString());
  EXPECT_EQ(Picture("@N4").formatDate(4), QString());
  EXPECT_EQ(Picture("@D06.").formatText("x"), QString());
  EXPECT_FALSE(Picture("@D06.").parseNumber("1"));
  EXPECT_FALSE(Picture("@N-12`2").parseDate("1.1.2024"));
  EXPECT_FALSE(Picture("@X").parseNumber(""));
}

TEST(PictureTest, FormatsNumbers) {
  struct Case {
    const char* picture;
    double value;
    const char* shown;
  };
  const Case cases[] = {
      {"@N-12`2", 1234.5, "    1.234,50"},
      {"@N-12`2", -1234.5, "   -1.234,50"},
      {"@N-12`2", 0, "        0,00"},
      {"@N-12`2", -0.001, "        0,00"},  // rounds to zero: no minus
      {"@N-12`2", -0.0, "        0,00"},
      {"@N-12`2", 0.005, "        0,01"},  // half away from zero
      {"@N-12`2", -0.005, "       -0,01"},
      {"@N-12`2", 2.675, "        2,68"},  // held slightly below 2.675
      {"@N-12`2", 1.005, "        1,01"},
      {"@N-12`2", 0.1 + 0.2, "        0,30"},
      {"@N-12`2", 999.999, "    1.000,00"},
      {"@N-12`2", 100, "      100,00"},
      {"@N-12`2", 123456.789, "  123.456,79"},
      {"@N-12`2", 1234567.891, "1.234.567,89"},
      {"@N-12`2", 9999999.99, "9.999.999,99"},
      {"@N-12`2", -999999.99, " -999.999,99"},
      {"@N-12`2", 9999999.995, "############"},  // rounds up to 10.000.000,00
      {"@N-12`2", 10000000, "############"},
      {"@N-12`2", -1000000, "############"},
      {"@N-12`2", 1e300, "############"},
      {"@N-12`2", -1e300, "############"},
      {"@N-12`2", kInf, "############"},
      {"@N-12`2", kNaN, "############"},
      {"@N-12`2", 1e-300, "        0,00"},
      {"@N5`2", 19, "19,00"},
      {"@N5`2", 7, " 7,00"},
      {"@N5`2", 0, " 0,00"},
      {"@N5`2", 99.99, "99,99"},
      {"@N5`2", 99.995, "#####"},
      {"@N5`2", -7, "-7,00"},
      {"@N_5`2", 19, "19,00"},
      {"@N_5`2", 7, " 7,00"},
      {"@N04", 12, "0012"},
      {"@N04", 0, "0000"},
      {"@N04", 9999, "9999"},
      {"@N04", 12.5, "0013"},
      {"@N04", 10000, "####"},
      {"@N04", -12, "-012"},
      {"@N4", 2024, "2024"},
      {"@N4", 7, "   7"},
      {"@N4", 12345, "####"},
      {"@N_8", 3, "       3"},
      {"@N_8", 12345678, "12345678"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + std::to_string(c.value));
    EXPECT_EQ(Picture(c.picture).format(c.value), QString(c.shown));
  }
  EXPECT_EQ(rt::formatAmount(rt::Cents(-123450)), QString("   -1.234,50"));
}

// The byte forms of the amount and date pictures give exactly what the pictures show: amounts
// around every width and sign, with and without thousands stops, too wide for the picture, and
// every date of three centuries, the last ones the calendar can show and the days around them.
TEST(PictureTest, AmountAndDateBytesAreThePicturesTexts) {
  const rt::Picture amount("@N-12`2");
  std::vector<std::int64_t> cents = {0, 1, -1, 9, -9, 10, 99, -99, 100, -100, 123456, -123456,
                                     99999999, -99999999, 100000000, 999999999, -9999999, -100000000,
                                     1000000000, std::numeric_limits<std::int64_t>::max(),
                                     std::numeric_limits<std::int64_t>::min()};
  for (std::int64_t p = 1; p < 1000000000000LL; p *= 10)
    for (const std::int64_t c : {p - 1, p, p + 1, 5 * p, -p + 1, -p, -p - 1, -5 * p}) cents.push_back(c);
  std::mt19937_64 zufall(7);
  for (int i = 0; i < 2000; ++i) cents.push_back(static_cast<std::int64_t>(zufall() % 4000000000ULL) - 2000000000);
  for (const std::int64_t c : cents) {
    std::string bytes = "x";
    rt::appendAmount(bytes, rt::Cents(c));
    ASSERT_EQ(bytes, "x" + amount.format(rt::Cents(c)).toStdString()) << c;
  }
  const rt::Picture date("@D06.");
  auto gleich = [&](rt::Day von, rt::Day bis) {
    for (rt::Day d = von; d <= bis; ++d) {
      std::string bytes;
      rt::appendDate(bytes, d);
      ASSERT_EQ(bytes, date.formatDate(d).toStdString()) << d;
    }
  };
  gleich(-2, day(2100, 1, 1));
  gleich(day(9998, 1, 1), day(9999, 12, 31) + 2);
  std::string bytes;
  rt::appendDate(bytes, std::numeric_limits<rt::Day>::max());
  EXPECT_EQ(bytes, "##########");
}

TEST(PictureTest, FormatsDatesAndTexts) {
  struct Case {
    const char* picture;
    rt::Day day;
    const char* shown;
  };
  const Case cases[] = {
      {"@D06.", 4, "01.01.1801"},
      {"@D06.", 100000, "12.10.2074"},
      {"@D06.", day(2024, 3, 5), "05.03.2024"},
      {"@D06.", day(9999, 12, 31), "31.12.9999"},
      {"@D06.B", day(2024, 12, 31), "31.12.2024"},
      {"@D06.B", 0, "          "},
      {"@D06.", 0, "          "},
      {"@D06.", -1, "##########"},
      {"@D06.", day(9999, 12, 31) + 1, "##########"},
      {"@D06.", std::numeric_limits<rt::Day>::max(), "##########"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + std::to_string(c.day));
    EXPECT_EQ(Picture(c.picture).formatDate(c.day), QString(c.shown));
  }
  EXPECT_EQ(rt::formatDate(4), QString("01.01.1801"));

  EXPECT_EQ(Picture("@S4").formatText("Müller"), QString("Müll"));
  EXPECT_EQ(Picture("@S4").formatText("ab"), QString("ab  "));
  EXPECT_EQ(Picture("@S50").formatText(""), QString(50, ' '));
  EXPECT_EQ(Picture("@S3").formatText(QString::fromUtf8("ab😀")), QString("ab "));
}

TEST(PictureTest, ParsesTypedNumbers) {
  struct Case {
    const char* picture;
    const char* typed;
    double value;
  };
  const Case cases[] = {
      {"@N-12`2", "1234,56", 1234.56},
      {"@N-12`2", "1.234,56", 1234.56},
      {"@N-12`2", "-1.234,56", -1234.56},
      {"@N-12`2", "1234", 1234},
      {"@N-12`2", "12,5", 12.5},
      {"@N-12`2", "0", 0},
      {"@N-12`2", "", 0},
      {"@N-12`2", "   ", 0},
      {"@N-12`2", "-0,5", -0.5},
      {"@N-12`2", "-0", 0},
      {"@N-12`2", "  12,50 ", 12.5},
      {"@N-12`2", ",5", 0.5},
      {"@N-12`2", "12,", 12},
      {"@N-12`2", "0012", 12},
      {"@N-12`2", "1.234.567,89", 1234567.89},
      {"@N-12`2", "9.999.999,99", 9999999.99},
      {"@N-12`2", "-999.999,99", -999999.99},
      {"@N5`2", "19", 19},
      {"@N5`2", "7,5", 7.5},
      {"@N5`2", "99,99", 99.99},
      {"@N04", "12", 12},
      {"@N04", "0012", 12},
      {"@N04", "", 0},
      {"@N04", "9999", 9999},
      {"@N4", "2024", 2024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " \"" + c.typed + "\"");
    const auto value = Picture(c.picture).parseNumber(QString::fromUtf8(c.typed));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, c.value);
    EXPECT_FALSE(std::signbit(*value) && *value == 0);
  }
}

// Amounts in cents show as the same amount in units does, and an entry reads to the same cent.
TEST(PictureTest, AmountsInCentsShowAndReadAsTheNumbersDo) {
  std::mt19937_64 zufall(12);
  for (const char* bild : {"@N-12`2", "@N5`2", "@N_8", "@N4", "@N-6`1", "@N-8`3"}) {
    SCOPED_TRACE(bild);
    const Picture p(bild);
    for (int i = 0; i < 20000; ++i) {
      const int stellen = 1 + static_cast<int>(zufall() % 12);
      std::int64_t c = static_cast<std::int64_t>(zufall() % static_cast<std::uint64_t>(std::pow(10.0, stellen)));
      if (zufall() % 3 == 0) c = -c;
      const QString shown = p.format(rt::Cents(c));
      ASSERT_EQ(shown, p.format(static_cast<double>(c) / 100)) << c;
      const auto typed = p.parseNumber(shown);
      if (!typed) continue;  // "#"
      ASSERT_EQ(p.parseCents(shown), rt::Cents::fromReal(*typed)) << shown.toStdString();
    }
  }
  struct Case {
    const char* picture;
    const char* typed;
    std::int64_t cents;
  };
  const std::int64_t nein = std::numeric_limits<std::int64_t>::min();  // rejected
  const Case cases[] = {
      {"@N-12`2", "1.234,5", 123450},     {"@N-12`2", "-0,01", -1},          {"@N-12`2", "", 0},
      {"@N-12`2", "9.999.999,99", 999999999}, {"@N-12`2", "10.000.000", nein}, {"@N-12`2", "12.50", nein},
      {"@N-12`2", "1,234", nein},           {"@N12`2", "-1", nein},              {"@N-8`3", "1,230", 123},
      {"@N-8`3", "1,234", nein},            {"@N4", "12", 1200},               {"@N4", "1,5", nein},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " \"" + c.typed + "\"");
    const auto cents = Picture(c.picture).parseCents(QString::fromUtf8(c.typed));
    if (c.cents == nein) {
      EXPECT_FALSE(cents);
    } else {
      ASSERT_TRUE(cents);
      EXPECT_EQ(cents->cents(), c.cents);
    }
  }
  EXPECT_EQ(Picture("@N4").format(rt::Cents(12350)), QString(" 124"));  // half a unit away from zero
  EXPECT_EQ(Picture("@N4").format(rt::Cents(-12349)), QString("-123"));
  EXPECT_EQ(Picture("@N-12`2").format(rt::Cents(std::numeric_limits<std::int64_t>::min())), QString(12, '#'));
  EXPECT_EQ(Picture("@S4").format(rt::Cents(1)), QString());
}

TEST(PictureTest, ParsesTypedDates) {
  struct Case {
    const char* typed;
    rt::Day day;
  };
  const Case cases[] = {
      {"5.3.2024", day(2024, 3, 5)},
      {"05.03.2024", day(2024, 3, 5)},
      {"5.3.24", day(2024, 3, 5)},
      {"05.03.24", day(2024, 3, 5)},
      {"050324", day(2024, 3, 5)},
      {"05032024", day(2024, 3, 5)},
      {" 5.3.2024 ", day(2024, 3, 5)},
      {"29.2.2024", day(2024, 2, 29)},
      {"1.1.00", day(2000, 1, 1)},
      {"1.1.79", day(2079, 1, 1)},
      {"1.1.80", day(1980, 1, 1)},
      {"31.12.99", day(1999, 12, 31)},
      {"01.01.1801", 4},
      {"12.10.2074", 100000},
      {"31.12.9999", day(9999, 12, 31)},
      {"", 0},
      {"   ", 0},
  };
  for (const char* picture : {"@D06.", "@D06.B"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(picture) + " \"" + c.typed + "\"");
      EXPECT_EQ(Picture(picture).parseDate(c.typed), std::optional<rt::Day>(c.day));
    }
  }
}

TEST(PictureTest, RejectsWhatCouldBeReadWrongly) {
  struct Case {
    const char* picture;
    const char* typed;
  };
  const Case numbers[] = {
      {"@N-12`2", "12.50"},    {"@N-12`2", "1.23,4"},   {"@N-12`2", "1.2345"},
      {"@N-12`2", "1234.567"}, {"@N-12`2", ".123"},     {"@N-12`2", "0.123"},
      {"@N-12`2", "1..234"},   {"@N-12`2", "1.234."},   {"@N-12`2", "1,234"},
      {"@N-12`2", "1,2,3"},    {"@N-12`2", "12a"},      {"@N-12`2", "12-"},
      {"@N-12`2", "+12"},      {"@N-12`2", "12 €"},     {"@N-12`2", "€12"},
      {"@N-12`2", "1 234"},    {"@N-12`2", "--1"},      {"@N-12`2", "-"},
      {"@N-12`2", ","},        {"@N-12`2", "-,"},       {"@N-12`2", "1e5"},
      {"@N-12`2", "0x10"},     {"@N-12`2", "inf"},      {"@N-12`2", "nan"},
      {"@N-12`2", "10000000"}, {"@N-12`2", "-1000000"}, {"@N-12`2", "9999999,995"},
      {"@N-12`2", "١٢"},       {"@N-12`2", "１２"},     {"@N04", "-12"},
      {"@N04", "1,0"},         {"@N04", "12,"},         {"@N04", "12345"},
      {"@N04", "1.234"},       {"@N5`2", "-5"},         {"@N5`2", "100"},
      {"@N5`2", "1,234"},      {"@N4", "2.024"},
  };
  for (const Case& c : numbers) {
    SCOPED_TRACE(std::string(c.picture) + " \"" + c.typed + "\"");
    EXPECT_FALSE(Picture(c.picture).parseNumber(QString::fromUtf8(c.typed)));
  }
  for (const char* typed :
       {"31.02.2024", "0.1.2024",  "13.13.2024", "29.02.2023", "1.0.2024",  "00.00.0000", "000000",
        "31.12.1800", "1.1.1800",  "5.3.",       "5.3",        "5.3.202",   "5.3.20245",  "005.03.2024",
        "05032",      "0503202",   "5/3/2024",   "5-3-2024",   "5.3.2024.", ".5.3.2024",  "5..2024",
        "a.b.c",      "5. 3.2024", "+5.3.2024",  "-5.3.2024",  "٥.٣.٢٠٢٤",  "heute",      "1.1.0001",
        "1.1.1000",   "01010000"}) {
    SCOPED_TRACE(typed);
    EXPECT_FALSE(Picture("@D06.B").parseDate(QString::fromUtf8(typed)));
  }
}

TEST(PictureTest, WhatIsShownReadsBackAsTheSameValue) {
  const Picture amount("@N-12`2");
  for (double v : {0.0, 0.01, -0.01, 0.1, 19.99, 100.0, 1000.0, 1234.5, -1234.5, 12345.67, 1234567.89,
                   9999999.99, -999999.99, 0.07, 2.68}) {
    SCOPED_TRACE(v);
    const QString shown = amount.format(v);
    EXPECT_EQ(amount.parseNumber(shown), std::optional<double>(v)) << shown.toStdString();
  }
  const Picture date("@D06.");
  for (rt::Day d = 4; d <= day(9999, 12, 31); d += 997) {
    ASSERT_EQ(date.parseDate(date.formatDate(d)), std::optional<rt::Day>(d)) << d;
  }
}

// Garbage of every kind: nothing crashes, and whatever is accepted shows without "#" and reads back
// as the same value.
TEST(PictureTest, SurvivesGarbage) {
  std::vector<QString> inputs = {QString(10000, '9'),
                                 QString(5000, '.'),
                                 QString(3000, ','),
                                 QString(2000, '-'),
                                 "9" + QString(400, '0') + ",00",
                                 "1." + QString(300, '0').replace("000", "000."),
                                 QString(QChar(0xD800)),
                                 QString(QChar(0xDC00)) + "12",
                                 QString(QChar(0)) + "12",
                                 QString::fromUtf8("12\0,5", 5),
                                 QString::fromUtf8("😀"),
                                 "\t\n\r",
                                 "31.12.9999",
                                 "1.1.10000",
                                 "99999999",
                                 "4294967296.1.2024",
                                 "1.4294967297.2024",
                                 "2147483647",
                                 "-2147483648"};
  std::mt19937 random(1801);
  const QString alphabet = QString::fromUtf8("0123456789012345.,-+ €eB/\tä");
  for (int n = 0; n < 20000; ++n) {
    QString s;
    for (int len = static_cast<int>(random() % 14); len > 0; --len) s += alphabet[random() % alphabet.size()];
    inputs.push_back(s);
  }
  // Date-shaped: three runs of digits with mostly full stops between them.
  const QString separators = "....., ";
  for (int n = 0; n < 20000; ++n) {
    QString s;
    for (int part = 0; part < 3; ++part) {
      if (part > 0 && random() % 10) s += separators[random() % separators.size()];
      for (int len = static_cast<int>(random() % 5); len > 0; --len)
        s += QChar(static_cast<char16_t>('0' + random() % 10));
    }
    inputs.push_back(s);
  }
  const Picture numbers[] = {Picture("@N-12`2"), Picture("@N5`2"), Picture("@N04"), Picture("@N4")};
  const Picture date("@D06.B");
  for (const QString& s : inputs) {
    for (const Picture& p : numbers) {
      if (const auto v = p.parseNumber(s)) {
        const QString shown = p.format(*v);
        ASSERT_FALSE(shown.contains('#')) << s.toStdString();
        ASSERT_EQ(p.parseNumber(shown), v) << s.toStdString();
      }
    }
    if (const auto d = date.parseDate(s); d && *d != 0) {
      ASSERT_FALSE(date.formatDate(*d).contains('#')) << s.toStdString();
      ASSERT_EQ(date.parseDate(date.formatDate(*d)), d) << s.toStdString();
    }
  }
}
