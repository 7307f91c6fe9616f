// Runs the library's load and unload steps when the shared object is loaded
// into and removed from a process. Only the shared library carries this file;
// tests of the static core call LibraryLoad and LibraryUnload themselves.
#include "frame/LifecycleUnit.h"

namespace {

__attribute__((constructor)) void VexiloOnLoad() { vexilo::LibraryLoad(); }
__attribute__((destructor)) void VexiloOnUnload() { vexilo::LibraryUnload(); }

}  // namespace
