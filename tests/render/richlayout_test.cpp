// The rich-text layout engine against a device of fixed widths: ASCII
// characters are 8 pixels wide and CJK characters 16 at 12 pt, both scaled
// with the size; a font's ascent is half its size in half points and its
// descent a sixth (12 and 4 at 12 pt).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/CodePageUnit.h"
#include "render/RichTextLayoutUnit.h"
#include "render/RtfReaderUnit.h"

namespace vexilo {
namespace {

struct DrawCall {
  int X, Y;
  uint32_t Format;
  std::u16string Text;
  bool operator==(const DrawCall& o) const = default;
};

std::ostream& operator<<(std::ostream& os, const DrawCall& d) {
  return os << "(" << d.X << "," << d.Y << ",f" << d.Format << ",\"" << Utf16ToUtf8(d.Text) << "\")";
}

struct FixedRichDevice {
  const RichTextDocument* Doc;
  std::vector<DrawCall> Calls;
  int Advance(uint32_t f, std::u16string_view ch) {
    const int base = ch[0] < 0x80 ? 8 : 16;
    return base * Doc->Formats[f].HalfPoints / 24;
  }
  RichBox Box(uint32_t f) { return {Doc->Formats[f].HalfPoints / 2, Doc->Formats[f].HalfPoints / 6}; }
  void Draw(int x, int y, uint32_t f, std::u16string_view text, const Rect&) {
    Calls.push_back({x, y, f, std::u16string(text)});
  }
};

RichTextDocument Doc(const std::string& rtf) {
  RichTextDocument doc;
  EXPECT_TRUE(ReadRtf(rtf, doc)) << rtf;
  return doc;
}

// Every line of the document from character 0 in a column width wide.
std::vector<std::string> Lines(const RichTextDocument& doc, int64_t width) {
  FixedRichDevice dev{&doc, {}};
  std::vector<std::string> lines;
  for (int32_t pos = 0; pos < RichTextLength(doc);) {
    const RichLine line = BuildRichLine(doc, pos, width, dev);
    lines.push_back(Utf16ToUtf8(RichTextRange(doc, line.Start, line.End - line.Start)));
    pos = line.End;
  }
  return lines;
}

TEST(RichLayout, LineBreaks) {
  struct Case {
    std::string Rtf;
    int64_t Width;
    std::vector<std::string> Lines;
  };
  const std::vector<Case> cases = {
      {"{\\rtf1 aaa bbb ccc}", 64, {"aaa bbb ", "ccc"}},
      {"{\\rtf1 aaa bbb ccc}", 56, {"aaa bbb ", "ccc"}},  // exactly full
      {"{\\rtf1 aaa bbb ccc}", 55, {"aaa ", "bbb ", "ccc"}},
      // Spaces hang past the edge; the next line starts after them.
      {"{\\rtf1 aaaa    bb}", 32, {"aaaa    ", "bb"}},
      // Between any two CJK characters, and between CJK and Latin.
      {"{\\rtf1\\uc0 \\u20013\\u25991\\u20013\\u25991\\u20013\\u25991}", 40, {"中文", "中文", "中文"}},
      {"{\\rtf1\\uc0 ab\\u20013\\u25991  cd}", 36, {"ab中", "文 ", "cd"}},
      // Never before closing punctuation.
      {"{\\rtf1\\uc0 \\u20013\\u25991\\u12290\\u20013}", 40, {"中", "文。", "中"}},
      // A word longer than the line breaks where it overflows; every line
      // takes a character even when none fits.
      {"{\\rtf1 abcdefghij}", 32, {"abcd", "efgh", "ij"}},
      {"{\\rtf1 ab}", 4, {"a", "b"}},
      {"{\\rtf1 ab}", -10, {"a", "b"}},
      // Marks end their line and belong to it.
      {"{\\rtf1 ab\\par\\par cd\\line ef}", 200, {"ab\r", "\r", "cd\v", "ef"}},
      {"{\\rtf1 aaaa \\par b}", 32, {"aaaa \r", "b"}},
      // Sizes scale the widths: 24 pt characters are 16 wide.
      {"{\\rtf1\\fs48 abc}", 40, {"ab", "c"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines(Doc(c.Rtf), c.Width), c.Lines) << c.Rtf << " in " << c.Width;
  }
}

// Alignment, line heights from the fonts on each line, tabs and spacing.
TEST(RichLayout, PlacesRunsByAlignmentAndBaseline) {
  const RichTextDocument doc =
      Doc("{\\rtf1\\pard\\qc ab\\par\\pard\\qr cd\\par\\pard\\ql{\\fs48 E}f\\tab g\\par"
          "\\pard\\sb300\\sa150 h\\par\\pard\\sl-480 i\\par\\pard\\sl480 j\\par\\pard\\qj k l mm nn}");
  FixedRichDevice dev{&doc, {}};
  const int32_t next = LayOutRichRangeAfresh(doc, 0, {10, 5, 110, 1000}, dev, true);
  EXPECT_EQ(next, RichTextLength(doc));
  const uint32_t big = doc.CharFormats[6], normal = doc.CharFormats[0];
  const std::vector<DrawCall> expected = {
      {10 + 42, 5, normal, u"ab"},  // centred: (100 - 16) / 2
      {10 + 84, 5 + 16, normal, u"cd"},  // right
      // 24 pt E and 12 pt f share a baseline 24 below the line's top.
      {10, 37, big, u"E"},
      {10 + 16, 37 + 12, normal, u"f"},
      {10 + 48, 37 + 12, normal, u"g"},  // the default tab stop, 720 twips = 48 px
      // 300 twips = 20 px before, 150 = 10 px after.
      {10, 69 + 20, normal, u"h"},
      // Exactly 32 px: the text sits on the line's bottom.
      {10, 69 + 20 + 16 + 10 + 16, normal, u"i"},
      // At least 32 px.
      {10, 69 + 20 + 16 + 10 + 32 + 16, normal, u"j"},
  };
  ASSERT_GE(dev.Calls.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(dev.Calls[k], expected[k]) << k;
  // Justified text spreads its inner spaces over the width, except on its
  // last line: "k l mm " has two inner spaces and 48 of 100 pixels drawn.
  std::vector<DrawCall> justified(dev.Calls.begin() + static_cast<std::ptrdiff_t>(expected.size()), dev.Calls.end());
  FixedRichDevice narrow{&doc, {}};
  const int32_t k = static_cast<int32_t>(doc.Text.find(u'k'));
  LayOutRichRangeAfresh(doc, k, {0, 0, 60, 100}, narrow, true);
  ASSERT_EQ(narrow.Calls.size(), 4u);
  EXPECT_EQ(narrow.Calls[0].X, 0);
  EXPECT_EQ(narrow.Calls[1].X, 16 + 6);   // "l" after one space and half of 12 spare pixels
  EXPECT_EQ(narrow.Calls[2].X, 32 + 12);  // "mm" after all 12
  EXPECT_EQ(narrow.Calls[3].X, 0);        // the last line, "nn", is not spread
}

// What the engine returns: the first character that did not fit.
TEST(RichLayout, ReturnsTheFirstCharacterThatDidNotFit) {
  // Four lines of 16 pixels: "aa ", "bb ", "cc ", "dd".
  const RichTextDocument doc = Doc("{\\rtf1 aa bb cc dd}");
  struct Case {
    int32_t Start;
    RichPixelRect Rect;
    int32_t Next;
  };
  const std::vector<Case> cases = {
      {0, {0, 0, 16, 64}, 11},  // all fit: the length
      {0, {0, 0, 16, 63}, 9},
      {0, {0, 0, 16, 32}, 6},
      {3, {0, 0, 16, 32}, 9},
      {0, {0, 0, 16, 5}, 3},     // the first line counts as fitting
      {0, {0, 10, 16, 10}, 0},   // no height: nothing
      {6, {0, -100, 16, -80}, 9},
      {11, {0, 0, 16, 64}, 11},  // from the end
      {12, {0, 0, 16, 64}, -1},  // outside the document
      {-1, {0, 0, 16, 64}, -1},
  };
  for (const Case& c : cases) {
    FixedRichDevice dev{&doc, {}};
    EXPECT_EQ(LayOutRichRangeAfresh(doc, c.Start, c.Rect, dev, false), c.Next)
        << c.Start << " in height " << c.Rect.Bottom - c.Rect.Top;
  }
}

// The kept lines give the same characters and the same drawing as laying
// out afresh, for every start and rectangle, and break each line once.
TEST(RichLayout, KeptLinesGiveWhatAFreshLayoutGives) {
  RichTextDocument doc = Doc(
      "{\\rtf1\\uc0\\pard\\qc aa bbb \\u20013\\u25991\\u20013 cc\\par\\pard\\qr\\sb200 {\\fs40 X}yy zz ww\\line q\\par"
      "\\pard\\sa100\\sl-300 \\u20013\\u25991\\u20013\\u25991\\u20013\\u25991 end of it all\\par\\pard tail}");
  RichTextLayoutCache cache;
  const int32_t n = RichTextLength(doc);
  for (int64_t width : {40, 64}) {
    for (int32_t start = 0; start <= n + 1; ++start) {
      for (int64_t top : {-40, 0, 7}) {
        for (int64_t height : {0, 10, 30, 55, 400}) {
          const RichPixelRect r{3, top, 3 + width, top + height};
          FixedRichDevice a{&doc, {}}, b{&doc, {}};
          const int32_t fresh = LayOutRichRangeAfresh(doc, start, r, a, true);
          const int32_t kept = LayOutRichRangeKept(doc, cache, start, r, b, true, 1000);
          ASSERT_EQ(kept, fresh) << start << " " << width << " " << top << " " << height;
          ASSERT_EQ(b.Calls, a.Calls) << start << " " << width << " " << top << " " << height;
        }
      }
    }
  }

  // Ranges that start where lines start, as pages do, break no line twice.
  std::vector<int32_t> starts;
  FixedRichDevice dev{&doc, {}};
  for (int32_t pos = 0; pos < n; pos = BuildRichLine(doc, pos, 40, dev).End) starts.push_back(pos);
  RichTextLayoutCache once;
  for (int32_t start : starts) {
    for (int64_t height : {16, 40, 1000}) LayOutRichRangeKept(doc, once, start, {0, 0, 40, height}, dev, true, 100);
  }
  EXPECT_EQ(once.Stats.LinesBuilt, static_cast<int64_t>(starts.size()));
  EXPECT_EQ(once.Stats.Ranges, 3 * static_cast<int64_t>(starts.size()));
}

}  // namespace
}  // namespace vexilo
