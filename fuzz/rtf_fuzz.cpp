// Feeds arbitrary bytes to the RTF reader, checks the document it builds,
// and lays small documents out into pages both from kept lines and afresh:
// the two must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "render/BitmapDataUnit.h"
#include "render/RichTextPageUnit.h"
#include "render/RtfReaderUnit.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// The document's parts agree with each other.
void CheckDocument(const vexilo::RichTextDocument& doc) {
  const int32_t n = vexilo::RichTextLength(doc);
  Check(doc.CharFormats.size() == doc.Text.size());
  for (uint32_t f : doc.CharFormats) Check(f < doc.Formats.size());
  int32_t at = 0;
  for (const vexilo::RichParagraph& p : doc.Paragraphs) {
    Check(p.Start == at && p.End > p.Start && p.End <= n && p.Format < doc.ParagraphFormats.size());
    at = p.End;
  }
  Check(at == n);
  for (const vexilo::RichCharFormat& f : doc.Formats) {
    Check(f.HalfPoints >= vexilo::kRichMinHalfPoints && f.HalfPoints <= vexilo::kRichMaxHalfPoints);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexilo;
  const std::string_view rtf(reinterpret_cast<const char*>(data), size);
  RichTextDocument doc;
  if (!ReadRtf(rtf, doc)) {
    Check(doc.Text.empty());
    return 0;
  }
  CheckDocument(doc);
  (void)RichCharFormatAt(doc, 0);
  (void)RichParagraphFormatAt(doc, RichTextLength(doc));
  if (size > 2048 || RichTextLength(doc) > 400) return 0;

  // Both renderers on a small area, kept lines against afresh layout.
  const int mode = size % 2 == 0 ? 2 : 0;
  const int32_t w = 24 + static_cast<int32_t>(size % 5) * 8, h = 16 + static_cast<int32_t>(size % 3) * 4;
  const int32_t m = static_cast<int32_t>(size % 4);
  RichTextDocument afresh = doc;
  afresh.KeepLayout = false;
  std::vector<uint8_t> a(PageDataSize(w, h, 2)), b(a.size());
  int32_t countA = 0, countB = 0, posA = 0, posB = 0;
  for (int32_t k = 0; k < 4; ++k) {
    const size_t sa = RenderRichTextSlice(mode, doc, k, w, h, m, countA, a.data(), a.size(), 1);
    const size_t sb = RenderRichTextSlice(mode, afresh, k, w, h, m, countB, b.data(), b.size(), 1);
    Check(sa == sb && countA == countB && std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(sa), b.begin()));
    const size_t fa = RenderRichTextFlow(mode, doc, k, w, h, m, posA, a.data(), a.size(), -1);
    const size_t fb = RenderRichTextFlow(mode, afresh, k, w, h, m, posB, b.data(), b.size(), -1);
    Check(fa == fb && posA == posB && std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(fa), b.begin()));
  }
  return 0;
}
