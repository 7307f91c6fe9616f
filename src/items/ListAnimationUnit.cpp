#include "items/ListAnimationUnit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/ByteOrderUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/GifUnit.h"
#include "render/PicturePageUnit.h"

namespace vexilo {
namespace {

constexpr int64_t kFrameTableSize = int64_t{kMaxAnimationFrames} * kFrameHeaderSize;  // 917,490

using FrameHeader = std::array<uint8_t, kFrameHeaderSize>;

FrameHeader MakeFrameHeader(int32_t x, int32_t y, int32_t width, int32_t height, uint16_t delay, uint32_t offset) {
  FrameHeader h{};
  PutBe16(&h[0], static_cast<uint32_t>(x));
  PutBe16(&h[2], static_cast<uint32_t>(y));
  PutBe16(&h[4], static_cast<uint32_t>(width));
  PutBe16(&h[6], static_cast<uint32_t>(height));
  PutBe16(&h[8], delay);
  PutBe32(&h[10], offset);
  return h;
}

bool RowDiffers(const uint8_t* a, const uint8_t* b, size_t n) { return std::memcmp(a, b, n) != 0; }

}  // namespace

std::optional<ChangedRectangle> ChangedRect(std::span<const uint8_t> previous, std::span<const uint8_t> current,
                                            size_t rowBytes, int planes, int height) {
  if (rowBytes == 0 || planes < 1 || height < 1) return std::nullopt;
  const size_t row = rowBytes * static_cast<size_t>(planes);
  const size_t need = row * static_cast<size_t>(height);
  if (previous.size() < need || current.size() < need) return std::nullopt;
  const uint8_t* p = previous.data();
  const uint8_t* c = current.data();

  int top = 0;
  while (top < height && !RowDiffers(p + row * static_cast<size_t>(top), c + row * static_cast<size_t>(top), row)) {
    ++top;
  }
  if (top == height) return std::nullopt;
  int bottom = height;
  while (!RowDiffers(p + row * static_cast<size_t>(bottom - 1), c + row * static_cast<size_t>(bottom - 1), row)) {
    --bottom;
  }

  // Byte columns, counted within one plane, that differ in any plane of the rows found.
  size_t left = rowBytes, right = 0;
  for (int y = top; y < bottom; ++y) {
    for (int plane = 0; plane < planes; ++plane) {
      const size_t at = row * static_cast<size_t>(y) + rowBytes * static_cast<size_t>(plane);
      for (size_t x = 0; x < std::min(left, rowBytes); ++x) {
        if (p[at + x] != c[at + x]) {
          left = x;
          break;
        }
      }
      for (size_t x = rowBytes; x-- > right;) {
        if (p[at + x] != c[at + x]) {
          right = x;
          break;
        }
      }
    }
  }
  return ChangedRectangle{top, bottom, static_cast<int>(left), static_cast<int>(right)};
}

std::optional<uint32_t> AddListAnimation(const TListParam& list) {
  const int32_t width = list.AreaWidth, height = list.AreaHeight;
  if (PageExceedsRasterLimits(width, height)) return std::nullopt;
  const int colorMode = ScreenConfig().CurrentScreenConfig.Color;
  const int planes = PlaneCount(colorMode);
  const bool rotated = Pack().RotatedLayout != 0;
  const int32_t inset = FrameInset(list.FrameWidth);
  const int32_t margin = list.FrameColor != 0 ? inset : 0;

  if (!BeginListHeader()) return std::nullopt;
  const int64_t tableStart = Pack().PackLength;
  const int64_t dataStart = tableStart + kFrameTableSize;
  uint8_t* work = WorkBuffer();
  // On every failure the room reserved past the pack is given up again.
  auto fail = [&]() -> std::optional<uint32_t> {
    PackDropReserved();
    return std::nullopt;
  };
  if (work == nullptr) return fail();

  // An area with a side below 1 has no frames. The frame buffers hold two
  // planes of the page's rows, rounded up to whole groups of eight rows: on
  // rotated screens a rectangle reaches down to such a boundary, and the rows
  // past the page read as zero bytes (the buffers start zeroed and only the
  // page's bytes are ever written).
  const bool hasPage = width >= 1 && height >= 1;
  const size_t rowBytes = hasPage ? PlaneRowBytes(width) : 0;
  const size_t paddedRows = hasPage ? (static_cast<size_t>(height) + 7) / 8 * 8 : 0;
  const size_t bufferSize = rowBytes * 2 * paddedRows;
  std::vector<uint8_t> current(bufferSize), previous(bufferSize), out;
  bool havePrevious = false;

  GifPlayer player;
  uint32_t frames = 0;
  uint32_t total = 0;
  const int32_t declared = list.EntryCount;  // a packed field: copied before std::min binds to it
  const int32_t entryCount = std::min<int32_t>(declared, VEXILO_LIST_MAX_ENTRIES);
  int32_t e = 0;
  int k = 0;
  while (hasPage && frames < kMaxAnimationFrames && e < entryCount) {
    const TListEntry* entry = list.Entries[e];
    if (list.EntryKinds[e] != VEXILO_ENTRY_ANIMATION || entry == nullptr || entry->Data == nullptr ||
        entry->DataSize == 0) {
      ++e, k = 0;
      continue;
    }
    const ColorRef key = entry->BackColor == kColorCodeYellow ? kColorWhite : kColorBlack;
    uint16_t delay = 0;
    const size_t b = RenderGifFramePage(colorMode, static_cast<const uint8_t*>(entry->Data), entry->DataSize, k + 1,
                                        width, height, margin, entry->Setting.Mode.EntryMode, key, current.data(),
                                        current.size(), delay, &player);
    if (b == 0) {
      ++e, k = 0;
      continue;
    }

    FrameHeader header;
    if (!havePrevious) {
      header = MakeFrameHeader(list.AreaX, list.AreaY, width, height, delay, 0);
      if (rotated) SwapAreaAxes(std::span<uint8_t, 8>(header.data(), 8));
      out.assign(current.begin(), current.begin() + static_cast<std::ptrdiff_t>(b));
      if (list.FrameWidth > 0) DrawBorder(colorMode, list.FrameColor, inset, width, height, out.data(), out.size());
      if (rotated) RotatePage(colorMode, width, height, out.data(), out.size());
    } else {
      std::optional<ChangedRectangle> r = ChangedRect(previous, current, rowBytes, planes, height);
      if (!r) {
        ++k;  // the same picture again: nothing is written
        continue;
      }
      int top = r->Top, bottom = r->Bottom;
      const int l = r->Left, right = r->Right;
      const int bytesWide = right + 1 - l;
      if (rotated) {
        top = top / 8 * 8;
        bottom = (bottom + 7) / 8 * 8;
        header = MakeFrameHeader(list.AreaY + top, list.AreaX + width - 8 * (right + 1), bottom - top, 8 * bytesWide,
                                 delay, total);
      } else {
        header = MakeFrameHeader(list.AreaX + std::max(8 * l, inset), list.AreaY + std::max(top, inset),
                                 8 * bytesWide, bottom - top, delay, total);
      }
      out.clear();
      const size_t row = rowBytes * static_cast<size_t>(planes);
      for (int y = top; y < bottom; ++y) {
        for (int plane = 0; plane < planes; ++plane) {
          const uint8_t* from = current.data() + row * static_cast<size_t>(y) + rowBytes * static_cast<size_t>(plane) +
                                static_cast<size_t>(l);
          out.insert(out.end(), from, from + bytesWide);
        }
      }
      if (rotated) RotatePage(colorMode, 8 * bytesWide, bottom - top, out.data(), out.size());
    }

    if (out.size() > UINT32_MAX - total ||
        !PackWriteReserved(tableStart + int64_t{kFrameHeaderSize} * frames, header.data(), header.size()) ||
        !PackWriteReserved(dataStart + total, out.data(), out.size())) {
      return fail();
    }
    total += static_cast<uint32_t>(out.size());
    ++frames;
    if (!SetListCount(static_cast<uint16_t>(frames))) return fail();
    std::swap(previous, current);
    havePrevious = true;
    ++k;
  }

  // The used headers stay where they are; the frame data moves down to
  // follow the last of them.
  if (!PackTakeReserved(tableStart, int64_t{kFrameHeaderSize} * frames, work, kWorkBufferSize) ||
      !PackTakeReserved(dataStart, total, work, kWorkBufferSize) || !PackDropReserved() ||
      !RewriteHeader(HeaderKind::List)) {
    return fail();
  }
  return static_cast<uint32_t>(3 + kFrameHeaderSize * frames + total);
}

}  // namespace vexilo
