// Arbitrary host records for the clock and timer items, in the card-font and
// the drawn form: sizes, styles, element and unit flags, targets, colours,
// frames and titles, every field over its whole range. Whatever the record
// holds, an item either succeeds with a pack that reads back whole (its
// slots, page and glyph block where they belong), or fails and leaves the
// pack byte for byte as it was.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/ClockUnit.h"
#include "ItemFuzzHome.h"
#include "frame/HostFilesUnit.h"
#include "frame/LifecycleUnit.h"
#include "pack/PackReaderUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/DrawingUnit.h"
#include "vexilo.h"

namespace {

using vexilo::fuzzing::Reader;

std::string g_home;

void Setup() {
  if (!g_home.empty()) return;
  g_home = vexilo::fuzzing::LoadLibraryInFuzzHome();
  // A fixed now, so that a run repeats: 2025-01-01 12:00:00.
  vexilo::SetClockOverride([] { return vexilo::LocalTime{2025, 1, 1, 12, 0, 0, 0, 3}; });
}

const char* kFaces[] = {"\xCB\xCE\xCC\xE5", "\xBA\xDA\xCC\xE5", "Arial", "Courier New", nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup();
  Reader in{data, size};
  User_InitBufferEx(in.Small(1, 4), in.Byte() & 1);
  User_AddProgram(0, 0);

  const bool timer = (in.Byte() & 1) != 0;
  FontSpec font{};
  font.FaceName = kFaces[in.Byte() % 5];
  font.Size = in.Field(-4, 40);
  font.Bold = in.Flag();
  font.Italic = in.Flag();
  font.Underline = in.Flag();
  font.Centered = in.Byte();
  font.TextColor = in.Small(0, 4);
  font.CharSpacing = in.Field(-8, 8);
  font.LineSpacing = in.Field(-8, 8);
  const int32_t x = in.Field(-4, 300), y = in.Field(-4, 300);
  int32_t w = in.Field(-8, 260), h = in.Field(-8, 90);
  vexilo::fuzzing::KeepDrawableAreaSmall(w, h);
  const int32_t frame = in.Field(-2, 24);
  const uint8_t frameColor = in.Byte() % 5, back = in.Byte() % 5;
  uint8_t flags[13];
  for (uint8_t& f : flags) f = in.Flag();
  const uint8_t style = in.Small(0, 5);
  const uint8_t fontForm = in.Flag();
  uint8_t target[6];
  for (uint8_t& t : target) {
    // Mostly BCD, as hosts pass: two decimal digits.
    const uint8_t b = in.Byte();
    t = (b & 0x80) != 0 ? b : static_cast<uint8_t>(((b >> 4) % 10) << 4 | (b & 15) % 10);
  }
  std::string text(reinterpret_cast<const char*>(data + in.Pos), size - in.Pos);
  text = text.substr(0, 400);
  text.erase(std::find(text.begin(), text.end(), '\0'), text.end());

  const std::vector<uint8_t> before = vexilo::ReadWholeFile(g_home + "/Swap.Dat");
  int32_t result = -1;
  if (!timer) {
    TDateTimeParam p{};
    p.Text = text.c_str(); p.BackColor = back; p.AreaX = x; p.AreaY = y; p.AreaWidth = w; p.AreaHeight = h;
    p.FrameWidth = frame; p.FrameColor = frameColor; p.Font = font;
    p.DateStyle = style; p.TwoDigitYear = flags[0]; p.SingleLine = flags[1];
    p.ShowYear = flags[2]; p.ShowMonth = flags[3]; p.ShowDay = flags[4]; p.ShowWeekday = flags[5];
    p.ShowHour = flags[6]; p.ShowMinute = flags[7]; p.ShowSecond = flags[8];
    p.CardOption1 = flags[9]; p.CardOption2 = flags[10]; p.FontForm = fontForm;
    result = User_AddDateTime(&p);
  } else {
    TTimerParam p{};
    p.Text = text.c_str(); p.BackColor = back; p.AreaX = x; p.AreaY = y; p.AreaWidth = w; p.AreaHeight = h;
    p.FrameWidth = frame; p.FrameColor = frameColor; p.Font = font;
    p.TargetYear = target[0]; p.TargetMonth = target[1]; p.TargetDay = target[2];
    p.TargetHour = target[3]; p.TargetMinute = target[4]; p.TargetSecond = target[5];
    p.CountDown = flags[0]; p.SingleLine = flags[1]; p.ShowDays = flags[2]; p.ShowHours = flags[3];
    p.ShowMinutes = flags[4]; p.ShowSeconds = flags[5]; p.HideUnitWords = flags[6]; p.FontForm = fontForm;
    result = User_AddTimer(&p);
  }
  const std::vector<uint8_t> after = vexilo::ReadWholeFile(g_home + "/Swap.Dat");
  if (result != 0) {
    if (after != before) __builtin_trap();  // a failed item must leave the pack as it was
    return 0;
  }
  if (static_cast<int32_t>(after.size()) != vexilo::Pack().PackLength) __builtin_trap();
  vexilo::PackInfo pack;
  std::string error;
  if (!vexilo::ReadPack(after, pack, error)) __builtin_trap();
  if (pack.Programs.empty() || pack.Programs.back().Areas.empty()) __builtin_trap();
  const vexilo::AreaInfo& area = pack.Programs.back().Areas.back();
  if (fontForm == 0) {
    // The drawn form: every slot inside the area or marked not shown.
    if (!area.HasLiveFields) __builtin_trap();
    for (const auto& slot : area.Live.Slots) {
      const bool hidden = slot.X == 0xFFFF && slot.Y == 0xFFFF;
      if (!hidden && (slot.X >= area.Width || slot.Y >= area.Height)) __builtin_trap();
    }
  }
  return 0;
}
