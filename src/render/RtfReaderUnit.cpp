#include "render/RtfReaderUnit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "lang/CodePageUnit.h"

namespace vexilo {
namespace {

// Where the text of a group goes.
enum class Dest : uint8_t {
  Text,        // the document
  FontTable,   // \fonttbl: font entries and their names
  ColorTable,  // \colortbl
  Skip,        // passed over, nested groups included
};

// Which kind of characters follow (\loch, \hich, \dbch): word processors
// give East Asian text its own font, size and style with \af, \afs, \ab, \ai
// after \dbch.
enum class RunType : uint8_t { Loch, Hich, Dbch };

struct CharState {
  int32_t Font = -1;  // font number; -1: the default font
  int32_t HalfPoints = kRichDefaultHalfPoints;
  int32_t Color = 0;  // colour table index; 0: automatic
  int32_t Back = 0;   // colour table index; 0: none
  bool Bold = false, Italic = false, Underline = false;
  RunType Run = RunType::Loch;
  // East Asian overrides; -1: as the main properties.
  int32_t EaFont = -1;
  int32_t EaHalfPoints = -1;
  int8_t EaBold = -1, EaItalic = -1;
  bool operator==(const CharState&) const = default;
};

struct GroupState {
  CharState Char;
  RichParagraphFormat Para;
  Dest Destination = Dest::Text;
  int32_t Uc = 1;  // bytes to pass over after \uN
};

struct FontEntry {
  std::string NameBytes;  // in the code page of the font's character set
  int32_t CharSet = kDefaultCharSet;
  std::u16string Face;  // decoded when the table ends
};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Characters that take the East Asian font when a document gives one.
bool IsEastAsian(char16_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF);
}

// Destinations passed over whole (those after \* are passed over anyway).
bool IsSkippedDestination(std::string_view w) {
  static const char* const kSkipped[] = {
      "stylesheet", "info",     "pict",     "object",    "header",   "headerl",   "headerr",   "headerf",
      "footer",     "footerl",  "footerr",  "footerf",   "footnote", "listtable", "listoverridetable",
      "revtbl",     "rsidtbl",  "xmlnstbl", "themedata", "colorschememapping",    "latentstyles",
      "datastore",  "pntext",   "pntxta",   "pntxtb",    "fldinst",  "nonshppict", "template", "filetbl",
      "author",     "operator", "title",    "subject",   "comment",  "keywords",  "doccomm",   "bkmkstart",
      "bkmkend",    "atnid",    "annotation", "txe",     "xe",       "tc",        "private",   "shpinst",
      "sp",         "sn",       "sv",       "userprops", "generator", "pgdsctbl", "ftnsep",   "ftnsepc",
      "aftnsep",    "aftnsepc", "falt",     "panose",    "fontemb",  "fontfile",  "mmath",     "blipuid",
  };
  for (const char* s : kSkipped) {
    if (w == s) return true;
  }
  return false;
}

struct Reader {
  std::string_view In;
  size_t Pos = 0;
  RichTextDocument& Doc;

  std::vector<GroupState> Stack;  // Stack.back() is the current group
  int32_t DocCodePage = 1252;
  int32_t DefaultFont = 0;
  std::map<int32_t, FontEntry> Fonts;
  int32_t TableFont = -1;  // the font entry being read in \fonttbl
  std::vector<ColorRef> Colors;  // the entry at index 0 stands for automatic
  bool ColorSet = false;                      // the entry being read has a component
  uint8_t Red = 0, Green = 0, Blue = 0;
  bool FontsDecoded = false;

  std::string Pending;  // \'hh and 8-bit bytes waiting for their code page
  int32_t SkipAfterUnicode = 0;

  // Formats of the document, shared by equal characters.
  std::unordered_map<std::string, uint32_t> FormatIndex;
  CharState LastState;
  bool LastEa = false;
  uint32_t LastFormat = UINT32_MAX;
  RichParagraphFormat LastCharPara;  // the paragraph format at the last character

  GroupState& Top() { return Stack.back(); }

  void DecodeFonts() {
    if (FontsDecoded) return;
    FontsDecoded = true;
    for (auto& [number, font] : Fonts) {
      std::string name = font.NameBytes;
      while (!name.empty() && (name.back() == ' ' || name.back() == ';')) name.pop_back();
      font.Face = CodePageToUtf16(RtfCharSetCodePage(font.CharSet, DocCodePage), name);
    }
  }

  const FontEntry* FontOf(int32_t number) {
    auto it = Fonts.find(number < 0 ? DefaultFont : number);
    if (it == Fonts.end()) it = Fonts.find(DefaultFont);
    return it == Fonts.end() ? nullptr : &it->second;
  }

  const char* CurrentCodePage() {
    const CharState& c = Top().Char;
    const int32_t font = (c.Run == RunType::Dbch && c.EaFont >= 0) ? c.EaFont : c.Font;
    const FontEntry* f = FontOf(font);
    return RtfCharSetCodePage(f != nullptr ? f->CharSet : kDefaultCharSet, DocCodePage);
  }

  uint32_t FormatFor(char16_t ch) {
    const CharState& c = Top().Char;
    const bool ea = c.Run == RunType::Dbch || IsEastAsian(ch);
    if (LastFormat != UINT32_MAX && ea == LastEa && c == LastState) return LastFormat;
    DecodeFonts();
    RichCharFormat f;
    const bool useEa = ea;
    const int32_t fontNo = (useEa && c.EaFont >= 0) ? c.EaFont : c.Font;
    if (const FontEntry* font = FontOf(fontNo)) {
      f.Face = font->Face;
      f.CharSet = static_cast<uint8_t>(std::clamp(font->CharSet, 0, 255));
    }
    f.HalfPoints = (useEa && c.EaHalfPoints >= 0) ? c.EaHalfPoints : c.HalfPoints;
    f.HalfPoints = std::clamp(f.HalfPoints, kRichMinHalfPoints, kRichMaxHalfPoints);
    f.Bold = (useEa && c.EaBold >= 0) ? c.EaBold != 0 : c.Bold;
    f.Italic = (useEa && c.EaItalic >= 0) ? c.EaItalic != 0 : c.Italic;
    f.Underline = c.Underline;
    if (c.Color > 0 && static_cast<size_t>(c.Color) < Colors.size()) f.Color = Colors[static_cast<size_t>(c.Color)];
    if (c.Back > 0 && static_cast<size_t>(c.Back) < Colors.size()) {
      f.HasBackColor = true;
      f.BackColor = Colors[static_cast<size_t>(c.Back)];
    }
    std::string key(reinterpret_cast<const char*>(f.Face.data()), f.Face.size() * 2);
    char tail[64];
    std::snprintf(tail, sizeof tail, "|%u|%d|%06x|%d%06x|%d%d%d", f.CharSet, f.HalfPoints, f.Color,
                  f.HasBackColor ? 1 : 0, f.BackColor, f.Bold, f.Italic, f.Underline);
    key += tail;
    auto it = FormatIndex.find(key);
    uint32_t index;
    if (it != FormatIndex.end()) {
      index = it->second;
    } else {
      index = AddRichFormat(Doc, f);
      FormatIndex.emplace(std::move(key), index);
    }
    LastState = c;
    LastEa = ea;
    LastFormat = index;
    return index;
  }

  void Emit(char16_t ch) {
    if (Top().Destination != Dest::Text) return;
    AppendRichChar(Doc, ch, FormatFor(ch));
    LastCharPara = Top().Para;
  }

  // Decoded bytes: control characters other than the tab carry nothing.
  void EmitText(std::u16string_view s) {
    for (char16_t ch : s) {
      if (ch >= 0x20 || ch == kRichTab) Emit(ch);
    }
  }

  // Turns the waiting bytes into characters in the current code page.
  void Flush() {
    if (Pending.empty()) return;
    std::string bytes;
    bytes.swap(Pending);
    if (Top().Destination == Dest::Text) EmitText(CodePageToUtf16(CurrentCodePage(), bytes));
  }

  void Byte(char b) {
    switch (Top().Destination) {
      case Dest::Text:
        Pending.push_back(b);
        break;
      case Dest::FontTable:
        if (TableFont >= 0) {
          FontsDecoded = false;
          LastFormat = UINT32_MAX;
          FontEntry& f = Fonts[TableFont];
          if (f.NameBytes.size() < 256 && (f.NameBytes.empty() || f.NameBytes.back() != ';')) f.NameBytes.push_back(b);
        }
        break;
      case Dest::ColorTable:
        if (b == ';') {
          if (Colors.size() < 4096) Colors.push_back(ColorSet ? MakeColorRef(Red, Green, Blue) : kColorBlack);
          ColorSet = false;
          Red = Green = Blue = 0;
          LastFormat = UINT32_MAX;
        }
        break;
      case Dest::Skip:
        break;
    }
  }

  void ParagraphMark() {
    Flush();
    if (Top().Destination != Dest::Text) return;
    Emit(kRichParagraphMark);
    EndRichParagraph(Doc, Top().Para);
  }

  void ControlWord(std::string_view w, bool hasParam, int32_t param) {
    GroupState& g = Top();
    CharState& c = g.Char;
    RichParagraphFormat& p = g.Para;
    const int32_t value = hasParam ? param : 1;
    const bool on = !hasParam || param != 0;
    // Destinations.
    if (w == "fonttbl") {
      g.Destination = Dest::FontTable;
      return;
    }
    if (w == "colortbl") {
      g.Destination = Dest::ColorTable;
      return;
    }
    if (IsSkippedDestination(w)) {
      g.Destination = Dest::Skip;
      return;
    }
    if (g.Destination == Dest::FontTable) {
      if (w == "f") {
        TableFont = std::max(param, 0);
        Fonts[TableFont];
        FontsDecoded = false;
      } else if (w == "fcharset" && TableFont >= 0) {
        Fonts[TableFont].CharSet = std::clamp(param, 0, 255);
      }
      return;
    }
    if (g.Destination == Dest::ColorTable) {
      const uint8_t v = static_cast<uint8_t>(std::clamp(param, 0, 255));
      if (w == "red") Red = v, ColorSet = true;
      else if (w == "green") Green = v, ColorSet = true;
      else if (w == "blue") Blue = v, ColorSet = true;
      return;
    }
    if (g.Destination == Dest::Skip) return;

    // Document.
    if (w == "ansicpg") DocCodePage = param;
    else if (w == "deff") DefaultFont = std::max(param, 0);
    else if (w == "deftab") Doc.DefaultTab = std::clamp(param, 15, 32767);
    // Characters.
    else if (w == "par" || w == "sect" || w == "row") ParagraphMark();
    else if (w == "line") Emit(kRichLineBreak);
    else if (w == "tab" || w == "cell") Emit(kRichTab);
    else if (w == "emdash") Emit(u'\u2014');
    else if (w == "endash") Emit(u'\u2013');
    else if (w == "lquote") Emit(u'\u2018');
    else if (w == "rquote") Emit(u'\u2019');
    else if (w == "ldblquote") Emit(u'\u201C');
    else if (w == "rdblquote") Emit(u'\u201D');
    else if (w == "bullet") Emit(u'\u2022');
    else if (w == "emspace") Emit(u'\u2003');
    else if (w == "enspace") Emit(u'\u2002');
    else if (w == "u") {
      int32_t u = param;
      if (u < 0) u += 65536;
      if (u >= 0 && u <= 0xFFFF) Emit(static_cast<char16_t>(u));
      SkipAfterUnicode = g.Uc;
    } else if (w == "uc") g.Uc = std::clamp(param, 0, 16);
    // Character formatting.
    else if (w == "plain") {
      c = CharState{};
      c.Font = DefaultFont;
    } else if (w == "f") c.Font = std::max(param, 0);
    else if (w == "fs") c.HalfPoints = hasParam ? std::clamp(param, kRichMinHalfPoints, kRichMaxHalfPoints) : kRichDefaultHalfPoints;
    else if (w == "b") c.Bold = on;
    else if (w == "i") c.Italic = on;
    else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulth" || w == "uldash") c.Underline = on;
    else if (w == "ulnone") c.Underline = false;
    else if (w == "cf") c.Color = std::max(param, 0);
    else if (w == "cb" || w == "highlight" || w == "chcbpat") c.Back = std::max(param, 0);
    else if (w == "loch") c.Run = RunType::Loch;
    else if (w == "hich") c.Run = RunType::Hich;
    else if (w == "dbch") c.Run = RunType::Dbch;
    else if (w == "af") {
      if (c.Run == RunType::Dbch) c.EaFont = std::max(param, 0);
    } else if (w == "afs") {
      if (c.Run == RunType::Dbch) c.EaHalfPoints = std::clamp(value, kRichMinHalfPoints, kRichMaxHalfPoints);
    } else if (w == "ab") {
      if (c.Run == RunType::Dbch) c.EaBold = on ? 1 : 0;
    } else if (w == "ai") {
      if (c.Run == RunType::Dbch) c.EaItalic = on ? 1 : 0;
    }
    // Paragraph formatting.
    else if (w == "pard") p = RichParagraphFormat{};
    else if (w == "ql") p.Align = RichAlign::Left;
    else if (w == "qc") p.Align = RichAlign::Centre;
    else if (w == "qr") p.Align = RichAlign::Right;
    else if (w == "qj" || w == "qd") p.Align = RichAlign::Justify;
    else if (w == "sb") p.SpaceBefore = std::clamp(param, 0, 31680);
    else if (w == "sa") p.SpaceAfter = std::clamp(param, 0, 31680);
    else if (w == "sl") p.LineSpacing = std::clamp(param, -31680, 31680);
    else if (w == "slmult") p.LineMultiple = on;
  }

  void ControlSymbol(char s) {
    switch (s) {
      case '\\':
      case '{':
      case '}':
        Byte(s);
        break;
      case '~':
        Flush();
        Emit(u'\u00A0');
        break;
      case '_':
        Flush();
        Emit(u'\u2011');
        break;
      case '\r':
      case '\n':
        ParagraphMark();  // "\<newline>" is \par
        break;
      case '\t':
        Flush();
        Emit(kRichTab);
        break;
      default:  // \- \| \: and the like
        break;
    }
  }

  // Reads a control word or symbol after the backslash; isDestinationStar
  // tells of \*.
  void Control(bool& isDestinationStar) {
    isDestinationStar = false;
    if (Pos >= In.size()) return;
    const char first = In[Pos];
    if (first == '\'') {
      if (Pos + 2 < In.size() + 0 && HexValue(In[Pos + 1]) >= 0 && HexValue(In[Pos + 2]) >= 0) {
        const char b = static_cast<char>(HexValue(In[Pos + 1]) * 16 + HexValue(In[Pos + 2]));
        Pos += 3;
        if (SkipAfterUnicode > 0) {
          --SkipAfterUnicode;
          return;
        }
        Byte(b);
      } else {
        // A truncated or malformed escape: the quote and a hex digit after
        // it are dropped.
        ++Pos;
        if (Pos < In.size() && HexValue(In[Pos]) >= 0) ++Pos;
        if (SkipAfterUnicode > 0) --SkipAfterUnicode;
      }
      return;
    }
    if (!IsLetter(first)) {
      ++Pos;
      if (first == '*') {
        isDestinationStar = true;
        return;
      }
      if (SkipAfterUnicode > 0) {
        --SkipAfterUnicode;
        return;
      }
      if (first != '\\' && first != '{' && first != '}') Flush();
      ControlSymbol(first);
      return;
    }
    const size_t start = Pos;
    while (Pos < In.size() && IsLetter(In[Pos]) && Pos - start < 32) ++Pos;
    const std::string_view word = In.substr(start, Pos - start);
    while (Pos < In.size() && IsLetter(In[Pos])) ++Pos;  // an overlong word: the rest is dropped
    bool negative = false;
    bool hasParam = false;
    int64_t value = 0;
    if (Pos < In.size() && In[Pos] == '-' && Pos + 1 < In.size() && IsDigit(In[Pos + 1])) {
      negative = true;
      ++Pos;
    }
    while (Pos < In.size() && IsDigit(In[Pos])) {
      hasParam = true;
      value = std::min<int64_t>(value * 10 + (In[Pos] - '0'), int64_t{1} << 32);
      ++Pos;
    }
    if (Pos < In.size() && In[Pos] == ' ') ++Pos;
    if (negative) value = -value;
    const int32_t param = static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));

    if (word == "bin") {
      // Binary data: passed over, never past the input.
      Flush();
      const size_t n = hasParam && param > 0 ? static_cast<size_t>(param) : 0;
      Pos += std::min(n, In.size() - Pos);
      return;
    }
    if (SkipAfterUnicode > 0) {
      --SkipAfterUnicode;
      return;
    }
    Flush();
    ControlWord(word, hasParam, param);
  }

  bool Run(RtfReadStatus& status) {
    size_t i = 0;
    while (i < In.size() && (In[i] == ' ' || In[i] == '\r' || In[i] == '\n' || In[i] == '\t')) ++i;
    if (In.substr(i, 5) != "{\\rtf") {
      status = RtfReadStatus::NotRtf;
      return false;
    }
    Pos = i;
    bool groupStart = false;
    while (Pos < In.size()) {
      const char ch = In[Pos];
      if (ch == '{') {
        ++Pos;
        Flush();
        SkipAfterUnicode = 0;
        if (static_cast<int>(Stack.size()) >= kMaxRtfDepth) {
          status = RtfReadStatus::TooDeep;
          return false;
        }
        Stack.push_back(Stack.empty() ? GroupState{} : Top());
        groupStart = true;
        continue;
      }
      if (ch == '}') {
        ++Pos;
        Flush();
        SkipAfterUnicode = 0;
        if (Stack.empty()) break;
        const Dest leaving = Top().Destination;
        Stack.pop_back();
        if (leaving == Dest::FontTable && (Stack.empty() || Top().Destination != Dest::FontTable)) TableFont = -1;
        if (Stack.empty()) break;  // the document's closing brace
        groupStart = false;
        continue;
      }
      if (Stack.empty()) break;
      if (ch == '\\') {
        ++Pos;
        bool star = false;
        Control(star);
        if (star) {
          // An optional destination ({\*\word ...}): none is read here.
          if (groupStart) Top().Destination = Dest::Skip;
          continue;
        }
        groupStart = false;
        continue;
      }
      groupStart = false;
      ++Pos;
      if (ch == '\r' || ch == '\n') continue;
      if (SkipAfterUnicode > 0) {
        --SkipAfterUnicode;
        continue;
      }
      if (ch == '\t') {
        Flush();
        Emit(kRichTab);
        continue;
      }
      Byte(ch);
    }
    Flush();
    return true;
  }
};

}  // namespace

const char* RtfCharSetCodePage(int charSet, int documentCodePage) {
  switch (charSet) {
    case 0:
    case 2:  // symbol fonts: their bytes as ANSI
      return "CP1252";
    case 128:
      return "CP932";
    case 129:
      return "CP949";
    case 134:
      return "CP936";
    case 136:
      return "CP950";
    case 161:
      return "CP1253";
    case 162:
      return "CP1254";
    case 163:
      return "CP1258";
    case 177:
      return "CP1255";
    case 178:
      return "CP1256";
    case 186:
      return "CP1257";
    case 204:
      return "CP1251";
    case 222:
      return "CP874";
    case 238:
      return "CP1250";
    case 255:
      return "CP437";
    default:
      break;
  }
  switch (documentCodePage) {
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 874: return "CP874";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    default: return "CP1252";
  }
}

bool ReadRtf(std::string_view rtf, RichTextDocument& doc, RtfReadStatus* status) {
  RtfReadStatus result = RtfReadStatus::Ok;
  ClearRichText(doc);
  bool ok = false;
  if (rtf.size() > kMaxRtfInput) {
    result = RtfReadStatus::TooLarge;
  } else {
    Reader reader{rtf, 0, doc};
    ok = reader.Run(result);
    if (ok) {
      // The last paragraph, when the document writes no mark after it.
      const int32_t closed = doc.Paragraphs.empty() ? 0 : doc.Paragraphs.back().End;
      if (RichTextLength(doc) > closed) EndRichParagraph(doc, reader.LastCharPara);
    }
  }
  if (!ok) ClearRichText(doc);
  if (status != nullptr) *status = result;
  return ok;
}

}  // namespace vexilo
