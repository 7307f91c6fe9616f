// Benchmarks of picture file decoding (issue 11): a 1024 x 768 picture as
// PNG, JPEG and BMP files, written here into a temporary folder (PNG by
// libpng, JPEG by libjpeg-turbo at quality 90, BMP by the test writer) and
// loaded by name; and the same bitmap decoded from memory, as list entries
// hand it over.
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "PictureWriters.h"
#include "picture/PictureFileUnit.h"

namespace vexilo {
namespace {

constexpr int kWidth = 1024, kHeight = 768;

// A photo-like picture: smooth gradients with some hard edges, as RGB rows.
std::vector<uint8_t> PictureRgb() {
  std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = rgb.data() + (static_cast<size_t>(y) * kWidth + x) * 3;
      p[0] = static_cast<uint8_t>(x / 4);
      p[1] = static_cast<uint8_t>(y / 3);
      p[2] = static_cast<uint8_t>(((x / 64 + y / 48) % 2) ? 200 : (x + y) / 8);
    }
  }
  return rgb;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kHeight; ++y) png_write_row(png, rgb.data() + static_cast<size_t>(y) * kWidth * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool WriteJpeg(const std::string& path, const std::vector<uint8_t>& rgb) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rgb.data()) + static_cast<size_t>(info.next_scanline) * kWidth * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(f) == 0;
}

std::vector<uint8_t> Bmp(const std::vector<uint8_t>& rgb) {
  std::vector<uint32_t> values(static_cast<size_t>(kWidth) * kHeight);
  for (size_t i = 0; i < values.size(); ++i) {
    values[i] = (uint32_t{rgb[3 * i]} << 16) | (uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  }
  return testing::WriteBmp24(kWidth, kHeight, values);
}

// The three files, written once.
struct Pictures {
  std::string Folder, Png, Jpeg, Bmp;
  std::vector<uint8_t> BmpBytes;
  Pictures() {
    char tmpl[] = "/tmp/vexilo-picture-bench-XXXXXX";
    Folder = mkdtemp(tmpl) ? tmpl : "";
    std::vector<uint8_t> rgb = PictureRgb();
    Png = Folder + "/picture.png";
    Jpeg = Folder + "/picture.jpg";
    Bmp = Folder + "/picture.bmp";
    BmpBytes = vexilo::Bmp(rgb);
    if (Folder.empty() || !WritePng(Png, rgb) || !WriteJpeg(Jpeg, rgb) || !testing::WriteBytesToFile(Bmp, BmpBytes)) {
      std::fprintf(stderr, "cannot write the benchmark pictures\n");
      std::exit(1);
    }
  }
  ~Pictures() { std::filesystem::remove_all(Folder); }
};

const Pictures& Files() {
  static Pictures pictures;
  return pictures;
}

void LoadFile(benchmark::State& state, const std::string& path) {
  std::string error;
  for (auto _ : state) {
    RasterPtr raster = LoadPictureFile(path, error);
    if (!raster) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(raster->Pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void BM_LoadPng1024x768(benchmark::State& state) { LoadFile(state, Files().Png); }
BENCHMARK(BM_LoadPng1024x768)->Unit(benchmark::kMillisecond);

void BM_LoadJpeg1024x768(benchmark::State& state) { LoadFile(state, Files().Jpeg); }
BENCHMARK(BM_LoadJpeg1024x768)->Unit(benchmark::kMillisecond);

void BM_LoadBmp1024x768(benchmark::State& state) { LoadFile(state, Files().Bmp); }
BENCHMARK(BM_LoadBmp1024x768)->Unit(benchmark::kMillisecond);

void BM_DecodeBmpInMemory1024x768(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = Files().BmpBytes;
  std::string error;
  for (auto _ : state) {
    RasterPtr raster = DecodeBmp(bytes.data(), bytes.size(), error);
    benchmark::DoNotOptimize(raster.get());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DecodeBmpInMemory1024x768)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexilo

BENCHMARK_MAIN();
