#include "base/DateTextUnit.h"

namespace vexilo {
namespace {

// The number of exactly `n` decimal digits at text[pos], or -1.
int Digits(std::string_view text, size_t pos, size_t n) {
  if (pos + n > text.size()) return -1;
  int value = 0;
  for (size_t i = pos; i < pos + n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// "hh:mm:ss" at pos, the rest of the text.
bool ReadTime(std::string_view text, size_t pos, CivilDateTime& t) {
  if (text.size() != pos + 8 || text[pos + 2] != ':' || text[pos + 5] != ':') return false;
  t.Hour = Digits(text, pos, 2);
  t.Minute = Digits(text, pos + 3, 2);
  t.Second = Digits(text, pos + 6, 2);
  return t.Hour >= 0 && t.Minute >= 0 && t.Second >= 0;
}

}  // namespace

bool IsValidDateTime(const CivilDateTime& t) {
  if (t.Year < 1 || t.Year > 9999 || t.Month < 1 || t.Month > 12) return false;
  if (t.Day < 1 || t.Day > DaysInMonth(t.Year, t.Month)) return false;
  return t.Hour >= 0 && t.Hour <= 23 && t.Minute >= 0 && t.Minute <= 59 && t.Second >= 0 && t.Second <= 59;
}

std::optional<CivilDateTime> ParseDateTimeText(std::string_view text) {
  // Every form is 19 characters: ten of date, a blank, eight of time.
  if (text.size() != 19 || text[10] != ' ') return std::nullopt;
  CivilDateTime t;
  if ((text[4] == '-' || text[4] == '/') && text[7] == text[4]) {
    t.Year = Digits(text, 0, 4);
    t.Month = Digits(text, 5, 2);
    t.Day = Digits(text, 8, 2);
  } else if (text[2] == '/' && text[5] == '/') {
    t.Month = Digits(text, 0, 2);
    t.Day = Digits(text, 3, 2);
    t.Year = Digits(text, 6, 4);
  } else {
    return std::nullopt;
  }
  if (!ReadTime(text, 11, t) || !IsValidDateTime(t)) return std::nullopt;
  return t;
}

int64_t DaysFromCivil(int year, int month, int day) {
  // Days of the proleptic Gregorian calendar, counted in 400-year eras from
  // 0000-03-01 so that the leap day ends each year.
  const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t SecondsBetween(const CivilDateTime& from, const CivilDateTime& to) {
  auto seconds = [](const CivilDateTime& t) {
    return DaysFromCivil(t.Year, t.Month, t.Day) * 86400 + t.Hour * 3600 + t.Minute * 60 + t.Second;
  };
  return seconds(to) - seconds(from);
}

std::string BcdDigits(uint8_t value) {
  static const char kHex[] = "0123456789ABCDEF";
  return std::string{kHex[value >> 4], kHex[value & 15]};
}

std::optional<CivilDateTime> BcdTargetDateTime(std::span<const uint8_t, 6> bcd) {
  const std::string y = BcdDigits(bcd[0]), mo = BcdDigits(bcd[1]), d = BcdDigits(bcd[2]);
  const std::string time = BcdDigits(bcd[3]) + ":" + BcdDigits(bcd[4]) + ":" + BcdDigits(bcd[5]);
  const std::string texts[3] = {"20" + y + "-" + mo + "-" + d + " " + time, "20" + y + "/" + mo + "/" + d + " " + time,
                                mo + "/" + d + "/20" + y + " " + time};
  for (const std::string& text : texts) {
    if (std::optional<CivilDateTime> t = ParseDateTimeText(text)) return t;
  }
  return std::nullopt;
}

}  // namespace vexilo
