// Custom lists, read back through the pack reader: page lists of text,
// picture, table, rich-text and coded-text pages, the card-text record,
// rotated screens, and entries that yield nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ItemsFixture.h"
#include "PictureWriters.h"
#include "base/ByteOrderUnit.h"
#include "items/ListItemUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/TablePageUnit.h"

namespace vexilo {
namespace {

class ListItems : public LiveItems {
 protected:
  // A list of 64 x 16 at (8, 24) holding the given entries.
  TListParam List(std::initializer_list<std::pair<uint8_t, const TListEntry*>> entries, int32_t w = 64,
                  int32_t h = 16) {
    TListParam p{};
    p.AreaX = 8;
    p.AreaY = 24;
    p.AreaWidth = w;
    p.AreaHeight = h;
    int i = 0;
    for (const auto& [kind, entry] : entries) {
      p.EntryKinds[i] = kind;
      p.Entries[i] = entry;
      ++i;
    }
    p.EntryCount = i;
    return p;
  }
  static TListEntry Entry(const void* data, size_t size, int32_t effect, uint8_t mode = 0) {
    TListEntry e{};
    e.Data = data;
    e.DataSize = static_cast<uint32_t>(size);
    e.Effect = effect;
    e.Speed = 0x100 + effect;  // low byte only
    e.StayTime = 3;
    e.PageOption = 4;
    e.Setting.Mode.EntryMode = mode;
    return e;
  }
  // The text must outlive the entry: a literal, or a string's c_str().
  static TListEntry TextEntry(const char16_t* text, int32_t effect) {
    TListEntry e = Entry(text, 0, effect);
    e.Setting.Font = Font(16, 1);
    return e;
  }
  static TListEntry RtfEntry(const std::string& rtf, int32_t effect, uint8_t mode = 0) {
    return Entry(rtf.data(), rtf.size(), effect, mode);
  }
  AreaInfo AddAndRead(const TListParam& p) {
    EXPECT_EQ(User_AddCustomList(&p, nullptr), 0);
    return LastArea();
  }
};

// A table block of one column `width` wide and the given row heights, "Rn" in each cell.
std::vector<uint8_t> Table(int32_t width, const std::vector<int32_t>& rows) {
  const size_t n = rows.size();
  std::vector<uint8_t> block(sizeof(TableHeader) + 4 * (n + 1) + sizeof(TableCell) * n);
  TableHeader h{};
  h.RowCount = static_cast<int32_t>(n);
  h.ColumnCount = 1;
  h.TableBackColor = 0xFFFFFF;
  std::memcpy(block.data(), &h, sizeof h);
  size_t at = sizeof h;
  for (int32_t r : rows) {
    std::memcpy(&block[at], &r, 4);
    at += 4;
  }
  std::memcpy(&block[at], &width, 4);
  at += 4;
  for (size_t r = 0; r < n; ++r) {
    TableCell c{};
    c.CellFontSize = 9;
    c.CellBackColor = 0xFFFFFF;
    const std::string text = "R" + std::to_string(r);
    std::memcpy(c.CellText, text.c_str(), text.size() + 1);
    std::memcpy(&block[at], &c, sizeof c);
    at += sizeof c;
  }
  return block;
}

// A 2 x 1 bitmap, black left and white right.
std::vector<uint8_t> HalfWhiteBmp() { return testing::WriteBmp24(2, 1, {0x000000, 0xFFFFFF}); }

const std::string kRedGreenRtf =
    "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green255\\blue0;}\\qc\\cf1 A\\fs40 B\\cf2 CD}";

TEST_F(ListItems, TextPagesThenPicture) {
  Start(1);
  const std::u16string text = u"AB\r\nCD\r\nEF";
  const TListEntry t = TextEntry(text.c_str(), 1);
  const std::vector<uint8_t> bmp = HalfWhiteBmp();
  const TListEntry pic = Entry(bmp.data(), bmp.size(), 2);
  const AreaInfo a = AddAndRead(List({{VEXILO_ENTRY_TEXT, &t}, {VEXILO_ENTRY_PICTURE, &pic}}));
  EXPECT_EQ(a.Type, 2);
  ASSERT_TRUE(a.IsList);
  EXPECT_EQ(a.PageCount, 4);
  ASSERT_EQ(a.Pages.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a.Pages[i].Number, i);
    EXPECT_EQ(a.Pages[i].Effect, i < 3 ? 1 : 2);
    EXPECT_EQ(a.Pages[i].Speed, i < 3 ? 1 : 2);
    EXPECT_EQ(a.Pages[i].StayTime, 3);
    EXPECT_EQ(a.Pages[i].Option, 4);
  }
  // The page data follows the four headers directly.
  ASSERT_EQ(a.Body.size(), 2 + 20 + 4 * 128u);
  EXPECT_EQ(Bytes(a.Body.begin() + 22, a.Body.begin() + 22 + 128), a.Pages[0].Pixels);
  for (int i = 0; i < 3; ++i) EXPECT_GT(LitIn(a.Pages[i].Pixels, 64, 0, 64, 0, 16), 0) << i;
  // The picture stretched to the page: the left half dark, the right half lit.
  EXPECT_EQ(LitIn(a.Pages[3].Pixels, 64, 0, 32, 0, 16), 0);
  EXPECT_EQ(LitIn(a.Pages[3].Pixels, 64, 32, 64, 0, 16), 32 * 16);
  EXPECT_EQ(static_cast<int32_t>(File().size()), Pack().PackLength);
}

TEST_F(ListItems, PictureThenTablePages) {
  Start(1);
  const std::vector<uint8_t> bmp = HalfWhiteBmp();
  const std::vector<uint8_t> table = Table(64, {40, 40});
  const TListEntry pic = Entry(bmp.data(), bmp.size(), 1);
  const TListEntry tab = Entry(table.data(), 0, 5);
  const AreaInfo a = AddAndRead(List({{VEXILO_ENTRY_PICTURE, &pic}, {VEXILO_ENTRY_TABLE, &tab}}, 64, 64));
  // The table's pages are those its renderer draws, both after the picture.
  std::vector<Bytes> expected;
  std::vector<uint8_t> out(PageDataSize(64, 64, 1));
  for (int32_t k = 0;; ++k) {
    size_t n = RenderTablePage(1, table.data(), k, 64, 64, 0, out.data(), out.size(), false);
    if (n == 0) break;
    expected.emplace_back(out.begin(), out.begin() + static_cast<long>(n));
  }
  ASSERT_EQ(expected.size(), 2u);
  ASSERT_EQ(a.Pages.size(), 3u);
  EXPECT_EQ(a.Pages[0].Effect, 1);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(a.Pages[1 + k].Effect, 5);
    EXPECT_EQ(a.Pages[1 + k].Pixels, expected[k]) << k;
  }
}

TEST_F(ListItems, LaterCardTextEntryIsOneCodedPage) {
  Start(1);
  const TListEntry t = TextEntry(u"AB", 1);
  // 12 pt red "AB", then 20 pt: size classes 1 and 3.
  const std::string rtf = "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 AB\\fs40 C}";
  const TListEntry card = RtfEntry(rtf, 2);
  const AreaInfo a = AddAndRead(List({{VEXILO_ENTRY_TEXT, &t}, {VEXILO_ENTRY_CARDTEXT, &card}}));
  ASSERT_EQ(a.Pages.size(), 2u);
  EXPECT_EQ(a.Pages[1].Effect, 2);
  EXPECT_EQ(a.Pages[1].Pixels, (Bytes{0, 1, 2, 1, 'A', 'B', 0, 1, 2, 3, 'C'}));
}

TEST_F(ListItems, RichTextEntriesArePagedByTheirOwnLength) {
  const std::string longer = "{\\rtf1\\fs24 one\\par two\\par three\\par four\\par five}";
  const std::string shorter = "{\\rtf1\\fs24 six}";
  for (uint8_t mode : {0, 1}) {
    SCOPED_TRACE(mode);
    const TListEntry a = RtfEntry(longer, 1, mode), b = RtfEntry(shorter, 2, mode);
    Start(1);
    const AreaInfo first = AddAndRead(List({{VEXILO_ENTRY_RICHTEXT, &a}}));
    Start(1);
    const AreaInfo second = AddAndRead(List({{VEXILO_ENTRY_RICHTEXT2, &b}}));
    Start(1);
    const AreaInfo both = AddAndRead(List({{VEXILO_ENTRY_RICHTEXT, &a}, {VEXILO_ENTRY_RICHTEXT2, &b}}));
    ASSERT_GT(first.Pages.size(), second.Pages.size());
    ASSERT_GE(second.Pages.size(), 1u);
    ASSERT_EQ(both.Pages.size(), first.Pages.size() + second.Pages.size());
    for (size_t i = 0; i < both.Pages.size(); ++i) {
      const bool ofFirst = i < first.Pages.size();
      const PageInfo& alone = ofFirst ? first.Pages[i] : second.Pages[i - first.Pages.size()];
      EXPECT_EQ(both.Pages[i].Pixels, alone.Pixels) << i;
      EXPECT_EQ(both.Pages[i].Effect, ofFirst ? 1 : 2);
    }
  }
}

TEST_F(ListItems, CardTextRunsChangeWithColourNotSize) {
  Start(1);
  const TListEntry card = RtfEntry(kRedGreenRtf, 35, 1);
  const AreaInfo a = AddAndRead(List({{VEXILO_ENTRY_CARDTEXT, &card}}));
  EXPECT_EQ(a.Type, 0x21);
  ASSERT_EQ(a.Body.size(), 13u + 12u);
  // Effect 35 maps to 16; mode 3; centred; T = 12.
  EXPECT_EQ(Bytes(a.Body.begin(), a.Body.begin() + 13), (Bytes{0, 0, 16, 35, 3, 4, 3, 3, 1, 0, 0, 0, 12}));
  EXPECT_EQ(Bytes(a.Body.begin() + 13, a.Body.end()),
            (Bytes{0x7F, 1, 16, 0, 'A', 'B', 0x7F, 1, 16, 1, 'C', 'D'}));
  EXPECT_EQ(a.Length, 14u + 25u);
}

TEST_F(ListItems, RotatedScreenExchangesAxesAndTurnsPageListEffects) {
  const TListEntry card = RtfEntry(kRedGreenRtf, 1);
  const TListEntry text = TextEntry(u"AB", 1);
  struct Case {
    uint8_t Kind;
    const TListEntry* Entry;
    uint8_t Type;
  } cases[] = {{VEXILO_ENTRY_CARDTEXT, &card, 0x21}, {VEXILO_ENTRY_TEXT, &text, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Type);
    Start(1, 1);
    const AreaInfo a = AddAndRead(List({{c.Kind, c.Entry}}));
    EXPECT_EQ(a.Type, c.Type);
    EXPECT_EQ(a.X, 24);
    EXPECT_EQ(a.Y, 8);
    EXPECT_EQ(a.Width, 16);
    EXPECT_EQ(a.Height, 64);
    if (c.Type == 2) {
      ASSERT_EQ(a.Pages.size(), 1u);
      EXPECT_EQ(a.Pages[0].Effect, 3);  // 1 turned
    } else {
      EXPECT_EQ(a.Body[2], 1);  // the card turns its own text
    }
  }
}

TEST_F(ListItems, RotatedPageIsTurned) {
  const TListEntry text = TextEntry(u"AB", 1);
  Start(1);
  const AreaInfo upright = AddAndRead(List({{VEXILO_ENTRY_TEXT, &text}}));
  Start(1, 1);
  const AreaInfo turned = AddAndRead(List({{VEXILO_ENTRY_TEXT, &text}}));
  ASSERT_EQ(turned.Pages.size(), 1u);
  Bytes page = upright.Pages[0].Pixels;
  ASSERT_TRUE(RotatePage(1, 64, 16, page.data(), page.size()));
  EXPECT_EQ(turned.Pages[0].Pixels, page);
  // A rotated list whose sides are not multiples of 8 fails cleanly.
  const Bytes before = File();
  const TListParam odd = List({{VEXILO_ENTRY_TEXT, &text}}, 60, 16);
  EXPECT_EQ(User_AddCustomList(&odd, nullptr), -1);
  EXPECT_EQ(File(), before);
}

TEST_F(ListItems, CodedTextPageIsNeitherFramedNorTurned) {
  const std::string rtf = "{\\rtf1 AB}";
  const TListEntry text = TextEntry(u"AB", 1);
  const TListEntry card = RtfEntry(rtf, 1);
  for (uint8_t rotated : {0, 1}) {
    Start(1, rotated);
    TListParam p = List({{VEXILO_ENTRY_TEXT, &text}, {VEXILO_ENTRY_CARDTEXT, &card}});
    p.FrameWidth = 2;
    p.FrameColor = 1;
    const AreaInfo a = AddAndRead(p);
    ASSERT_EQ(a.Pages.size(), 2u) << int(rotated);
    EXPECT_EQ(a.Pages[1].Pixels, (Bytes{0, 1, 1, 1, 'A', 'B'}));
  }
}

TEST_F(ListItems, PagedTextContinuesAPageList) {
  Start(1);
  const TListEntry t = TextEntry(u"AB\r\nCD", 7);
  const TListParam list = List({{VEXILO_ENTRY_TEXT, &t}});
  ASSERT_EQ(User_AddCustomList(&list, nullptr), 0);
  TTextParam p{};
  p.Text = "EF";
  p.AreaX = 8;
  p.AreaY = 24;
  p.AreaWidth = 64;
  p.AreaHeight = 16;
  p.Font = Font(16, 1);
  p.Effect = 9;
  ASSERT_EQ(User_AddText(&p), 0);
  const PackInfo pack = Read();
  ASSERT_EQ(pack.Programs[0].Areas.size(), 1u);
  const AreaInfo& a = pack.Programs[0].Areas[0];
  EXPECT_EQ(a.PageCount, 3);
  EXPECT_EQ(a.GroupSizes, (std::vector<int>{2, 1}));
  ASSERT_EQ(a.Pages.size(), 3u);
  EXPECT_EQ(a.Pages[2].Effect, 9);
}

TEST_F(ListItems, TextEntryColouredAndFramed) {
  Start(2);
  TListEntry t = TextEntry(u"AB", 1);
  TListParam p = List({{VEXILO_ENTRY_TEXT, &t}});
  p.FrameWidth = 1;
  p.FrameColor = 2;
  const AreaInfo a = AddAndRead(p);
  ASSERT_EQ(a.Pages.size(), 1u);
  const Bytes& px = a.Pages[0].Pixels;
  ASSERT_EQ(px.size(), 2u * 128u);
  // Red text on black inside a green frame.
  EXPECT_GT(LitIn(px, 64, 1, 63, 1, 15, 2, 0), 0);
  EXPECT_EQ(LitIn(px, 64, 1, 63, 1, 15, 2, 1), 0);
  EXPECT_EQ(LitIn(px, 64, 0, 64, 0, 1, 2, 1), 64);
  EXPECT_EQ(LitIn(px, 64, 0, 64, 0, 1, 2, 0), 0);
}

TEST_F(ListItems, EntriesWithoutDataYieldNothing) {
  const std::vector<uint8_t> bmp = HalfWhiteBmp();
  const std::string rtf = "{\\rtf1 AB}";
  const TListEntry nullPicture = Entry(nullptr, bmp.size(), 1);
  const TListEntry emptyPicture = Entry(bmp.data(), 0, 1);
  const TListEntry emptyRtf = Entry(rtf.data(), 0, 1);
  const TListEntry nullRtf = Entry(nullptr, rtf.size(), 1);
  const TListEntry emptyCard = Entry(rtf.data(), 0, 1);
  const TListEntry nullTable = Entry(nullptr, 0, 1);
  const TListEntry nullText = Entry(nullptr, 0, 1);
  const TListEntry emptyText = TextEntry(u"", 1);
  const TListEntry unknown = Entry(bmp.data(), bmp.size(), 1);
  const TListEntry good = Entry(bmp.data(), bmp.size(), 6);
  struct Case {
    uint8_t Kind;
    const TListEntry* Entry;
  } cases[] = {{VEXILO_ENTRY_PICTURE, &nullPicture}, {VEXILO_ENTRY_PICTURE, &emptyPicture},
               {VEXILO_ENTRY_RICHTEXT, &emptyRtf},   {VEXILO_ENTRY_RICHTEXT, &nullRtf},
               {VEXILO_ENTRY_TABLE, &nullTable},     {VEXILO_ENTRY_TEXT, &nullText},
               {VEXILO_ENTRY_TEXT, &emptyText},      {VEXILO_ENTRY_PICTURE, nullptr},
               {VEXILO_ENTRY_ANIMATION, &unknown},   {99, &unknown}};
  for (const Case& c : cases) {
    Start(1);
    const AreaInfo a = AddAndRead(List({{VEXILO_ENTRY_PICTURE, nullptr}, {c.Kind, c.Entry}, {VEXILO_ENTRY_PICTURE, &good}}));
    ASSERT_EQ(a.Pages.size(), 1u) << int(c.Kind);
    EXPECT_EQ(a.Pages[0].Number, 0);
    EXPECT_EQ(a.Pages[0].Effect, 6);
  }
  // A later card-text entry without data; nothing at all still succeeds.
  Start(1);
  const AreaInfo none = AddAndRead(List({{VEXILO_ENTRY_TEXT, &nullText}, {VEXILO_ENTRY_CARDTEXT, &emptyCard}}));
  EXPECT_EQ(none.PageCount, 0);
  EXPECT_EQ(none.Body, (Bytes{0, 0}));
}

TEST_F(ListItems, BadListsFailBeforeWriting) {
  const TListEntry t = TextEntry(u"AB", 1);
  struct Case {
    int Screen;
    int32_t Count;
    int32_t Width;
  } cases[] = {{1, 257, 64}, {1, 0, 64}, {1, -1, 64}, {4, 1, 64}, {1, 1, 40000}};
  for (const Case& c : cases) {
    Start(c.Screen);
    TListParam p = List({{VEXILO_ENTRY_TEXT, &t}}, c.Width);
    for (size_t i = 0; i < VEXILO_LIST_MAX_ENTRIES; ++i) p.Entries[i] = &t;
    std::memset(p.EntryKinds, VEXILO_ENTRY_TEXT, sizeof p.EntryKinds);
    p.EntryCount = c.Count;
    const Bytes before = File();
    EXPECT_EQ(User_AddCustomList(&p, nullptr), -1) << c.Count;
    EXPECT_EQ(File(), before);
  }
  EXPECT_EQ(User_AddCustomList(nullptr, nullptr), -1);
}

TEST_F(ListItems, CardTextLongerThanItsLengthFieldFails) {
  // 4 + 65,532 bytes of runs pass the 16-bit length; one byte less fits.
  for (size_t n : {size_t{65531}, size_t{65532}}) {
    Start(1);
    const std::string rtf = "{\\rtf1 " + std::string(n, 'A') + "}";
    const TListEntry card = RtfEntry(rtf, 1);
    const TListParam p = List({{VEXILO_ENTRY_CARDTEXT, &card}});
    const Bytes before = File();
    if (n == 65531) {
      const AreaInfo a = AddAndRead(p);
      EXPECT_EQ(GetBe16(&a.Body[11]), 65535u);
    } else {
      EXPECT_EQ(User_AddCustomList(&p, nullptr), -1);
      EXPECT_EQ(File(), before);
    }
  }
}

TEST_F(ListItems, KeptLayoutsGiveTheSameBytes) {
  std::u16string longText;
  for (int i = 0; i < 30; ++i) longText += u"line " + std::u16string(1, char16_t(u'A' + i % 26)) + u"\r\n";
  const TListEntry text = TextEntry(longText.c_str(), 1);
  const std::vector<uint8_t> table = Table(64, {20, 30, 40, 10, 50, 20, 30});
  const TListEntry tab = Entry(table.data(), 0, 2);
  const TListEntry tabRun = Entry(table.data(), 0, 2, 1);
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 12; ++i) rtf += "paragraph " + std::to_string(i) + "\\par ";
  rtf += "}";
  const TListEntry flow = RtfEntry(rtf, 3, 0), slice = RtfEntry(rtf, 4, 1);
  const TListParam p = List({{VEXILO_ENTRY_TEXT, &text},
                             {VEXILO_ENTRY_TABLE, &tab},
                             {VEXILO_ENTRY_TABLE, &tabRun},
                             {VEXILO_ENTRY_RICHTEXT, &flow},
                             {VEXILO_ENTRY_RICHTEXT, &slice}},
                            64, 32);
  for (int screen : {1, 2}) {
    Start(screen);
    ASSERT_EQ(AddCustomList(&p, nullptr, true), 0);
    const Bytes kept = File();
    Start(screen);
    ASSERT_EQ(AddCustomList(&p, nullptr, false), 0);
    EXPECT_EQ(File(), kept);
    PackInfo pack;
    std::string error;
    ASSERT_TRUE(ReadPack(kept, pack, error)) << error;
    EXPECT_GT(pack.Programs[0].Areas[0].Pages.size(), 30u);
  }
}

TEST(ListColours, CodesAndColours) {
  struct Case {
    uint8_t Code;
    ColorRef Color;
  } codes[] = {{0, 0}, {1, 0x0000FF}, {2, 0x00FF00}, {3, 0x00FFFF}, {4, 0}, {255, 0}};
  for (const Case& c : codes) EXPECT_EQ(CodeToColor(c.Code), c.Color) << int(c.Code);
  const Case colors[] = {{3, 0x000101}, {1, 0xFF0001}, {2, 0xFF0100}, {0, 0xFF0000}, {0, 0}};
  for (const Case& c : colors) EXPECT_EQ(ColorToCode(c.Color), c.Code) << c.Color;
}

}  // namespace
}  // namespace vexilo
