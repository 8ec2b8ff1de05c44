#pragma once
// Dates. A DATE field holds day, month and year (all zero: no date). Computations, keys and the
// parameter file use day numbers: the count of days since 28 December 1800, so that 1 January 1801
// is day 4 and day 100000 is 12 October 2074. Day number 0 means no date.

#include <cstdint>

namespace rt {

#pragma pack(push, 1)
struct DATE {
  std::uint8_t day = 0;
  std::uint8_t month = 0;
  std::uint16_t year = 0;
  bool isZero() const { return day == 0 && month == 0 && year == 0; }
  bool operator==(const DATE&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(DATE) == 4);

using Day = std::int32_t;

inline constexpr Day kLatestDay = 100000;  // beyond every booking date

bool isValidDate(int year, int month, int day);
// Dates run from 1 January 1801 to 31 December 9999.
// Day number of a calendar date; 0 for an invalid date or one outside that range.
Day dayNumber(int year, int month, int day);
Day dayNumber(const DATE& date);
DATE dateOf(Day day);  // zero DATE for day 0, a day before day 1 or after 31 December 9999

int yearOf(Day day);
int monthOf(Day day);
int dayOfMonth(Day day);

Day today();
// Tests fix "today" with this; 0 returns to the system clock.
void setTodayForTesting(Day day);

// Bounds; month 13 of a year is January of the next year. 0 for a period outside the range.
Day monthStart(int year, int month);
Day monthEnd(int year, int month);  // the day before the 1st of the next month
Day quarterStart(int year, int quarter);
Day quarterEnd(int year, int quarter);
Day yearStart(int year);
Day yearEnd(int year);

}  // namespace rt
