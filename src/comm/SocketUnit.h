// The library's one UDP link.
#pragma once

namespace vexilo {

// Load step 1: the socket layer is started and the link lock created; no socket yet.
void UdpLinkLoad();
// Unload step 3: the socket is closed if one exists, the lock released.
void UdpLinkUnload();

}  // namespace vexilo
