#include "PictureWriters.h"

#include <cstdio>
#include <memory>

namespace vexilo::testing {
namespace {

void Le16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Le32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> WriteBmpData(const BmpLayout& layout, int width, int height,
                                  const std::vector<uint8_t>& pixelData) {
  const bool core = layout.InfoSize == 12;
  const bool fields = layout.Compression == 3 || layout.Compression == 6;
  const size_t maskBytes = fields ? (layout.Compression == 6 ? 16 : 12) : 0;
  // Masks lie inside V2 and later headers, else after the header.
  const size_t masksAfter = fields && layout.InfoSize < 40 + maskBytes ? 40 + maskBytes - layout.InfoSize : 0;
  const size_t entry = core ? 3 : 4;
  const size_t fileHeader = layout.FileHeader ? 14 : 0;
  const size_t paletteAt = fileHeader + layout.InfoSize + masksAfter;
  const size_t pixelsAt = paletteAt + layout.Palette.size() * entry;
  std::vector<uint8_t> out(pixelsAt + pixelData.size(), 0);
  if (layout.FileHeader) {
    out[0] = 'B';
    out[1] = 'M';
    Le32(out, 2, static_cast<uint32_t>(out.size()));
    Le32(out, 10, static_cast<uint32_t>(pixelsAt));
  }
  const size_t h = fileHeader;
  Le32(out, h, layout.InfoSize);
  if (core) {
    Le16(out, h + 4, static_cast<uint32_t>(width));
    Le16(out, h + 6, static_cast<uint32_t>(height));
    Le16(out, h + 8, 1);
    Le16(out, h + 10, static_cast<uint32_t>(layout.Bits));
  } else {
    Le32(out, h + 4, static_cast<uint32_t>(width));
    Le32(out, h + 8, static_cast<uint32_t>(layout.TopDown ? -height : height));
    Le16(out, h + 12, 1);
    Le16(out, h + 14, static_cast<uint32_t>(layout.Bits));
    if (layout.InfoSize >= 20) Le32(out, h + 16, layout.Compression);
    if (layout.InfoSize >= 24) Le32(out, h + 20, static_cast<uint32_t>(pixelData.size()));
    if (layout.InfoSize >= 36) Le32(out, h + 32, layout.ColorsUsed);
    if (fields) {
      for (size_t i = 0; i < maskBytes / 4; ++i) Le32(out, h + 40 + 4 * i, layout.Masks[i]);
    }
  }
  for (size_t i = 0; i < layout.Palette.size(); ++i) {
    uint32_t c = layout.Palette[i];
    out[paletteAt + i * entry] = static_cast<uint8_t>(c);            // blue
    out[paletteAt + i * entry + 1] = static_cast<uint8_t>(c >> 8);   // green
    out[paletteAt + i * entry + 2] = static_cast<uint8_t>(c >> 16);  // red
  }
  std::copy(pixelData.begin(), pixelData.end(), out.begin() + static_cast<std::ptrdiff_t>(pixelsAt));
  return out;
}

std::vector<uint8_t> WriteBmp(const BmpLayout& layout, int width, const std::vector<std::vector<uint32_t>>& values) {
  const int height = static_cast<int>(values.size());
  const size_t rowBytes = (static_cast<size_t>(width) * layout.Bits + 31) / 32 * 4;
  std::vector<uint8_t> data(rowBytes * height, 0);
  for (int r = 0; r < height; ++r) {
    // Stored rows run bottom-up unless the bitmap is top-down.
    const std::vector<uint32_t>& row = values[layout.TopDown ? r : height - 1 - r];
    uint8_t* out = data.data() + rowBytes * r;
    for (int x = 0; x < width; ++x) {
      uint32_t v = row[x];
      switch (layout.Bits) {
        case 1:
        case 2:
        case 4:
        case 8: {
          int perByte = 8 / layout.Bits;
          int shift = 8 - layout.Bits * (x % perByte + 1);
          out[x / perByte] |= static_cast<uint8_t>(v << shift);
          break;
        }
        case 16:
          out[2 * x] = static_cast<uint8_t>(v);
          out[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          break;
        case 24:
          out[3 * x] = static_cast<uint8_t>(v);
          out[3 * x + 1] = static_cast<uint8_t>(v >> 8);
          out[3 * x + 2] = static_cast<uint8_t>(v >> 16);
          break;
        case 32:
          for (int i = 0; i < 4; ++i) out[4 * x + i] = static_cast<uint8_t>(v >> (8 * i));
          break;
        default:
          break;
      }
    }
  }
  return WriteBmpData(layout, width, height, data);
}

std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<uint32_t>& rgb) {
  std::vector<std::vector<uint32_t>> rows(height);
  for (int y = 0; y < height; ++y) rows[y].assign(rgb.begin() + y * width, rgb.begin() + (y + 1) * width);
  return WriteBmp(BmpLayout{}, width, rows);
}

bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) return false;
  return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

}  // namespace vexilo::testing
