#include "items/ListItemUnit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteOrderUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "items/ItemPagesUnit.h"
#include "items/ListAnimationUnit.h"
#include "lang/CodePageUnit.h"
#include "pack/ProgramPackUnit.h"
#include "picture/BmpUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/RichTextDocumentUnit.h"
#include "render/RichTextPageUnit.h"
#include "render/RtfReaderUnit.h"
#include "render/PicturePageUnit.h"
#include "render/TableDataUnit.h"
#include "render/TablePageUnit.h"
#include "render/TextPageUnit.h"

namespace vexilo {
namespace {

// A page area holds at most this many pages: the count is one byte.
constexpr uint32_t kMaxListPages = 255;
// The runs of a card-text record: their length field is 16 bits.
constexpr size_t kMaxCardRuns = 65535;

bool IsRichText(uint8_t kind) { return kind == VEXILO_ENTRY_RICHTEXT || kind == VEXILO_ENTRY_RICHTEXT2; }

// The entry's bytes, or an empty view when it has no data.
std::string_view SizedData(const TListEntry& entry) {
  if (entry.Data == nullptr || entry.DataSize == 0) return {};
  return std::string_view(static_cast<const char*>(entry.Data), entry.DataSize);
}

// Loads the entry's rich-text document into doc (the control of the list):
// its background colour and its text. An entry without data, or whose data
// is no rich text, leaves the document empty.
void LoadDocument(const TListEntry& entry, RichTextDocument& doc) {
  doc.Background = CodeToColor(entry.BackColor);
  const std::string_view rtf = SizedData(entry);
  if (rtf.empty() || !ReadRtf(rtf, doc)) ClearRichText(doc);
}

// The zero-terminated UTF-16 text of a text entry, read unit by unit (the
// host's pointer need not be aligned).
std::u16string TextOfEntry(const TListEntry& entry) {
  std::u16string text;
  if (entry.Data == nullptr) return text;
  const auto* p = static_cast<const uint8_t*>(entry.Data);
  for (;; p += 2) {
    char16_t c;
    std::memcpy(&c, p, 2);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

// The number of UTF-16 units of the character at i (a surrogate pair is one character).
int32_t CharUnits(const RichTextDocument& doc, int32_t i) {
  const int32_t n = RichTextLength(doc);
  const char16_t c = doc.Text[static_cast<size_t>(i)];
  if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
    const char16_t d = doc.Text[static_cast<size_t>(i) + 1];
    if (d >= 0xDC00 && d < 0xE000) return 2;
  }
  return 1;
}

// The font descriptor of character i: its face, its height in pixels, its colour.
std::array<uint8_t, 4> DescriptorAt(const RichTextDocument& doc, int32_t i) {
  const RichCharFormat& format = RichCharFormatAt(doc, i);
  const std::string face = Utf16ToAnsi(format.Face);
  FontSpec font{};
  font.FaceName = face.c_str();
  font.Size = RichHeightPixels(format);
  font.TextColor = ColorToCode(format.Color);
  return MakeFontDescriptor(font);
}

// The size class the card draws coded text in, by the size in points.
uint8_t SizeClass(double points) {
  if (points <= 13) return 1;
  if (points <= 19) return 2;
  if (points <= 28) return 3;
  return 4;
}

// The runs of a card-text record: a descriptor, then the ANSI bytes of the
// characters it applies to, and so on. A run changes with the font or the
// colour, never with the size alone.
std::string CardTextRuns(const RichTextDocument& doc) {
  std::string runs;
  const int32_t n = RichTextLength(doc);
  if (n == 0) return runs;
  std::array<uint8_t, 4> current = DescriptorAt(doc, 0);
  runs.append(reinterpret_cast<const char*>(current.data()), current.size());
  int32_t start = 0;
  for (int32_t i = 1; i < n; ++i) {
    std::array<uint8_t, 4> d = DescriptorAt(doc, i);
    d[2] = current[2];
    if (d[1] != current[1] || d[3] != current[3]) {
      runs += Utf16ToAnsi(RichTextRange(doc, start, i - start));
      current = d;
      runs.append(reinterpret_cast<const char*>(current.data()), current.size());
      start = i;
    }
  }
  runs += Utf16ToAnsi(RichTextRange(doc, start, n - start));
  return runs;
}

// The coded-text page of a card-text entry in a page list: a group of four
// bytes (0, font 1, colour code + 1, size class) whenever the style changes
// and before the first character, then each character's ANSI bytes.
std::string CodedTextPage(const RichTextDocument& doc) {
  std::string out;
  const int32_t n = RichTextLength(doc);
  std::array<uint8_t, 3> previous{};
  for (int32_t i = 0; i < n;) {
    const RichCharFormat& format = RichCharFormatAt(doc, i);
    const std::array<uint8_t, 3> style{1, static_cast<uint8_t>(ColorToCode(format.Color) + 1),
                                       SizeClass(RichPointSize(format))};
    if (i == 0 || style != previous) {
      out.push_back(0);
      out.append(reinterpret_cast<const char*>(style.data()), style.size());
      previous = style;
    }
    const int32_t units = CharUnits(doc, i);
    out += Utf16ToAnsi(RichTextRange(doc, i, units));
    i += units;
  }
  return out;
}

int32_t AddCardText(const TListParam& list, bool rotated) {
  RichTextDocument doc;
  const TListEntry* entry = list.Entries[0];
  TListEntry e{};
  if (entry != nullptr) {
    std::memcpy(&e, entry, sizeof e);
    LoadDocument(e, doc);
  }
  const std::string runs = CardTextRuns(doc);
  // A longer text would not fit the record's length field.
  if (runs.size() > kMaxCardRuns) return -1;
  const RichAlign align = RichParagraphFormatAt(doc, 0).Align;
  std::vector<uint8_t> record(13 + runs.size());
  record[2] = static_cast<uint8_t>(MapEffectCode(e.Effect));
  record[3] = static_cast<uint8_t>(e.Speed);
  record[4] = static_cast<uint8_t>(e.StayTime);
  record[5] = static_cast<uint8_t>(e.PageOption);
  record[6] = e.Setting.Mode.EntryMode != 0 ? 3 : 2;
  record[7] = align == RichAlign::Centre ? 3 : (align == RichAlign::Right ? 2 : 1);
  record[8] = 1;
  PutBe16(&record[11], static_cast<uint32_t>(runs.size()));
  std::memcpy(record.data() + 13, runs.data(), runs.size());
  if (!BeginArea(0x21, list.AreaX, list.AreaY, list.AreaWidth, list.AreaHeight, rotated)) return -1;
  if (!PackAppend(record.data(), record.size())) return -1;
  return EndArea(static_cast<uint32_t>(14 + record.size())) ? 0 : -1;
}

// What one entry of a page list keeps between its pages.
struct EntryPages {
  TListEntry Entry{};
  uint8_t Kind = 0;
  bool Present = false;
  int32_t S = 0;  // the rich-text renderer's page count or position
  // Kept layouts (keepLayouts): loaded on the first page.
  bool Loaded = false;
  RichTextDocument Document;
  TableData Table;
  bool TableRead = false;
  TableLayoutCache TableCache;
  std::u16string Text;
  TextLayoutCache TextCache;
};

struct ListPages {
  int ColorMode = 0;
  int32_t Width = 0, Height = 0, Margin = 0;
  int32_t FrameWidth = 0;
  uint8_t FrameColor = 0;
  bool KeepLayouts = true;
  uint8_t* Out = nullptr;
  size_t OutSize = 0;
};

// A text entry's page: the mask in the text colour on the entry's
// background, its own frame of the frame's inset.
std::optional<size_t> TextPage(const ListPages& c, EntryPages& e, int32_t k) {
  std::u16string fresh;
  TextLayoutCache* cache = nullptr;
  if (c.KeepLayouts) {
    if (!e.Loaded) {
      e.Text = TextOfEntry(e.Entry);
      e.Loaded = true;
    }
    cache = &e.TextCache;
  } else {
    fresh = TextOfEntry(e.Entry);
  }
  TextPageRequest request;
  request.Text = c.KeepLayouts ? std::u16string_view(e.Text) : std::u16string_view(fresh);
  request.Width = c.Width;
  request.Height = c.Height;
  request.Margin = c.Margin;
  request.Font = e.Entry.Setting.Font;
  request.Cache = cache;
  TextPageStatus status = TextPageStatus::NoPage;
  size_t b = RenderTextPage(request, k, c.Out, c.OutSize, &status);
  if (status == TextPageStatus::CannotDraw) return std::nullopt;
  if (b == 0) return 0;
  const uint8_t fore = e.Entry.Setting.Font.TextColor, back = e.Entry.BackColor;
  const int32_t byteWidth = static_cast<int32_t>(PlaneRowBytes(c.Width) * 8);
  const bool twoPlanes = IsTwoPlane(c.ColorMode);
  if (twoPlanes) {
    if (2 * b > c.OutSize) return std::nullopt;
    ColorizeMask(c.ColorMode, fore, back, byteWidth, c.Height, c.Out, 2 * b);
    b *= 2;
  } else {
    ApplyMonoColors(fore, back, byteWidth, c.Height, c.Out, b);
  }
  ClearRowPadding(c.Width, c.Height, twoPlanes ? 2 : 1, c.Out, b);
  if (c.FrameWidth > 0) DrawBorder(c.ColorMode, c.FrameColor, FrameInset(c.FrameWidth), c.Width, c.Height, c.Out, b);
  return b;
}

std::optional<size_t> RichTextPage(const ListPages& c, EntryPages& e, int32_t k) {
  RichTextDocument fresh;
  RichTextDocument* doc = &e.Document;
  if (c.KeepLayouts) {
    if (!e.Loaded) {
      LoadDocument(e.Entry, e.Document);
      e.Loaded = true;
    }
  } else {
    fresh.KeepLayout = false;
    LoadDocument(e.Entry, fresh);
    doc = &fresh;
  }
  if (RichTextLength(*doc) == 0) return 0;
  const int32_t offsetY = e.Entry.Setting.Mode.OffsetY;
  if (e.Entry.Setting.Mode.EntryMode != 0) {
    return RenderRichTextSlice(c.ColorMode, *doc, k, c.Width, c.Height, c.Margin, e.S, c.Out, c.OutSize, offsetY);
  }
  return RenderRichTextFlow(c.ColorMode, *doc, k, c.Width, c.Height, c.Margin, e.S, c.Out, c.OutSize, offsetY);
}

std::optional<size_t> TablePage(const ListPages& c, EntryPages& e, int32_t k) {
  const bool continuous = e.Entry.Setting.Mode.EntryMode != 0;
  if (e.Entry.Data == nullptr) return 0;
  if (!c.KeepLayouts) {
    return RenderTablePage(c.ColorMode, e.Entry.Data, k, c.Width, c.Height, c.Margin, c.Out, c.OutSize, continuous);
  }
  if (!e.Loaded) {
    e.TableRead = ReadHostTableData(e.Entry.Data, e.Table) == TableDataStatus::Ok;
    e.Loaded = true;
  }
  if (!e.TableRead) return 0;
  return RenderTablePage(c.ColorMode, e.Table, k, c.Width, c.Height, c.Margin, c.Out, c.OutSize, continuous,
                         &e.TableCache);
}

std::optional<size_t> PicturePage(const ListPages& c, const EntryPages& e) {
  const std::string_view bmp = SizedData(e.Entry);
  if (bmp.empty()) return 0;
  std::string error;
  RasterPtr picture = DecodeBmp(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size(), error);
  if (!picture) return 0;
  // The whole picture stretched to the page.
  return RenderPicturePage(c.ColorMode, *picture, c.Width, c.Height, picture->Width, picture->Height, c.Margin,
                           c.Out, c.OutSize);
}

std::optional<size_t> CodedPage(const ListPages& c, const EntryPages& e) {
  RichTextDocument doc;
  LoadDocument(e.Entry, doc);
  const std::string stream = CodedTextPage(doc);
  if (stream.size() > c.OutSize) return std::nullopt;
  std::memcpy(c.Out, stream.data(), stream.size());
  return stream.size();
}

// Page k of the entry into the work buffer: its byte count, 0 when the entry
// has no page k, nullopt when the page cannot be made.
std::optional<size_t> ProducePage(const ListPages& c, EntryPages& e, int32_t k) {
  if (!e.Present) return 0;
  if (IsRichText(e.Kind)) return RichTextPage(c, e, k);
  switch (e.Kind) {
    case VEXILO_ENTRY_TABLE: return TablePage(c, e, k);
    case VEXILO_ENTRY_TEXT: return TextPage(c, e, k);
    case VEXILO_ENTRY_PICTURE: return PicturePage(c, e);
    case VEXILO_ENTRY_CARDTEXT: return CodedPage(c, e);
    default: return 0;
  }
}

int32_t AddPageList(const TListParam& list, bool rotated, bool keepLayouts) {
  ListPages c;
  c.ColorMode = ScreenConfig().CurrentScreenConfig.Color;
  c.Width = list.AreaWidth;
  c.Height = list.AreaHeight;
  c.FrameWidth = list.FrameWidth;
  c.FrameColor = list.FrameColor;
  c.Margin = list.FrameColor != 0 ? FrameInset(list.FrameWidth) : 0;
  c.KeepLayouts = keepLayouts;
  // An area too large for any page is refused before anything is allocated or written.
  if (PageExceedsRasterLimits(c.Width, c.Height)) return -1;
  c.Out = WorkBuffer();
  if (c.Out == nullptr) return -1;
  c.OutSize = kWorkBufferSize;

  if (!BeginArea(2, list.AreaX, list.AreaY, list.AreaWidth, list.AreaHeight, rotated)) return -1;
  const std::optional<int32_t> table = BeginPageList(kMaxListPages);
  if (!table) return -1;

  uint32_t p = 0;
  uint64_t written = 0;
  int32_t e = 0, k = 0;
  std::optional<EntryPages> entry;
  while (p < kMaxListPages && e < list.EntryCount) {
    if (!entry) {
      entry.emplace();
      entry->Kind = list.EntryKinds[e];
      if (list.Entries[e] != nullptr) {
        std::memcpy(&entry->Entry, list.Entries[e], sizeof(TListEntry));
        entry->Present = true;
      }
    }
    const std::optional<size_t> produced = ProducePage(c, *entry, k);
    if (!produced) return -1;
    const size_t b = *produced;
    if (b == 0) {
      ++e;
      k = 0;
      entry.reset();
      continue;
    }
    // The coded-text stream is no pixel data: it is neither framed nor turned.
    const bool coded = entry->Kind == VEXILO_ENTRY_CARDTEXT;
    if (!coded) {
      if (c.FrameWidth > 0 && c.FrameColor != 0) {
        DrawBorder(c.ColorMode, c.FrameColor, c.FrameWidth, c.Width, c.Height, c.Out, b);
      }
      if (rotated && !RotatePage(c.ColorMode, c.Width, c.Height, c.Out, b)) return -1;
    }
    int32_t effect = MapEffectCode(entry->Entry.Effect);
    if (rotated) effect = RotateEffectCode(effect);
    const uint8_t header[5] = {static_cast<uint8_t>(p), static_cast<uint8_t>(effect),
                               static_cast<uint8_t>(entry->Entry.Speed), static_cast<uint8_t>(entry->Entry.StayTime),
                               static_cast<uint8_t>(entry->Entry.PageOption)};
    if (!PackAppend(c.Out, b) || !PackWriteAt(*table + static_cast<int32_t>(5 * p), header, sizeof header)) return -1;
    ++p;
    written += 5 + b;
    if (!SetPageCount(static_cast<uint8_t>(p))) return -1;
    if (entry->Kind == VEXILO_ENTRY_PICTURE || coded) {
      ++e;
      k = 0;
      entry.reset();
    } else {
      ++k;
    }
  }
  if (!ClosePageTable(*table, kMaxListPages, p)) return -1;
  if (written > UINT32_MAX - 16) return -1;
  return EndArea(static_cast<uint32_t>(16 + written)) ? 0 : -1;
}

}  // namespace

ColorRef CodeToColor(uint8_t code) {
  switch (code) {
    case 1: return MakeColorRef(255, 0, 0);
    case 2: return MakeColorRef(0, 255, 0);
    case 3: return MakeColorRef(255, 255, 0);
    default: return kColorBlack;
  }
}

uint8_t ColorToCode(ColorRef color) {
  const bool red = (color & 0xFF) != 0, green = ((color >> 8) & 0xFF) != 0;
  if (red && green) return 3;
  if (red) return 1;
  if (green) return 2;
  return 0;
}

int32_t AddCustomList(const TListParam* param, void*, bool keepLayouts) {
  if (param == nullptr || !ItemMayStart()) return -1;
  // The record holds 1 to 256 entries; any other count is refused before
  // anything is written.
  if (param->EntryCount < 1 || param->EntryCount > VEXILO_LIST_MAX_ENTRIES) return -1;
  const TListParam& list = *param;
  const bool rotated = Pack().RotatedLayout != 0;
  const uint8_t first = list.EntryKinds[0];
  if (first == VEXILO_ENTRY_CARDTEXT) return AddCardText(list, rotated);
  if (first == VEXILO_ENTRY_ANIMATION) {
    if (!BeginArea(8, list.AreaX, list.AreaY, list.AreaWidth, list.AreaHeight, rotated)) return -1;
    const std::optional<uint32_t> bytes = AddListAnimation(list);
    if (!bytes) return -1;
    // The area counts its own 14-byte header besides the body.
    return EndArea(14 + *bytes) ? 0 : -1;
  }
  return AddPageList(list, rotated, keepLayouts);
}

}  // namespace vexilo
