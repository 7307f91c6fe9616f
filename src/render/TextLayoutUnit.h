// Laying plain text out into pages: the continuous line, single-line pages
// and multi-line pages. The layout is separate from the drawing: it asks a
// text device for widths and tells it where to draw, so it can be checked
// with a device of fixed widths and run against the real drawing services.
//
// A text device offers:
//   int CharWidth(char16_t c);                            advance of one code unit
//   std::pair<int,int> Measure(std::u16string_view s);    width and height of a string
//   void Draw(int x, int y, std::u16string_view s);       top-left of the first cell at (x, y)
// and may offer
//   int LineHeight();    the height Measure gives every string, when it is the same for all
#pragma once
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vexilo {

struct TextLayoutParams {
  bool SingleLinePages = false;  // continuous line or one line per page
  bool Wrap = true;              // false asks for the continuous line
  int32_t PageIndex = -1;        // -1 for an item's only page
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Margin = 0;
  int32_t Size = 0;              // the font's nominal cell height
  int32_t CharSpacing = 0;
  int32_t LineSpacing = 0;
  int32_t NominalWidth = 0;      // size div 2 minus the italic narrowing
  bool Centred = false;
  bool EightPixelFont = false;   // size 8: tops 2 px higher, widths +1 when breaking
  int32_t VerticalOffset = 0;
};

// What one item's page calls share, so that page k resumes where page k - 1
// ended instead of laying out pages 0 to k - 1 again, and so that nothing is
// measured twice: the start of every page laid out so far, what was learnt of
// the whole text, and the width of every code unit met. The output is the
// same with or without it. A cache belongs to one text, one font and one set
// of parameters (the page index aside).
struct TextLayoutCache {
  struct PageStart {
    size_t Pos = 0;            // first character of the page
    size_t PreviousStart = 0;  // the line remembered as the previous one
    size_t PreviousLength = 0;
  };
  std::vector<PageStart> Pages;  // Pages[j]: the start of page j
  int8_t Arabic = -1;            // the text has Arabic: 1, 0, or -1 not yet known
  int8_t LineBreaks = -1;        // the text has CR or LF: 1, 0, or -1 not yet known
  bool WholeMeasured = false;
  std::pair<int, int> Whole{};   // the whole text measured as one string
  std::unordered_map<char16_t, int> Widths;  // CharWidth of each code unit met
  // The continuous line's pen position before each code unit (and after the
  // last), kept by the drawing device so that each page draws only the
  // characters that can reach it.
  std::vector<int64_t> PenBefore;
};

// True when text holds a character of the Arabic block U+0600..U+06FF.
bool HasArabic(std::u16string_view text);

inline bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// HasArabic, and whether the text holds CR or LF, looked up once per cache.
bool HasArabic(std::u16string_view text, TextLayoutCache* cache);
bool HasLineBreak(std::u16string_view text, TextLayoutCache* cache);

namespace text_layout_detail {

// Positions are worked out in 64 bits and held within +-kFar, so that no
// value a host passes (sizes, spacings, margins, offsets, all 32-bit) can
// overflow them. Every step adds less than 2^33, and within one line x, and
// within one page y, only move further the same way once they are past every
// raster; so a value is only ever held after more than 2^27 steps (characters
// of one line, lines of one page), and then it lies so far off every raster
// that the page is the same as with the exact value.
inline constexpr int64_t kFar = int64_t{1} << 60;
inline int64_t Hold(int64_t v) { return v < -kFar ? -kFar : (v > kFar ? kFar : v); }
inline int64_t HeldProduct(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_mul_overflow(a, b, &r)) return ((a < 0) != (b < 0)) ? -kFar : kFar;
  return Hold(r);
}
// A position for the device, which takes 32 bits: the value itself whenever
// it fits, else the nearest 32-bit value, which is as far off every raster.
inline int ToDevice(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The device with the widths of the cache, when there is one: each code unit
// is measured once per cache.
template <class Device>
struct MeasuringDevice {
  Device& Dev;
  TextLayoutCache* Cache;
  int CharWidth(char16_t c) {
    if (Cache == nullptr) return Dev.CharWidth(c);
    auto it = Cache->Widths.find(c);
    if (it != Cache->Widths.end()) return it->second;
    const int w = Dev.CharWidth(c);
    Cache->Widths.emplace(c, w);
    return w;
  }
  std::pair<int, int> Measure(std::u16string_view s) { return Dev.Measure(s); }
  // The whole text, measured once per cache.
  std::pair<int, int> MeasureWhole(std::u16string_view text) {
    if (Cache == nullptr) return Dev.Measure(text);
    if (!Cache->WholeMeasured) {
      Cache->Whole = Dev.Measure(text);
      Cache->WholeMeasured = true;
    }
    return Cache->Whole;
  }
  // The height of the whole text, which single-line pages centre. A device
  // whose strings are all one cell high says so with LineHeight(), and the
  // text is not measured at all.
  int WholeHeight(std::u16string_view text) {
    if constexpr (requires(Device& d) { d.LineHeight(); }) {
      return Dev.LineHeight();
    } else {
      return MeasureWhole(text).second;
    }
  }
  void Draw(int64_t x, int64_t y, std::u16string_view s) { Dev.Draw(ToDevice(x), ToDevice(y), s); }
};

template <class Device>
struct LineDrawer {
  MeasuringDevice<Device>& Dev;
  const TextLayoutParams& P;
  int64_t X0;
  int64_t YShift;  // -2 for the 8-pixel font

  // Draws one line of the page: `justify` spreads the characters over the
  // available width, no more per character than `previous` had.
  void Draw(int64_t y, std::u16string_view line, bool justify, std::u16string_view previous) {
    if (line.empty()) return;
    const int64_t cs = P.CharSpacing;
    const int64_t avail = int64_t{P.Width} - 2 * X0;
    const int64_t lw = Dev.Measure(line).first;
    const int64_t count = static_cast<int64_t>(line.size());
    int64_t n = count;
    int64_t slack = 0;
    const bool hasPrevious = !previous.empty();
    if (hasPrevious) {
      n = std::max(count, static_cast<int64_t>(previous.size()));
      slack = avail - Dev.Measure(previous).first;
    }
    int64_t x = X0;
    int64_t extra = 0;
    int64_t applied = 0;
    const bool spread = justify && !P.Centred && n > 1;
    if (P.Centred) {
      const int64_t missing = HeldProduct(std::max<int64_t>(n - count, 0), P.NominalWidth);
      x += Hold(avail - lw - missing - HeldProduct(n - 1, cs)) / 2;
    } else if (spread) {
      extra = avail - lw;
      if (hasPrevious) {
        const int64_t prevCount = static_cast<int64_t>(previous.size());
        if (slack / prevCount < extra / count) {
          extra = slack;
          n = prevCount;
        }
      }
      applied = (extra / n) / 2;
      x += applied;
    } else {
      x += cs / 2;
    }
    for (int64_t k = 1; k <= count; ++k) {
      const char16_t c = line[static_cast<size_t>(k - 1)];
      Dev.Draw(x, y + YShift, std::u16string_view(&line[static_cast<size_t>(k - 1)], 1));
      x = Hold(x + cs);
      if (spread) {
        const int64_t now = Hold(HeldProduct(extra, k) + extra / 2) / n;
        x = Hold(x + (now - applied));
        applied = now;
      }
      x = Hold(x + Dev.CharWidth(c));
    }
  }
};

}  // namespace text_layout_detail

// Lays out the page P.PageIndex of `text` and draws it on the device.
// Returns false when the page does not exist (nothing of it is drawn).
template <class Device>
bool LayoutTextPage(std::u16string_view text, const TextLayoutParams& P, Device& device,
                    TextLayoutCache* cache = nullptr) {
  using text_layout_detail::Hold;
  if (P.Width <= 0 || P.Height <= 0) return false;
  const bool arabic = HasArabic(text, cache);
  if (arabic && !P.SingleLinePages) return false;
  if (text.empty() && P.PageIndex > 0) return false;

  text_layout_detail::MeasuringDevice<Device> dev{device, cache};
  const int64_t x0 = std::max(P.Margin, 0);
  const int64_t cs = P.CharSpacing;
  const int64_t ls = P.LineSpacing;
  const int64_t shift = P.EightPixelFont ? -2 : 0;
  bool wrap = P.SingleLinePages ? P.Wrap : true;
  if (!arabic && !wrap && HasLineBreak(text, cache)) wrap = true;

  // The continuous line: the whole text as one string, page k showing the
  // window k area widths to the right.
  if (arabic || !wrap) {
    const int64_t k = std::max(P.PageIndex, 0);
    const std::pair<int, int> size = dev.MeasureWhole(text);
    if (k > 0 && k * P.Width - 2 * x0 >= size.first) return false;
    const int64_t y = std::max<int64_t>((int64_t{P.Height} - size.second) / 2, P.Margin) + P.VerticalOffset;
    if (!text.empty()) dev.Draw(x0 - k * P.Width, y + shift, text);
    return true;
  }

  // Line layouts.
  text_layout_detail::LineDrawer<Device> drawer{dev, P, x0, shift};
  const int64_t size = P.Size;
  auto breakWidth = [&](char16_t c) -> int64_t {
    const int64_t w = dev.CharWidth(c);
    return (P.EightPixelFont && w > 0) ? w + 1 : w;
  };
  int64_t y = 0;
  if (P.SingleLinePages) {
    y = std::max<int64_t>((int64_t{P.Height} - dev.WholeHeight(text)) / 2, P.Margin);
  }
  const int64_t bottom = P.PageIndex >= 0 ? int64_t{P.Height} - x0 - size + 1 : int64_t{P.Height};
  y += P.VerticalOffset;

  const size_t len = text.size();
  size_t pos = 0;  // next character not yet laid out
  int32_t p = P.PageIndex;
  std::u16string_view previous;
  int32_t pageNumber = 0;  // the page being laid out (0 for page -1 too)
  if (cache != nullptr && P.PageIndex >= 0) {
    if (cache->Pages.empty()) cache->Pages.push_back({});
    const int32_t known = std::min<int32_t>(P.PageIndex, static_cast<int32_t>(cache->Pages.size()) - 1);
    const TextLayoutCache::PageStart& start = cache->Pages[static_cast<size_t>(known)];
    pos = start.Pos;
    previous = text.substr(start.PreviousStart, start.PreviousLength);
    pageNumber = known;
    p = P.PageIndex - known;
  }

  for (;;) {  // one page
    if (cache != nullptr && P.PageIndex >= 0 && static_cast<size_t>(pageNumber) == cache->Pages.size()) {
      const size_t prevStart = previous.empty() ? 0 : static_cast<size_t>(previous.data() - text.data());
      cache->Pages.push_back({pos, prevStart, previous.size()});
    }
    if (!P.SingleLinePages) y = ls / 2 + P.Margin + P.VerticalOffset;
    int64_t x = x0 + cs / 2;
    size_t lineStart = pos;
    // The current line began after a wrap (not at the start or after a break).
    bool afterWrap = pos > 0 && !IsLineBreak(text[pos - 1]);
    int64_t pendingBlank = 0;
    bool complete = false;
    while (!complete) {
      if (pos >= len) return false;  // the requested page lies beyond the text
      const size_t i = pos++;
      const char16_t ch = text[i];
      x = Hold(x + breakWidth(ch) + cs);
      const bool last = i + 1 == len;
      const int64_t ahead = breakWidth(last ? ch : text[i + 1]);
      if (IsLineBreak(ch)) {
        if (!last && IsLineBreak(text[i + 1])) {
          if (i > 0 && text[i - 1] == u'\r' && text[i + 1] == u'\r') pendingBlank = Hold(pendingBlank + size + ls);
          continue;
        }
        // The last break of a run ends the line before the run.
        size_t runStart = i;
        while (runStart > lineStart && IsLineBreak(text[runStart - 1])) --runStart;
        std::u16string_view line = text.substr(lineStart, runStart - lineStart);
        if (p <= 0) drawer.Draw(y, line, false, std::u16string_view());
        previous = line;
        lineStart = pos;
        afterWrap = false;
        if (P.SingleLinePages) {
          complete = true;
          continue;
        }
        y = Hold(y + size + ls + pendingBlank);
        pendingBlank = 0;
        if (pos >= len) {
          if (p > 0) return false;
          complete = true;
        } else if (y > bottom) {
          complete = true;
        } else {
          x = x0 + cs / 2;
        }
        continue;
      }
      if (P.Width - x0 < ahead + x + cs) {
        // Wrap after ch.
        std::u16string_view line = text.substr(lineStart, pos - lineStart);
        if (p <= 0) drawer.Draw(y, line, true, std::u16string_view());
        previous = line;
        lineStart = pos;
        afterWrap = true;
        if (P.SingleLinePages) {
          complete = true;
          continue;
        }
        y = Hold(y + size + ls);
        if (y > bottom) {
          complete = true;
        } else if (pos >= len) {
          if (p > 0) return false;
          complete = true;
        } else {
          x = x0 + cs / 2;
        }
        continue;
      }
      if (last) {
        if (p > 0) return false;
        std::u16string_view line = text.substr(lineStart, pos - lineStart);
        drawer.Draw(y, line, afterWrap, previous);
        complete = true;
      }
    }
    if (p <= 0) return true;
    --p;
    ++pageNumber;
  }
}

}  // namespace vexilo
