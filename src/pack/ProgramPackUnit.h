// The program pack in "Swap.Dat": its state, its headers and the shared
// operations every item uses to append areas and pages.
#pragma once
#include <cstddef>
#include <cstdint>

#include "vexilo.h"

namespace vexilo {

enum class HeaderKind { Pack, Program, Area, PageCount, List };

struct PackState {
  int32_t PackLength = 0;    // bytes written; where the next record goes
  int32_t ProgramCount = 0;  // programs added since the last initialisation
  int32_t AreaCounter = 0;   // areas begun in the open program
  uint8_t RotatedLayout = 0;
  uint8_t PackHeader[2] = {};
  int32_t PackHeaderPos = -1;
  uint8_t ProgramHeader[7] = {};
  int32_t ProgramHeaderPos = -1;
  uint8_t AreaHeader[14] = {};
  int32_t AreaHeaderPos = -1;
  uint8_t PageCountHeader[2] = {};
  int32_t PageCountHeaderPos = -1;
  uint8_t ListHeader[3] = {};
  int32_t ListHeaderPos = -1;
};

PackState& Pack();

// Load step 4 (pack part): state reset, "Swap.Dat" created empty and opened.
void PackLoad();
// Unload step 1 (pack part): "Swap.Dat" closed.
void PackUnload();

}  // namespace vexilo
