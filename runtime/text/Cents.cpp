#include "runtime/text/Cents.h"

#include "runtime/text/Picture.h"

#include <cmath>

namespace rt {

bool Cents::isAmount(double value) { return std::isfinite(value) && std::fabs(value) < 9e16; }

Cents Cents::fromReal(double value) {
  if (!isAmount(value)) return Cents();
  // roundDecimal gives the REAL nearest to the rounded decimal: within far less than half a cent of
  // a whole number of cents.
  return Cents(std::llround(roundDecimal(value, 2) * 100));
}

// Exact in integers: the gross in cents times 10000 over 10000 plus the rate in hundredths of a
// percent, taken in two steps so that no product can overflow.
Cents netOf(Cents gross, double ratePercent) {
  if (!std::isfinite(ratePercent) || ratePercent <= -100 || ratePercent > 1e9) return gross;
  const std::int64_t d = 10000 + std::llround(roundDecimal(ratePercent, 2) * 100);
  if (d <= 0) return gross;
  const std::int64_t g = gross.cents();
  const std::int64_t rest = (g % d) * 10000;
  const std::int64_t left = rest % d;
  std::int64_t net = g / d * 10000 + rest / d;
  if (2 * (left < 0 ? -left : left) >= d) net += g < 0 ? -1 : 1;
  return Cents(net);
}

}  // namespace rt
