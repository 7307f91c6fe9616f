// The host's local date and time, with a seam so that tests can fix it.
#pragma once
#include <cstdint>
#include <functional>

namespace vexilo {

struct LocalTime {
  int Year;         // four digits
  int Month;        // 1..12
  int Day;          // 1..31
  int Hour;         // 0..23
  int Minute;
  int Second;
  int Millisecond;  // 0..999
  int Weekday;      // 0 Sunday .. 6 Saturday
};

LocalTime NowLocal();

// Replaces the clock until called again with an empty function.
void SetClockOverride(std::function<LocalTime()> clock);

}  // namespace vexilo
