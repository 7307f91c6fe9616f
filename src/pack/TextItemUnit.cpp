#include "pack/TextItemUnit.h"

namespace vexilo {

// Text rendering is not built yet; the items fail without touching the pack.
int32_t AddSingleText(const TSingleTextParam*) { return -1; }
int32_t AddStaticText(const TStaticTextParam*) { return -1; }
int32_t AddText(const TTextParam*) { return -1; }

}  // namespace vexilo
