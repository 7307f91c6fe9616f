// Arbitrary host records for the three text items: sizes, effects, colours,
// frames, offsets and text bytes, every field over its whole range. Whatever
// the record holds, an item either succeeds with a pack that reads back
// whole, or fails and leaves the pack byte for byte as it was.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ItemFuzzHome.h"
#include "frame/HostFilesUnit.h"
#include "pack/PackReaderUnit.h"
#include "frame/LifecycleUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/DrawingUnit.h"
#include "vexilo.h"

namespace {

using vexilo::fuzzing::Reader;

std::string g_home;

void Setup() {
  if (!g_home.empty()) return;
  g_home = vexilo::fuzzing::LoadLibraryInFuzzHome();
}

const char* kFaces[] = {"\xCB\xCE\xCC\xE5", "\xBA\xDA\xCC\xE5", "Arial", "Courier New", nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup();
  Reader in{data, size};
  User_InitBufferEx(in.Small(1, 4), in.Byte() & 1);
  User_AddProgram(0, 0);

  const uint8_t kind = in.Byte() % 3;
  FontSpec font{};
  font.FaceName = kFaces[in.Byte() % 5];
  font.Size = in.Field(-20, 40);
  font.Bold = in.Byte();
  font.Italic = in.Byte();
  font.Underline = in.Byte();
  font.Centered = in.Byte();
  font.TextColor = in.Byte();
  font.CharSpacing = in.Field(-8, 8);
  font.LineSpacing = in.Field(-8, 8);
  const int32_t x = in.Field(-4, 300), y = in.Field(-4, 300);
  int32_t w = in.Field(-8, 130), h = in.Field(-8, 70);
  vexilo::fuzzing::KeepDrawableAreaSmall(w, h);
  const int32_t frame = in.Field(-2, 24);
  const uint8_t frameColor = in.Byte(), back = in.Byte();
  const int32_t effect = in.Field(-1, 50), stay = in.Field(0, 3);
  const int32_t speed = in.Int(), option = in.Int();
  const uint8_t fontForm = in.Byte();
  const int8_t offsetY = static_cast<int8_t>(in.Byte());
  std::string text(reinterpret_cast<const char*>(data + in.Pos), size - in.Pos);
  text = text.substr(0, 600);
  text.erase(std::find(text.begin(), text.end(), '\0'), text.end());

  const std::vector<uint8_t> before = vexilo::ReadWholeFile(g_home + "/Swap.Dat");
  int32_t result = -1;
  if (kind == 0) {
    TTextParam p{};
    p.Text = text.c_str(); p.BackColor = back; p.AreaX = x; p.AreaY = y; p.AreaWidth = w; p.AreaHeight = h;
    p.FrameWidth = frame; p.FrameColor = frameColor; p.Font = font; p.Effect = effect; p.StayTime = stay;
    p.Speed = speed; p.PageOption = option;
    result = User_AddText(&p);
  } else if (kind == 1) {
    TSingleTextParam p{};
    p.Text = text.c_str(); p.BackColor = back; p.AreaX = x; p.AreaY = y; p.AreaWidth = w; p.AreaHeight = h;
    p.FrameWidth = frame; p.FrameColor = frameColor; p.Font = font; p.Effect = effect; p.StayTime = stay;
    p.Speed = speed; p.PageOption = option; p.OffsetY = offsetY; p.FontForm = fontForm;
    result = User_AddSingleText(&p);
  } else {
    TStaticTextParam p{};
    p.Text = text.c_str(); p.BackColor = back; p.AreaX = x; p.AreaY = y; p.AreaWidth = w; p.AreaHeight = h;
    p.FrameWidth = frame; p.FrameColor = frameColor; p.Font = font; p.FontForm = fontForm;
    result = User_AddStaticText(&p);
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
  return 0;
}
