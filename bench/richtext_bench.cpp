// Rich text: a 40-page mixed Chinese and Latin document in a 128 x 32 area.
// The time to count its pages and draw every one of them (Slice), or to
// draw every page from the stored positions (Flow), against the time of one
// layout of the whole document; and the same pages laid out afresh for
// every candidate height and every page, as a document without kept lines
// does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lang/CodePageUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/RichTextPageUnit.h"
#include "render/RtfReaderUnit.h"

namespace {

constexpr int kWidth = 128, kHeight = 32, kMode = 2;

std::string GbkEscaped(const std::string& utf8) {
  std::string out;
  char buf[8];
  for (unsigned char b : vexilo::Utf8ToGbk(utf8)) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      std::snprintf(buf, sizeof buf, "\\'%02x", b);
      out += buf;
    }
  }
  return out;
}

// Paragraphs as a rich-edit control writes them: two fonts, three colours,
// two sizes, three alignments.
std::string MixedRtf(int paragraphs) {
  std::string s =
      "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 " + GbkEscaped("宋体") +
      ";}{\\f1\\fswiss\\fcharset0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green255\\blue0;"
      "\\red255\\green255\\blue0;}\\viewkind4\\uc1 ";
  const char* aligns[] = {"\\ql", "\\qc", "\\qr"};
  for (int i = 0; i < paragraphs; ++i) {
    s += "\\pard" + std::string(aligns[i % 3]) + "\\cf" + std::to_string(1 + i % 3) + "\\f0\\fs" +
         std::to_string(i % 2 ? 18 : 24) + " " + GbkEscaped("欢迎光临本店今日特价第") + std::to_string(i) +
         GbkEscaped("段") + "\\cf" + std::to_string(1 + (i + 1) % 3) + "\\f1 Latin words " + std::to_string(i) +
         "\\par\n";
  }
  return s + "}";
}

int32_t SlicePages(vexilo::RichTextDocument& doc) {
  std::vector<uint8_t> out(vexilo::PageDataSize(kWidth, kHeight, 2));
  int32_t count = 0;
  vexilo::RenderRichTextSlice(kMode, doc, 0, kWidth, kHeight, 0, count, out.data(), out.size(), 0);
  return count;
}

// The document, with as many paragraphs as fill 40 slices.
const vexilo::RichTextDocument& Document() {
  static vexilo::RichTextDocument doc = [] {
    vexilo::RichTextDocument d;
    for (int paragraphs = 8;; paragraphs += 1) {
      vexilo::ReadRtf(MixedRtf(paragraphs), d);
      if (SlicePages(d) >= 40) break;
    }
    vexilo::DropRichLayout(d);
    return d;
  }();
  return doc;
}

vexilo::RichTextDocument Fresh(bool keep) {
  vexilo::RichTextDocument d = Document();  // a copy starts without kept lines
  d.KeepLayout = keep;
  return d;
}

// One layout of the whole document in the area's width.
void BM_RichTextOneLayout(benchmark::State& state) {
  const int32_t n = vexilo::RichTextLength(Document());
  for (auto _ : state) {
    vexilo::RichTextDocument d = Fresh(false);
    const int32_t r = vexilo::FormatRichTextRange(d, 0, {0, 0, vexilo::PixelsToTwips(kWidth, 96), int64_t{1} << 40},
                                                  nullptr);
    if (r != n) state.SkipWithError("the document did not fit");
  }
  state.counters["chars"] = n;
}
BENCHMARK(BM_RichTextOneLayout)->Unit(benchmark::kMicrosecond);

// One layout of the whole document drawn onto one raster as tall as its 40
// pages: every line broken and every glyph drawn once.
void BM_RichTextOneLayoutDrawn(benchmark::State& state) {
  const int32_t n = vexilo::RichTextLength(Document());
  for (auto _ : state) {
    vexilo::RichTextDocument d = Fresh(false);
    vexilo::RasterPtr column = vexilo::NewPageBitmapFor(kMode, kWidth, 40 * kHeight);
    const int32_t r = vexilo::FormatRichTextRange(
        d, 0, {0, 0, vexilo::PixelsToTwips(kWidth, 96), vexilo::PixelsToTwips(40 * kHeight, 96)}, column.get());
    if (r != n) state.SkipWithError("the document did not fit");
    benchmark::DoNotOptimize(column->Pixels.data());
  }
}
BENCHMARK(BM_RichTextOneLayoutDrawn)->Unit(benchmark::kMicrosecond);

// Counting the pages and drawing all of them (arg: 1 kept lines, 0 afresh).
void BM_RichTextSliceAllPages(benchmark::State& state) {
  std::vector<uint8_t> out(vexilo::PageDataSize(kWidth, kHeight, 2));
  int32_t pages = 0;
  for (auto _ : state) {
    vexilo::RichTextDocument d = Fresh(state.range(0) != 0);
    int32_t count = 0;
    pages = 0;
    while (vexilo::RenderRichTextSlice(kMode, d, pages, kWidth, kHeight, 0, count, out.data(), out.size(), 0) > 0) {
      ++pages;
    }
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_RichTextSliceAllPages)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Every page through the stored position (arg: 1 kept lines, 0 afresh).
void BM_RichTextFlowAllPages(benchmark::State& state) {
  std::vector<uint8_t> out(vexilo::PageDataSize(kWidth, kHeight, 2));
  int32_t pages = 0;
  for (auto _ : state) {
    vexilo::RichTextDocument d = Fresh(state.range(0) != 0);
    int32_t position = 0;
    pages = 0;
    while (vexilo::RenderRichTextFlow(kMode, d, pages, kWidth, kHeight, 0, position, out.data(), out.size(), 0) > 0) {
      ++pages;
    }
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_RichTextFlowAllPages)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
