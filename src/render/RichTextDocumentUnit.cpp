#include "render/RichTextDocumentUnit.h"

#include <algorithm>

namespace vexilo {
namespace {

const RichCharFormat kDefaultCharFormat{};
const RichParagraphFormat kDefaultParagraphFormat{};

int32_t ClampPos(const RichTextDocument& doc, int32_t pos) {
  const int32_t n = RichTextLength(doc);
  return std::clamp(pos, 0, std::max(n - 1, 0));
}

}  // namespace

void ClearRichText(RichTextDocument& doc) {
  doc.Text.clear();
  doc.CharFormats.clear();
  doc.Formats.clear();
  doc.Paragraphs.clear();
  doc.ParagraphFormats.clear();
  doc.DefaultTab = 720;
  DropRichLayout(doc);
}

const RichCharFormat& RichCharFormatAt(const RichTextDocument& doc, int32_t pos) {
  if (doc.CharFormats.empty()) return kDefaultCharFormat;
  const uint32_t f = doc.CharFormats[static_cast<size_t>(ClampPos(doc, pos))];
  return f < doc.Formats.size() ? doc.Formats[f] : kDefaultCharFormat;
}

const RichParagraph* RichParagraphAt(const RichTextDocument& doc, int32_t pos) {
  if (doc.Paragraphs.empty()) return nullptr;
  pos = ClampPos(doc, pos);
  auto it = std::upper_bound(doc.Paragraphs.begin(), doc.Paragraphs.end(), pos,
                             [](int32_t p, const RichParagraph& para) { return p < para.End; });
  if (it == doc.Paragraphs.end()) --it;
  return &*it;
}

const RichParagraphFormat& RichParagraphFormatAt(const RichTextDocument& doc, int32_t pos) {
  const RichParagraph* para = RichParagraphAt(doc, pos);
  if (para == nullptr || para->Format >= doc.ParagraphFormats.size()) return kDefaultParagraphFormat;
  return doc.ParagraphFormats[para->Format];
}

std::u16string_view RichTextRange(const RichTextDocument& doc, int32_t start, int32_t count) {
  const int32_t n = RichTextLength(doc);
  start = std::clamp(start, 0, n);
  count = std::clamp(count, 0, n - start);
  return std::u16string_view(doc.Text).substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

double RichPointSize(const RichCharFormat& format) { return format.HalfPoints / 2.0; }

int32_t RichHeightPixels(const RichCharFormat& format) {
  // MulDiv(half points, dpi, 144): halves round away from zero.
  const int64_t num = int64_t{format.HalfPoints} * kRasterDpiY;
  return static_cast<int32_t>((2 * num + 144) / 288);
}

uint32_t AddRichFormat(RichTextDocument& doc, const RichCharFormat& format) {
  doc.Formats.push_back(format);
  return static_cast<uint32_t>(doc.Formats.size() - 1);
}

void AppendRichChar(RichTextDocument& doc, char16_t c, uint32_t format) {
  doc.Text.push_back(c);
  doc.CharFormats.push_back(format);
}

void EndRichParagraph(RichTextDocument& doc, const RichParagraphFormat& format) {
  const int32_t start = doc.Paragraphs.empty() ? 0 : doc.Paragraphs.back().End;
  uint32_t index = 0;
  if (!doc.ParagraphFormats.empty() && doc.ParagraphFormats.back() == format) {
    index = static_cast<uint32_t>(doc.ParagraphFormats.size() - 1);
  } else {
    // A short search: documents use a few paragraph formats; a hostile one
    // with thousands merely keeps duplicates.
    auto end = doc.ParagraphFormats.size() <= 64 ? doc.ParagraphFormats.end() : doc.ParagraphFormats.begin();
    auto it = std::find(doc.ParagraphFormats.begin(), end, format);
    if (it == end) {
      doc.ParagraphFormats.push_back(format);
      index = static_cast<uint32_t>(doc.ParagraphFormats.size() - 1);
    } else {
      index = static_cast<uint32_t>(it - doc.ParagraphFormats.begin());
    }
  }
  doc.Paragraphs.push_back({start, RichTextLength(doc), index});
}

void DropRichLayout(RichTextDocument& doc) { doc.Layout.Cache.reset(); }

}  // namespace vexilo
