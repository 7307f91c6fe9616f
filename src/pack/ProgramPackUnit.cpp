#include "pack/ProgramPackUnit.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/ByteOrderUnit.h"
#include "base/CrcUnit.h"
#include "frame/HostFilesUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "lang/StringTableUnit.h"

namespace vexilo {
namespace {

PackState g_pack;

struct HeaderRef {
  uint8_t* Bytes;
  size_t Size;
  int32_t Pos;
};

HeaderRef Header(PackState& s, HeaderKind which) {
  switch (which) {
    case HeaderKind::Pack: return {s.PackHeader, sizeof s.PackHeader, s.PackHeaderPos};
    case HeaderKind::Program: return {s.ProgramHeader, sizeof s.ProgramHeader, s.ProgramHeaderPos};
    case HeaderKind::Area: return {s.AreaHeader, sizeof s.AreaHeader, s.AreaHeaderPos};
    case HeaderKind::PageCount: return {s.PageCountHeader, sizeof s.PageCountHeader, s.PageCountHeaderPos};
    case HeaderKind::List: return {s.ListHeader, sizeof s.ListHeader, s.ListHeaderPos};
  }
  return {nullptr, 0, -1};
}

bool FitsPack(size_t n) {
  return n <= static_cast<size_t>(INT32_MAX) && static_cast<size_t>(g_pack.PackLength) <= static_cast<size_t>(INT32_MAX) - n;
}

bool RewriteAllHeaders() {
  bool ok = true;
  for (HeaderKind k : {HeaderKind::Pack, HeaderKind::Program, HeaderKind::Area, HeaderKind::PageCount, HeaderKind::List}) {
    ok = RewriteHeader(k) && ok;
  }
  return ok;
}

}  // namespace

const PackState& Pack() { return g_pack; }

void SetRotatedLayout(uint8_t rotated) { g_pack.RotatedLayout = rotated; }

uint32_t PackBytesLength() { return g_pack.PackLength > 0 ? static_cast<uint32_t>(g_pack.PackLength) : 0; }

bool ReadPackBytes(uint32_t pos, uint8_t* out, size_t n) {
  if (n == 0) return true;
  if (out == nullptr || pos > PackBytesLength() || n > PackBytesLength() - pos) return false;
  return SwapRead(pos, out, n);
}

bool ReplacePack(const uint8_t* data, size_t n) {
  if (n > static_cast<size_t>(INT32_MAX) || (n > 0 && data == nullptr)) return false;
  g_pack = PackState{};
  if (!SwapOpenEmpty()) return false;
  if (n > 0 && !SwapWrite(0, data, n)) {
    SwapTruncate(0);
    return false;
  }
  g_pack.PackLength = static_cast<int32_t>(n);
  return true;
}

void PackLoad() {
  g_pack = PackState{};
  SwapOpenEmpty();
}

void PackUnload() { SwapClose(); }

bool RewriteHeader(HeaderKind which) {
  HeaderRef h = Header(g_pack, which);
  if (h.Pos < 0) return true;
  return SwapWrite(static_cast<uint64_t>(h.Pos), h.Bytes, h.Size);
}

bool PackAppend(const void* data, size_t n) {
  if (!FitsPack(n)) return false;
  if (n > 0 && !SwapWrite(static_cast<uint64_t>(Pack().PackLength), data, n)) return false;
  g_pack.PackLength += static_cast<int32_t>(n);
  return true;
}

bool PackWriteAt(int32_t pos, const void* data, size_t n) {
  if (pos < 0 || n > static_cast<size_t>(g_pack.PackLength) ||
      static_cast<size_t>(pos) > static_cast<size_t>(g_pack.PackLength) - n) {
    return false;
  }
  return n == 0 || SwapWrite(static_cast<uint64_t>(pos), data, n);
}

bool BeginListHeader() {
  PackState& s = g_pack;
  if (!FitsPack(3)) return false;
  std::memset(s.ListHeader, 0, sizeof s.ListHeader);
  std::memset(s.PageCountHeader, 0, sizeof s.PageCountHeader);
  s.ListHeaderPos = s.PackLength;
  s.PageCountHeaderPos = s.PackLength;
  s.PackLength += 3;
  return RewriteHeader(HeaderKind::List);
}

bool SetListCount(uint16_t count) {
  PackState& s = g_pack;
  if (s.ListHeaderPos < 0) return false;
  PutBe16(s.ListHeader, count);
  std::memcpy(s.PageCountHeader, s.ListHeader, sizeof s.PageCountHeader);
  return RewriteHeader(HeaderKind::List);
}

bool PackWriteReserved(int64_t pos, const void* data, size_t n) {
  if (pos < g_pack.PackLength || pos > INT32_MAX || n > static_cast<size_t>(INT32_MAX - pos)) return false;
  return n == 0 || SwapWrite(static_cast<uint64_t>(pos), data, n);
}

bool PackTakeReserved(int64_t from, int64_t n, uint8_t* chunk, size_t chunkSize) {
  PackState& s = g_pack;
  if (from < s.PackLength || n < 0 || from > INT32_MAX || n > INT32_MAX - from ||
      !FitsPack(static_cast<size_t>(n)) || (n > 0 && (chunk == nullptr || chunkSize == 0))) {
    return false;
  }
  // The target lies below the source: copying from the front never
  // overwrites bytes not yet moved.
  const int64_t to = s.PackLength;
  for (int64_t done = 0; from != to && done < n;) {
    const size_t step = static_cast<size_t>(std::min<int64_t>(n - done, static_cast<int64_t>(chunkSize)));
    if (!SwapRead(static_cast<uint64_t>(from + done), chunk, step) ||
        !SwapWrite(static_cast<uint64_t>(to + done), chunk, step)) {
      return false;
    }
    done += static_cast<int64_t>(step);
  }
  s.PackLength += static_cast<int32_t>(n);
  return true;
}

bool PackDropReserved() { return SwapTruncate(static_cast<uint64_t>(g_pack.PackLength)); }

bool InitBuffer(int32_t screenNo) {
  PackState& s = g_pack;
  s.RotatedLayout = 0;
  SwapClose();
  const bool read = LoadCurrentScreenConfig(screenNo);

  s = PackState{};
  if (!SwapOpenEmpty()) return false;  // no pack: items fail until the next try
  const uint8_t color = ScreenConfig().CurrentScreenConfig.Color;
  s.PackHeader[0] = 0;
  s.PackHeader[1] = read ? ((color == 2 || color == 3) ? 2 : 1) : 0;
  s.PackHeaderPos = 0;
  if (!RewriteHeader(HeaderKind::Pack)) {
    SwapClose();
    s = PackState{};
    return false;
  }
  s.PackLength = 2;
  return read;
}

int32_t AddProgram(uint8_t programOption) {
  PackState& s = g_pack;
  if (s.PackHeaderPos < 0 || s.ProgramCount >= kMaxPrograms || !SwapIsOpen() || !FitsPack(7)) return -1;
  // A failure below is taken back by the item transaction of the call frame.
  s.ProgramCount += 1;
  s.PackHeader[0] = static_cast<uint8_t>(s.ProgramCount);
  if (!RewriteHeader(HeaderKind::Pack)) return -1;
  s.ProgramHeader[0] = static_cast<uint8_t>(s.ProgramCount);
  s.ProgramHeader[1] = 0;
  s.ProgramHeader[2] = programOption;
  PutBe32(&s.ProgramHeader[3], 7);
  s.ProgramHeaderPos = s.PackLength;
  if (!RewriteHeader(HeaderKind::Program)) return -1;
  s.PackLength += 7;
  s.AreaHeaderPos = -1;
  s.PageCountHeaderPos = -1;
  s.ListHeaderPos = -1;
  s.AreaCounter = 0;
  return 0;
}

bool CompletePack() {
  PackState& s = g_pack;
  if (!SwapIsOpen() || !FitsPack(2)) return false;
  uint16_t crc = 0;
  uint8_t block[1024];
  for (int32_t p = 0; p < s.PackLength;) {
    size_t n = static_cast<size_t>(std::min<int32_t>(s.PackLength - p, sizeof block));
    if (!SwapRead(static_cast<uint64_t>(p), block, n)) return false;
    crc = Crc16(block, n, crc);
    p += static_cast<int32_t>(n);
  }
  uint8_t seal[2];
  PutBe16(seal, crc);
  return PackAppend(seal, 2);
}

bool BeginArea(uint8_t type, int32_t x, int32_t y, int32_t width, int32_t height, bool swapAxes) {
  PackState& s = g_pack;
  if (!FitsPack(14)) return false;
  s.AreaCounter += 1;
  std::memset(s.AreaHeader, 0, sizeof s.AreaHeader);
  s.AreaHeader[0] = static_cast<uint8_t>(s.AreaCounter);
  s.AreaHeader[1] = type;
  PutBe16(&s.AreaHeader[2], static_cast<uint32_t>(x));
  PutBe16(&s.AreaHeader[4], static_cast<uint32_t>(y));
  PutBe16(&s.AreaHeader[6], static_cast<uint32_t>(width));
  PutBe16(&s.AreaHeader[8], static_cast<uint32_t>(height));
  if (swapAxes) SwapAreaAxes(std::span<uint8_t, 14>(s.AreaHeader));
  s.AreaHeaderPos = s.PackLength;
  s.PackLength += 14;
  return RewriteHeader(HeaderKind::Area);
}

bool EndArea(uint32_t added) {
  PackState& s = g_pack;
  PutBe32(&s.AreaHeader[10], GetBe32(&s.AreaHeader[10]) + added);
  if (!RewriteHeader(HeaderKind::Area)) return false;
  s.ProgramHeader[1] = static_cast<uint8_t>(s.ProgramHeader[1] + 1);
  PutBe32(&s.ProgramHeader[3], GetBe32(&s.ProgramHeader[3]) + added);
  return RewriteHeader(HeaderKind::Program);
}

std::optional<int32_t> OpenPageArea(int32_t x, int32_t y, int32_t width, int32_t height) {
  PackState& s = g_pack;
  if (s.AreaHeaderPos >= 0 && s.PageCountHeaderPos >= 0 && s.AreaHeader[1] == 2 &&
      GetBe16(&s.AreaHeader[2]) == static_cast<uint16_t>(x) && GetBe16(&s.AreaHeader[4]) == static_cast<uint16_t>(y) &&
      GetBe16(&s.AreaHeader[6]) == static_cast<uint16_t>(width) &&
      GetBe16(&s.AreaHeader[8]) == static_cast<uint16_t>(height)) {
    return 0;
  }
  if (!FitsPack(16) || !BeginArea(2, x, y, width, height, false)) return std::nullopt;
  s.PageCountHeaderPos = s.PackLength;
  s.PackLength += 2;
  s.PageCountHeader[0] = 0;
  s.PageCountHeader[1] = 0;
  if (!RewriteHeader(HeaderKind::PageCount)) return std::nullopt;
  return 16;
}

bool AppendPageGroup(int32_t openedHeaderBytes, const PageHeaderBytes& bytes, uint32_t pages, const uint8_t* pixels,
                     size_t pageBytes) {
  PackState& s = g_pack;
  if (pages > 0 && pageBytes > (static_cast<size_t>(INT32_MAX) / pages)) return false;
  size_t pixelTotal = static_cast<size_t>(pages) * pageBytes;
  size_t headerTotal = static_cast<size_t>(pages) * 5;
  if (!FitsPack(headerTotal + pixelTotal) || (pixelTotal > 0 && pixels == nullptr)) return false;
  std::vector<uint8_t> headers(headerTotal);
  for (uint32_t i = 0; i < pages; ++i) {
    s.PageCountHeader[0] = static_cast<uint8_t>(s.PageCountHeader[0] + 1);
    uint8_t* ph = &headers[5 * i];
    ph[0] = s.PageCountHeader[0];
    ph[1] = bytes.Effect;
    ph[2] = bytes.Speed;
    ph[3] = bytes.StayTime;
    ph[4] = bytes.Option;
  }
  if (!PackAppend(headers.data(), headers.size()) || !PackAppend(pixels, pixelTotal)) return false;
  if (!RewriteHeader(HeaderKind::PageCount)) return false;
  return EndArea(static_cast<uint32_t>(openedHeaderBytes) + static_cast<uint32_t>(headerTotal + pixelTotal));
}

std::optional<int32_t> BeginPageList(uint32_t reserved) {
  PackState& s = g_pack;
  const size_t table = static_cast<size_t>(reserved) * 5;
  if (!FitsPack(2 + table)) return std::nullopt;
  s.PageCountHeaderPos = s.PackLength;
  s.PageCountHeader[0] = 0;
  s.PageCountHeader[1] = 0;
  // The list keeps no separate list header: a 3-byte header at the page
  // count's position would be written over the first page header whenever
  // the headers are rewritten.
  s.ListHeaderPos = -1;
  if (!RewriteHeader(HeaderKind::PageCount)) return std::nullopt;
  s.PackLength += 2;
  const int32_t tablePos = s.PackLength;
  std::vector<uint8_t> zeros(table);
  if (!PackAppend(zeros.data(), zeros.size())) return std::nullopt;
  return tablePos;
}

bool SetPageCount(uint8_t count) {
  g_pack.PageCountHeader[0] = count;
  return RewriteHeader(HeaderKind::PageCount);
}

bool ClosePageTable(int32_t tablePos, uint32_t reserved, uint32_t used) {
  PackState& s = g_pack;
  if (used > reserved || tablePos < 0) return false;
  const int64_t from = static_cast<int64_t>(tablePos) + 5 * static_cast<int64_t>(reserved);
  const int64_t to = static_cast<int64_t>(tablePos) + 5 * static_cast<int64_t>(used);
  if (from > s.PackLength) return false;
  if (from == to) return true;
  uint8_t* buffer = WorkBuffer();
  if (buffer == nullptr) return false;
  const int64_t length = s.PackLength - from;
  for (int64_t done = 0; done < length;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(length - done, static_cast<int64_t>(kWorkBufferSize)));
    if (!SwapRead(static_cast<uint64_t>(from + done), buffer, n) ||
        !SwapWrite(static_cast<uint64_t>(to + done), buffer, n)) {
      return false;
    }
    done += static_cast<int64_t>(n);
  }
  const int64_t newLength = to + length;
  if (!SwapTruncate(static_cast<uint64_t>(newLength))) return false;
  s.PackLength = static_cast<int32_t>(newLength);
  return true;
}

int32_t FrameInset(int32_t frameWidth) {
  if (frameWidth >= 1 && frameWidth <= 3) return frameWidth;
  if (frameWidth >= 4 && frameWidth <= 11) return 1;
  return 0;
}

int32_t MapEffectCode(int32_t effect) {
  if (effect >= 34 && effect <= 37) return effect - 19;
  if (effect == 17) return 23;
  return effect;
}

std::array<uint8_t, 4> MakeFontDescriptor(const FontSpec& font) {
  std::array<uint8_t, 4> d{0x7F, 1, static_cast<uint8_t>(font.Size), 0};
  if (font.FaceName != nullptr) {
    const char* names[] = {strings::kFaceSong, strings::kFaceHei, strings::kFaceKai, strings::kFaceLi};
    for (uint8_t i = 0; i < 4; ++i) {
      if (std::strcmp(font.FaceName, names[i]) == 0) {
        d[1] = static_cast<uint8_t>(i + 1);
        break;
      }
    }
  }
  if (font.TextColor >= 1 && font.TextColor <= 3) d[3] = static_cast<uint8_t>(font.TextColor - 1);
  return d;
}

bool ItemMayStart() {
  return Pack().ProgramHeaderPos >= 0 && ScreenConfig().CurrentScreenConfig.Color < 4 && SwapIsOpen();
}

uint8_t* WorkBuffer() {
  static std::unique_ptr<uint8_t[]> buffer;
  if (!buffer) buffer.reset(new (std::nothrow) uint8_t[kWorkBufferSize]);
  return buffer.get();
}

namespace {

void SwapFields(uint8_t* a, uint8_t* b) {
  for (int i = 0; i < 2; ++i) {
    uint8_t t = a[i];
    a[i] = b[i];
    b[i] = t;
  }
}

}  // namespace

void SwapAreaAxes(std::span<uint8_t, 14> areaHeader) {
  SwapFields(&areaHeader[2], &areaHeader[4]);
  SwapFields(&areaHeader[6], &areaHeader[8]);
}

void SwapAreaAxes(std::span<uint8_t, 8> fourFields) {
  SwapFields(&fourFields[0], &fourFields[2]);
  SwapFields(&fourFields[4], &fourFields[6]);
}

int RotateEffectCode(int effectCode) {
  static constexpr int kPairs[][2] = {
      {1, 3},   {3, 1},   {2, 4},   {4, 2},   {5, 7},   {7, 6},   {6, 8},   {8, 5},   {9, 10},
      {10, 9},  {11, 13}, {13, 11}, {12, 14}, {14, 12}, {15, 17}, {17, 15}, {16, 18}, {18, 16},
      {41, 43}, {43, 41}, {42, 44}, {44, 42}, {45, 46}, {46, 45}, {49, 50}, {50, 49},
  };
  for (const auto& pair : kPairs) {
    if (pair[0] == effectCode) return pair[1];
  }
  return effectCode;
}

PackTransaction::PackTransaction() : saved_(g_pack) {}

PackTransaction::~PackTransaction() {
  if (committed_) return;
  // Put the state back first, then make the file agree with it again.
  g_pack = saved_;
  if (SwapIsOpen()) {
    SwapTruncate(static_cast<uint64_t>(saved_.PackLength));
    RewriteAllHeaders();
  }
}

}  // namespace vexilo
