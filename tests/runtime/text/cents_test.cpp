#include "runtime/text/Cents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

using rt::Cents;

namespace {

// The net part written out apart from the program: N is the whole number of cents with
// N - 1/2 <= gross x 10000 / (10000 + rate) < N + 1/2 (for a negative gross the same for its size,
// then negated), gross in cents and the rate in hundredths of a percent.
std::int64_t netReference(std::int64_t gross, std::int64_t basisPoints) {
  const std::int64_t d = 10000 + basisPoints;
  const std::int64_t g = gross < 0 ? -gross : gross;
  const std::int64_t n = (2 * g * 10000 + d) / (2 * d);
  return gross < 0 ? -n : n;
}

// A binary value to the cent by its decimal text: 15 significant digits, then halves away from zero.
std::int64_t centsOfText(double x) {
  char text[64];
  std::snprintf(text, sizeof text, "%.14e", std::fabs(x));  // d.dddddddddddddde+xx
  std::string digits = std::string(1, text[0]) + std::string(text + 2, 14);
  const int exponent = std::atoi(text + 17);
  const int keep = exponent + 1 + 2;  // digits before the point, and two decimals
  if (keep < 0) return 0;
  std::int64_t c = 0;
  for (int i = 0; i < keep; ++i) c = c * 10 + (i < 15 ? digits[i] - '0' : 0);
  if (keep < 15 && digits[keep] >= '5') ++c;
  return x < 0 ? -c : c;
}

}  // namespace

TEST(CentsTest, ARealIsTakenToTheCentByItsFifteenDigits) {
  struct Case {
    double real;
    std::int64_t cents;
  };
  const double inf = std::numeric_limits<double>::infinity();
  for (const Case c : {Case{0.125, 13}, Case{-0.125, -13}, Case{2.675, 268}, Case{1.005, 101}, Case{0.015, 2},
                       Case{0.0149999999999, 1}, Case{-0.004, 0}, Case{0.005, 1}, Case{84.0336134453781, 8403},
                       Case{1234567.895, 123456790}, Case{-1037.445378151261, -103745}, Case{1e-300, 0},
                       Case{inf, 0}, Case{std::nan(""), 0}, Case{9.5e16, 0}}) {
    SCOPED_TRACE(c.real);
    EXPECT_EQ(Cents::fromReal(c.real), Cents(c.cents));
  }
  EXPECT_TRUE(Cents::isAmount(-8.9e16));
  EXPECT_FALSE(Cents::isAmount(9e16));
  EXPECT_FALSE(Cents::isAmount(-inf));
}

// What the files held before: the REAL nearest to the amount. Each comes back to the same cent, and
// the REAL written is that nearest one.
TEST(CentsTest, EveryAmountGoesToItsRealAndBack) {
  std::mt19937_64 zufall(24);
  for (int i = 0; i < 200000; ++i) {
    const int stellen = 1 + static_cast<int>(zufall() % 15);  // up to 9.999.999.999.999,99
    std::int64_t c = static_cast<std::int64_t>(zufall() % static_cast<std::uint64_t>(std::pow(10.0, stellen)));
    if (zufall() % 2) c = -c;
    const Cents betrag(c);
    ASSERT_EQ(Cents::fromReal(betrag.toReal()), betrag) << c;
    const std::int64_t a = std::llabs(c);
    const std::string text = (c < 0 ? "-" : "") + std::to_string(a / 100) + "." + std::to_string(a % 100 + 100).substr(1);
    ASSERT_EQ(betrag.toReal(), std::strtod(text.c_str(), nullptr)) << text;
  }
}

TEST(CentsTest, TheNetShareOfTheWorkedExamplesAndOfExactHalves) {
  struct Case {
    std::int64_t gross;
    double rate;
    std::int64_t net;
  };
  for (const Case c : {Case{11900, 19, 10000}, Case{10000, 19, 8403}, Case{1000, 7, 935}, Case{5000, 7, 4673},
                       Case{-11900, 19, -10000}, Case{8000, 0, 8000}, Case{4, 60, 3}, Case{-4, 60, -3},
                       Case{1, 100, 1}, Case{-1, 100, -1}, Case{3, 100, 2}, Case{0, 19, 0},
                       Case{999999999999, 19, 840336134453}, Case{5000, 5.5, 4739}, Case{5000, -100, 5000},
                       Case{5000, std::nan(""), 5000}}) {
    SCOPED_TRACE(std::to_string(c.gross) + " at " + std::to_string(c.rate));
    EXPECT_EQ(rt::netOf(Cents(c.gross), c.rate), Cents(c.net));
  }
}

// Every rate that the settings take (0,00 to 99,99 %) with random gross amounts up to the largest
// the entry takes, against the decimal reference; the VAT is the rest. For the rates in use, also
// against the computation in binary floating point that the program made before, taken to the cent
// by its 15 significant digits: (gross / (rate + 100)) x 100.
TEST(CentsTest, TheNetShareAgreesWithTheDecimalComputationForEveryRate) {
  std::mt19937_64 zufall(1123);
  const auto brutto = [&zufall] {
    const std::uint64_t grenze = zufall() % 4 == 0 ? 1000000000000ull : zufall() % 2 ? 100000000ull : 100000ull;
    const auto g = static_cast<std::int64_t>(zufall() % grenze);
    return zufall() % 8 == 0 ? -g : g;
  };
  long verglichen = 0;
  for (std::int64_t bp = 0; bp <= 9999; ++bp) {
    const double satz = static_cast<double>(bp) / 100;
    for (int i = 0; i < 100; ++i) {
      const std::int64_t g = brutto();
      const Cents netto = rt::netOf(Cents(g), satz);
      ASSERT_EQ(netto.cents(), netReference(g, bp)) << g << " at " << bp << " hundredths of a percent";
      ASSERT_EQ((Cents(g) - netto).cents(), g - netReference(g, bp));
      ++verglichen;
    }
  }
  for (const double satz : {19.0, 7.0, 16.0, 5.0, 10.7, 5.5}) {
    const auto bp = static_cast<std::int64_t>(std::llround(satz * 100));
    for (int i = 0; i < 100000; ++i) {
      const std::int64_t g = static_cast<std::int64_t>(zufall() % 1000000000) - 500000000;
      const std::int64_t netto = rt::netOf(Cents(g), satz).cents();
      ASSERT_EQ(netto, netReference(g, bp)) << g << " at " << satz;
      ASSERT_EQ(netto, centsOfText((static_cast<double>(g) / 100 / (satz + 100)) * 100)) << g << " at " << satz;
      ++verglichen;
    }
  }
  EXPECT_EQ(verglichen, 10000 * 100 + 6 * 100000);
}

TEST(CentsTest, SumsAndComparisonsAreExact) {
  Cents summe;
  for (int i = 0; i < 1000000; ++i) summe += Cents(10);  // a million times 0,10
  EXPECT_EQ(summe, Cents(10000000));
  EXPECT_EQ(Cents(30) - Cents(10) - Cents(20), Cents());  // 0,30 - 0,10 - 0,20
  EXPECT_FALSE(Cents(30) - Cents(10) - Cents(20) < Cents());
  EXPECT_LT(-Cents(1), Cents());
}
