#include "items/ItemPagesUnit.h"

#include "base/ByteOrderUnit.h"
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
    DrawBorder(style.ColorMode, style.FrameColor, style.FrameWidth, width, height, data, finalBytes);
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
  PutBe16(&record[11], static_cast<uint32_t>(ansiText.size() + 4));
  const std::array<uint8_t, 4> descriptor = MakeFontDescriptor(font);
  for (size_t i = 0; i < 4; ++i) record[13 + i] = descriptor[i];
  for (size_t i = 0; i < ansiText.size(); ++i) record[17 + i] = static_cast<uint8_t>(ansiText[i]);
  return record;
}

}  // namespace vexilo
