// Benchmarks of the pixel data operations and of text drawing (issue 3).
#include <benchmark/benchmark.h>

#include <vector>

#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {
namespace {

const char16_t Line[] = u"欢迎光临显示屏测试中文字符永国一中鬱汉字排版宋体";  // 20 characters and a few more

RasterPtr TextPage(int colorMode) {
  RasterPtr page = NewPageBitmap(256, 64);
  FontPtr font = NewFont(FontRequest{u"宋体", 16, 8});
  for (int y = 0; y < 64; y += 16) DrawString(*page, *font, 0, y, Line);
  if (IsTwoPlane(colorMode)) ConvertRaster(*page, PixelKind::Rgb565);
  return page;
}

void BM_EncodePage8(benchmark::State& state) {
  RasterPtr page = TextPage(1);
  std::vector<uint8_t> out(PageDataSize(256, 64, 1));
  for (auto _ : state) benchmark::DoNotOptimize(EncodePage(page.get(), out.data(), out.size()));
}
BENCHMARK(BM_EncodePage8);

void BM_EncodePage16(benchmark::State& state) {
  RasterPtr page = TextPage(2);
  std::vector<uint8_t> out(PageDataSize(256, 64, 2));
  for (auto _ : state) benchmark::DoNotOptimize(EncodePage(page.get(), out.data(), out.size()));
}
BENCHMARK(BM_EncodePage16);

void BM_RotatePageTwoPlanes(benchmark::State& state) {
  std::vector<uint8_t> data(PageDataSize(256, 64, 2));
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37);
  for (auto _ : state) {
    RotatePage(2, 256, 64, data.data(), data.size());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RotatePageTwoPlanes);

// One line of 20 CJK characters at 16 px, as one string (the continuous line).
void BM_DrawLine20Cjk16(benchmark::State& state) {
  FontPtr font = NewFont(FontRequest{u"宋体", 16, 8});
  RasterPtr page = NewPageBitmap(320, 16);
  std::u16string_view text(Line, 20);
  for (auto _ : state) benchmark::DoNotOptimize(DrawString(*page, *font, 0, 0, text));
}
BENCHMARK(BM_DrawLine20Cjk16);

// The same line as the text line layouts do it: measure and draw one
// code unit at a time.
void BM_DrawLine20Cjk16ByCharacter(benchmark::State& state) {
  FontPtr font = NewFont(FontRequest{u"宋体", 16, 8});
  RasterPtr page = NewPageBitmap(320, 16);
  for (auto _ : state) {
    int x = 0;
    for (int i = 0; i < 20; ++i) {
      std::u16string_view one(Line + i, 1);
      x += MeasureText(*font, one).Width;
      DrawString(*page, *font, x, 0, one);
    }
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_DrawLine20Cjk16ByCharacter);

// The same at 24 px, drawn from outlines rather than the strike (cached after
// the first pass either way).
void BM_DrawLine20Cjk24(benchmark::State& state) {
  FontPtr font = NewFont(FontRequest{u"黑体", 24, 12});
  RasterPtr page = NewPageBitmap(480, 24);
  std::u16string_view text(Line, 20);
  for (auto _ : state) benchmark::DoNotOptimize(DrawString(*page, *font, 0, 0, text));
}
BENCHMARK(BM_DrawLine20Cjk24);

// Creating a font once its face and size are known (every render call does).
void BM_NewFontCached(benchmark::State& state) {
  FontPtr first = NewFont(FontRequest{u"宋体", 16, 8});
  for (auto _ : state) benchmark::DoNotOptimize(NewFont(FontRequest{u"宋体", 16, 8}));
}
BENCHMARK(BM_NewFontCached);

}  // namespace
}  // namespace vexilo

BENCHMARK_MAIN();
