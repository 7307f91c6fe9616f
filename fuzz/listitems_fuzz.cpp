// Arbitrary custom lists: page lists and card texts of one to four entries of
// any kind (text, picture, table, rich text, card text, animation, unknown),
// with their data, effects, modes, fonts, frames and areas taken from the
// input; null entries and entries without data among them. Whatever the
// list holds, the item either succeeds with a pack that reads back whole, or
// fails and leaves the pack byte for byte as it was.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ItemFuzzHome.h"
#include "frame/HostFilesUnit.h"
#include "frame/LifecycleUnit.h"
#include "pack/PackReaderUnit.h"
#include "pack/ProgramPackUnit.h"
#include "render/TableDataUnit.h"
#include "vexilo.h"

namespace {

using vexilo::fuzzing::Reader;

std::string g_home;

void Setup() {
  if (!g_home.empty()) return;
  g_home = vexilo::fuzzing::LoadLibraryInFuzzHome();
}

const char* kFaces[] = {"\xCB\xCE\xCC\xE5", "\xBA\xDA\xCC\xE5", "Arial", nullptr};
const uint8_t kKinds[] = {VEXILO_ENTRY_TEXT,     VEXILO_ENTRY_PICTURE,  VEXILO_ENTRY_TABLE, VEXILO_ENTRY_RICHTEXT,
                          VEXILO_ENTRY_RICHTEXT2, VEXILO_ENTRY_CARDTEXT, VEXILO_ENTRY_ANIMATION, 0};

// A table block as a host must hand it: at least as long as its counts make.
std::vector<uint8_t> TableBlock(Reader& in) {
  const int32_t rows = in.Small(0, 3), columns = in.Small(0, 3);
  std::vector<uint8_t> block(vexilo::TableDataSize(rows, columns));
  TableHeader h{};
  h.RowCount = rows;
  h.ColumnCount = columns;
  h.TitleFontSize = in.Small(0, 20);
  h.Title[0] = static_cast<uint8_t>(in.Small(0, 4));
  std::memcpy(h.Title + 1, "Title", 5);
  std::memcpy(block.data(), &h, sizeof h);
  for (size_t i = sizeof h; i < sizeof h + 4 * static_cast<size_t>(rows + columns); i += 4) {
    const int32_t v = in.Field(-2, 50);
    std::memcpy(&block[i], &v, 4);
  }
  const std::vector<uint8_t> rest = in.Take(64);
  const size_t cells = sizeof h + 4 * static_cast<size_t>(rows + columns);
  for (size_t i = 0; i < rest.size() && cells + i < block.size(); ++i) block[cells + (i * 37) % (block.size() - cells)] = rest[i];
  return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup();
  Reader in{data, size};
  User_InitBufferEx(in.Small(1, 4), in.Byte() & 1);
  User_AddProgram(0, 0);

  TListParam list{};
  list.AreaX = in.Field(0, 300);
  list.AreaY = in.Field(0, 300);
  // Areas up to 128 x 64 mostly, any size now and then.
  list.AreaWidth = (in.Byte() & 7) == 0 ? in.Int() : 8 * in.Small(0, 16);
  list.AreaHeight = (in.Byte() & 7) == 0 ? in.Int() : 8 * in.Small(0, 8);
  list.FrameWidth = in.Field(-2, 12);
  list.FrameColor = in.Small(0, 4);
  const int32_t count = in.Small(1, 4);
  list.EntryCount = (in.Byte() & 15) == 0 ? in.Int() : count;

  std::vector<std::vector<uint8_t>> blocks(4);
  TListEntry entries[4]{};
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t kindByte = in.Byte();
    const uint8_t kind = kKinds[kindByte % 8];
    list.EntryKinds[i] = kind;
    TListEntry& e = entries[i];
    e.BackColor = in.Small(0, 4);
    e.Effect = in.Field(0, 50);
    e.Speed = in.Int();
    e.StayTime = in.Int();
    e.PageOption = in.Int();
    if (kind == VEXILO_ENTRY_TEXT) {
      e.Setting.Font.FaceName = kFaces[in.Byte() % 4];
      e.Setting.Font.Size = in.Field(-4, 32);
      e.Setting.Font.Bold = in.Byte() & 1;
      e.Setting.Font.Italic = in.Byte() & 1;
      e.Setting.Font.Centered = in.Byte() & 1;
      e.Setting.Font.TextColor = in.Small(0, 4);
      e.Setting.Font.CharSpacing = in.Field(-4, 4);
      e.Setting.Font.LineSpacing = in.Field(-4, 4);
      // Whole UTF-16 units, zero-terminated, as the host hands a text over.
      std::vector<uint8_t> text = in.Take(static_cast<size_t>(in.Small(0, 80)));
      if (text.size() % 2 != 0) text.pop_back();
      text.push_back(0);
      text.push_back(0);
      blocks[i] = std::move(text);
    } else if (kind == VEXILO_ENTRY_TABLE) {
      e.Setting.Mode.EntryMode = in.Byte() & 1;
      blocks[i] = TableBlock(in);
    } else {
      e.Setting.Mode.EntryMode = in.Byte();
      e.Setting.Mode.OffsetY = static_cast<int8_t>(in.Byte());
      const size_t n = static_cast<size_t>(in.Small(0, 255)) * 4;
      if (kind == VEXILO_ENTRY_RICHTEXT || kind == VEXILO_ENTRY_RICHTEXT2 || kind == VEXILO_ENTRY_CARDTEXT) {
        static const char kHead[] = "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green255\\blue0;}";
        blocks[i].assign(kHead, kHead + sizeof kHead - 1);
      }
      const std::vector<uint8_t> body = in.Take(n);
      blocks[i].insert(blocks[i].end(), body.begin(), body.end());
    }
    e.Data = (kindByte & 0x80) != 0 ? nullptr : blocks[i].data();
    e.DataSize = (kindByte & 0x40) != 0 ? 0 : static_cast<uint32_t>(blocks[i].size());
    list.Entries[i] = (kindByte & 0x20) != 0 && i > 0 ? nullptr : &e;
  }

  const std::vector<uint8_t> before = vexilo::ReadWholeFile(g_home + "/Swap.Dat");
  const int32_t result = User_AddCustomList(&list, nullptr);
  const std::vector<uint8_t> after = vexilo::ReadWholeFile(g_home + "/Swap.Dat");
  if (result != 0) {
    if (after != before) __builtin_trap();  // a failed item must leave the pack as it was
    return 0;
  }
  if (list.EntryCount < 1 || list.EntryCount > 256) __builtin_trap();
  if (static_cast<int32_t>(after.size()) != vexilo::Pack().PackLength) __builtin_trap();
  // The pack reader splits a page list with at most one coded-text page
  // (their lengths are not recorded); lists with more are left unread.
  int coded = 0;
  for (int32_t i = 1; i < count; ++i) coded += list.EntryKinds[i] == VEXILO_ENTRY_CARDTEXT ? 1 : 0;
  if (coded > 1 && list.EntryKinds[0] != VEXILO_ENTRY_CARDTEXT) return 0;
  vexilo::PackInfo pack;
  std::string error;
  if (!vexilo::ReadPack(after, pack, error)) __builtin_trap();
  if (pack.Programs.empty() || pack.Programs.back().Areas.empty()) __builtin_trap();
  const vexilo::AreaInfo& area = pack.Programs.back().Areas.back();
  if (area.Type == 2 && area.Pages.size() != area.PageCount) __builtin_trap();
  return 0;
}
