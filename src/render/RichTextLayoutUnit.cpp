#include "render/RichTextLayoutUnit.h"

namespace vexilo {

RichTextLayoutCache& RichLayoutOf(RichTextDocument& doc) {
  if (!doc.Layout) doc.Layout = std::make_shared<RichTextLayoutCache>();
  return *doc.Layout;
}

}  // namespace vexilo
