#include "render/RichTextPageUnit.h"

#include <unordered_map>
#include <vector>

#include "render/BitmapDataUnit.h"

namespace vexilo {

// The fonts of a document's formats and the widths measured in them, kept
// with the document's lines.
struct RichFontCache {
  std::vector<FontPtr> Fonts;  // by format index, made on first use
  std::vector<RichBox> Boxes;
  std::vector<bool> HaveBox;
  std::unordered_map<uint64_t, int> Widths;  // (format, character) -> advance
};

namespace {

// The engine's device on the drawing services. Without a page it measures
// only.
struct RasterRichDevice {
  const RichTextDocument& Doc;
  RichFontCache& Cache;
  Raster* Page;

  const Font& FontOf(uint32_t f) {
    if (Cache.Fonts.size() < Doc.Formats.size()) {
      Cache.Fonts.resize(Doc.Formats.size());
      Cache.Boxes.resize(Doc.Formats.size());
      Cache.HaveBox.resize(Doc.Formats.size(), false);
    }
    FontPtr& font = Cache.Fonts[f];
    if (!font) {
      const RichCharFormat& fmt = Doc.Formats[f];
      FontRequest request;
      request.Face = fmt.Face;
      request.Height = -RichHeightPixels(fmt);  // the em of the point size
      request.Weight = fmt.Bold ? kFwBold : kFwNormal;
      request.Italic = fmt.Italic;
      request.Underline = fmt.Underline;
      request.CharSet = fmt.CharSet;
      font = NewFont(request);
    }
    return *font;
  }

  int Advance(uint32_t f, std::u16string_view ch) {
    char32_t code = ch[0];
    if (ch.size() == 2) code = 0x10000 + ((static_cast<char32_t>(ch[0]) - 0xD800) << 10) + (ch[1] - 0xDC00);
    const uint64_t key = (uint64_t{f} << 32) | code;
    auto it = Cache.Widths.find(key);
    if (it != Cache.Widths.end()) return it->second;
    const int w = MeasureText(FontOf(f), ch).Width;
    Cache.Widths.emplace(key, w);
    return w;
  }

  RichBox Box(uint32_t f) {
    FontOf(f);
    if (!Cache.HaveBox[f]) {
      const FontMetrics m = GetFontMetrics(*Cache.Fonts[f]);
      Cache.Boxes[f] = {m.Ascent, m.Descent};
      Cache.HaveBox[f] = true;
    }
    return Cache.Boxes[f];
  }

  // Glyphs in the character's colour; cells filled only where the text has
  // a background colour of its own, so that the page's background shows.
  void Draw(int x, int y, uint32_t f, std::u16string_view text, const Rect& clip) {
    if (Page == nullptr) return;
    const RichCharFormat& fmt = Doc.Formats[f];
    TextPaint paint;
    paint.Ink = fmt.Color;
    paint.FillCells = fmt.HasBackColor;
    paint.Paper = fmt.BackColor;
    DrawString(*Page, FontOf(f), x, y, text, paint, &clip);
  }
};

// A page raster of the colour mode's kind with the rectangle inside the
// margin in the background colour.
RasterPtr NewRichPage(int colorMode, const RichTextDocument& doc, int32_t w, int32_t h, int32_t m) {
  if (!RasterSizeAllowed(w, h)) return nullptr;
  RasterPtr page = NewPageBitmapFor(colorMode, w, h);
  if (!page) return nullptr;
  const int64_t right = int64_t{w} - m, bottom = int64_t{h} - m;
  if (right > m && bottom > m) {
    FillRect(*page, {m, m, static_cast<int>(right), static_cast<int>(bottom)}, doc.Background);
  }
  return page;
}

}  // namespace

int32_t FormatRichTextRange(RichTextDocument& doc, int32_t start, const TwipRect& rect, Raster* raster) {
  RichTextLayoutCache& cache = RichLayoutOf(doc);
  if (!cache.Fonts) cache.Fonts = std::make_shared<RichFontCache>();
  RasterRichDevice device{doc, *cache.Fonts, raster};
  const RichPixelRect r = ToPixels(rect, kRasterDpiX, kRasterDpiY);
  if (!doc.KeepLayout) return LayOutRichRangeAfresh(doc, start, r, device, raster != nullptr, &cache.Stats);
  return LayOutRichRangeKept(doc, cache, start, r, device, raster != nullptr, raster != nullptr ? raster->Height : 0);
}

size_t RenderRichTextSlice(int colorMode, RichTextDocument& control, int32_t pageIndex, int32_t width,
                           int32_t height, int32_t margin, int32_t& pageCount, uint8_t* out, size_t outSize,
                           int32_t offsetY) {
  if (width <= 0 || height <= 0) return 0;
  const int64_t m = margin;
  const int64_t wt = PixelsToTwips(width - 2 * m, kRasterDpiX);
  const int64_t ht = PixelsToTwips(height - 2 * m, kRasterDpiY);
  if (pageCount <= 0) {
    // The smallest number of page heights that holds as much of the document
    // as any taller column tried.
    pageCount = 1;
    int32_t best = 0;
    for (int32_t j = 1;; ++j) {
      const int32_t r = FormatRichTextRange(control, 0, {0, 0, wt, j * ht}, nullptr);
      if (r > best) {
        pageCount = j;
        best = r;
      }
      if (!(j <= pageCount + 5 && pageCount < kMaxRichTextPages)) break;
    }
  }
  if (pageIndex < 0 || pageCount <= pageIndex) return 0;
  RasterPtr page = NewRichPage(colorMode, control, width, height, margin);
  if (!page) return 0;
  const int64_t offset = PixelsToTwips(offsetY, kRasterDpiX);
  FormatRichTextRange(control, 0, {0, offset - pageIndex * ht, wt, (int64_t{pageCount} + 1) * ht}, page.get());
  return EncodePage(page.get(), out, outSize);
}

size_t RenderRichTextFlow(int colorMode, RichTextDocument& control, int32_t pageIndex, int32_t width,
                          int32_t height, int32_t margin, int32_t& position, uint8_t* out, size_t outSize,
                          int32_t offsetY) {
  if (width <= 0 || height <= 0) return 0;
  const int32_t n = RichTextLength(control);
  int32_t start = 0;
  int32_t k = 0;  // pages still to pass over
  if (pageIndex == 0) {
    position = 0;
  } else if (position == -2) {
    k = pageIndex;
  } else if (position == -1 || position >= n || position < -2) {
    return 0;
  } else {
    start = position;
    k = position != 0 ? 0 : pageIndex;
  }
  const int64_t m = margin;
  const int64_t offset = PixelsToTwips(offsetY, kRasterDpiX);
  const TwipRect rect{PixelsToTwips(m, kRasterDpiX), PixelsToTwips(m + 1, kRasterDpiY) + offset,
                      PixelsToTwips(width - 2 * m, kRasterDpiX), PixelsToTwips(height - 2 * m + 1, kRasterDpiY)};
  size_t result = 0;
  int32_t next = -1;
  for (;;) {
    // Pages passed over are laid out but not drawn: nothing of them is kept.
    RasterPtr page;
    if (k == 0) {
      page = NewRichPage(colorMode, control, width, height, margin);
      if (!page) return 0;
    }
    next = FormatRichTextRange(control, start, rect, page.get());
    // A page that takes no character (its rectangle has no height) would
    // repeat for ever: the document can go no further in this area.
    if (next == start && start < n) next = -1;
    if (k == 0) result = EncodePage(page.get(), out, outSize);
    --k;
    if (result > 0 || k < 0 || next == -1 || next >= n) break;
    start = next;
  }
  if (position != -2) position = next;
  return result;
}

}  // namespace vexilo
