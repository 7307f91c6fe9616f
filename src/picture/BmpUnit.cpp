#include "picture/BmpUnit.h"

#include <algorithm>
#include <array>
#include <bit>

#include "base/ByteOrderUnit.h"
#include "picture/PictureRasterUnit.h"

namespace vexilo {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;

// biCompression values.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;  // OS/2 2.x: Huffman 1D
constexpr uint32_t kBiJpeg = 4;       // OS/2 2.x: RLE24
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitFields = 6;

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
};

// One colour component of a 16- or 32-bit pixel: its mask, the mask's lowest
// bit and how many bits it has.
struct Channel {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
};

bool MakeChannel(uint32_t mask, Channel& channel) {
  channel = Channel{mask, 0, 0};
  if (mask == 0) return true;
  channel.Shift = std::countr_zero(mask);
  uint32_t run = mask >> channel.Shift;
  channel.Bits = std::countr_one(run);
  // The bits of a mask must be one contiguous run.
  return channel.Bits == 32 || (run >> channel.Bits) == 0;
}

uint8_t ChannelValue(const Channel& channel, uint32_t pixel) {
  if (channel.Bits == 0) return 0;
  return ScaleToByte((pixel & channel.Mask) >> channel.Shift, channel.Bits);
}

struct Header {
  bool FileHeader = false;
  size_t InfoSize = 0;
  bool Core = false;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
  bool Os2 = false;   // OS/2 2.x: other meanings of compression 3 and 4
  int64_t Width = 0;
  int64_t Height = 0;
  bool TopDown = false;
  int Bits = 0;
  uint32_t Compression = kBiRgb;
  uint32_t ColorsUsed = 0;
};

bool Fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

std::string CompressionName(const Header& h) {
  if (h.Os2 && h.Compression == kBiBitFields) return "OS/2 Huffman 1D";
  if (h.Os2 && h.Compression == kBiJpeg) return "OS/2 RLE24";
  if (h.Compression == kBiJpeg) return "embedded JPEG";
  if (h.Compression == kBiPng) return "embedded PNG";
  return "compression type " + std::to_string(h.Compression);
}

bool ReadHeader(const uint8_t* data, size_t size, Header& h, std::string& error) {
  h.FileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
  size_t base = h.FileHeader ? kFileHeaderSize : 0;
  if (!h.FileHeader && size >= 2) {
    static constexpr const char* kOs2Kinds[] = {"BA", "CI", "CP", "IC", "PT"};
    for (const char* kind : kOs2Kinds) {
      if (data[0] == kind[0] && data[1] == kind[1]) {
        return Fail(error, std::string("OS/2 bitmap arrays, icons and pointers (\"") + kind + "\") are not supported");
      }
    }
  }
  if (size < base + 4) return Fail(error, "bitmap data ends inside its headers");
  const uint8_t* info = data + base;
  h.InfoSize = GetLe32(info);
  bool known = h.InfoSize == kCoreHeaderSize || (h.InfoSize >= 16 && h.InfoSize <= 64) || h.InfoSize == 108 ||
               h.InfoSize == 124;
  if (!known) {
    if (!h.FileHeader) return Fail(error, "not a Windows bitmap (no \"BM\" signature and no known header)");
    return Fail(error, "unknown bitmap header size " + std::to_string(h.InfoSize));
  }
  if (size - base < h.InfoSize) return Fail(error, "bitmap data ends inside its headers");
  if (h.InfoSize == kCoreHeaderSize) {
    h.Core = true;
    h.Width = GetLe16(info + 4);
    h.Height = GetLe16(info + 6);
    h.Bits = GetLe16(info + 10);
  } else {
    h.Os2 = h.InfoSize != 40 && h.InfoSize != 52 && h.InfoSize != 56 && h.InfoSize <= 64;
    h.Width = static_cast<int32_t>(GetLe32(info + 4));
    h.Height = static_cast<int32_t>(GetLe32(info + 8));
    h.Bits = GetLe16(info + 14);
    if (h.InfoSize >= 20) h.Compression = GetLe32(info + 16);
    if (h.InfoSize >= 36) h.ColorsUsed = GetLe32(info + 32);
  }
  if (h.Height < 0) {
    h.TopDown = true;
    h.Height = -h.Height;  // int64_t: INT32_MIN negates safely
  }
  return true;
}

bool CheckDepth(const Header& h, std::string& error) {
  const std::string depth = std::to_string(h.Bits) + " bits per pixel";
  switch (h.Compression) {
    case kBiRgb:
      if (h.Bits == 1 || h.Bits == 2 || h.Bits == 4 || h.Bits == 8 || h.Bits == 16 || h.Bits == 24 || h.Bits == 32) {
        return true;
      }
      return Fail(error, "bitmaps of " + depth + " are not supported");
    case kBiRle8:
      if (h.Bits == 8) return true;
      return Fail(error, "RLE8 bitmaps must have 8 bits per pixel, not " + std::to_string(h.Bits));
    case kBiRle4:
      if (h.Bits == 4) return true;
      return Fail(error, "RLE4 bitmaps must have 4 bits per pixel, not " + std::to_string(h.Bits));
    case kBiBitFields:
    case kBiAlphaBitFields:
      if (!h.Os2 && h.InfoSize >= kInfoHeaderSize) {
        if (h.Bits == 16 || h.Bits == 32) return true;
        return Fail(error, "bit-field bitmaps must have 16 or 32 bits per pixel, not " + std::to_string(h.Bits));
      }
      [[fallthrough]];
    default:
      return Fail(error, "bitmaps with " + CompressionName(h) + " are not supported");
  }
}

// Decodes the rows of an uncompressed bitmap.
void DecodeRows(const Header& h, const uint8_t* pixels, uint64_t rowBytes, const std::array<Rgb, 256>& palette,
                const std::array<Channel, 3>& channels, bool defaultMasks, Raster& raster) {
  const int width = raster.Width, height = raster.Height;
  for (int r = 0; r < height; ++r) {
    const uint8_t* src = pixels + rowBytes * static_cast<uint64_t>(r);
    uint8_t* out = RasterRow(raster, h.TopDown ? r : height - 1 - r);
    switch (h.Bits) {
      case 1:
      case 2:
      case 4:
      case 8: {
        const int bits = h.Bits, perByte = 8 / bits, mask = (1 << bits) - 1;
        for (int x = 0; x < width; ++x) {
          int shift = 8 - bits * (x % perByte + 1);
          const Rgb& c = palette[(src[x / perByte] >> shift) & mask];
          PutRgb(out, x, c.R, c.G, c.B);
        }
        break;
      }
      case 24:
        std::copy(src, src + static_cast<size_t>(width) * 3, out);
        break;
      case 16:
      case 32:
        for (int x = 0; x < width; ++x) {
          if (h.Bits == 32 && defaultMasks) {
            const uint8_t* p = src + static_cast<size_t>(x) * 4;
            PutRgb(out, x, p[2], p[1], p[0]);
            continue;
          }
          uint32_t px = h.Bits == 16 ? GetLe16(src + static_cast<size_t>(x) * 2) : GetLe32(src + static_cast<size_t>(x) * 4);
          PutRgb(out, x, ChannelValue(channels[0], px), ChannelValue(channels[1], px), ChannelValue(channels[2], px));
        }
        break;
      default:
        break;
    }
  }
}

// Decodes a BI_RLE8 or BI_RLE4 stream. Rows run bottom-up; the raster starts
// black, so pixels the stream leaves out stay black.
bool DecodeRle(const Header& h, const uint8_t* data, size_t begin, size_t end, const std::array<Rgb, 256>& palette,
               Raster& raster, std::string& error) {
  const bool rle8 = h.Compression == kBiRle8;
  const int64_t width = raster.Width, height = raster.Height;
  int64_t x = 0, row = 0;  // row 0 is the bottom row
  auto put = [&](int index) {
    if (x >= 0 && x < width && row < height) {
      const Rgb& c = palette[index];
      PutRgb(RasterRow(raster, static_cast<int>(height - 1 - row)), static_cast<int>(x), c.R, c.G, c.B);
    }
    ++x;
  };
  size_t p = begin;
  while (row < height) {
    if (end - p < 2) return Fail(error, "compressed pixel data ends before the end-of-bitmap mark");
    const int count = data[p], value = data[p + 1];
    p += 2;
    if (count > 0) {  // an encoded run: one index (RLE8) or two alternating (RLE4)
      for (int i = 0; i < count; ++i) put(rle8 ? value : ((i & 1) ? value & 0x0F : value >> 4));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta: right and up
      if (end - p < 2) return Fail(error, "compressed pixel data ends inside a delta");
      x = std::min<int64_t>(x + data[p], width);
      row += data[p + 1];
      p += 2;
    } else {  // an absolute run of `value` indices, padded to 16 bits
      size_t bytes = rle8 ? static_cast<size_t>(value) : (static_cast<size_t>(value) + 1) / 2;
      if (end - p < bytes) return Fail(error, "compressed pixel data ends inside an absolute run");
      for (int i = 0; i < value; ++i) {
        put(rle8 ? data[p + i] : ((i & 1) ? data[p + i / 2] & 0x0F : data[p + i / 2] >> 4));
      }
      p += std::min(bytes + (bytes & 1), end - p);
    }
  }
  return true;  // the stream has passed the top row; what follows is not needed
}

}  // namespace

RasterPtr DecodeBmp(const uint8_t* data, size_t size, std::string& error) {
  if (!data || size == 0) {
    error = "no bitmap data";
    return nullptr;
  }
  Header h;
  if (!ReadHeader(data, size, h, error) || !CheckDepth(h, error)) return nullptr;
  if (!PictureSizeAllowed(h.Width, h.Height, error)) return nullptr;
  const bool rle = h.Compression == kBiRle8 || h.Compression == kBiRle4;
  if (rle && h.TopDown) {
    error = "compressed bitmaps cannot be stored top-down";
    return nullptr;
  }
  const size_t base = h.FileHeader ? kFileHeaderSize : 0;
  const uint8_t* info = data + base;

  // Bit-field masks: inside V2 and later headers, else right after the
  // 40-byte header (three, or four with alpha).
  size_t tablesStart = base + h.InfoSize;
  std::array<Channel, 3> channels{};
  bool defaultMasks = false;
  if (h.Compression == kBiBitFields || h.Compression == kBiAlphaBitFields) {
    size_t maskEnd = kInfoHeaderSize + (h.Compression == kBiAlphaBitFields ? 16 : 12);
    tablesStart = base + std::max(h.InfoSize, maskEnd);
    if (size < base + kInfoHeaderSize + 12 || size < tablesStart) {
      error = "bitmap data ends inside its colour masks";
      return nullptr;
    }
    for (int i = 0; i < 3; ++i) {
      if (!MakeChannel(GetLe32(info + kInfoHeaderSize + 4 * i), channels[i])) {
        error = "bit-field masks must be contiguous runs of bits";
        return nullptr;
      }
    }
  } else if (h.Bits == 16) {
    MakeChannel(0x7C00, channels[0]);
    MakeChannel(0x03E0, channels[1]);
    MakeChannel(0x001F, channels[2]);
  } else if (h.Bits == 32) {
    defaultMasks = true;
  }

  // The palette: biClrUsed entries, or as many as the depth allows; a file
  // header whose pixel-data offset leaves room for fewer gives fewer.
  std::array<Rgb, 256> palette{};  // entries past the file's palette stay black
  size_t pixelOffset = 0;
  uint64_t paletteEntries = 0;
  const size_t entrySize = h.Core ? 3 : 4;
  if (h.Bits <= 8) {
    paletteEntries = uint64_t{1} << h.Bits;
    if (h.ColorsUsed != 0 && h.ColorsUsed < paletteEntries) paletteEntries = h.ColorsUsed;
  } else if (h.ColorsUsed != 0 && !h.FileHeader) {
    paletteEntries = h.ColorsUsed;  // an optimisation palette that only a bare DIB has to step over
  }
  if (h.FileHeader) {
    uint32_t offset = GetLe32(data + 10);
    if (offset < tablesStart) {
      error = "pixel data offset " + std::to_string(offset) + " lies inside the bitmap headers";
      return nullptr;
    }
    if (offset > size) {
      error = "pixel data offset " + std::to_string(offset) + " lies beyond the end of the data (" +
              std::to_string(size) + " bytes)";
      return nullptr;
    }
    pixelOffset = offset;
    if (h.Bits <= 8) paletteEntries = std::min<uint64_t>(paletteEntries, (pixelOffset - tablesStart) / entrySize);
  } else {
    uint64_t end = tablesStart + paletteEntries * entrySize;
    if (end > size) {
      error = "bitmap data ends inside its palette";
      return nullptr;
    }
    pixelOffset = static_cast<size_t>(end);
  }
  if (h.Bits <= 8) {
    for (uint64_t i = 0; i < paletteEntries; ++i) {
      const uint8_t* e = data + tablesStart + i * entrySize;
      palette[i] = Rgb{e[2], e[1], e[0]};
    }
  }

  const uint64_t width = static_cast<uint64_t>(h.Width), height = static_cast<uint64_t>(h.Height);
  const size_t available = size - pixelOffset;
  uint64_t rowBytes = (width * static_cast<uint64_t>(h.Bits) + 31) / 32 * 4;
  if (!rle) {
    // The last row's padding may be left out.
    uint64_t needed = rowBytes * (height - 1) + (width * static_cast<uint64_t>(h.Bits) + 7) / 8;
    if (needed > available) {
      error = "pixel data ends early: " + std::to_string(available) + " bytes where " + std::to_string(needed) +
              " are needed";
      return nullptr;
    }
  }
  RasterPtr raster = NewPictureRaster(h.Width, h.Height, error);
  if (!raster) return nullptr;
  if (rle) {
    if (!DecodeRle(h, data, pixelOffset, size, palette, *raster, error)) return nullptr;
  } else {
    DecodeRows(h, data + pixelOffset, rowBytes, palette, channels, defaultMasks, *raster);
  }
  return raster;
}

}  // namespace vexilo
