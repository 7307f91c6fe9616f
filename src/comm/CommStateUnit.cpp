#include "comm/CommStateUnit.h"

namespace vexilo {

CommState& Comm() {
  static CommState state;
  return state;
}

void CommLoad() {
  Comm().SentFrameCount = 0;
  Comm().ReplyWaitFloor = 0;
  Comm().ConfirmedFrameCount = 0;
}

void CommUnload() { Comm().LastSerialPort.clear(); Comm().LastSerialPort.shrink_to_fit(); }

}  // namespace vexilo
