#pragma once
// An amount of money in whole cents (a 64-bit integer). Amounts are entered, derived, added,
// compared and shown as whole cents, so that a sum is exact however many amounts it adds and a
// comparison with zero needs no rounding. The data files hold amounts as REAL; the file layer
// converts on every read and write (fromReal, toReal).
//
//   rt::Cents brutto(11900);                     // 119,00
//   const rt::Cents netto = rt::netOf(brutto, 19);  // 100,00
//   const rt::Cents mwst = brutto - netto;          // 19,00

#include <compare>
#include <cstdint>

namespace rt {

// Packed to an alignment of one byte: amounts are fields of the packed data records, where an
// eight-byte alignment does not hold, and are bound and passed by reference there.
#pragma pack(push, 1)
class Cents {
 public:
  constexpr Cents() = default;
  constexpr explicit Cents(std::int64_t cents) : cents_(cents) {}

  constexpr std::int64_t cents() const { return cents_; }

  // A REAL as the data files hold it: taken to 15 significant digits, then to the cent with halves
  // away from zero, so that 84.03 (held as 84.0299999...) is 8403 cents. Every amount that toReal
  // gave comes back unchanged. A value that is no amount (see isAmount) gives 0.
  static Cents fromReal(double value);
  // Finite and within the range of cents (below 90 000 billion in size).
  static bool isAmount(double value);
  // The REAL nearest to the amount.
  double toReal() const { return static_cast<double>(cents_) / 100; }

  constexpr Cents operator-() const { return Cents(-cents_); }
  constexpr Cents& operator+=(Cents b) {
    cents_ += b.cents_;
    return *this;
  }
  constexpr Cents& operator-=(Cents b) {
    cents_ -= b.cents_;
    return *this;
  }
  friend constexpr Cents operator+(Cents a, Cents b) { return a += b; }
  friend constexpr Cents operator-(Cents a, Cents b) { return a -= b; }
  friend constexpr bool operator==(Cents a, Cents b) = default;
  friend constexpr auto operator<=>(Cents a, Cents b) = default;

 private:
  std::int64_t cents_ = 0;
};
#pragma pack(pop)
static_assert(sizeof(Cents) == 8 && alignof(Cents) == 1);

// The net part of a gross amount at a VAT rate in percent: gross x 100 / (100 + rate), to the cent
// with halves away from zero; the VAT is the gross less it. The rate counts in hundredths of a
// percent, as the settings take it. A rate of -100 % or below (or not a number) leaves the whole gross net.
Cents netOf(Cents gross, double ratePercent);

}  // namespace rt
