// Module state of the communication subsystem that other subsystems read or
// set: the reply wait floor, the frame counters and the last serial port name.
#pragma once
#include <cstdint>
#include <string>

namespace vexilo {

struct CommState {
  uint32_t ReplyWaitFloor = 0;       // least wait for a reply, in milliseconds
  uint32_t SentFrameCount = 0;       // frames written completely to a link
  uint32_t ConfirmedFrameCount = 0;  // reply frames that passed every check
  std::string LastSerialPort;        // name given to the last serial open
};

CommState& Comm();

// Load step 3: counters and the reply floor start at 0.
void CommLoad();
// Unload step 2: the last serial port name is released.
void CommUnload();

}  // namespace vexilo
