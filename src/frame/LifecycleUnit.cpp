#include "frame/LifecycleUnit.h"

#include "comm/SerialUnit.h"
#include "comm/SocketUnit.h"
#include "frame/DebugLogUnit.h"
#include "frame/FrameCountersUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {

void LibraryLoad() {
  // 1. UDP link: no socket yet (the socket layer needs no start here).
  CloseUdpSocket();
  // 2. Localisation: the GBK/Big5 table is constant data, nothing to build.
  // 3. Communication: frame counters and the reply floor at 0.
  ResetFrameCounters();
  SetReplyWaitFloor(0);
  // 4. Library frame: logging off, pack state reset, "Swap.Dat" created empty.
  DebugLogLoad();
  PackLoad();
}

void LibraryUnload() {
  // 1. Library frame: "Swap.Dat" closed, an open log ended.
  PackUnload();
  DebugLogUnload();
  // 2. Communication: the last serial port's name released.
  ForgetLastSerialPort();
  // 3. UDP link: the socket closed.
  CloseUdpSocket();
  // Cached faces and glyphs of the drawing services.
  DrawingShutdown();
}

}  // namespace vexilo
