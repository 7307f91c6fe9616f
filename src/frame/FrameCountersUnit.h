// The frame counters: frames written to a link and valid reply frames
// received, counted since load and never reset in between. The packet
// exchange counts into them; the debug log prints them.
#pragma once
#include <cstdint>

namespace vexilo {

uint32_t SentFrameCount();
uint32_t ConfirmedFrameCount();

// One more frame written completely to a link.
void CountSentFrame();
// One more reply frame that passed every check.
void CountConfirmedFrame();

// Load: both counters start at 0.
void ResetFrameCounters();

}  // namespace vexilo
