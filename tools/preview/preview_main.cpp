// vexilo-preview: shows what a line of text looks like on an LED page.
//
//   vexilo-preview [options] TEXT OUT.png
//     --face NAME      face name as a host passes it (UTF-8 here; default 宋体)
//     --size N         cell height in pixels (default 16)
//     --avg N          average character width (default size div 2, 0: the face's own)
//     --bold --italic --underline
//     --width W --height H   page size (default: the text's size)
//     --mode M         colour mode 0 to 3 (default 2)
//     --colour C       text colour code 1 red, 2 green, 3 yellow (default 1)
//     --scale S        image pixels per LED (default 8)
//     --info           print the font's metrics and the face of every character
//
// The text is drawn as the text renderer draws it (black on a white page, the cell's
// top-left at the margin), encoded with EncodePage, coloured with
// ColorizeMask or ApplyMonoColors, and written with WritePagePng.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/PagePngUnit.h"

namespace {

std::u16string FromUtf8(const std::string& s) { return vexilo::Utf8ToUtf16(s); }

int Usage() {
  std::fprintf(stderr,
               "usage: vexilo-preview [--face NAME] [--size N] [--avg N] [--bold] [--italic] [--underline]\n"
               "                      [--width W] [--height H] [--mode M] [--colour C] [--scale S] [--info]\n"
               "                      TEXT OUT.png\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vexilo;
  std::string face = "宋体";
  int size = 16, avg = -1, width = 0, height = 0, mode = 2, colour = 1, scale = 8;
  bool bold = false, italic = false, underline = false, info = false;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    auto number = [&](int& out) {
      const char* v = value();
      if (!v) return false;
      out = std::atoi(v);
      return true;
    };
    if (a == "--face") {
      const char* v = value();
      if (!v) return Usage();
      face = v;
    } else if (a == "--size") {
      if (!number(size)) return Usage();
    } else if (a == "--avg") {
      if (!number(avg)) return Usage();
    } else if (a == "--width") {
      if (!number(width)) return Usage();
    } else if (a == "--height") {
      if (!number(height)) return Usage();
    } else if (a == "--mode") {
      if (!number(mode)) return Usage();
    } else if (a == "--colour" || a == "--color") {
      if (!number(colour)) return Usage();
    } else if (a == "--scale") {
      if (!number(scale)) return Usage();
    } else if (a == "--bold") {
      bold = true;
    } else if (a == "--italic") {
      italic = true;
    } else if (a == "--underline") {
      underline = true;
    } else if (a == "--info") {
      info = true;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return Usage();
    } else {
      rest.push_back(a);
    }
  }
  if (rest.size() != 2 || !ColorModeSupported(mode) || size == 0) return Usage();
  std::u16string text = FromUtf8(rest[0]);

  FontRequest request;
  request.Face = FromUtf8(face);
  request.Height = size;
  request.Width = avg < 0 ? size / 2 : avg;
  request.Weight = bold ? kFwBold : kFwNormal;
  request.Italic = italic;
  request.Underline = underline;
  FontPtr font = NewFont(request);
  TextSize extent = MeasureText(*font, text);
  if (width <= 0) width = std::max(8, (extent.Width + 7) / 8 * 8);
  if (height <= 0) height = std::max(1, extent.Height);

  if (info) {
    FontMetrics m = GetFontMetrics(*font);
    std::printf("font: %s (%s), cell %d = ascent %d + descent %d, average width %d%s%s%s\n", m.Family.c_str(),
                m.File.c_str(), m.Height, m.Ascent, m.Descent, m.AveCharWidth, m.CjkSizing ? ", CJK sizing" : "",
                m.SyntheticBold ? ", synthetic bold" : "", m.SyntheticItalic ? ", synthetic italic" : "");
    std::printf("text: %d x %d\n", extent.Width, extent.Height);
    for (char16_t c : text) {
      GlyphInfo g = DescribeGlyph(*font, c);
      std::printf("  U+%04X advance %2d %s%s%s\n", static_cast<unsigned>(c), g.Advance, g.Family.c_str(),
                  g.FromStrike ? " (bitmap strike)" : "", g.Found ? (g.Fallback ? " (fallback)" : "") : " (missing)");
    }
  }

  RasterPtr page = NewPageBitmap(width, height);
  if (!page) return Usage();
  DrawString(*page, *font, 0, (height - extent.Height) / 2, text);
  int planes = PlaneCount(mode);
  std::vector<uint8_t> data(PageDataSize(width, height, 2));
  size_t n = EncodePage(page.get(), data.data(), data.size());
  if (n == 0) return 1;
  if (planes == 2) {
    ColorizeMask(mode, static_cast<uint8_t>(colour), kColorCodeBlack, width, height, data.data(), data.size());
  } else {
    ApplyMonoColors(static_cast<uint8_t>(colour), kColorCodeBlack, width, height, data.data(), data.size());
  }
  LedPngStyle style;
  style.Scale = scale;
  style.Gaps = scale >= 3;
  if (!WritePagePng(rest[1], data.data(), data.size(), width, height, planes, style)) {
    std::fprintf(stderr, "vexilo-preview: cannot write %s\n", rest[1].c_str());
    return 1;
  }
  return 0;
}
