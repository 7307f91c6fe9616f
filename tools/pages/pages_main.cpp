// vexilo-pages: writes every page of a pack as a PNG picture of the LEDs.
//
//   vexilo-pages Swap.Dat OUTDIR [SCALE]
//
// Pages of page areas, single-line text areas and static text areas are
// drawn; one line per area is printed to standard output. Clocks and timers
// drawn by the library get three pictures: the static page, the same page
// with the fields the card fills marked in blue ("_slots"), and the glyph
// block of digits and weekday names ("_glyphs"); their slots are listed
// below the area's line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/HostFilesUnit.h"
#include "pack/PackReaderUnit.h"
#include "render/DrawingUnit.h"
#include "render/PagePngUnit.h"

using vexilo::AreaInfo;
using vexilo::PackInfo;

namespace {

int g_written = 0;

void WritePage(const std::string& dir, const std::string& name, const uint8_t* data, size_t size, const AreaInfo& area,
               int planes, int scale) {
  vexilo::LedPngStyle style;
  style.Scale = scale;
  style.Gaps = scale >= 3;
  std::string path = dir + "/" + name + ".png";
  if (vexilo::WritePagePng(path, data, size, area.Width, area.Height, planes, style)) {
    ++g_written;
  } else {
    std::fprintf(stderr, "vexilo-pages: could not write %s\n", path.c_str());
  }
}

// The glyph block's 17 cells (each its own run of rows) side by side in one
// strip: the ten digits, then the seven weekday names of double width.
std::vector<uint8_t> GlyphStrip(const vexilo::LiveFieldsInfo& live) {
  const size_t unit = static_cast<size_t>(live.CellStride()) / 8, rows = live.CellHeight;
  const size_t stripRow = 24 * unit;
  std::vector<uint8_t> strip(stripRow * rows, 0);
  size_t from = 0, column = 0;
  for (int cell = 0; cell < 17; ++cell) {
    const size_t width = cell < 10 ? unit : 2 * unit;
    for (size_t r = 0; r < rows; ++r) {
      for (size_t b = 0; b < width && from + r * width + b < live.Glyphs.size(); ++b) {
        strip[r * stripRow + column + b] = live.Glyphs[from + r * width + b];
      }
    }
    from += width * rows;
    column += width;
  }
  return strip;
}

// The page as an RGB raster: lit LEDs in their colour (red on one plane).
vexilo::RasterPtr PageRaster(const std::vector<uint8_t>& data, int width, int height, int planes) {
  vexilo::RasterPtr raster = vexilo::CreateRaster(width, height, vexilo::PixelKind::Rgb24);
  if (!raster) return raster;
  const size_t row = (static_cast<size_t>(width) + 7) / 8;
  auto lit = [&](int x, int y, int plane) {
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(planes) + static_cast<size_t>(plane)) * row +
                      static_cast<size_t>(x) / 8;
    return at < data.size() && ((data[at] >> (7 - x % 8)) & 1) != 0;
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool red = lit(x, y, 0), green = planes == 2 && lit(x, y, 1);
      vexilo::SetPixel(*raster, x, y, vexilo::MakeColorRef(red ? 255 : 0, green ? 255 : 0, 0));
    }
  }
  return raster;
}

// The clock's or timer's page with every shown field as a blue box: where
// the card draws the changing value, two cells wide and a cell high.
void WriteSlotsPicture(const std::string& path, const AreaInfo& area, int planes, int scale) {
  vexilo::RasterPtr raster = PageRaster(area.Live.Page, area.Width, area.Height, planes);
  if (!raster) return;
  const int cw = area.Live.CellWidth, ch = area.Live.CellHeight;
  for (const auto& slot : area.Live.Slots) {
    if (slot.X == 0xFFFF && slot.Y == 0xFFFF) continue;
    const int left = slot.X - cw, top = slot.Y, right = slot.X + cw - 1, bottom = slot.Y + ch - 1;
    for (int y = top; y <= bottom; ++y) {
      for (int x = left; x <= right; ++x) {
        const bool edge = x == left || x == right || y == top || y == bottom;
        if (edge || vexilo::GetPixel(*raster, x, y) == vexilo::kColorBlack) {
          vexilo::SetPixel(*raster, x, y, edge ? vexilo::MakeColorRef(0, 128, 255) : vexilo::MakeColorRef(0, 0, 96));
        }
      }
    }
  }
  if (vexilo::WriteRasterPng(path, *raster, scale)) {
    ++g_written;
  } else {
    std::fprintf(stderr, "vexilo-pages: could not write %s\n", path.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vexilo-pages PACK OUTDIR [SCALE]\n");
    return 2;
  }
  const std::string dir = argv[2];
  const int scale = argc > 3 ? std::max(1, std::min(16, std::atoi(argv[3]))) : 4;
  PackInfo pack;
  std::string error;
  if (!vexilo::ReadPack(vexilo::ReadWholeFile(argv[1]), pack, error)) {
    std::fprintf(stderr, "vexilo-pages: %s\n", error.c_str());
    return 1;
  }
  const int planes = pack.PlaneCount == 2 ? 2 : 1;
  for (const auto& program : pack.Programs) {
    for (const auto& area : program.Areas) {
      const size_t size = vexilo::PageBytes(area.Width, area.Height, planes);
      const std::string base = "p" + std::to_string(program.Number) + "_a" + std::to_string(area.Number);
      int pages = 0;
      if (area.Type == 2) {
        for (const auto& page : area.Pages) {
          WritePage(dir, base + "_page" + std::to_string(page.Number), page.Pixels.data(), page.Pixels.size(), area,
                    planes, scale);
          ++pages;
        }
      } else if (area.Type == 3 && size > 0) {
        for (size_t off = 6; off + size <= area.Body.size(); off += size) {
          WritePage(dir, base + "_page" + std::to_string(++pages), area.Body.data() + off, size, area, planes, scale);
        }
      } else if (area.Type == 4 && area.Body.size() >= 2 + size) {
        WritePage(dir, base + "_page1", area.Body.data() + 2, size, area, planes, scale);
        pages = 1;
      } else if (area.HasLiveFields && !area.Live.Page.empty()) {
        WritePage(dir, base + "_page1", area.Live.Page.data(), area.Live.Page.size(), area, planes, scale);
        WriteSlotsPicture(dir + "/" + base + "_slots.png", area, planes, scale);
        pages = 1;
      }
      if (area.HasLiveFields && area.Live.CellHeight > 0) {
        AreaInfo strip = area;
        strip.Width = static_cast<uint16_t>(24 * area.Live.CellStride());
        strip.Height = area.Live.CellHeight;
        const std::vector<uint8_t> glyphs = GlyphStrip(area.Live);
        WritePage(dir, base + "_glyphs", glyphs.data(), glyphs.size(), strip, 1, scale);
      }
      std::printf("program %u area %u: type 0x%02X at (%u,%u) %ux%u, %u bytes, %d page(s) drawn\n", program.Number,
                  area.Number, area.Type, area.X, area.Y, area.Width, area.Height, area.Length, pages);
      if (area.HasLiveFields) {
        std::printf("  fields of %u x %u pixels centred at", 2 * area.Live.CellWidth, area.Live.CellHeight);
        for (const auto& slot : area.Live.Slots) {
          if (slot.X == 0xFFFF && slot.Y == 0xFFFF) {
            std::printf(" (not shown)");
          } else {
            std::printf(" (%u,%u)", slot.X, slot.Y);
          }
        }
        std::printf("\n");
      }
    }
  }
  std::printf("%d picture(s) in %s\n", g_written, dir.c_str());
  return 0;
}
