#include "frame/LifecycleUnit.h"

#include "comm/CommStateUnit.h"
#include "comm/SocketUnit.h"
#include "frame/DebugLogUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {

void LibraryLoad() {
  // 1. UDP link: socket layer and link lock.
  UdpLinkLoad();
  // 2. Localisation: the GBK/Big5 table is constant data, nothing to build.
  // 3. Communication: counters and the reply floor.
  CommLoad();
  // 4. Library frame: logging off, pack state reset, "Swap.Dat" created empty.
  DebugLogLoad();
  PackLoad();
}

void LibraryUnload() {
  // 1. Library frame: "Swap.Dat" closed, an open log ended.
  PackUnload();
  DebugLogUnload();
  // 2. Communication.
  CommUnload();
  // 3. UDP link.
  UdpLinkUnload();
  // Cached faces and glyphs of the drawing services.
  DrawingShutdown();
}

}  // namespace vexilo
