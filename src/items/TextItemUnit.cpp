#include "items/TextItemUnit.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "frame/ScreenConfigUnit.h"
#include "lang/CodePageUnit.h"
#include "items/ItemPagesUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/TextPageUnit.h"

namespace vexilo {
namespace {

// Single-line text shows at most this many pages, like every page call.
constexpr int32_t kMaxPagesPerCall = 255;

uint8_t ColorMode() { return ScreenConfig().CurrentScreenConfig.Color; }

// The margin of single-line and static text: the frame's inset when a frame
// is drawn, else none.
int32_t DrawnFrameMargin(int32_t frameWidth, uint8_t frameColor) {
  return frameColor != 0 ? FrameInset(frameWidth) : 0;
}

// Writes the card-font record of a text and ends the area.
bool WriteCardText(const uint8_t (&head)[11], const FontSpec& font, std::string_view text) {
  std::optional<std::vector<uint8_t>> record = MakeCardTextRecord(head, font, text);
  if (!record) return false;
  return PackAppend(record->data(), record->size()) && EndArea(static_cast<uint32_t>(14 + record->size()));
}

// The text of an item in its area; the caller sets the page form.
TextPageRequest RequestFor(std::u16string_view text, int32_t width, int32_t height, int32_t margin,
                           const FontSpec& font) {
  TextPageRequest request;
  request.Text = text;
  request.Width = width;
  request.Height = height;
  request.Margin = margin;
  request.Font = font;
  return request;
}

MaskPageStyle StyleOf(uint8_t textColor, uint8_t backColor, uint8_t frameColor, int32_t frameWidth, bool rotate) {
  MaskPageStyle style;
  style.ColorMode = ColorMode();
  style.TextColor = textColor;
  style.BackColor = backColor;
  style.FrameColor = frameColor;
  style.FrameWidth = frameWidth;
  style.Rotate = rotate;
  return style;
}

}  // namespace

int32_t AddSingleText(const TSingleTextParam* r) {
  if (r == nullptr || !ItemMayStart()) return -1;
  const std::string_view text = HostText(r->Text);
  size_t first = 0, last = text.size();
  while (first < last && static_cast<uint8_t>(text[first]) <= 32) ++first;
  while (last > first && static_cast<uint8_t>(text[last - 1]) <= 32) --last;
  if (first == last) return -1;

  const FontSpec font = r->Font;
  const bool fontForm = r->FontForm != 0;
  const bool rotated = Pack().RotatedLayout != 0;
  const int32_t effect = MapEffectCode(r->Effect);
  if (fontForm) {
    // Checked before the area begins: a text too long for its record.
    if (text.size() > kMaxCardTextBytes) return -1;
    if (!BeginArea(0x21, r->AreaX, r->AreaY, r->AreaWidth, r->AreaHeight, false)) return -1;
    const uint8_t mode = (effect == 7 && r->StayTime == 0) ? 1 : 0;
    const uint8_t align = mode == 1 ? 1 : (font.Centered != 0 ? 3 : 4);
    const uint8_t head[11] = {0, 0, static_cast<uint8_t>(effect), static_cast<uint8_t>(r->Speed),
                              static_cast<uint8_t>(r->StayTime), static_cast<uint8_t>(r->PageOption), mode, align, 3,
                              0, 0};
    return WriteCardText(head, font, text) ? 0 : -1;
  }

  // An area too large for any page is refused before anything is allocated or written.
  if (PageExceedsRasterLimits(r->AreaWidth, r->AreaHeight)) return -1;
  if (!BeginArea(3, r->AreaX, r->AreaY, r->AreaWidth, r->AreaHeight, rotated)) return -1;
  const int32_t e = rotated ? RotateEffectCode(effect) : effect;
  uint8_t setHeader[6] = {0, static_cast<uint8_t>(e), static_cast<uint8_t>(r->Speed),
                          static_cast<uint8_t>(r->StayTime), r->BackColor, static_cast<uint8_t>(r->PageOption)};
  const int32_t setHeaderPos = Pack().PackLength;
  if (!PackAppend(setHeader, sizeof setHeader)) return -1;
  const bool wrap = !(setHeader[1] == 7 && setHeader[3] == 0);

  uint8_t* work = WorkBuffer();
  if (work == nullptr) return -1;
  const std::u16string text16 = AnsiToUtf16(text);
  const int32_t width = r->AreaWidth, height = r->AreaHeight;
  const int32_t margin = DrawnFrameMargin(r->FrameWidth, r->FrameColor);
  TextLayoutCache cache;
  TextPageRequest request = RequestFor(text16, width, height, margin, font);
  request.SingleLinePages = true;
  request.Wrap = wrap;
  request.VerticalOffset = r->OffsetY;
  request.Cache = &cache;

  // Effect 8 shows the pages last to first: count them first.
  int32_t pageCount = -1;
  if (r->Effect == 8) {
    pageCount = 0;
    while (pageCount < kMaxPagesPerCall) {
      const TextPageStatus status = ProbeTextPage(request, pageCount);
      if (status == TextPageStatus::CannotDraw) return -1;
      if (status == TextPageStatus::NoPage) break;
      ++pageCount;
    }
  }
  const MaskPageStyle style = StyleOf(font.TextColor, r->BackColor, r->FrameColor, r->FrameWidth, rotated);
  uint32_t pages = 0;
  uint32_t bytes = 0;
  for (int32_t i = 0; i < kMaxPagesPerCall; ++i) {
    int32_t page = pageCount >= 0 ? pageCount - 1 - i : i;
    if (page < 0) break;
    TextPageStatus status = TextPageStatus::NoPage;
    size_t s = RenderTextPage(request, page, work, kWorkBufferSize, &status);
    if (status == TextPageStatus::CannotDraw) return -1;
    if (s == 0) break;
    std::optional<size_t> finished = FinishMaskPage(style, width, height, work, s, kWorkBufferSize);
    if (!finished || !PackAppend(work, *finished)) return -1;
    ++pages;
    bytes += static_cast<uint32_t>(*finished);
  }
  setHeader[0] = static_cast<uint8_t>(pages);
  if (!PackWriteAt(setHeaderPos, setHeader, sizeof setHeader)) return -1;
  return EndArea(20 + bytes) ? 0 : -1;
}

int32_t AddStaticText(const TStaticTextParam* r) {
  if (r == nullptr || !ItemMayStart()) return -1;
  const std::string_view text = HostText(r->Text);
  const FontSpec font = r->Font;
  const bool rotated = Pack().RotatedLayout != 0;
  if (r->FontForm != 0) {
    if (text.size() > kMaxCardTextBytes) return -1;
    if (!BeginArea(0x21, r->AreaX, r->AreaY, r->AreaWidth, r->AreaHeight, false)) return -1;
    const uint8_t head[11] = {0, 0, 0, 0, 0, 0, 2, static_cast<uint8_t>(font.Centered != 0 ? 3 : 4), 4, 0, 0};
    return WriteCardText(head, font, text) ? 0 : -1;
  }

  const int32_t width = r->AreaWidth, height = r->AreaHeight;
  if (PageExceedsRasterLimits(width, height)) return -1;
  uint8_t* work = WorkBuffer();
  if (work == nullptr) return -1;
  const std::u16string text16 = AnsiToUtf16(text);
  // Rendered before the area begins: a text that gives no page fails with the
  // pack untouched.
  TextPageRequest request =
      RequestFor(text16, width, height, DrawnFrameMargin(r->FrameWidth, r->FrameColor), font);
  request.NarrowItalics = true;
  size_t s = RenderTextPage(request, -1, work + 2, kWorkBufferSize - 2);
  if (s == 0) return -1;
  std::optional<size_t> finished =
      FinishMaskPage(StyleOf(font.TextColor, r->BackColor, r->FrameColor, r->FrameWidth, rotated), width, height,
                     work + 2, s, kWorkBufferSize - 2);
  if (!finished) return -1;
  work[0] = r->BackColor;
  work[1] = 0;
  if (!BeginArea(4, r->AreaX, r->AreaY, width, height, rotated)) return -1;
  if (!PackAppend(work, 2 + *finished)) return -1;
  return EndArea(static_cast<uint32_t>(16 + *finished)) ? 0 : -1;
}

int32_t AddText(const TTextParam* r) {
  if (r == nullptr || !ItemMayStart()) return -1;
  const int32_t width = r->AreaWidth, height = r->AreaHeight;
  // Checked before anything is allocated: the page sizes below are bounded by it.
  if (PageExceedsRasterLimits(width, height)) return -1;
  uint8_t* work = WorkBuffer();
  if (work == nullptr) return -1;
  const FontSpec font = r->Font;
  const int32_t inset = FrameInset(r->FrameWidth);
  const std::u16string text16 = AnsiToUtf16(HostText(r->Text));
  const MaskPageStyle style = StyleOf(font.TextColor, r->BackColor, r->FrameColor, inset, false);

  // The pages are kept one after another in WorkBuffer until all are drawn.
  const size_t maskBytes = PageDataSize(width, height, 1);
  const size_t finalBytes = IsTwoPlane(ColorMode()) ? 2 * maskBytes : maskBytes;
  size_t used = 0;
  uint32_t pages = 0;
  TextLayoutCache cache;
  TextPageRequest request = RequestFor(text16, width, height, inset, font);
  request.NarrowItalics = true;
  request.Cache = &cache;
  for (int32_t k = 0; k < kMaxPagesPerCall; ++k) {
    if (kWorkBufferSize - used < finalBytes) {
      // No room for another page: a text that has one is refused, not cut short.
      if (ProbeTextPage(request, k) != TextPageStatus::NoPage) return -1;
      break;
    }
    TextPageStatus status = TextPageStatus::NoPage;
    size_t s = RenderTextPage(request, k, work + used, kWorkBufferSize - used, &status);
    if (status == TextPageStatus::CannotDraw) return -1;
    if (s == 0) break;
    std::optional<size_t> finished = FinishMaskPage(style, width, height, work + used, s, kWorkBufferSize - used);
    if (!finished) return -1;
    used += *finished;
    ++pages;
  }
  std::optional<int32_t> h = OpenPageArea(r->AreaX, r->AreaY, width, height);
  if (!h) return -1;
  const PageHeaderBytes bytes{static_cast<uint8_t>(MapEffectCode(r->Effect)), static_cast<uint8_t>(r->Speed),
                              static_cast<uint8_t>(r->StayTime), static_cast<uint8_t>(r->PageOption)};
  return AppendPageGroup(*h, bytes, pages, work, finalBytes) ? 0 : -1;
}

}  // namespace vexilo
