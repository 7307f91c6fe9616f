#include "pack/ItemPagesUnit.h"

#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"

namespace vexilo {

void ClearRowPadding(int32_t width, int32_t height, int planes, uint8_t* data, size_t size) {
  if (width <= 0 || height <= 0 || (width % 8) == 0) return;
  const size_t rowBytes = PlaneRowBytes(width);
  const uint8_t keep = static_cast<uint8_t>((1u << (width % 8)) - 1);
  const size_t rows = static_cast<size_t>(height) * static_cast<size_t>(planes);
  if (rows * rowBytes > size) return;
  for (size_t r = 0; r < rows; ++r) data[r * rowBytes + rowBytes - 1] &= keep;
}

namespace {

// The frame of a page whose width is not a multiple of 8, pixel by pixel:
// the byte-wise frame would put its right edge on the wrong bits of the
// right-aligned last byte of each row.
void DrawBorderPartialWidth(uint8_t colorMode, uint8_t color, int32_t border, int32_t width, int32_t height,
                            uint8_t* data, size_t size) {
  const bool twoPlanes = IsTwoPlane(colorMode);
  const int planes = twoPlanes ? 2 : 1;
  const size_t rowBytes = PlaneRowBytes(width);
  if (static_cast<size_t>(height) * static_cast<size_t>(planes) * rowBytes > size || border <= 0) return;
  const uint8_t code = colorMode == 3 ? ExchangeRedGreen(color) : color;
  const bool lit[2] = {twoPlanes ? LightsRed(code) : code != 0, LightsGreen(code)};
  const int32_t tail = width % 8;
  for (int32_t row = 0; row < height; ++row) {
    const bool wholeRow = row < border || row >= height - border;
    for (int plane = 0; plane < planes; ++plane) {
      uint8_t* bytes = data + (static_cast<size_t>(row) * planes + static_cast<size_t>(plane)) * rowBytes;
      for (int32_t x = 0; x < width; ++x) {
        if (!wholeRow && x >= border && x < width - border) continue;
        const size_t byte = static_cast<size_t>(x / 8);
        const int bit = (byte + 1 == rowBytes && tail != 0) ? (tail - 1) - (x % 8) : 7 - (x % 8);
        if (lit[plane]) {
          bytes[byte] = static_cast<uint8_t>(bytes[byte] | (1u << bit));
        } else {
          bytes[byte] = static_cast<uint8_t>(bytes[byte] & ~(1u << bit));
        }
      }
    }
  }
}

}  // namespace

std::optional<size_t> FinishMaskPage(const MaskPageStyle& style, int32_t width, int32_t height, uint8_t* data,
                                     size_t maskBytes, size_t capacity) {
  const bool twoPlanes = IsTwoPlane(style.ColorMode);
  const size_t finalBytes = twoPlanes ? 2 * maskBytes : maskBytes;
  if (finalBytes > capacity || maskBytes != PageDataSize(width, height, 1)) return std::nullopt;
  if (style.Rotate && ((width % 8) != 0 || (height % 8) != 0)) return std::nullopt;
  // The byte-wise operations take whole bytes per row.
  const int32_t byteWidth = static_cast<int32_t>(PlaneRowBytes(width) * 8);
  if (twoPlanes) {
    ColorizeMask(style.ColorMode, style.TextColor, style.BackColor, byteWidth, height, data, finalBytes);
  } else {
    ApplyMonoColors(style.TextColor, style.BackColor, byteWidth, height, data, finalBytes);
  }
  if (style.FrameWidth > 0 && style.FrameColor != 0) {
    if (width % 8 == 0) {
      DrawBorder(style.ColorMode, style.FrameColor, style.FrameWidth, width, height, data, finalBytes);
    } else {
      DrawBorderPartialWidth(style.ColorMode, style.FrameColor, style.FrameWidth, width, height, data, finalBytes);
    }
  }
  ClearRowPadding(width, height, twoPlanes ? 2 : 1, data, finalBytes);
  if (style.Rotate && !RotatePage(style.ColorMode, width, height, data, finalBytes)) return std::nullopt;
  return finalBytes;
}

std::optional<std::vector<uint8_t>> MakeCardTextRecord(const uint8_t (&head)[11], const FontSpec& font,
                                                       std::string_view ansiText) {
  if (ansiText.size() > kMaxCardTextBytes) return std::nullopt;
  std::vector<uint8_t> record(17 + ansiText.size());
  for (size_t i = 0; i < 11; ++i) record[i] = head[i];
  const uint32_t length = static_cast<uint32_t>(ansiText.size() + 4);
  record[11] = static_cast<uint8_t>(length >> 8);
  record[12] = static_cast<uint8_t>(length);
  const std::array<uint8_t, 4> descriptor = MakeFontDescriptor(font);
  for (size_t i = 0; i < 4; ++i) record[13 + i] = descriptor[i];
  for (size_t i = 0; i < ansiText.size(); ++i) record[17 + i] = static_cast<uint8_t>(ansiText[i]);
  return record;
}

}  // namespace vexilo
