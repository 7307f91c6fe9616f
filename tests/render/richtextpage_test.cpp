// The two rich-text page renderers on the drawing services: the page count
// search, slices, the walk through stored positions, the margin strip, the
// colours of runs, and pages from kept lines against pages laid out afresh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/RichTextPageUnit.h"
#include "render/RtfReaderUnit.h"

namespace vexilo {
namespace {

constexpr ColorRef kBlack = kColorBlack;

// RTF \'hh escapes of the GBK bytes of a UTF-8 text.
std::string GbkEscaped(const std::string& utf8) {
  std::string out;
  char buf[8];
  for (unsigned char b : Utf8ToGbk(utf8)) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      std::snprintf(buf, sizeof buf, "\\'%02x", b);
      out += buf;
    }
  }
  return out;
}

// Paragraphs of Chinese and Latin text in two fonts, three colours, two
// sizes and three alignments, as a rich-edit control writes them.
std::string MixedRtf(int paragraphs) {
  std::string s =
      "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 " + GbkEscaped("宋体") +
      ";}{\\f1\\fswiss\\fcharset0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green255\\blue0;"
      "\\red255\\green255\\blue0;}\\viewkind4\\uc1 ";
  const char* aligns[] = {"\\ql", "\\qc", "\\qr"};
  for (int i = 0; i < paragraphs; ++i) {
    s += "\\pard" + std::string(aligns[i % 3]) + "\\cf" + std::to_string(1 + i % 3) + "\\f0\\fs" +
         std::to_string(i % 2 ? 18 : 24) + " " + GbkEscaped("欢迎光临本店今日特价第") + std::to_string(i) +
         GbkEscaped("段") + "\\cf" + std::to_string(1 + (i + 1) % 3) + "\\f1 Latin words, number " +
         std::to_string(i) + " of the list.\\par\n";
  }
  return s + "}";
}

RichTextDocument Load(const std::string& rtf) {
  RichTextDocument doc;
  EXPECT_TRUE(ReadRtf(rtf, doc));
  return doc;
}

struct Area {
  int Mode;
  int32_t W, H, M, Offset;
};

size_t PageBytes(const Area& a) { return PageDataSize(a.W, a.H, PlaneCount(a.Mode)); }

std::vector<uint8_t> Slice(RichTextDocument& doc, const Area& a, int32_t page, int32_t& count) {
  std::vector<uint8_t> out(PageBytes(a) + 16);
  out.resize(RenderRichTextSlice(a.Mode, doc, page, a.W, a.H, a.M, count, out.data(), out.size(), a.Offset));
  return out;
}

std::vector<uint8_t> Flow(RichTextDocument& doc, const Area& a, int32_t page, int32_t& position) {
  std::vector<uint8_t> out(PageBytes(a) + 16);
  out.resize(RenderRichTextFlow(a.Mode, doc, page, a.W, a.H, a.M, position, out.data(), out.size(), a.Offset));
  return out;
}

// Every page of the document, asked for in order until the first 0.
std::vector<std::vector<uint8_t>> AllSlices(RichTextDocument& doc, const Area& a, int32_t* countOut = nullptr) {
  std::vector<std::vector<uint8_t>> pages;
  int32_t count = 0;
  for (int32_t k = 0;; ++k) {
    std::vector<uint8_t> p = Slice(doc, a, k, count);
    if (p.empty()) break;
    pages.push_back(std::move(p));
  }
  if (countOut != nullptr) *countOut = count;
  return pages;
}

std::vector<std::vector<uint8_t>> AllFlowPages(RichTextDocument& doc, const Area& a, int32_t position = 0) {
  std::vector<std::vector<uint8_t>> pages;
  for (int32_t k = 0; k < 300; ++k) {
    std::vector<uint8_t> p = Flow(doc, a, k, position);
    if (p.empty()) break;
    pages.push_back(std::move(p));
  }
  return pages;
}

// Whether pixel (x, y) of plane lights (width a multiple of 8).
bool Lit(const std::vector<uint8_t>& page, const Area& a, int plane, int x, int y) {
  const size_t row = static_cast<size_t>(a.W / 8);
  const size_t at = (static_cast<size_t>(y) * PlaneCount(a.Mode) + static_cast<size_t>(plane)) * row + x / 8;
  return (page[at] >> (7 - x % 8)) & 1;
}

int64_t Ranges(RichTextDocument& doc) { return RichLayoutOf(doc).Stats.Ranges; }

TEST(RichTextSlice, ADocumentOfOnePageHeightCountsOnePageAfterSevenLayouts) {
  RichTextDocument doc = Load("{\\rtf1 Hi}");
  for (int mode : {0, 2}) {
    DropRichLayout(doc);
    const Area a{mode, 64, 32, 0, 0};
    int32_t count = 0;
    EXPECT_EQ(Slice(doc, a, 0, count).size(), PageBytes(a));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Ranges(doc), 7 + 1);  // column heights 1 to 7 page heights, then page 0
    EXPECT_TRUE(Slice(doc, a, 1, count).empty());
    EXPECT_EQ(Ranges(doc), 7 + 1);  // the count is known: page 1 needs no layout
  }
}

TEST(RichTextSlice, ADocumentOf300PageHeightsStopsAt256Pages) {
  std::string rtf = "{\\rtf1\\f0\\fs24 ";
  for (int i = 0; i < 1000; ++i) rtf += "x\\par ";
  RichTextDocument doc = Load(rtf + "}");
  const Area a{0, 32, 20, 0, 0};  // one 12 pt line a page
  int32_t count = 0;
  EXPECT_FALSE(Slice(doc, a, 255, count).empty());
  EXPECT_EQ(count, kMaxRichTextPages);
  EXPECT_TRUE(Slice(doc, a, 256, count).empty());
  // The search is made once, by the first call.
  const int64_t after = Ranges(doc);
  EXPECT_FALSE(Slice(doc, a, 10, count).empty());
  EXPECT_EQ(Ranges(doc), after + 1);
}

TEST(RichTextSlice, NoPageWithoutSize) {
  RichTextDocument doc = Load("{\\rtf1 Hi}");
  struct Case {
    int32_t W, H, Page;
    size_t Out;
  };
  for (const Case& c : std::vector<Case>{{0, 32, 0, 512}, {64, 0, 0, 512}, {-5, 32, 0, 512}, {64, 32, -1, 512},
                                         {64, 32, 0, 255}}) {
    int32_t count = 0, position = 0;
    std::vector<uint8_t> out(c.Out);
    EXPECT_EQ(RenderRichTextSlice(0, doc, c.Page, c.W, c.H, 0, count, out.data(), out.size(), 0), 0u);
    if (c.Page >= 0) {
      EXPECT_EQ(RenderRichTextFlow(0, doc, c.Page, c.W, c.H, 0, position, out.data(), out.size(), 0), 0u);
    }
  }
}

TEST(RichTextFlow, WalksTheDocumentThroughTheStoredPosition) {
  RichTextDocument doc = Load(MixedRtf(6));
  const int32_t n = RichTextLength(doc);
  const Area a{2, 128, 32, 0, 0};
  int32_t position = 0;
  std::vector<int32_t> positions;
  std::vector<std::vector<uint8_t>> pages;
  for (int32_t k = 0;; ++k) {
    std::vector<uint8_t> p = Flow(doc, a, k, position);
    if (p.empty()) break;
    EXPECT_EQ(p.size(), PageBytes(a));
    pages.push_back(std::move(p));
    positions.push_back(position);
  }
  ASSERT_GE(pages.size(), 4u);
  for (size_t k = 1; k < positions.size(); ++k) {
    EXPECT_GT(positions[k], positions[k - 1]);
  }
  EXPECT_TRUE(positions.back() == -1 || positions.back() >= n);
  // Once the document has ended, no page follows.
  EXPECT_TRUE(Flow(doc, a, static_cast<int32_t>(pages.size()) + 1, position).empty());

  // Position -2: every call lays out the pages before the requested one
  // again, and the pages are the same.
  RichTextDocument fresh = Load(MixedRtf(6));
  for (int32_t k = 1; k < static_cast<int32_t>(pages.size()); ++k) {
    int32_t untracked = -2;
    const int64_t before = Ranges(fresh);
    EXPECT_EQ(Flow(fresh, a, k, untracked), pages[static_cast<size_t>(k)]) << k;
    EXPECT_EQ(Ranges(fresh) - before, k + 1) << k;
    EXPECT_EQ(untracked, -2);
  }
  int32_t untracked = -2;
  EXPECT_TRUE(Flow(fresh, a, static_cast<int32_t>(pages.size()), untracked).empty());
  // A position past the end, -1, or below -2: no page.
  for (int32_t p : {-1, n, n + 5, -3, -1000}) {
    int32_t pos = p;
    EXPECT_TRUE(Flow(doc, a, 1, pos).empty()) << p;
  }
}

// A page whose rectangle has no height takes no character; without a stop
// the caller would get the same empty page for ever.
TEST(RichTextFlow, APageThatTakesNoCharacterEndsTheDocument) {
  RichTextDocument doc = Load("{\\rtf1 Hello}");
  const Area a{0, 64, 12, 4, 0};  // the rectangle: H - 3M = 0 pixels high
  int32_t position = 0;
  EXPECT_EQ(Flow(doc, a, 0, position).size(), PageBytes(a));
  EXPECT_EQ(position, -1);
  EXPECT_TRUE(Flow(doc, a, 1, position).empty());
  int32_t untracked = -2;
  EXPECT_TRUE(Flow(doc, a, 1, untracked).empty());
}

// A line taller than the page still takes a page of its own (clipped), so
// that the walk goes on past it.
TEST(RichTextFlow, ALineTallerThanThePageTakesAPage) {
  RichTextDocument doc = Load("{\\rtf1 a\\par{\\fs144 B}\\par c}");
  const Area a{0, 64, 32, 0, 0};
  int32_t position = 0;
  std::vector<int32_t> positions;
  for (int32_t k = 0; k < 10; ++k) {
    if (Flow(doc, a, k, position).empty()) break;
    positions.push_back(position);
  }
  EXPECT_EQ(positions, (std::vector<int32_t>{2, 4, 5}));
  // Slices cut the column: the 96-pixel line spans pages of its own.
  int32_t count = 0;
  EXPECT_FALSE(Slice(doc, a, 0, count).empty());
  EXPECT_GE(count, 4);
  EXPECT_EQ(FormatRichTextRange(doc, 0, {0, 0, PixelsToTwips(64, 96), PixelsToTwips(32 * count, 96)}, nullptr),
            RichTextLength(doc));
  EXPECT_LT(FormatRichTextRange(doc, 0, {0, 0, PixelsToTwips(64, 96), PixelsToTwips(32 * (count - 1), 96)}, nullptr),
            RichTextLength(doc));
}

// The strip between the page edge and the margin keeps the page's white,
// which lights every plane; inside it the control's background shows.
TEST(RichText, TheMarginStripKeepsThePageWhite) {
  RichTextDocument doc = Load(MixedRtf(4));
  doc.Background = kBlack;
  for (int mode : {0, 2}) {
    const Area a{mode, 64, 40, 3, 0};
    const int planes = PlaneCount(mode);
    int32_t position = 0, count = 0;
    const std::vector<uint8_t> flow = Flow(doc, a, 1, position = 0);
    const std::vector<uint8_t> flowFirst = Flow(doc, a, 0, position = 0);
    const std::vector<uint8_t> slice = Slice(doc, a, 0, count);
    for (const std::vector<uint8_t>* page : {&flow, &flowFirst, &slice}) {
      ASSERT_EQ(page->size(), PageBytes(a));
      const bool isSlice = page == &slice;
      for (int plane = 0; plane < planes; ++plane) {
        for (int y = 0; y < a.H; ++y) {
          for (int x = 0; x < a.W; ++x) {
            const bool strip = x < a.M || y < a.M || x >= a.W - a.M || y >= a.H - a.M;
            // A slice is laid out from the page's left and top edge: only
            // its right strip (beyond the column) is sure to stay white.
            if (strip && (!isSlice || x >= a.W - a.M)) {
              ASSERT_TRUE(Lit(*page, a, plane, x, y)) << mode << " " << x << "," << y;
            }
          }
        }
      }
      // The background within: the corner inside the margin is black.
      EXPECT_FALSE(Lit(*page, a, 0, a.W - a.M - 1, a.H - a.M - 1));
    }
  }
}

// Runs keep their own colours: red text lights only the red plane, green
// text only the green one (on a black background).
TEST(RichText, RunsLightThePlanesOfTheirColours) {
  RichTextDocument doc = Load(
      "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green255\\blue0;\\red255\\green255\\blue0;}"
      "\\cf1 WWWW\\par\\cf2 WWWW\\par\\cf3 WWWW}");
  doc.Background = kBlack;
  const Area a{2, 64, 80, 0, 0};
  int32_t position = 0;
  const std::vector<uint8_t> page = Flow(doc, a, 0, position);
  ASSERT_EQ(page.size(), PageBytes(a));
  int redRows[2] = {a.H, -1}, greenRows[2] = {a.H, -1}, yellowRows[2] = {a.H, -1};
  for (int y = 0; y < a.H; ++y) {
    for (int x = 0; x < a.W; ++x) {
      const bool r = Lit(page, a, 0, x, y), g = Lit(page, a, 1, x, y);
      int* rows = r && g ? yellowRows : r ? redRows : g ? greenRows : nullptr;
      if (rows == nullptr) continue;
      rows[0] = std::min(rows[0], y);
      rows[1] = std::max(rows[1], y);
    }
  }
  ASSERT_LE(redRows[0], redRows[1]);
  ASSERT_LE(greenRows[0], greenRows[1]);
  ASSERT_LE(yellowRows[0], yellowRows[1]);
  EXPECT_LT(redRows[1], greenRows[0]);
  EXPECT_LT(greenRows[1], yellowRows[0]);
}

// Kept lines belong to one document object: a copy lays itself out.
TEST(RichText, ACopyOfADocumentKeepsNoLinesOfTheOriginal) {
  RichTextDocument doc = Load(MixedRtf(3));
  int32_t count = 0;
  ASSERT_FALSE(Slice(doc, {0, 64, 32, 0, 0}, 0, count).empty());
  RichTextDocument copy = doc;
  EXPECT_EQ(Ranges(copy), 0);
  copy = doc;
  EXPECT_EQ(Ranges(copy), 0);
  EXPECT_GT(Ranges(doc), 0);
}

// Pages from the document's kept lines are byte for byte those of laying the
// document out afresh for every candidate height and every page, and cost
// one layout of the document in all.
TEST(RichText, KeptLinesDrawTheSamePagesAsAfreshLayout) {
  const std::string rtf = MixedRtf(12);
  const std::vector<Area> areas = {
      {0, 128, 32, 0, 0}, {2, 128, 32, 0, 0}, {2, 96, 48, 2, -3}, {0, 64, 40, 3, 5}, {3, 128, 16, 1, 0},
  };
  for (const Area& a : areas) {
    SCOPED_TRACE(::testing::Message() << "mode " << a.Mode << " " << a.W << "x" << a.H << " m" << a.M << " o"
                                      << a.Offset);
    RichTextDocument kept = Load(rtf);
    RichTextDocument afresh = Load(rtf);
    afresh.KeepLayout = false;
    int32_t keptCount = 0, afreshCount = 0;
    const auto keptSlices = AllSlices(kept, a, &keptCount);
    const auto afreshSlices = AllSlices(afresh, a, &afreshCount);
    EXPECT_EQ(keptCount, afreshCount);
    EXPECT_GE(keptCount, 3);
    ASSERT_EQ(keptSlices.size(), afreshSlices.size());
    for (size_t k = 0; k < keptSlices.size(); ++k) EXPECT_EQ(keptSlices[k], afreshSlices[k]) << "slice " << k;

    // Every line of the column was broken once.
    RichTextDocument once = Load(rtf);
    once.KeepLayout = false;
    FormatRichTextRange(once, 0, {0, 0, PixelsToTwips(a.W - 2 * a.M, 96), int64_t{1} << 40}, nullptr);
    EXPECT_EQ(RichLayoutOf(kept).Stats.LinesBuilt, RichLayoutOf(once).Stats.LinesBuilt);
    EXPECT_GT(RichLayoutOf(afresh).Stats.LinesBuilt, 5 * RichLayoutOf(once).Stats.LinesBuilt);

    RichTextDocument keptFlow = Load(rtf);
    RichTextDocument afreshFlow = Load(rtf);
    afreshFlow.KeepLayout = false;
    const auto keptPages = AllFlowPages(keptFlow, a);
    const auto afreshPages = AllFlowPages(afreshFlow, a);
    EXPECT_GE(keptPages.size(), 3u);
    ASSERT_EQ(keptPages.size(), afreshPages.size());
    for (size_t k = 0; k < keptPages.size(); ++k) EXPECT_EQ(keptPages[k], afreshPages[k]) << "flow page " << k;
    // Untracked positions give the same pages from the kept lines.
    for (size_t k = 1; k < keptPages.size(); ++k) {
      int32_t untracked = -2;
      EXPECT_EQ(Flow(keptFlow, a, static_cast<int32_t>(k), untracked), keptPages[k]) << "untracked page " << k;
    }
  }
}

}  // namespace
}  // namespace vexilo
