// The text layouts against a device of fixed character widths, so that every
// line break and every pen position can be stated exactly.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "render/TextLayoutUnit.h"

namespace vexilo {
namespace {

struct DrawCall {
  int X, Y;
  std::u16string Text;
  bool operator==(const DrawCall& o) const { return X == o.X && Y == o.Y && Text == o.Text; }
};

std::ostream& operator<<(std::ostream& os, const DrawCall& d) {
  std::string t;
  for (char16_t c : d.Text) t += c < 128 ? static_cast<char>(c) : '?';
  return os << "(" << d.X << "," << d.Y << ",\"" << t << "\")";
}

// Every character is 8 wide unless listed; line breaks are 0 wide.
struct FixedDevice {
  std::map<char16_t, int> Widths;
  int Height = 16;
  std::vector<DrawCall> Calls;
  int CharWidth(char16_t c) {
    if (IsLineBreak(c)) return 0;
    auto it = Widths.find(c);
    return it == Widths.end() ? 8 : it->second;
  }
  std::pair<int, int> Measure(std::u16string_view s) {
    int w = 0;
    for (char16_t c : s) w += CharWidth(c);
    return {w, Height};
  }
  void Draw(int x, int y, std::u16string_view s) { Calls.push_back({x, y, std::u16string(s)}); }
};

TextLayoutParams Paged(int width, int height, int page) {
  TextLayoutParams p;
  p.SingleLinePages = false;
  p.Wrap = true;
  p.PageIndex = page;
  p.Width = width;
  p.Height = height;
  p.Size = 16;
  p.NominalWidth = 8;
  return p;
}

// The characters drawn, line by line (calls with the same y joined).
std::vector<std::u16string> Lines(const std::vector<DrawCall>& calls) {
  std::vector<std::u16string> lines;
  int y = INT32_MIN;
  for (const DrawCall& c : calls) {
    if (lines.empty() || c.Y != y) lines.emplace_back();
    lines.back() += c.Text;
    y = c.Y;
  }
  return lines;
}

std::vector<int> Tops(const std::vector<DrawCall>& calls) {
  std::vector<int> tops;
  for (const DrawCall& c : calls) {
    if (tops.empty() || tops.back() != c.Y) tops.push_back(c.Y);
  }
  return tops;
}

TEST(TextLayout, ContinuousLineWindowsAndTheirEnd) {
  // 13 characters: 104 pixels, a little more than 100, on a 64-wide area.
  FixedDevice dev;
  dev.Widths[u'a'] = 4;
  const std::u16string text = u"aaaaaaaaaaaaa" u"aaaaaaaaaaaa";  // 25 x 4 = 100
  TextLayoutParams p = Paged(64, 32, 0);
  p.SingleLinePages = true;
  p.Wrap = false;
  for (int page = 0; page < 3; ++page) {
    p.PageIndex = page;
    dev.Calls.clear();
    bool exists = LayoutTextPage(text, p, dev);
    EXPECT_EQ(exists, page < 2) << page;
    if (exists) {
      ASSERT_EQ(dev.Calls.size(), 1u);
      EXPECT_EQ(dev.Calls[0], (DrawCall{-64 * page, (32 - 16) / 2, text}));
    }
  }
}

TEST(TextLayout, BreaksEndLinesWithoutLosingCharacters) {
  struct {
    const char16_t* Text;
    std::vector<std::u16string> Lines;
    std::vector<int> Tops;
  } cases[] = {
      {u"AB\nCD", {u"AB", u"CD"}, {0, 16}},
      {u"AB\rCD", {u"AB", u"CD"}, {0, 16}},
      {u"AB\r\nCD", {u"AB", u"CD"}, {0, 16}},
      {u"AB\r\n\r\nCD", {u"AB", u"CD"}, {0, 32}},  // one blank line
      {u"AB\n\nCD", {u"AB", u"CD"}, {0, 16}},      // none
      {u"AB\r\n", {u"AB"}, {0}},
      {u"AB", {u"AB"}, {0}},
  };
  for (const auto& c : cases) {
    FixedDevice dev;
    ASSERT_TRUE(LayoutTextPage(c.Text, Paged(128, 64, 0), dev));
    EXPECT_EQ(Lines(dev.Calls), c.Lines);
    EXPECT_EQ(Tops(dev.Calls), c.Tops);
  }
}

TEST(TextLayout, TrailingCrLfGivesTheSamePage) {
  FixedDevice a, b;
  ASSERT_TRUE(LayoutTextPage(u"HELLO\r\n", Paged(64, 16, -1), a));
  ASSERT_TRUE(LayoutTextPage(u"HELLO", Paged(64, 16, -1), b));
  EXPECT_EQ(a.Calls, b.Calls);
}

TEST(TextLayout, WrappedLinesAreJustifiedAndTheLastNoWider) {
  // 40-wide area, 8-wide characters: five fit exactly when the next test is
  // width - x0 < ahead + x + cs, i.e. the sixth would end at 48.
  FixedDevice dev;
  dev.Widths[u'i'] = 4;
  TextLayoutParams p = Paged(40, 64, 0);
  ASSERT_TRUE(LayoutTextPage(u"ABCDiABCD", p, dev));
  // First line "ABCDi": 36 px, extra 4 over n = 5: pen lead (4/5)/2 = 0,
  // then the applied extra after character k is (4k + 2) / 5.
  std::vector<DrawCall> expected = {
      {0, 0, u"A"}, {9, 0, u"B"}, {18, 0, u"C"}, {26, 0, u"D"}, {35, 0, u"i"},
  };
  // Last line "ABCD" began after a wrap: extra 8 over count 4 would be 2 per
  // character, more than the 4/5 of the line before, so it gets that line's
  // slack 4 spread as if over 5 characters.
  std::vector<DrawCall> last = {{0, 16, u"A"}, {9, 16, u"B"}, {18, 16, u"C"}, {26, 16, u"D"}};
  expected.insert(expected.end(), last.begin(), last.end());
  EXPECT_EQ(dev.Calls, expected);
}

TEST(TextLayout, OneCharacterWrappedLineGetsOnlyTheSpacingLead) {
  FixedDevice dev;
  dev.Widths[u'W'] = 30;
  TextLayoutParams p = Paged(32, 64, 0);
  p.CharSpacing = 2;
  ASSERT_TRUE(LayoutTextPage(u"WW", p, dev));
  ASSERT_GE(dev.Calls.size(), 1u);
  EXPECT_EQ(dev.Calls[0], (DrawCall{1, 0, u"W"}));  // cs div 2
}

TEST(TextLayout, CentredLastLineCountsTheMissingCharactersAtNominalWidth) {
  FixedDevice dev;
  TextLayoutParams p = Paged(40, 64, 0);
  p.Centred = true;
  ASSERT_TRUE(LayoutTextPage(u"ABCDEFG", p, dev));
  ASSERT_EQ(Lines(dev.Calls), (std::vector<std::u16string>{u"ABCDE", u"FG"}));
  // First line: 40 wide, exactly the area: x0 + 0.
  EXPECT_EQ(dev.Calls[0].X, 0);
  // Last line: as if 5 characters: (40 - 16 - 3 x 8) / 2 = 0.
  EXPECT_EQ(dev.Calls[5].X, 0);
  // Without the line before it, "FG" alone is centred on its own width.
  FixedDevice alone;
  ASSERT_TRUE(LayoutTextPage(u"FG", p, alone));
  EXPECT_EQ(alone.Calls[0].X, (40 - 16) / 2);
}

TEST(TextLayout, PagedTextStopsAtTheBottomLimitStaticTextAtTheEdge) {
  // 16-px lines in a 40-high area with margin 0. Paged: a line starts while
  // its top <= 40 - 0 - 16 + 1 = 25, so lines at 0 and 16 (32 opens page 2).
  // Static (page -1): every top up to 40, so 0, 16 and 32 (cut at the edge).
  const std::u16string text = u"AAAAA\nBBBBB\nCCCCC\nDDDDD";
  FixedDevice paged;
  ASSERT_TRUE(LayoutTextPage(text, Paged(40, 40, 0), paged));
  EXPECT_EQ(Lines(paged.Calls), (std::vector<std::u16string>{u"AAAAA", u"BBBBB"}));
  FixedDevice second;
  ASSERT_TRUE(LayoutTextPage(text, Paged(40, 40, 1), second));
  EXPECT_EQ(Lines(second.Calls), (std::vector<std::u16string>{u"CCCCC", u"DDDDD"}));
  FixedDevice third;
  EXPECT_FALSE(LayoutTextPage(text, Paged(40, 40, 2), third));
  EXPECT_TRUE(third.Calls.empty());
  FixedDevice still;
  ASSERT_TRUE(LayoutTextPage(text, Paged(40, 40, -1), still));
  EXPECT_EQ(Lines(still.Calls), (std::vector<std::u16string>{u"AAAAA", u"BBBBB", u"CCCCC"}));
}

TEST(TextLayout, SingleLinePagesOneLinePerPageVerticallyCentred) {
  TextLayoutParams p = Paged(64, 32, 0);
  p.SingleLinePages = true;
  p.Wrap = true;
  const std::u16string text = u"ONE\nTWO\nTHREE";
  std::vector<std::u16string> got;
  for (int page = 0;; ++page) {
    FixedDevice dev;
    p.PageIndex = page;
    if (!LayoutTextPage(text, p, dev)) break;
    ASSERT_FALSE(dev.Calls.empty());
    EXPECT_EQ(dev.Calls[0].Y, 8);  // (32 - 16) / 2
    got.push_back(Lines(dev.Calls).front());
  }
  EXPECT_EQ(got, (std::vector<std::u16string>{u"ONE", u"TWO", u"THREE"}));
}

TEST(TextLayout, SingleLineAsksForTheContinuousLineUnlessTheTextHasBreaks) {
  TextLayoutParams p = Paged(64, 32, 0);
  p.SingleLinePages = true;
  p.Wrap = false;
  FixedDevice plain;
  ASSERT_TRUE(LayoutTextPage(u"ABCDEFGHIJKL", p, plain));
  ASSERT_EQ(plain.Calls.size(), 1u);  // one string: the continuous line
  FixedDevice broken;
  ASSERT_TRUE(LayoutTextPage(u"AB\nCD", p, broken));
  EXPECT_EQ(Lines(broken.Calls), (std::vector<std::u16string>{u"AB"}));
}

TEST(TextLayout, EightPixelFontDrawsTwoPixelsHigher) {
  TextLayoutParams p = Paged(64, 32, -1);
  p.Size = 8;
  p.NominalWidth = 4;
  FixedDevice normal;
  ASSERT_TRUE(LayoutTextPage(u"A\nB", p, normal));
  p.EightPixelFont = true;
  FixedDevice eight;
  ASSERT_TRUE(LayoutTextPage(u"A\nB", p, eight));
  ASSERT_EQ(Tops(normal.Calls), (std::vector<int>{0, 8}));
  EXPECT_EQ(Tops(eight.Calls), (std::vector<int>{-2, 6}));
}

TEST(TextLayout, MarginsSpacingAndOffsets) {
  TextLayoutParams p = Paged(64, 64, 0);
  p.Margin = 3;
  p.LineSpacing = 4;
  p.VerticalOffset = 1;
  FixedDevice dev;
  ASSERT_TRUE(LayoutTextPage(u"A\nB", p, dev));
  // First top ls div 2 + margin + offset; the next size + ls lower.
  EXPECT_EQ(Tops(dev.Calls), (std::vector<int>{2 + 3 + 1, 2 + 3 + 1 + 20}));
  EXPECT_EQ(dev.Calls[0].X, 3);
  p.Margin = -5;  // moves the first line up, no left inset
  FixedDevice up;
  ASSERT_TRUE(LayoutTextPage(u"A", p, up));
  EXPECT_EQ(up.Calls[0], (DrawCall{0, 2 - 5 + 1, u"A"}));
}

TEST(TextLayout, ArabicOnlyInTheContinuousLineAndEmptyTexts) {
  const std::u16string arabic = u"\u0645\u0631\u062D\u0628\u0627";
  FixedDevice dev;
  EXPECT_FALSE(LayoutTextPage(arabic, Paged(64, 16, 0), dev));
  TextLayoutParams single = Paged(64, 16, 0);
  single.SingleLinePages = true;
  single.Wrap = true;  // Arabic is drawn as one line even when wrapping is asked
  ASSERT_TRUE(LayoutTextPage(arabic + u"\n" + arabic, single, dev));
  ASSERT_EQ(dev.Calls.size(), 1u);
  EXPECT_EQ(dev.Calls[0].Text.size(), 11u);
  EXPECT_TRUE(HasArabic(u"x\u06FFy"));
  EXPECT_FALSE(HasArabic(u"x\u0700y"));

  FixedDevice empty;
  EXPECT_FALSE(LayoutTextPage(u"", Paged(64, 16, 0), empty));  // line layouts: no page
  single.Wrap = false;
  EXPECT_TRUE(LayoutTextPage(u"", single, empty));  // continuous: a blank page 0
  single.PageIndex = 1;
  EXPECT_FALSE(LayoutTextPage(u"", single, empty));
  EXPECT_TRUE(empty.Calls.empty());
  EXPECT_FALSE(LayoutTextPage(u"A", Paged(0, 16, 0), empty));
  EXPECT_FALSE(LayoutTextPage(u"A", Paged(16, -1, 0), empty));
}

}  // namespace
}  // namespace vexilo

#include "render/BidiUnit.h"

namespace vexilo {
namespace {

TEST(Bidi, ArabicIsJoinedAndReversedLatinStays) {
  // مرحبا: meem, reh, hah, beh, alef. Drawn right to left in joined forms:
  // alef (final), beh (medial), hah (initial), reh (final), meem (initial).
  const std::u16string visual = VisualOrder(u"\u0645\u0631\u062D\u0628\u0627");
  EXPECT_EQ(visual, u"\uFE8E\uFE92\uFEA3\uFEAE\uFEE3");
  EXPECT_EQ(VisualOrder(u"LED 24"), u"LED 24");
  EXPECT_EQ(VisualOrder(u""), u"");
  // A Latin word inside Arabic keeps its own order.
  const std::u16string mixed = VisualOrder(u"\u0644 AB");
  EXPECT_NE(mixed.find(u"AB"), std::u16string::npos);
}

}  // namespace
}  // namespace vexilo

namespace vexilo {
namespace {

TEST(TextLayout, ResumingFromTheCacheDrawsEveryPageAsAFreshLayout) {
  std::u16string text;
  for (int i = 0; i < 40; ++i) text += u"WORD" + std::u16string(static_cast<size_t>(i % 5), u'i') + (i % 7 ? u" " : u"\r\n\r\n");
  struct {
    bool Single;
    bool Centred;
  } modes[] = {{false, false}, {false, true}, {true, false}};
  for (const auto& m : modes) {
    TextLayoutParams p = Paged(40, 40, 0);
    p.SingleLinePages = m.Single;
    p.Centred = m.Centred;
    p.CharSpacing = 1;
    TextLayoutCache cache;
    // Pages in an order that uses the cache forwards, backwards and past the end.
    const int order[] = {0, 1, 2, 5, 3, 9, 4, 30, 200, 8, 7, 6};
    for (int page : order) {
      p.PageIndex = page;
      FixedDevice fresh, cached;
      fresh.Widths[u'i'] = 3;
      cached.Widths[u'i'] = 3;
      bool a = LayoutTextPage(text, p, fresh);
      bool b = LayoutTextPage(text, p, cached, &cache);
      ASSERT_EQ(a, b) << page;
      EXPECT_EQ(fresh.Calls, cached.Calls) << page;
    }
  }
}

}  // namespace
}  // namespace vexilo

namespace vexilo {
namespace {

// Host font fields at their 32-bit extremes: positions are exact where they
// fit the device's 32 bits and held at its ends beyond (as far off the page).
TEST(TextLayout, ExtremeSpacingsPlaceEveryCharacterWithoutOverflow) {
  constexpr int kMax = INT32_MAX, kMin = INT32_MIN;
  struct {
    const char16_t* Text;
    int32_t CharSpacing, LineSpacing;
    bool Centred;
    int32_t Page;
    std::vector<DrawCall> Calls;
  } cases[] = {
      // Every character wraps onto its own line, drawn cs div 2 to the right.
      {u"AB", kMax, 0, false, 0, {{kMax / 2, 0, u"A"}, {kMax / 2, 16, u"B"}}},
      // One line: the pen walks left by 7e8 - 8 a character, centred on the
      // middle one as the spacing asks.
      {u"ABCDE", -700000000, 0, true, -1,
       {{1400000012, 0, u"A"}, {700000020, 0, u"B"}, {28, 0, u"C"}, {-699999964, 0, u"D"},
        {-1399999956, 0, u"E"}}},
      // The second line would lie 2^31 + 2^30 down: past the bottom, so only
      // the first is drawn.
      {u"A\nB", 0, kMax, false, -1, {{0, kMax / 2, u"A"}}},
      // Lines climbing by 2^31 - 16: the first at ls div 2, the rest beyond
      // the device's reach, held at its top end.
      {u"A\nB\nC", 0, kMin, false, -1, {{0, kMin / 2, u"A"}, {0, kMin, u"B"}, {0, kMin, u"C"}}},
      {u"A\nB", kMin, kMin, true, 0, {{28, kMin / 2, u"A"}, {28, kMin, u"B"}}},
  };
  for (const auto& c : cases) {
    TextLayoutParams p = Paged(64, 32, c.Page);
    p.CharSpacing = c.CharSpacing;
    p.LineSpacing = c.LineSpacing;
    p.Centred = c.Centred;
    FixedDevice dev;
    ASSERT_TRUE(LayoutTextPage(c.Text, p, dev)) << c.CharSpacing << " " << c.LineSpacing;
    EXPECT_EQ(dev.Calls, c.Calls) << c.CharSpacing << " " << c.LineSpacing;
  }
  // Every field at both ends, in every layout: no overflow (the sanitizer
  // build checks), and the layout ends.
  const int32_t ends[] = {kMin, kMin + 1, -700000000, -1, 0, 1, 700000000, kMax};
  for (int32_t cs : ends) {
    for (int32_t ls : ends) {
      for (int32_t size : {kMin, -16, 0, 16, kMax}) {
        for (int mode = 0; mode < 4; ++mode) {
          TextLayoutParams p = Paged(64, 32, mode == 0 ? -1 : 1);
          p.SingleLinePages = mode >= 2;
          p.Wrap = mode != 3;
          p.Centred = mode == 1;
          p.CharSpacing = cs;
          p.LineSpacing = ls;
          p.Size = size;
          p.NominalWidth = size / 2;
          p.Margin = cs;
          p.VerticalOffset = ls;
          TextLayoutCache cache;
          FixedDevice dev;
          LayoutTextPage(u"WORDS\r\n\r\nON\rLINES iii", p, dev, &cache);
          LayoutTextPage(u"WORDS\r\n\r\nON\rLINES iii", p, dev);
        }
      }
    }
  }
}

// A size of 0 or below is the cell height as given: lines advance by
// size + ls, and the bottom limit height - x0 - size + 1 moves down.
TEST(TextLayout, ZeroAndNegativeSizesAdvanceLinesBySize) {
  struct {
    int32_t Size, LineSpacing;
    int32_t Page;
    std::vector<int> Tops;
  } cases[] = {
      {0, 0, 0, {0}},             // every line at the top: all on page 0
      {0, 10, 0, {5, 15, 25}},    // ls alone; the bottom limit is 33
      {-16, 0, 0, {0, -16, -32}},
      {-16, 20, 0, {10, 14, 18}},
  };
  for (const auto& c : cases) {
    TextLayoutParams p = Paged(64, 32, c.Page);
    p.Size = c.Size;
    p.NominalWidth = c.Size / 2;
    p.LineSpacing = c.LineSpacing;
    FixedDevice dev;
    ASSERT_TRUE(LayoutTextPage(u"A\nB\nC", p, dev)) << c.Size;
    EXPECT_EQ(Tops(dev.Calls), c.Tops) << c.Size << " " << c.LineSpacing;
    p.PageIndex = 1;
    FixedDevice next;
    EXPECT_FALSE(LayoutTextPage(u"A\nB\nC", p, next)) << c.Size;
  }
}

// Counts what the layout asks of the device.
struct CountingDevice : FixedDevice {
  std::map<char16_t, int> WidthCalls;
  int WholeMeasures = 0;
  const std::u16string* Whole = nullptr;
  int CharWidth(char16_t c) {
    ++WidthCalls[c];
    return FixedDevice::CharWidth(c);
  }
  std::pair<int, int> Measure(std::u16string_view s) {
    if (Whole != nullptr && s.size() == Whole->size()) ++WholeMeasures;
    int w = 0;
    for (char16_t c : s) w += FixedDevice::CharWidth(c);
    return {w, Height};
  }
};

TEST(TextLayout, ACacheMeasuresEachCharacterAndTheWholeTextOnce) {
  struct {
    bool Single, Wrap;
    const char16_t* End;  // of each word: the continuous line has no break
  } modes[] = {{true, true, u"\n"}, {true, false, u" "}, {false, true, u"\r\n"}};
  for (const auto& m : modes) {
    std::u16string text;
    for (int i = 0; i < 3000; ++i) text += u"LINE " + std::u16string(static_cast<size_t>(i % 4), u'i') + m.End;
    TextLayoutParams p = Paged(64, 32, 0);
    p.SingleLinePages = m.Single;
    p.Wrap = m.Wrap;
    TextLayoutCache cache;
    CountingDevice dev;
    dev.Whole = &text;
    for (int page = 0; page < 255; ++page) {
      p.PageIndex = page;
      ASSERT_TRUE(LayoutTextPage(text, p, dev, &cache)) << page;
    }
    for (const auto& [c, calls] : dev.WidthCalls) EXPECT_EQ(calls, 1) << static_cast<int>(c);
    EXPECT_LE(dev.WholeMeasures, 1);
  }
}

}  // namespace
}  // namespace vexilo
