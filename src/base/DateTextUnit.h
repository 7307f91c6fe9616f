// Calendar dates and times as plain values: a strict reader of date-and-time
// texts, the days between two local times, and the BCD target of timers.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vexilo {

struct CivilDateTime {
  int Year = 0;  // four digits
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

// A date and time written in one of the three forms the library writes,
// every field exactly two digits but the four-digit year:
//   "yyyy-mm-dd hh:mm:ss", "yyyy/mm/dd hh:mm:ss", "mm/dd/yyyy hh:mm:ss".
// nullopt for any other text, and for an impossible date or time (month 13,
// 30 February, 29 February outside a leap year, hour 24, minute or second 60).
std::optional<CivilDateTime> ParseDateTimeText(std::string_view text);

// Whether the fields make a real date and time (years 1 to 9999).
bool IsValidDateTime(const CivilDateTime& t);

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int year, int month, int day);

// Seconds from `from` to `to` (negative when `to` lies before), both read as
// the same local clock.
int64_t SecondsBetween(const CivilDateTime& from, const CivilDateTime& to);

// A byte written as its two hexadecimal digits, upper case: a BCD value reads
// as its decimal digits (0x25 is "25"), any other value does not (0x1A is "1A").
std::string BcdDigits(uint8_t value);

// The target of a timer from its six BCD bytes (year in the century 2000,
// month, day, hour, minute, second): the texts "20yy-mm-dd hh:mm:ss",
// "20yy/mm/dd hh:mm:ss" and "mm/dd/20yy hh:mm:ss" are read in turn with
// ParseDateTimeText; nullopt when none of them is a date (a byte that is not
// BCD, an impossible date).
std::optional<CivilDateTime> BcdTargetDateTime(std::span<const uint8_t, 6> bcd);

}  // namespace vexilo
