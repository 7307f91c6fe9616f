#include "pack/ProgramPackUnit.h"

#include "frame/HostFilesUnit.h"

namespace vexilo {

PackState& Pack() {
  static PackState state;
  return state;
}

void PackLoad() {
  Pack() = PackState{};
  SwapOpenEmpty();
}

void PackUnload() { SwapClose(); }

}  // namespace vexilo
