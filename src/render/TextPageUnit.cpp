#include "render/TextPageUnit.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "render/BidiUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/TextLayoutUnit.h"

namespace vexilo {
namespace {

// The layout's text device on a page raster and a font. Without a raster it
// only measures.
struct RasterTextDevice {
  Raster* Page;  // null: lay out only
  const Font& TextFont;
  std::unordered_map<char16_t, int> Widths;
  TextLayoutCache* Cache = nullptr;  // the call's cache, when the item keeps one

  int CharWidth(char16_t c) {
    auto it = Widths.find(c);
    if (it != Widths.end()) return it->second;
    int w = MeasureText(TextFont, std::u16string_view(&c, 1)).Width;
    Widths.emplace(c, w);
    return w;
  }
  // Strings with Arabic (only the continuous line has them) are measured and
  // drawn shaped and in visual order.
  std::pair<int, int> Measure(std::u16string_view s) {
    TextSize size = HasArabic(s) ? MeasureText(TextFont, VisualOrder(s)) : MeasureText(TextFont, s);
    return {size.Width, size.Height};
  }
  // Every measured string is the font's cell high.
  int LineHeight() { return MeasureText(TextFont, std::u16string_view()).Height; }
  void Draw(int x, int y, std::u16string_view s) {
    if (Page == nullptr) return;
    if (HasArabic(s)) {
      DrawString(*Page, TextFont, x, y, VisualOrder(s));
      return;
    }
    int64_t at = x;
    const std::u16string_view part = VisiblePart(x, s, at);
    DrawString(*Page, TextFont, static_cast<int>(at), y, part);
  }

  // The characters of a long string that can put ink or paper on the page,
  // and the pen position of the first of them. Characters are drawn one
  // after another at the sum of the advances before them, each with its
  // ink within a few cells of its own cell, so leaving out those far
  // outside the page draws exactly the same page. Strings with surrogate
  // pairs are drawn whole.
  std::u16string_view VisiblePart(int x, std::u16string_view s, int64_t& at) {
    at = x;
    if (Cache == nullptr || s.size() < kWindowedLength) return s;
    std::vector<int64_t>& pen = Cache->PenBefore;
    if (pen.size() != s.size() + 1) {
      pen.assign(s.size() + 1, 0);
      for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] < 0xE000) {
          pen.clear();
          return s;
        }
        pen[i + 1] = pen[i] + CharWidth(s[i]);
      }
    }
    const int64_t reach = 4 * static_cast<int64_t>(LineHeight()) + 64;
    // Leading characters whose cell ends at least `reach` left of the page.
    const size_t first =
        static_cast<size_t>(std::upper_bound(pen.begin() + 1, pen.end(), -static_cast<int64_t>(x) - reach) -
                            (pen.begin() + 1));
    // The first character whose cell starts at least `reach` right of it.
    const size_t end = static_cast<size_t>(
        std::lower_bound(pen.begin(), pen.end() - 1, static_cast<int64_t>(Page->Width) - x + reach) - pen.begin());
    if (end <= first) return std::u16string_view();
    at = x + pen[first];
    return s.substr(first, end - first);
  }

  static constexpr size_t kWindowedLength = 256;
};

// Lays out (and, with out, draws and encodes) one page. Without out it tells
// whether the page exists, exactly as drawing it would.
TextPageStatus LayOutOrDrawPage(const TextPageRequest& r, int32_t pageIndex, uint8_t* out, size_t outSize,
                                size_t& written) {
  written = 0;
  const int32_t width = r.Width, height = r.Height;
  const FontSpec& font = r.Font;
  if (width <= 0 || height <= 0) return TextPageStatus::NoPage;

  // Cheap checks first, so that a page that cannot exist costs no raster.
  const bool arabic = HasArabic(r.Text, r.Cache);
  if (arabic && !r.SingleLinePages) return TextPageStatus::NoPage;
  if (r.Text.empty() && pageIndex > 0) return TextPageStatus::NoPage;
  // An empty text has no line, so no page in the line layouts.
  if (r.Text.empty() && (!r.SingleLinePages || r.Wrap)) return TextPageStatus::NoPage;

  if (!RasterSizeAllowed(width, height)) return TextPageStatus::CannotDraw;
  // The size is the font's cell height as the host gave it; 0 and negative
  // sizes make fonts as the drawing services do (the default cell, the em).
  const int32_t size = font.Size;
  if (size < -kMaxTextFontSize || size > kMaxTextFontSize) return TextPageStatus::CannotDraw;
  if (out != nullptr && PageDataSize(width, height, 1) > outSize) return TextPageStatus::CannotDraw;

  TextLayoutParams p;
  p.SingleLinePages = r.SingleLinePages;
  p.Wrap = r.Wrap;
  p.PageIndex = pageIndex;
  p.Width = width;
  p.Height = height;
  p.Margin = r.Margin;
  p.Size = size;
  p.CharSpacing = font.CharSpacing;
  p.LineSpacing = font.LineSpacing;
  p.Centred = font.Centered != 0;
  const int32_t narrowing = (font.Italic != 0 && r.NarrowItalics) ? size / 6 : 0;
  p.NominalWidth = size / 2 - narrowing;
  p.VerticalOffset = r.VerticalOffset;

  RasterPtr page;
  if (out != nullptr) {
    page = NewPageBitmap(width, height);
    if (!page) return TextPageStatus::CannotDraw;
  }
  const std::string_view face = font.FaceName != nullptr ? std::string_view(font.FaceName) : std::string_view();
  FontPtr textFont;
  if (size == 8) {
    p.EightPixelFont = true;
    textFont = NewFontAnsi(face, 11, 6, kFwLight, false, false, kDefaultCharSet);
  } else {
    textFont = NewFontAnsi(face, size, size / 2 - narrowing, font.Bold != 0 ? kFwBold : kFwNormal, font.Italic != 0,
                           font.Underline != 0, kDefaultCharSet);
  }
  if (!textFont) return TextPageStatus::CannotDraw;
  RasterTextDevice device{page.get(), *textFont, {}, r.Cache};
  if (!LayoutTextPage(r.Text, p, device, r.Cache)) return TextPageStatus::NoPage;
  if (out == nullptr) return TextPageStatus::Drawn;
  written = EncodePage(page.get(), out, outSize);
  return written != 0 ? TextPageStatus::Drawn : TextPageStatus::CannotDraw;
}

}  // namespace

size_t RenderTextPage(const TextPageRequest& request, int32_t pageIndex, uint8_t* out, size_t outSize,
                      TextPageStatus* status) {
  size_t written = 0;
  const TextPageStatus result =
      out != nullptr ? LayOutOrDrawPage(request, pageIndex, out, outSize, written) : TextPageStatus::CannotDraw;
  if (status != nullptr) *status = result;
  return written;
}

TextPageStatus ProbeTextPage(const TextPageRequest& request, int32_t pageIndex) {
  size_t written = 0;
  return LayOutOrDrawPage(request, pageIndex, nullptr, 0, written);
}

}  // namespace vexilo
