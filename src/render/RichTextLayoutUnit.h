// The rich-text layout engine: lays a character range of a RichTextDocument
// out into a rectangle given in twips, draws the lines that fit, and tells
// the first character that did not fit.
//
// Lines break after spaces, and before or after a CJK character (never
// before closing or after opening punctuation); a word longer than the line
// is broken where it overflows, and every line takes at least one
// character. A paragraph mark or line break ends its line. Spaces at the end
// of a line hang past the right edge. A line is as high as the tallest
// ascent plus the deepest descent of its characters (its mark included),
// changed by the paragraph's line spacing; the paragraph's space before
// goes above its first line and its space after below its last. Lines fit
// while their bottom (space after left out) lies within the rectangle; the
// first line always counts as fitting when the rectangle has any height,
// so that every page shows something and no paging stalls. Drawing is
// clipped to the rectangle.
//
// Like the plain-text layout, the engine measures and draws through a
// device, so that it can be checked with fixed widths:
//   int Advance(uint32_t format, std::u16string_view ch);   one character (a surrogate pair is one)
//   RichBox Box(uint32_t format);                            ascent and descent of a format's font
//   void Draw(int x, int y, uint32_t format, std::u16string_view text, const Rect& clip);
//                                                            top-left of the first cell at (x, y)
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "render/DrawingUnit.h"
#include "render/RichTextDocumentUnit.h"

namespace vexilo {

inline constexpr int64_t kTwipsPerInch = 1440;

// p x 1440 div d, as the renderers hand lengths to the engine.
inline int64_t PixelsToTwips(int64_t pixels, int dpi) { return pixels * kTwipsPerInch / dpi; }
// Twips back to the raster's pixels, rounding down.
inline int64_t TwipsToPixels(int64_t twips, int dpi) {
  const int64_t v = twips * dpi;
  return v >= 0 ? v / kTwipsPerInch : -((-v + kTwipsPerInch - 1) / kTwipsPerInch);
}

struct TwipRect {
  int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct RichBox {
  int Ascent = 0;
  int Descent = 0;
};

struct RichLine {
  int32_t Start = 0;  // first character
  int32_t End = 0;    // one past the last, its mark or line break included
  int64_t Top = 0;    // top of the line's space before, from the top of the layout
  int32_t Before = 0; // space before (the first line of a paragraph)
  int32_t Height = 0; // the line box
  int32_t After = 0;  // space after (the last line of a paragraph)
  int32_t Baseline = 0;  // from the top of the line box
  int32_t Natural = 0;   // tallest ascent plus deepest descent on the line
  int64_t Width = 0;     // the drawn characters (hanging spaces and marks left out)
  RichAlign Align = RichAlign::Left;
  bool Justify = false;  // spread over the width (a justified line that wrapped)
  int64_t Bottom() const { return Top + Before + Height; }
  int64_t Next() const { return Top + Before + Height + After; }
};

// What the engine did, for tests and benchmarks.
struct RichLayoutStats {
  int64_t Ranges = 0;       // ranges laid out (engine calls)
  int64_t LinesBuilt = 0;   // lines broken
};

struct RichFontCache;  // the fonts and widths of the real drawing device

// A document's lines, from character 0, for one width; built as far as the
// calls so far needed them.
struct RichTextLayoutCache {
  int64_t Width = -1;
  std::vector<RichLine> Lines;
  bool Complete = false;
  int32_t MaxNatural = 0;  // the tallest Natural of the kept lines
  RichLayoutStats Stats;
  std::shared_ptr<RichFontCache> Fonts;
};

// The layout's cache of a document, made on first use.
RichTextLayoutCache& RichLayoutOf(RichTextDocument& doc);

namespace rich_layout_detail {

inline bool IsCjk(char16_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0xD800 && c <= 0xDFFF);
}
inline bool NoBreakBefore(char16_t c) {
  constexpr std::u16string_view kClosing = u"!),.:;?]}\u3001\u3002\uFF0C\uFF0E\uFF1A\uFF1B\uFF01\uFF1F\uFF09"
                                           u"\u300D\u300F\u3011\u300B\u3009\u201D\u2019\u30FC\uFF5D\uFF3D";
  return kClosing.find(c) != std::u16string_view::npos || (c >= 0xDC00 && c <= 0xDFFF);
}
inline bool NoBreakAfter(char16_t c) {
  constexpr std::u16string_view kOpening = u"([{\uFF08\u300C\u300E\u3010\u300A\u3008\u201C\u2018\uFF5B\uFF3B";
  return kOpening.find(c) != std::u16string_view::npos || (c >= 0xD800 && c <= 0xDBFF);
}
// Whether a line may break between a and b (spaces aside).
inline bool BreakBetween(char16_t a, char16_t b) {
  return (IsCjk(a) || IsCjk(b)) && !NoBreakBefore(b) && !NoBreakAfter(a) && a != u' ';
}
inline int ToDevice(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

inline int32_t CharLength(std::u16string_view t, size_t i, size_t end) {
  return (t[i] >= 0xD800 && t[i] < 0xDC00 && i + 1 < end && t[i + 1] >= 0xDC00 && t[i + 1] < 0xE000) ? 2 : 1;
}

inline bool IsMark(char16_t c) { return c == kRichParagraphMark || c == kRichLineBreak; }

// The end of the characters a line draws: hanging spaces and its mark left out.
inline int32_t VisibleEnd(const RichTextDocument& doc, const RichLine& line) {
  int32_t e = line.End;
  while (e > line.Start && IsMark(doc.Text[static_cast<size_t>(e - 1)])) --e;
  while (e > line.Start && doc.Text[static_cast<size_t>(e - 1)] == u' ') --e;
  return e;
}

inline int64_t TabPixels(const RichTextDocument& doc) {
  return std::max<int64_t>(1, TwipsToPixels(doc.DefaultTab, kRasterDpiX));
}

// The advance of character i at pen position x (tabs go to the next stop).
template <class Device>
int64_t AdvanceAt(const RichTextDocument& doc, size_t i, int32_t len, int64_t x, int64_t tab, Device& dev) {
  const char16_t c = doc.Text[i];
  if (c == kRichTab) return (x / tab + 1) * tab - x;
  if (IsMark(c)) return 0;
  return dev.Advance(doc.CharFormats[i], std::u16string_view(doc.Text).substr(i, static_cast<size_t>(len)));
}

}  // namespace rich_layout_detail

// Breaks the line that starts at character pos (0 <= pos < length) in a
// column width pixels wide; its Top is left at 0.
template <class Device>
RichLine BuildRichLine(const RichTextDocument& doc, int32_t pos, int64_t width, Device& dev) {
  using namespace rich_layout_detail;
  const std::u16string_view t(doc.Text);
  const int32_t n = RichTextLength(doc);
  const RichParagraph* para = RichParagraphAt(doc, pos);
  const int32_t paraStart = para != nullptr ? para->Start : 0;
  const int32_t paraEnd = para != nullptr ? std::min(para->End, n) : n;
  const RichParagraphFormat& pf = RichParagraphFormatAt(doc, pos);
  const int64_t tab = TabPixels(doc);

  RichLine line;
  line.Start = pos;
  int32_t end = paraEnd;
  int32_t breakAt = -1;  // the last place the line may end
  int64_t x = 0;
  for (int32_t i = pos; i < paraEnd;) {
    const char16_t c = t[static_cast<size_t>(i)];
    if (IsMark(c)) {
      end = i + 1;
      break;
    }
    const int32_t len = CharLength(t, static_cast<size_t>(i), static_cast<size_t>(paraEnd));
    if (i > pos && c != u' ' && BreakBetween(t[static_cast<size_t>(i - 1)], c)) breakAt = i;
    const int64_t adv = AdvanceAt(doc, static_cast<size_t>(i), len, x, tab, dev);
    if (c == u' ') {  // spaces hang: they never overflow the line
      x += adv;
      ++i;
      breakAt = i;
      continue;
    }
    if (i > pos && x + adv > width) {
      end = breakAt > pos ? breakAt : i;
      break;
    }
    x += adv;
    i += len;
  }
  // Spaces after the break belong to this line, and so does a mark right
  // after them.
  while (end < paraEnd && t[static_cast<size_t>(end)] == u' ') ++end;
  if (end < paraEnd && IsMark(t[static_cast<size_t>(end)])) ++end;
  line.End = end;

  // Height from the fonts on the line; width of what it draws.
  int ascent = 0, descent = 0;
  uint32_t lastFormat = UINT32_MAX;
  for (int32_t i = pos; i < end; ++i) {
    const uint32_t f = doc.CharFormats[static_cast<size_t>(i)];
    if (f == lastFormat) continue;
    lastFormat = f;
    const RichBox box = dev.Box(f);
    ascent = std::max(ascent, box.Ascent);
    descent = std::max(descent, box.Descent);
  }
  const int32_t visibleEnd = VisibleEnd(doc, line);
  x = 0;
  for (int32_t i = pos; i < visibleEnd;) {
    const int32_t len = CharLength(t, static_cast<size_t>(i), static_cast<size_t>(visibleEnd));
    x += AdvanceAt(doc, static_cast<size_t>(i), len, x, tab, dev);
    i += len;
  }
  line.Width = x;

  const int32_t natural = ascent + descent;
  int64_t height = natural;
  if (pf.LineSpacing != 0 && pf.LineMultiple) {
    height = int64_t{natural} * std::abs(pf.LineSpacing) / 240;
  } else if (pf.LineSpacing > 0) {
    height = std::max<int64_t>(natural, TwipsToPixels(pf.LineSpacing, kRasterDpiY));
  } else if (pf.LineSpacing < 0) {
    height = TwipsToPixels(-int64_t{pf.LineSpacing}, kRasterDpiY);
  }
  line.Natural = natural;
  line.Height = static_cast<int32_t>(height);
  line.Baseline = static_cast<int32_t>(height - descent);
  line.Before = pos == paraStart ? static_cast<int32_t>(TwipsToPixels(pf.SpaceBefore, kRasterDpiY)) : 0;
  line.After = end >= paraEnd ? static_cast<int32_t>(TwipsToPixels(pf.SpaceAfter, kRasterDpiY)) : 0;
  line.Align = pf.Align;
  line.Justify = pf.Align == RichAlign::Justify && end < paraEnd && !IsMark(t[static_cast<size_t>(end - 1)]);
  return line;
}

// Draws a line whose space before begins at top, in a column from left,
// width wide.
template <class Device>
void DrawRichLine(const RichTextDocument& doc, const RichLine& line, int64_t left, int64_t width, int64_t top,
                  Device& dev, const Rect& clip) {
  using namespace rich_layout_detail;
  const std::u16string_view t(doc.Text);
  const int32_t visibleEnd = VisibleEnd(doc, line);
  if (visibleEnd <= line.Start) return;
  const int64_t slack = width - line.Width;
  int64_t x = left;
  if (line.Align == RichAlign::Centre && slack > 0) x += slack / 2;
  if (line.Align == RichAlign::Right && slack > 0) x += slack;
  int64_t spaces = 0;
  if (line.Justify && slack > 0) {
    for (int32_t i = line.Start; i < visibleEnd; ++i) spaces += t[static_cast<size_t>(i)] == u' ' ? 1 : 0;
  }
  const int64_t baseline = top + line.Before + line.Baseline;
  const int64_t tab = TabPixels(doc);
  int64_t pen = 0;  // from the line's left, as the line was measured
  int64_t spread = 0;
  int64_t spaceNo = 0;
  for (int32_t i = line.Start; i < visibleEnd;) {
    const char16_t c = t[static_cast<size_t>(i)];
    if (c == kRichTab || (spaces > 0 && c == u' ')) {
      pen += AdvanceAt(doc, static_cast<size_t>(i), 1, pen, tab, dev);
      if (c == u' ') {
        ++spaceNo;
        spread = slack * spaceNo / spaces;
      }
      ++i;
      continue;
    }
    // A run: one format, no tab, no spread space.
    const uint32_t f = doc.CharFormats[static_cast<size_t>(i)];
    const int64_t runX = x + pen + spread;
    int32_t j = i;
    while (j < visibleEnd) {
      const char16_t d = t[static_cast<size_t>(j)];
      if (doc.CharFormats[static_cast<size_t>(j)] != f || d == kRichTab || (spaces > 0 && d == u' ')) break;
      const int32_t len = CharLength(t, static_cast<size_t>(j), static_cast<size_t>(visibleEnd));
      pen += AdvanceAt(doc, static_cast<size_t>(j), len, pen, tab, dev);
      j += len;
    }
    const RichBox box = dev.Box(f);
    dev.Draw(ToDevice(runX), ToDevice(baseline - box.Ascent), f, t.substr(static_cast<size_t>(i), static_cast<size_t>(j - i)),
             clip);
    i = j;
  }
}

// The rectangle in the raster's pixels.
struct RichPixelRect {
  int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
inline RichPixelRect ToPixels(const TwipRect& r, int dpiX, int dpiY) {
  return {TwipsToPixels(r.Left, dpiX), TwipsToPixels(r.Top, dpiY), TwipsToPixels(r.Right, dpiX),
          TwipsToPixels(r.Bottom, dpiY)};
}
inline Rect ClipOf(const RichPixelRect& r) {
  using rich_layout_detail::ToDevice;
  return {ToDevice(r.Left), ToDevice(r.Top), ToDevice(r.Right), ToDevice(r.Bottom)};
}

// Lays out from character start into the rectangle afresh, line by line,
// drawing each line that fits when draw is set. Returns the first character
// that did not fit, the length when all did, -1 when start lies outside the
// document.
template <class Device>
int32_t LayOutRichRangeAfresh(const RichTextDocument& doc, int32_t start, const RichPixelRect& r, Device& dev,
                              bool draw, RichLayoutStats* stats = nullptr) {
  const int32_t n = RichTextLength(doc);
  if (stats != nullptr) ++stats->Ranges;
  if (start < 0 || start > n) return -1;
  const int64_t width = r.Right - r.Left;
  const int64_t height = r.Bottom - r.Top;
  const Rect clip = ClipOf(r);
  int64_t y = 0;
  int32_t pos = start;
  bool first = true;
  while (pos < n) {
    if (height <= 0) return pos;
    RichLine line = BuildRichLine(doc, pos, width, dev);
    if (stats != nullptr) ++stats->LinesBuilt;
    if (!first && y + line.Before + line.Height > height) return pos;
    if (draw) DrawRichLine(doc, line, r.Left, width, r.Top + y, dev, clip);
    y += line.Before + line.Height + line.After;
    pos = line.End;
    first = false;
  }
  return n;
}

// The same from the document's kept lines: they are built from character 0
// once, as far as calls need them, and a range that starts where a kept line
// starts is placed from them without breaking a line again. A start inside a
// line is laid out afresh. The lines and pixels are those of the afresh
// layout: a line's breaks depend only on where it starts.
template <class Device>
int32_t LayOutRichRangeKept(const RichTextDocument& doc, RichTextLayoutCache& cache, int32_t start,
                            const RichPixelRect& r, Device& dev, bool draw, int rasterHeight) {
  const int32_t n = RichTextLength(doc);
  const int64_t width = r.Right - r.Left;
  if (start < 0 || start > n) {
    ++cache.Stats.Ranges;
    return -1;
  }
  if (cache.Width != width) {
    cache.Width = width;
    cache.Lines.clear();
    cache.Complete = n == 0;
    cache.MaxNatural = 0;
  }
  std::vector<RichLine>& lines = cache.Lines;
  auto extend = [&]() -> bool {  // one more line; false when the document is laid out
    if (cache.Complete) return false;
    const int32_t pos = lines.empty() ? 0 : lines.back().End;
    const int64_t top = lines.empty() ? 0 : lines.back().Next();
    if (pos >= n) {
      cache.Complete = true;
      return false;
    }
    RichLine line = BuildRichLine(doc, pos, width, dev);
    ++cache.Stats.LinesBuilt;
    line.Top = top;
    cache.MaxNatural = std::max(cache.MaxNatural, line.Natural);
    lines.push_back(line);
    if (line.End >= n) cache.Complete = true;
    return true;
  };
  if (start == n) {
    ++cache.Stats.Ranges;
    return n;
  }
  // The kept line that starts at start.
  while ((lines.empty() || lines.back().Start < start) && extend()) {
  }
  auto at = std::lower_bound(lines.begin(), lines.end(), start,
                             [](const RichLine& l, int32_t s) { return l.Start < s; });
  if (at == lines.end() || at->Start != start) {
    return LayOutRichRangeAfresh(doc, start, r, dev, draw, &cache.Stats);
  }
  ++cache.Stats.Ranges;
  const int64_t height = r.Bottom - r.Top;
  if (height <= 0) return start;
  size_t first = static_cast<size_t>(at - lines.begin());
  const int64_t origin = lines[first].Top;
  // Build on until a line after the first does not fit (or the document ends).
  while ((lines.size() == first + 1 || lines.back().Bottom() - origin <= height) && extend()) {
  }
  // The first line after `first` whose bottom lies below the rectangle.
  auto beyond = std::upper_bound(lines.begin() + static_cast<std::ptrdiff_t>(first) + 1, lines.end(), height,
                                 [origin](int64_t h, const RichLine& l) { return h < l.Bottom() - origin; });
  const size_t last = static_cast<size_t>(beyond - lines.begin());  // one past the last line that fits
  if (draw) {
    // Only lines near the raster can put ink on it. A line's glyphs stand
    // on its baseline, their cells ending at the line's bottom and reaching
    // Natural above it; a glyph may overshoot its cell, but by less than
    // another cell.
    const Rect clip = ClipOf(r);
    const int64_t shift = r.Top - origin;
    auto inkTop = [&](const RichLine& l) { return shift + l.Bottom() - 2 * int64_t{l.Natural} - 8; };
    auto inkBottom = [&](const RichLine& l) { return shift + l.Bottom() + l.Natural + 8; };
    const int64_t maxNatural = cache.MaxNatural;
    auto visibleFrom = std::lower_bound(lines.begin() + static_cast<std::ptrdiff_t>(first), beyond, int64_t{0},
                                        [&](const RichLine& l, int64_t) {
                                          return shift + l.Bottom() + maxNatural + 8 < 0;
                                        });
    for (auto it = visibleFrom; it != beyond; ++it) {
      if (shift + it->Bottom() - 2 * maxNatural - 8 > rasterHeight) break;
      if (inkBottom(*it) < 0 || inkTop(*it) > rasterHeight) continue;
      DrawRichLine(doc, *it, r.Left, width, shift + it->Top, dev, clip);
    }
  }
  return last < lines.size() ? lines[last].Start : n;
}

}  // namespace vexilo
