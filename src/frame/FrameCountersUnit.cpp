#include "frame/FrameCountersUnit.h"

namespace vexilo {
namespace {

struct FrameCounters {
  uint32_t Sent = 0;
  uint32_t Confirmed = 0;
};

FrameCounters g_counters;

}  // namespace

uint32_t SentFrameCount() { return g_counters.Sent; }
uint32_t ConfirmedFrameCount() { return g_counters.Confirmed; }
void CountSentFrame() { ++g_counters.Sent; }
void CountConfirmedFrame() { ++g_counters.Confirmed; }
void ResetFrameCounters() { g_counters = FrameCounters{}; }

}  // namespace vexilo
