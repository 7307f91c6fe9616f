#include "render/RichTextLayoutUnit.h"

namespace vexilo {

RichTextLayoutCache& RichLayoutOf(RichTextDocument& doc) {
  if (!doc.Layout.Cache) doc.Layout.Cache = std::make_shared<RichTextLayoutCache>();
  return *doc.Layout.Cache;
}

}  // namespace vexilo
