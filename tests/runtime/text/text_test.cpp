#include "runtime/text/Collation.h"
#include "runtime/text/Cp1252.h"
#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <vector>

using rt::Collation;
using rt::String;

namespace {

struct GermanCollation : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(Collation::set(rt::kGermanOrder, rt::kGermanCasePairs)); }
  void TearDown() override { Collation::reset(); }
};

}  // namespace

TEST(StringTest, PadsCutsAndClips) {
  String<8> s = "Müller  ";
  EXPECT_EQ(s.raw(), std::string_view("M\xFCller  ", 8));
  EXPECT_EQ(s.clip(), QString("Müller"));
  EXPECT_EQ(s.length(), 6u);

  s = "Zwölf Zeichen lang";
  EXPECT_EQ(s.clip(), QString("Zwölf Ze"));

  s = "";
  EXPECT_TRUE(s.isBlank());
  EXPECT_EQ(s.raw(), std::string_view("        ", 8));
}

TEST(StringTest, CharactersOutsideWindows1252BecomeOneQuestionMarkEach) {
  // Euro sign and Ä are Windows-1252; the Cyrillic letter and the emoji are not.
  String<10> s = QString::fromUtf8("€Äж😀ok");
  EXPECT_EQ(s.bytes(), std::string_view("\x80\xC4??ok", 6));
  EXPECT_EQ(s.clip(), QString::fromUtf8("€Ä??ok"));
}

TEST(StringTest, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(rt::toCp1252(rt::fromCp1252(all)), all);
}

TEST(StringTest, StoredUtf8BecomesTheSameBytesAsThroughQString) {
  std::vector<std::string> texte = {"", "Büro", "€ 5 – „Miete“", "Emoji \xF0\x9F\x98\x80 Ende", "\xC3", "a\xC3(",
                                    "\xE2\x82", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xFF\xFE",
                                    "\xEF\xBF\xBD", "\xE4\xB8\xAD"};
  for (int b = 1; b < 256; ++b) texte.push_back(rt::fromCp1252(std::string(1, static_cast<char>(b))).toUtf8().toStdString());
  for (const std::string& t : texte)
    EXPECT_EQ(rt::utf8ToCp1252(t), rt::toCp1252(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())))) << t;
}

TEST(StringTest, SlicesAreOneBasedAndBlankPadded) {
  String<40> name = "Erika Mustermann";
  EXPECT_EQ(name.sub(1, 5), "Erika");
  EXPECT_EQ(name.sub(21, 20), std::string(20, ' '));
  name.setSub(21, 20, "GmbH");
  EXPECT_EQ(name.sub(21, 20), "GmbH" + std::string(16, ' '));
  EXPECT_EQ(name.clip(), QString("Erika Mustermann    GmbH"));
}

TEST_F(GermanCollation, OrdersLettersUmlautsAndOtherCharacters) {
  std::vector<std::string> words = {"Zebra", "ärger", "Ärger", "Arg", "arg", "Öl", "Ofen", "Pause",
                                    "1000", " Blank", "Straße", "Strasse", "Strbse", "Über", "Uhu"};
  std::vector<std::string> cp;
  for (auto& w : words) cp.push_back(rt::utf8ToCp1252(w));
  std::sort(cp.begin(), cp.end(),
            [](const std::string& a, const std::string& b) { return Collation::compare(a, b) < 0; });
  std::vector<QString> got;
  for (auto& c : cp) got.push_back(rt::fromCp1252(c));
  const std::vector<QString> expected = {" Blank", "1000",  "Arg",    "arg",    "Ärger",
                                         "ärger",  "Ofen",  "Öl",     "Pause",  "Strasse",
                                         "Straße", "Strbse", "Uhu",   "Über",   "Zebra"};
  EXPECT_EQ(got, expected);
}

TEST_F(GermanCollation, UpperCasesAsciiAndThePairsOnly) {
  EXPECT_EQ(Collation::upper(QString("müller straße é")), QString("MÜLLER STRAßE é"));
  EXPECT_EQ(Collation::compare(rt::utf8ToCp1252("ä"), rt::utf8ToCp1252("Ä"), true), 0);
  EXPECT_NE(Collation::compare(rt::utf8ToCp1252("ä"), rt::utf8ToCp1252("Ä"), false), 0);
  EXPECT_EQ(Collation::compare("ab  ", "ab"), 0);
}

TEST(CollationTest, RejectsMalformedCasePairs) {
  EXPECT_FALSE(Collation::set(rt::kGermanOrder, "ÄÖÜ,äö"));
  EXPECT_FALSE(Collation::set(rt::kGermanOrder, "ÄÖÜäöü"));
  EXPECT_EQ(Collation::upper(static_cast<unsigned char>(0xE4)), 0xE4);  // unchanged: still byte order
}

TEST(DateTest, DayNumbers) {
  struct Case {
    int y, m, d;
    rt::Day day;
  };
  for (const Case& c : {Case{1801, 1, 1, 4}, Case{2074, 10, 12, 100000}, Case{1800, 12, 31, 3}}) {
    SCOPED_TRACE(c.day);
    if (c.y >= 1801) { EXPECT_EQ(rt::dayNumber(c.y, c.m, c.d), c.day); }
    const rt::DATE back = rt::dateOf(c.day);
    EXPECT_EQ(back.year, c.y);
    EXPECT_EQ(back.month, c.m);
    EXPECT_EQ(back.day, c.d);
  }
  EXPECT_EQ(rt::dayNumber(rt::DATE{}), 0);
  EXPECT_TRUE(rt::dateOf(0).isZero());
  EXPECT_EQ(rt::dayNumber(2023, 2, 29), 0);
}

TEST(DateTest, PeriodBounds) {
  EXPECT_EQ(rt::dateOf(rt::monthEnd(2024, 2)).day, 29);
  EXPECT_EQ(rt::dateOf(rt::monthEnd(2023, 2)).day, 28);
  EXPECT_EQ(rt::monthEnd(2024, 12), rt::dayNumber(2024, 12, 31));
  EXPECT_EQ(rt::quarterEnd(2024, 4), rt::dayNumber(2024, 12, 31));
  EXPECT_EQ(rt::quarterStart(2024, 2), rt::dayNumber(2024, 4, 1));
  EXPECT_EQ(rt::quarterEnd(2024, 1), rt::dayNumber(2024, 3, 31));
  EXPECT_EQ(rt::yearStart(2025), rt::yearEnd(2024) + 1);
  rt::setTodayForTesting(rt::dayNumber(2026, 12, 10));
  EXPECT_EQ(rt::today(), rt::dayNumber(2026, 12, 10));
  rt::setTodayForTesting(0);
}

// Dates outside 1 January 1801 to 31 December 9999 have no day number and no bound; nothing wraps
// or overflows.
TEST(DateTest, TheRangeEndsAt1801And9999) {
  const rt::Day last = rt::dayNumber(9999, 12, 31);
  ASSERT_GT(last, 0);
  struct Case {
    const char* what;
    rt::Day got, expected;
  } cases[] = {
      {"dayNumber(INT_MAX, 13, 1)", rt::dayNumber(INT_MAX, 13, 1), 0},
      {"dayNumber(9999, INT_MAX, 1)", rt::dayNumber(9999, INT_MAX, 1), 0},
      {"dayNumber(2024, 0, 1)", rt::dayNumber(2024, 0, 1), 0},
      {"dayNumber(2024, -11, 1)", rt::dayNumber(2024, -11, 1), 0},
      {"dayNumber(9999, 13, 1)", rt::dayNumber(9999, 13, 1), 0},
      {"dayNumber(1800, 12, 31)", rt::dayNumber(1800, 12, 31), 0},
      {"dayNumber(2023, 13, 1)", rt::dayNumber(2023, 13, 1), rt::dayNumber(2024, 1, 1)},
      {"dayNumber(2023, 25, 1)", rt::dayNumber(2023, 25, 1), rt::dayNumber(2025, 1, 1)},
      {"monthEnd(9999, 12)", rt::monthEnd(9999, 12), last},
      {"quarterEnd(9999, 4)", rt::quarterEnd(9999, 4), last},
      {"yearEnd(9999)", rt::yearEnd(9999), last},
      {"monthEnd(10000, 1)", rt::monthEnd(10000, 1), 0},
      {"monthEnd(1800, 12)", rt::monthEnd(1800, 12), 0},
      {"monthEnd(2024, 13)", rt::monthEnd(2024, 13), rt::dayNumber(2025, 1, 31)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;

  EXPECT_EQ(rt::dateOf(last), (rt::DATE{31, 12, 9999}));
  for (rt::Day beyond : {last + 1, last + 400, INT32_MAX}) {
    SCOPED_TRACE(beyond);
    EXPECT_TRUE(rt::dateOf(beyond).isZero());
    EXPECT_EQ(rt::yearOf(beyond), 0);
  }
  EXPECT_TRUE(rt::dateOf(INT32_MIN).isZero());
}

TEST(StringTest, EqualityIgnoresTrailingBlanksOnBothSides) {
  const String<6> s = "ab";
  struct Case {
    const char* other;
    bool equal;
  } cases[] = {{"ab", true}, {"ab   ", true}, {"ab         ", true}, {"ab ", true},
               {" ab", false}, {"ab x", false}, {"abc", false}, {"a", false}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(s == c.other, c.equal) << '"' << c.other << '"';
  EXPECT_TRUE(String<3>() == "");
  EXPECT_TRUE(String<3>() == "     ");
  EXPECT_TRUE(String<4>("Müll") == "Müll  ");
  EXPECT_TRUE(s == String<12>("ab"));
}

// The collation compares blank-padded fields: a character that weighs less than the blank sorts
// before the end of the text, one that weighs more after it.
TEST_F(GermanCollation, ComparesAsBlankPaddedFields) {
  const std::string nul(1, '\0'), ff(1, '\xFF');
  struct Case {
    std::string a, b;
    int sign;
  } cases[] = {{"K", "K   ", 0},     {"", "    ", 0},      {nul, "", -1},     {"", "K", -1},
               {"K" + nul, "K", -1}, {"K", "K" + ff, -1}, {"K", "K-", -1},   {"K" + ff + ff, "T", -1},
               {"0005", "0005" + nul, 1}, {ff, "Zz", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(rt::fromCp1252(c.a).toStdString() + " / " + rt::fromCp1252(c.b).toStdString());
    const int r = Collation::compare(c.a, c.b, true);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
    const int back = Collation::compare(c.b, c.a, true);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign);
  }
}
