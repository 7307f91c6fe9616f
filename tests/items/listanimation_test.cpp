// List animations, written into an animation area as a custom list does and
// read back from the pack file: the whole first frame, the changed
// rectangles, skipped frames, rotated screens, entries of other kinds, and
// the frames replayed from the pack against frames composed from the start.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "GifWriter.h"
#include "ItemsFixture.h"
#include "base/ByteOrderUnit.h"
#include "items/ListAnimationUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/PicturePageUnit.h"

namespace vexilo {
namespace {

using testing::GifControl;
using testing::GifFrameLayout;
using testing::GifLayout;
using testing::WriteGif;

constexpr ColorRef Black = kColorBlack, White = kColorWhite, Red = MakeColorRef(255, 0, 0);
constexpr int kW = 32, kH = 16;
constexpr int32_t kAreaX = 40, kAreaY = 8;

// A rectangle of one colour index as a GIF frame with its delay.
GifFrameLayout Patch(uint16_t left, uint16_t top, uint16_t w, uint16_t h, uint16_t index, uint16_t delay) {
  GifFrameLayout f;
  f.Left = left;
  f.Top = top;
  f.Width = w;
  f.Height = h;
  f.Indices.assign(static_cast<size_t>(w) * h, index);
  f.Control = GifControl{false, 0, 0, delay};
  return f;
}

// A kW x kH GIF (black, white, red) of the given frames; the first frame of
// the usual fixtures paints the whole canvas black.
Bytes Gif(std::vector<GifFrameLayout> frames, const std::string& version = "89a") {
  GifLayout s;
  s.Width = kW;
  s.Height = kH;
  s.GlobalTable = {Black, White, Red};
  s.Version = version;
  s.Frames = std::move(frames);
  return WriteGif(s);
}

struct Frame {
  int X = 0, Y = 0, Width = 0, Height = 0, Delay = 0;
  uint32_t Offset = 0;
  Bytes Data;
};

struct Animation {
  bool Ok = false;
  uint32_t Written = 0;
  uint32_t AreaLength = 0;  // from the area header
  int Count = -1;           // from the list header
  uint8_t CountTail = 0xFF; // the list header's third byte
  std::vector<Frame> Frames;
  bool FileMatchesPack = false;
};

class ListAnimation : public LiveItems {
 protected:
  // One list entry per (kind, entry); entries live as long as the fixture.
  TListEntry& Entry(const Bytes* data, uint8_t backColor = 0, uint8_t mode = 0) {
    entries_.push_back(std::make_unique<TListEntry>());
    TListEntry& e = *entries_.back();
    e = TListEntry{};
    if (data != nullptr) {
      e.Data = data->data();
      e.DataSize = static_cast<uint32_t>(data->size());
    }
    e.BackColor = backColor;
    e.Setting.Mode.EntryMode = mode;
    return e;
  }
  static TListParam List(std::vector<std::pair<uint8_t, const TListEntry*>> entries, int w = kW, int h = kH) {
    TListParam p{};
    p.AreaX = kAreaX;
    p.AreaY = kAreaY;
    p.AreaWidth = w;
    p.AreaHeight = h;
    p.EntryCount = static_cast<int32_t>(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      p.EntryKinds[i] = entries[i].first;
      p.Entries[i] = entries[i].second;
    }
    return p;
  }

  // Begins the animation area as the list does, adds the animation, ends the
  // area and reads the body back from the file.
  Animation Run(const TListParam& list) {
    Animation a;
    const int32_t areaPos = Pack().PackLength;
    EXPECT_TRUE(BeginArea(8, list.AreaX, list.AreaY, list.AreaWidth, list.AreaHeight, Pack().RotatedLayout != 0));
    std::optional<uint32_t> written = AddListAnimation(list);
    if (!written) return a;
    EXPECT_TRUE(EndArea(14 + *written));
    a.Ok = true;
    a.Written = *written;
    const Bytes f = File();
    a.FileMatchesPack = f.size() == static_cast<size_t>(Pack().PackLength);
    const size_t body = static_cast<size_t>(areaPos) + 14;
    if (f.size() < body + 3) return a;
    a.AreaLength = GetBe32(&f[static_cast<size_t>(areaPos) + 10]);
    a.Count = GetBe16(&f[body]);
    a.CountTail = f[body + 2];
    const size_t data = body + 3 + 14 * static_cast<size_t>(a.Count);
    for (int i = 0; i < a.Count; ++i) {
      const uint8_t* h = &f[body + 3 + 14 * static_cast<size_t>(i)];
      Frame fr{GetBe16(h), GetBe16(h + 2), GetBe16(h + 4), GetBe16(h + 6), GetBe16(h + 8), GetBe32(h + 10), {}};
      a.Frames.push_back(fr);
    }
    for (int i = 0; i < a.Count; ++i) {
      const size_t from = data + a.Frames[i].Offset;
      const size_t to = i + 1 < a.Count ? data + a.Frames[i + 1].Offset : f.size();
      if (from <= to && to <= f.size()) a.Frames[i].Data.assign(f.begin() + static_cast<long>(from), f.begin() + static_cast<long>(to));
    }
    return a;
  }

  std::vector<std::unique_ptr<TListEntry>> entries_;
};

// ---------------------------------------------------------------------------
// ChangedRect

TEST(ChangedRect, BoundsTheDifferingRowsAndByteColumnsOverAllPlanes) {
  // 4 rows of 2 planes of 3 bytes.
  struct Case {
    std::vector<std::pair<int, uint8_t>> Changes;  // byte index, new value
    std::optional<ChangedRectangle> Want;
    const char* Why;
  };
  const Case cases[] = {
      {{}, std::nullopt, "equal frames have no rectangle"},
      {{{0, 1}}, ChangedRectangle{0, 1, 0, 0}, "first byte"},
      {{{6 * 3 + 3 + 2, 1}}, ChangedRectangle{3, 4, 2, 2}, "last row, second plane, last column"},
      {{{6 * 1 + 3 + 0, 1}, {6 * 2 + 2, 1}}, ChangedRectangle{1, 3, 0, 2}, "columns of either plane, rows between"},
  };
  for (const Case& c : cases) {
    Bytes prev(24, 0x5A), cur = prev;
    for (auto [at, v] : c.Changes) cur[static_cast<size_t>(at)] = v;
    std::optional<ChangedRectangle> r = ChangedRect(prev, cur, 3, 2, 4);
    ASSERT_EQ(r.has_value(), c.Want.has_value()) << c.Why;
    if (!r) continue;
    EXPECT_EQ(r->Top, c.Want->Top) << c.Why;
    EXPECT_EQ(r->Bottom, c.Want->Bottom) << c.Why;
    EXPECT_EQ(r->Left, c.Want->Left) << c.Why;
    EXPECT_EQ(r->Right, c.Want->Right) << c.Why;
  }
  Bytes prev(24, 0), cur(23, 1);
  EXPECT_FALSE(ChangedRect(prev, cur, 3, 2, 4)) << "a frame shorter than its rows is not read";
}

// ---------------------------------------------------------------------------
// AddListAnimation

// The second frame differs only in pixels 16 to 23 of rows 5 and 6.
TEST_F(ListAnimation, PixelsSixteenToTwentyThreeOfRowsFiveAndSix) {
  struct Case {
    int Screen;
    uint16_t Index;
    Bytes Want;
  };
  const Case cases[] = {{1, 1, {0xFF, 0xFF}}, {2, 2, {0xFF, 0x00, 0xFF, 0x00}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Screen);
    Start(c.Screen);
    const int planes = c.Screen == 1 ? 1 : 2;
    const Bytes gif = Gif({Patch(0, 0, kW, kH, 0, 5), Patch(16, 5, 8, 2, c.Index, 7)});
    const Animation a = Run(List({{24, &Entry(&gif)}}));
    ASSERT_TRUE(a.Ok);
    ASSERT_EQ(a.Count, 2);
    EXPECT_EQ(a.CountTail, 0);
    const uint32_t page = 4 * kH * static_cast<uint32_t>(planes);
    const Frame& first = a.Frames[0];
    EXPECT_EQ(std::vector<int>({first.X, first.Y, first.Width, first.Height, first.Delay}),
              std::vector<int>({kAreaX, kAreaY, kW, kH, 5}));
    EXPECT_EQ(first.Offset, 0u);
    EXPECT_EQ(first.Data, Bytes(page, 0x00));
    const Frame& second = a.Frames[1];
    EXPECT_EQ(std::vector<int>({second.X, second.Y, second.Width, second.Height, second.Delay}),
              std::vector<int>({kAreaX + 16, kAreaY + 5, 8, 2, 7}));
    EXPECT_EQ(second.Offset, page);
    EXPECT_EQ(second.Data, c.Want);
    EXPECT_EQ(a.Written, 3 + 14 * 2 + page + c.Want.size());
    EXPECT_EQ(a.AreaLength, 14 + a.Written);
    EXPECT_TRUE(a.FileMatchesPack) << "the reserved header table is given back";
  }
}

// Through the export: the animation area and its program count the area's
// own header besides the body, and the whole pack reads back with its seal.
TEST_F(ListAnimation, ExportWritesAnAreaWhoseLengthsHold) {
  Start(2);
  const Bytes gif = Gif({Patch(0, 0, kW, kH, 0, 5), Patch(16, 5, 8, 2, 2, 7)});
  const TListParam list = List({{24, &Entry(&gif)}});
  const int32_t areaPos = Pack().PackLength;
  ASSERT_EQ(User_AddCustomList(&list, nullptr), 0);
  ASSERT_EQ(User_CompletePack(), 1);
  const Bytes f = File();
  const uint32_t areaLength = GetBe32(&f[static_cast<size_t>(areaPos) + 10]);
  EXPECT_EQ(areaLength, f.size() - 2 - static_cast<size_t>(areaPos)) << "the area ends where the seal begins";
  const PackInfo pack = Read();
  ASSERT_EQ(pack.Programs.size(), 1u);
  ASSERT_EQ(pack.Programs[0].Areas.size(), 1u);
  EXPECT_EQ(pack.Programs[0].Areas[0].Type, 8);
  EXPECT_EQ(pack.Programs[0].Length, 7 + areaLength);
  EXPECT_TRUE(pack.SealValid);
}

// A frame identical to the one before writes nothing, but uses up its number.
TEST_F(ListAnimation, IdenticalFramesAreSkipped) {
  Start(1);
  const Bytes gif = Gif({Patch(0, 0, kW, kH, 0, 5), Patch(0, 0, 8, 1, 0, 6), Patch(0, 0, 8, 1, 0, 7),
                         Patch(8, 2, 1, 1, 1, 8)});
  const Animation a = Run(List({{24, &Entry(&gif)}}));
  ASSERT_TRUE(a.Ok);
  ASSERT_EQ(a.Count, 2);
  EXPECT_EQ(a.Frames[1].Delay, 8) << "the fourth frame follows the first";
  EXPECT_EQ(std::vector<int>({a.Frames[1].X, a.Frames[1].Y, a.Frames[1].Width, a.Frames[1].Height}),
            std::vector<int>({kAreaX + 8, kAreaY + 2, 8, 1}));
  EXPECT_EQ(a.Frames[1].Data, Bytes{0x80});
}

// Only the animation entries give frames; entries without data, GIF87a files
// and entries of other kinds give none; a second animation's first frame is
// compared with the last frame before it.
TEST_F(ListAnimation, MixedEntriesAndFramesComparedAcrossEntries) {
  Start(1);
  const Bytes one = Gif({Patch(0, 0, kW, kH, 0, 5), Patch(0, 0, 8, 1, 1, 6)});
  const Bytes old = Gif({Patch(0, 0, kW, kH, 1, 9)}, "87a");
  // Its first frame (on the black canvas) equals the last of `one`.
  const Bytes two = Gif({Patch(0, 0, 8, 1, 1, 10), Patch(24, 15, 8, 1, 1, 12)});
  const Bytes empty;
  TListEntry& noData = Entry(nullptr);
  TListEntry& sizeZero = Entry(&one);
  sizeZero.DataSize = 0;
  const Animation a = Run(List({{24, &Entry(&one)},
                                {21, &Entry(&two)},
                                {22, &Entry(&two)},
                                {24, &noData},
                                {24, &sizeZero},
                                {24, nullptr},
                                {24, &Entry(&old)},
                                {24, &Entry(&empty)},
                                {99, &Entry(&two)},
                                {24, &Entry(&two)}}));
  ASSERT_TRUE(a.Ok);
  ASSERT_EQ(a.Count, 3);
  std::vector<int> delays;
  for (const Frame& f : a.Frames) delays.push_back(f.Delay);
  EXPECT_EQ(delays, std::vector<int>({5, 6, 12}));
  EXPECT_EQ(std::vector<int>({a.Frames[2].X, a.Frames[2].Y, a.Frames[2].Width, a.Frames[2].Height}),
            std::vector<int>({kAreaX + 24, kAreaY + 15, 8, 1}));
  EXPECT_TRUE(a.FileMatchesPack);
}

// A list whose only file is a GIF87a file has no frame and still succeeds.
TEST_F(ListAnimation, Gif87aFileGivesAnEmptyAnimation) {
  Start(2);
  const Bytes old = Gif({Patch(0, 0, kW, kH, 1, 9), Patch(0, 0, 8, 1, 0, 9)}, "87a");
  const Animation a = Run(List({{24, &Entry(&old)}}));
  ASSERT_TRUE(a.Ok);
  EXPECT_EQ(a.Count, 0);
  EXPECT_EQ(a.Written, 3u);
  EXPECT_EQ(a.AreaLength, 17u);
  EXPECT_TRUE(a.FileMatchesPack);
}

// On a rotated screen the headers exchange their axes, a rectangle grows to
// whole groups of eight rows, and its data is turned.
TEST_F(ListAnimation, RotatedScreenTurnsHeadersAndData) {
  struct Case {
    int Height;
    uint16_t PatchTop;
    int WantX;
    uint8_t WantByte;
    const char* Why;
  };
  // A height that is no multiple of 8 makes the rectangle reach past the
  // page: those rows are blank. Rows two apart in the block become columns.
  const Case cases[] = {{kH, 5, kAreaY + 0, 0x06, "rows 5 and 6 of a whole group"},
                        {12, 9, kAreaY + 8, 0x60, "rows 9 and 10, the group reaching past the page"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Why);
    Start(1, 1);
    GifLayout s;
    s.Width = kW;
    s.Height = static_cast<uint16_t>(c.Height);
    s.GlobalTable = {Black, White};
    s.Frames = {Patch(0, 0, kW, static_cast<uint16_t>(c.Height), 0, 5), Patch(16, c.PatchTop, 8, 2, 1, 7)};
    const Bytes gif = WriteGif(s);
    const Animation a = Run(List({{24, &Entry(&gif)}}, kW, c.Height));
    ASSERT_TRUE(a.Ok);
    ASSERT_EQ(a.Count, 2);
    EXPECT_EQ(std::vector<int>({a.Frames[0].X, a.Frames[0].Y, a.Frames[0].Width, a.Frames[0].Height}),
              std::vector<int>({kAreaY, kAreaX, c.Height, kW}));
    const Frame& f = a.Frames[1];
    EXPECT_EQ(std::vector<int>({f.X, f.Y, f.Width, f.Height, f.Delay}),
              std::vector<int>({c.WantX, kAreaX + kW - 8 * 3, 8, 8, 7}));
    // The 8 x 8 block turned counter-clockwise: its lit rows become columns.
    EXPECT_EQ(f.Data, Bytes(8, c.WantByte));
  }
}

// Many frames through the player: the frames replayed from the pack (the
// first page, each rectangle laid over the page before) are byte for byte
// the pages composed from the first frame of the file.
TEST_F(ListAnimation, ReplayedFramesAreThoseComposedFromTheStart) {
  for (int screen : {1, 2}) {
    SCOPED_TRACE(screen);
    Start(screen);
    const int planes = screen == 1 ? 1 : 2;
    std::mt19937 random(7 + static_cast<unsigned>(screen));
    std::vector<GifFrameLayout> frames = {Patch(0, 0, kW, kH, 0, 1)};
    for (int i = 0; i < 30; ++i) {
      const uint16_t w = static_cast<uint16_t>(1 + random() % 12), h = static_cast<uint16_t>(1 + random() % 6);
      frames.push_back(Patch(static_cast<uint16_t>(random() % (kW - w)), static_cast<uint16_t>(random() % (kH - h)), w,
                             h, static_cast<uint16_t>(random() % 3), static_cast<uint16_t>(i)));
    }
    const Bytes gif = Gif(frames);
    const Animation a = Run(List({{24, &Entry(&gif)}}));
    ASSERT_TRUE(a.Ok);

    const size_t rowBytes = PlaneRowBytes(kW);
    const size_t size = PageDataSize(kW, kH, planes);
    std::vector<Bytes> pages;  // the distinct pages in order, composed from the start each time
    for (int n = 1;; ++n) {
      Bytes page(size);
      uint16_t delay = 0;
      if (RenderGifFramePage(screen, gif.data(), gif.size(), n, kW, kH, 0, 0, kColorBlack, page.data(), page.size(),
                             delay) == 0) {
        break;
      }
      if (pages.empty() || pages.back() != page) pages.push_back(page);
    }
    ASSERT_EQ(a.Count, static_cast<int>(pages.size()));
    Bytes replay = a.Frames[0].Data;
    EXPECT_EQ(replay, pages[0]);
    for (size_t i = 1; i < pages.size(); ++i) {
      const Frame& f = a.Frames[i];
      const size_t l = static_cast<size_t>(f.X - kAreaX) / 8, top = static_cast<size_t>(f.Y - kAreaY);
      const size_t bytes = static_cast<size_t>(f.Width) / 8;
      ASSERT_EQ(f.Data.size(), bytes * static_cast<size_t>(f.Height) * static_cast<size_t>(planes));
      size_t at = 0;
      for (size_t y = top; y < top + static_cast<size_t>(f.Height); ++y) {
        for (size_t p = 0; p < static_cast<size_t>(planes); ++p) {
          for (size_t x = l; x < l + bytes; ++x) replay[(y * static_cast<size_t>(planes) + p) * rowBytes + x] = f.Data[at++];
        }
      }
      EXPECT_EQ(replay, pages[i]) << "frame " << i;
    }
  }
}

}  // namespace
}  // namespace vexilo
