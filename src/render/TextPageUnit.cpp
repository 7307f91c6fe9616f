#include "render/TextPageUnit.h"

#include <cstring>
#include <unordered_map>

#include "render/BidiUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/TextLayoutUnit.h"

namespace vexilo {
namespace {

// Font sizes beyond this are not a text an LED area can show.
constexpr int32_t kMaxFontSize = 2048;

// The layout's text device on a page raster and a font.
struct RasterTextDevice {
  Raster& Page;
  bool Drawing;  // false: lay out only
  const Font& TextFont;
  std::unordered_map<char16_t, int> Widths;

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
  void Draw(int x, int y, std::u16string_view s) {
    if (!Drawing) return;
    if (HasArabic(s)) {
      DrawString(Page, TextFont, x, y, VisualOrder(s));
    } else {
      DrawString(Page, TextFont, x, y, s);
    }
  }
};

// Lays out (and, with out, draws and encodes) one page. Without out it gives
// 1 when the page exists, exactly when drawing it would give a page.
size_t LayOutOrDrawPage(const TextPageRequest& r, int32_t pageIndex, uint8_t* out, size_t outSize) {
  const int32_t width = r.Width, height = r.Height;
  const FontSpec& font = r.Font;
  if (width <= 0 || height <= 0) return 0;
  const int32_t size = font.Size;
  if (size <= 0 || size > kMaxFontSize) return 0;
  if (out != nullptr && PageDataSize(width, height, 1) > outSize) return 0;

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

  // Cheap checks first, so that a page beyond the text costs no raster.
  if (HasArabic(r.Text) && !r.SingleLinePages) return 0;
  if (r.Text.empty() && pageIndex > 0) return 0;

  RasterPtr page = NewPageBitmap(width, height);
  if (!page) return 0;
  const std::string_view face = font.FaceName != nullptr ? std::string_view(font.FaceName) : std::string_view();
  FontPtr textFont;
  if (size == 8) {
    p.EightPixelFont = true;
    textFont = NewFontAnsi(face, 11, 6, kFwLight, false, false, kDefaultCharSet);
  } else {
    textFont = NewFontAnsi(face, size, size / 2 - narrowing, font.Bold != 0 ? kFwBold : kFwNormal, font.Italic != 0,
                           font.Underline != 0, kDefaultCharSet);
  }
  if (!textFont) return 0;
  RasterTextDevice device{*page, out != nullptr, *textFont, {}};
  if (!LayoutTextPage(r.Text, p, device, r.Cache)) return 0;
  return out != nullptr ? EncodePage(page.get(), out, outSize) : 1;
}

}  // namespace

size_t RenderTextPage(const TextPageRequest& request, int32_t pageIndex, uint8_t* out, size_t outSize) {
  if (out == nullptr) return 0;
  return LayOutOrDrawPage(request, pageIndex, out, outSize);
}

bool TextPageExists(const TextPageRequest& request, int32_t pageIndex) {
  return LayOutOrDrawPage(request, pageIndex, nullptr, 0) != 0;
}

}  // namespace vexilo
