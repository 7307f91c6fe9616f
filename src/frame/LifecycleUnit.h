// Library load and unload: the start-up and shut-down steps in their order.
#pragma once

namespace vexilo {

void LibraryLoad();
void LibraryUnload();

}  // namespace vexilo
