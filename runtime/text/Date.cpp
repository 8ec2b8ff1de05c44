#include "runtime/text/Date.h"

#include <QDate>

namespace rt {
namespace {

const qint64 kEpoch = QDate(1800, 12, 28).toJulianDay();
Day g_today = 0;

}  // namespace

bool isValidDate(int year, int month, int day) {
  return year >= 1801 && year <= 9999 && QDate::isValid(year, month, day);
}

Day dayNumber(int year, int month, int day) {
  // Months beyond 12 roll into the following years, so that "month 13" is January of year + 1.
  // The year is checked first, so that no roll can overflow.
  if (year < 1801 || year > 9999 || month < 1) return 0;
  year += (month - 1) / 12;
  month = (month - 1) % 12 + 1;
  if (!isValidDate(year, month, day)) return 0;
  return static_cast<Day>(QDate(year, month, day).toJulianDay() - kEpoch);
}

Day dayNumber(const DATE& date) {
  if (date.isZero()) return 0;
  return dayNumber(date.year, date.month, date.day);
}

DATE dateOf(Day day) {
  static const Day last = dayNumber(9999, 12, 31);
  if (day <= 0 || day > last) return {};
  const QDate d = QDate::fromJulianDay(kEpoch + day);
  return DATE{static_cast<std::uint8_t>(d.day()), static_cast<std::uint8_t>(d.month()),
              static_cast<std::uint16_t>(d.year())};
}

int yearOf(Day day) { return dateOf(day).year; }
int monthOf(Day day) { return dateOf(day).month; }
int dayOfMonth(Day day) { return dateOf(day).day; }

Day today() {
  if (g_today) return g_today;
  const QDate d = QDate::currentDate();
  return dayNumber(d.year(), d.month(), d.day());
}

void setTodayForTesting(Day day) { g_today = day; }

Day monthStart(int year, int month) { return dayNumber(year, month, 1); }
Day monthEnd(int year, int month) {
  const Day start = monthStart(year, month);
  return start ? start + QDate::fromJulianDay(kEpoch + start).daysInMonth() - 1 : 0;
}
Day quarterStart(int year, int quarter) { return monthStart(year, 3 * quarter - 2); }
Day quarterEnd(int year, int quarter) { return monthEnd(year, 3 * quarter); }
Day yearStart(int year) { return dayNumber(year, 1, 1); }
Day yearEnd(int year) { return dayNumber(year, 12, 31); }

}  // namespace rt
