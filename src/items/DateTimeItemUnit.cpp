#include "items/DateTimeItemUnit.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/ScreenConfigUnit.h"
#include "items/ItemPagesUnit.h"
#include "items/LiveAreaUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/ClockGlyphUnit.h"
#include "render/ClockPageUnit.h"

namespace vexilo {
namespace {

ClockOptions OptionsOf(const TDateTimeParam& r) {
  ClockOptions o;
  o.DateStyle = r.DateStyle;
  o.TwoDigitYear = r.TwoDigitYear;
  o.SingleLine = r.SingleLine;
  o.ShowYear = r.ShowYear;
  o.ShowMonth = r.ShowMonth;
  o.ShowDay = r.ShowDay;
  o.ShowWeekday = r.ShowWeekday;
  o.ShowHour = r.ShowHour;
  o.ShowMinute = r.ShowMinute;
  o.ShowSecond = r.ShowSecond;
  return o;
}

// Font form: the card draws the clock from format codes, its font and the title.
int32_t AddCardClock(const TDateTimeParam& r, uint8_t mask) {
  const std::string_view title = HostText(r.Text);
  std::vector<uint8_t> body(9 + title.size());
  body[0] = mask;
  body[1] = static_cast<uint8_t>(r.DateStyle + (r.TwoDigitYear == 0 ? 3 : 0) + (r.SingleLine == 0 ? 16 : 0));
  body[2] = static_cast<uint8_t>(r.CardOption1 + 8 * r.CardOption2);
  const std::array<uint8_t, 4> descriptor = MakeFontDescriptor(r.Font);
  body[5] = descriptor[1];
  body[6] = descriptor[2];
  body[7] = descriptor[3];
  body[8] = static_cast<uint8_t>(title.size());  // a longer title keeps all its bytes
  for (size_t i = 0; i < title.size(); ++i) body[9 + i] = static_cast<uint8_t>(title[i]);
  return WriteCardArea(0x22, r.AreaX, r.AreaY, r.AreaWidth, r.AreaHeight, body.data(), body.size()) ? 0 : -1;
}

}  // namespace

int32_t AddDateTime(const TDateTimeParam* param) {
  if (param == nullptr || !ItemMayStart()) return -1;
  const TDateTimeParam& r = *param;
  if (r.Font.TextColor == 0) return -1;
  const ClockOptions options = OptionsOf(r);
  // Checked before the area begins: a clock that shows nothing.
  const uint8_t mask = ClockElementMask(options);
  if (mask == 0) return -1;
  if (r.FontForm != 0) return AddCardClock(r, mask);

  const std::optional<LiveCells> cells = LiveCellsFor(r.Font);
  if (!cells || PageExceedsRasterLimits(r.AreaWidth, r.AreaHeight)) return -1;
  uint8_t* work = WorkBuffer();
  if (work == nullptr) return -1;
  const int m = ClockSlotCount(options);
  const size_t slotsAt = 3, pageAt = 4 + 4 * static_cast<size_t>(m);
  const std::span<uint8_t> slots(work + slotsAt, 4 * static_cast<size_t>(m));
  work[0] = mask;
  work[1] = cells->Width;
  work[2] = cells->Height;
  ClearSlots(slots);
  const uint8_t colorMode = ScreenConfig().CurrentScreenConfig.Color;
  work[3 + 4 * m] = static_cast<uint8_t>(PlaneCode(colorMode, r.Font.TextColor) + (r.CardOption1 == 0 ? 4 : 0));

  const int32_t width = r.AreaWidth, height = r.AreaHeight;
  size_t maskBytes = 0;
  if (width > 0 && height > 0) {
    const std::u16string title = AnsiToUtf16(HostText(r.Text));
    maskBytes = RenderClockPage(title, width, height, FrameInset(r.FrameWidth), r.Font, options, slots, cells->Width,
                                work + pageAt, kWorkBufferSize - pageAt);
    if (maskBytes == 0) return -1;
  }
  // A field that does not lie wholly inside the area is not shown.
  const int s = r.Font.Size, hs = s / 2;
  for (int i = 0; i < m; ++i) {
    const int x = SlotX(slots, i), y = SlotY(slots, i);
    if (x - hs < 0 || x + hs > width || y + s > height) SetSlot(slots, i, 0xFFFF, 0xFFFF);
  }

  LiveArea area;
  area.Type = 5;
  area.X = r.AreaX;
  area.Y = r.AreaY;
  area.Width = width;
  area.Height = height;
  area.BackColor = r.BackColor;
  area.FrameWidth = r.FrameWidth;
  area.FrameColor = r.FrameColor;
  area.Font = r.Font;
  area.Cells = *cells;
  return WriteLiveArea(area, pageAt, maskBytes) ? 0 : -1;
}

}  // namespace vexilo
