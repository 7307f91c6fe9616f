// Fuzzes the operations on encoded pages and the raster operations of the
// drawing services with arbitrary sizes and positions: every buffer is
// allocated at exactly the size the operation is told, so that AddressSanitizer
// sees any read or write outside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"

namespace {

struct Input {
  const uint8_t* Data;
  size_t Size;
  size_t Pos = 0;
  uint32_t Take(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | (Pos < Size ? Data[Pos++] : 0);
    return v;
  }
  int Signed16() { return static_cast<int16_t>(Take(2)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexilo;
  Input in{data, size};
  int op = static_cast<int>(in.Take(1) % 8);
  int mode = static_cast<int>(in.Take(1) % 6) - 1;
  uint8_t fg = static_cast<uint8_t>(in.Take(1) % 5), bg = static_cast<uint8_t>(in.Take(1) % 5);
  int width = in.Signed16() % 300, height = in.Signed16() % 300;
  size_t bufferSize = in.Take(2) % 4096;
  std::vector<uint8_t> buffer(bufferSize);
  for (size_t i = 0; i < bufferSize; ++i) buffer[i] = static_cast<uint8_t>(in.Take(1));
  uint8_t* p = bufferSize ? buffer.data() : nullptr;
  switch (op) {
    case 0:
      ColorizeMask(mode, fg, bg, width, height, p, bufferSize);
      break;
    case 1:
      ApplyMonoColors(fg, bg, width, height, p, bufferSize);
      break;
    case 2:
      DrawBorder(mode, fg, in.Signed16(), width, height, p, bufferSize);
      break;
    case 3:
      RotatePage(mode, width, height, p, bufferSize);
      break;
    case 4: {
      RasterPtr page = NewPageBitmapFor(mode, width % 64, height % 64);
      if (page) EncodePage(page.get(), p, bufferSize);
      break;
    }
    case 5:
    case 6: {
      RasterPtr src = CreateRaster(1 + std::abs(width) % 40, 1 + std::abs(height) % 40, PixelKind::Rgb24);
      RasterPtr dst = CreateRaster(1 + fg * 7, 1 + bg * 5, static_cast<PixelKind>(in.Take(1) % 3));
      int a = in.Signed16(), b = in.Signed16(), c = in.Signed16(), d = in.Signed16();
      int e = in.Signed16(), f = in.Signed16(), g = in.Signed16(), h = in.Signed16();
      if (op == 5) {
        CopyRect(*src, a, b, c, d, *dst, e, f);
      } else {
        StretchRect(*src, a, b, c % 500, d % 500, *dst, e, f, g % 500, h % 500);
      }
      break;
    }
    case 7: {
      RasterPtr dst = CreateRaster(1 + fg * 9, 1 + bg * 7, PixelKind::Palette8);
      Canvas canvas;
      canvas.Target = dst.get();
      CanvasMoveTo(canvas, in.Signed16() * 1000, in.Signed16());
      CanvasLineTo(canvas, in.Signed16(), in.Signed16() * 1000);
      FillRect(*dst, Rect{in.Signed16(), in.Signed16(), in.Signed16(), in.Signed16()}, kColorBlack);
      break;
    }
  }
  uint8_t spans[14] = {};
  std::memcpy(spans, data, size < sizeof spans ? size : sizeof spans);
  SwapAreaAxes(std::span<uint8_t, 14>(spans));
  RotateEffectCode(static_cast<int>(in.Take(1)));
  return 0;
}
