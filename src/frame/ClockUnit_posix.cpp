#include <sys/time.h>

#include <ctime>

#include "frame/ClockUnit.h"

namespace vexilo {
namespace {

std::function<LocalTime()>& Override() {
  static std::function<LocalTime()> clock;
  return clock;
}

}  // namespace

LocalTime NowLocal() {
  if (Override()) return Override()();
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  time_t secs = tv.tv_sec;
  struct tm tmv;
  localtime_r(&secs, &tmv);
  return LocalTime{tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min,
                   tmv.tm_sec, static_cast<int>(tv.tv_usec / 1000), tmv.tm_wday};
}

void SetClockOverride(std::function<LocalTime()> clock) { Override() = std::move(clock); }

}  // namespace vexilo
