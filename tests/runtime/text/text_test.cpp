#include "runtime/text/Collation.h"
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
