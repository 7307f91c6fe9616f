#include "comm/SocketUnit.h"

namespace vexilo {

// BSD sockets need no start-up; the link itself is not built yet.
void UdpLinkLoad() {}
void UdpLinkUnload() {}

}  // namespace vexilo
