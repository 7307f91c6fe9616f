#include "items/TimerItemUnit.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTextUnit.h"
#include "frame/ClockUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "items/ItemPagesUnit.h"
#include "items/LiveAreaUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/ClockGlyphUnit.h"

namespace vexilo {
namespace {

TimerOptions OptionsOf(const TTimerParam& r) {
  TimerOptions o;
  o.CountDown = r.CountDown;
  o.SingleLine = r.SingleLine;
  o.ShowDays = r.ShowDays;
  o.ShowHours = r.ShowHours;
  o.ShowMinutes = r.ShowMinutes;
  o.ShowSeconds = r.ShowSeconds;
  o.UnitWords = r.HideUnitWords == 0;
  return o;
}

std::array<uint8_t, 6> TargetOf(const TTimerParam& r) {
  return {r.TargetYear, r.TargetMonth, r.TargetDay, r.TargetHour, r.TargetMinute, r.TargetSecond};
}

// Days from now to the target on the host's local clock.
double DaysUntil(const CivilDateTime& target) {
  const LocalTime now = NowLocal();
  const CivilDateTime from{now.Year, now.Month, now.Day, now.Hour, now.Minute, now.Second};
  const double seconds = static_cast<double>(SecondsBetween(from, target)) - now.Millisecond / 1000.0;
  return seconds / 86400.0;
}

// Font form: the card draws the timer from the units, the target, its font
// and the title; the target is passed on unexamined.
int32_t AddCardTimer(const TTimerParam& r, uint8_t mask) {
  const std::string_view title = HostText(r.Text);
  std::vector<uint8_t> body(12 + title.size());
  body[0] = mask;
  body[1] = r.CountDown;
  const std::array<uint8_t, 6> target = TargetOf(r);
  for (size_t i = 0; i < 6; ++i) body[2 + i] = target[i];
  const std::array<uint8_t, 4> descriptor = MakeFontDescriptor(r.Font);
  body[8] = descriptor[1];
  body[9] = descriptor[2];
  body[10] = descriptor[3];
  body[11] = static_cast<uint8_t>(title.size());  // a longer title keeps all its bytes
  for (size_t i = 0; i < title.size(); ++i) body[12 + i] = static_cast<uint8_t>(title[i]);
  return WriteCardArea(0x23, r.AreaX, r.AreaY, r.AreaWidth, r.AreaHeight, body.data(), body.size()) ? 0 : -1;
}

}  // namespace

int LeadDigits(const TimerOptions& o, double daysLeft) {
  if (o.CountDown == 0) return 0;
  const double v = daysLeft * (o.ShowDays != 0 ? 1.0 : o.ShowHours != 0 ? 24.0 : o.ShowMinutes != 0 ? 1440.0 : 86400.0);
  return v >= 1000 ? 2 : v >= 100 ? 1 : 0;
}

int32_t AddTimer(const TTimerParam* param) {
  if (param == nullptr || !ItemMayStart()) return -1;
  const TTimerParam& r = *param;
  if (r.Font.TextColor == 0) return -1;
  const TimerOptions options = OptionsOf(r);
  // Checked before the area begins: a timer that shows nothing.
  const uint8_t mask = TimerUnitMask(options);
  if (mask == 0) return -1;
  if (r.FontForm != 0) return AddCardTimer(r, mask);

  // So is a target that is not a date.
  const std::array<uint8_t, 6> target = TargetOf(r);
  const std::optional<CivilDateTime> when = BcdTargetDateTime(target);
  if (!when) return -1;
  const std::optional<LiveCells> cells = LiveCellsFor(r.Font);
  if (!cells || PageExceedsRasterLimits(r.AreaWidth, r.AreaHeight)) return -1;
  uint8_t* work = WorkBuffer();
  if (work == nullptr) return -1;
  const int m = TimerSlotCount(options);
  const size_t pageAt = 10 + 4 * static_cast<size_t>(m);
  const std::span<uint8_t> slots(work + 9, 4 * static_cast<size_t>(m));
  work[0] = mask;
  work[1] = cells->Width;
  work[2] = cells->Height;
  for (size_t i = 0; i < 6; ++i) work[3 + i] = target[i];
  ClearSlots(slots);
  const uint8_t colorMode = ScreenConfig().CurrentScreenConfig.Color;
  work[9 + 4 * m] = static_cast<uint8_t>((r.CountDown != 0 ? 1 : 0) + 2 * PlaneCode(colorMode, r.Font.TextColor));

  const int32_t width = r.AreaWidth, height = r.AreaHeight;
  size_t maskBytes = 0;
  if (width > 0 && height > 0) {
    const int lead = LeadDigits(options, DaysUntil(*when));
    const std::u16string title = AnsiToUtf16(HostText(r.Text));
    maskBytes = RenderTimerPage(title, width, height, FrameInset(r.FrameWidth), lead, r.Font, options, slots,
                                cells->Width, work + pageAt, kWorkBufferSize - pageAt);
    if (maskBytes == 0) return -1;
  }
  // A field whose right edge may pass the area's, or that reaches below it, is not shown.
  const int s = r.Font.Size;
  for (int i = 0; i < m; ++i) {
    if (SlotX(slots, i) + s > width || SlotY(slots, i) + s > height) SetSlot(slots, i, 0xFFFF, 0xFFFF);
  }

  LiveArea area;
  area.Type = 6;
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
