// vexilo-pages: writes every page of a pack as a PNG picture of the LEDs.
//
//   vexilo-pages Swap.Dat OUTDIR [SCALE]
//
// Pages of page areas, single-line text areas and static text areas are
// drawn; one line per area is printed to standard output.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/HostFilesUnit.h"
#include "pack/PackReaderUnit.h"
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
      }
      std::printf("program %u area %u: type 0x%02X at (%u,%u) %ux%u, %u bytes, %d page(s) drawn\n", program.Number,
                  area.Number, area.Type, area.X, area.Y, area.Width, area.Height, area.Length, pages);
    }
  }
  std::printf("%d picture(s) in %s\n", g_written, dir.c_str());
  return 0;
}
