// Fonts and text of the drawing services on Linux: FreeType rasterises,
// fontconfig finds the faces. Fonts are made as Windows makes them (cell
// height, average width, weight, italic, underline), with the face table of
// the README's "Fonts" section standing in for the faces that hosts name.
//
// Module state: one FT_Library and one fontconfig configuration, every face
// file opened once (an FT_Face per file and face index), one sized instance
// per face, size and synthesis (an FT_Size with its glyph cache), and the
// answers of fontconfig by name. Fonts share instances, so a second font of
// the same face and size costs a few look-ups. One lock guards it all.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "lang/CodePageUnit.h"
#include "render/DrawingUnit.h"

namespace vexilo {
namespace {

// ---------------------------------------------------------------------------
// The face table (documented in README.md, "## Fonts")

enum class Sizing : uint8_t {
  Cjk,      // em = cell height, natural average width = half the cell (the Chinese system faces)
  Windows,  // cell = winAscent + winDescent, the face's own average width (Windows' own rule)
};

struct FaceMapping {
  const char* HostNames;     // '|'-separated, UTF-8; ASCII letters match in any case
  const char* Family;        // installed family
  const char* StrikeFamily;  // or null: used instead where it has a bitmap strike of the em
  const char* NarrowFamily;  // or null: draws the ASCII characters (half-width ones)
  Sizing Mode;
};

constexpr FaceMapping kFaceTable[] = {
    {"宋体|新宋体|SimSun|NSimSun|宋体-18030|新宋体-18030|仿宋_GB2312|仿宋|FangSong_GB2312|FangSong", "AR PL UMing CN",
     nullptr, nullptr, Sizing::Cjk},
    {"黑体|SimHei|幼圆|YouYuan", "WenQuanYi Zen Hei", "WenQuanYi Zen Hei Sharp", "WenQuanYi Zen Hei Mono", Sizing::Cjk},
    {"楷体_GB2312|楷体|KaiTi_GB2312|KaiTi|隶书|LiSu", "AR PL UKai CN", nullptr, nullptr, Sizing::Cjk},
    {"新細明體|細明體|PMingLiU|MingLiU", "AR PL UMing TW", nullptr, nullptr, Sizing::Cjk},
    {"標楷體|DFKai-SB", "AR PL UKai TW", nullptr, nullptr, Sizing::Cjk},
    {"微软雅黑|Microsoft YaHei", "WenQuanYi Zen Hei", nullptr, nullptr, Sizing::Windows},
    {"Arial|Helvetica|Microsoft Sans Serif|MS Sans Serif", "Liberation Sans", nullptr, nullptr, Sizing::Windows},
    {"Times New Roman|Times", "Liberation Serif", nullptr, nullptr, Sizing::Windows},
    {"Courier New|Courier", "Liberation Mono", nullptr, nullptr, Sizing::Windows},
    {"Tahoma", "DejaVu Sans Condensed", nullptr, nullptr, Sizing::Windows},
    {"Verdana", "DejaVu Sans", nullptr, nullptr, Sizing::Windows},
};
constexpr int kSongEntry = 0;    // an empty name, and unknown names with GB2312
constexpr int kMingTwEntry = 3;  // unknown names with Big5
constexpr const char* CjkFallbackCn = "AR PL UMing CN";
constexpr const char* CjkFallbackTw = "AR PL UMing TW";
constexpr const char* SymbolFallback = "DejaVu Sans";

// Shear of synthesised italics (FreeType's oblique slant, about 12 degrees).
constexpr double kItalicSlant = 0x0366A / 65536.0;
constexpr int kMaxFontHeight = 1024;
constexpr int kDefaultFontHeight = 16;
constexpr size_t kGlyphCacheLimit = size_t{16} << 20;  // bytes of runs per instance

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

int FindMapping(const std::string& lowerName) {
  for (int i = 0; i < static_cast<int>(std::size(kFaceTable)); ++i) {
    std::string_view names = kFaceTable[i].HostNames;
    while (!names.empty()) {
      size_t bar = names.find('|');
      std::string_view one = names.substr(0, bar);
      if (AsciiLower(one) == lowerName) return i;
      if (bar == std::string_view::npos) break;
      names.remove_prefix(bar + 1);
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Module state

struct FaceFile {
  std::string Path;
  int Index = 0;
  FT_Face Face = nullptr;
  std::string Family;
  int Upem = 1000;
  int WinAscent = 800;
  int WinDescent = 200;
  double AvgUnits = 500;  // Windows' average width: OS/2 version 0-2 weighting of a-z and space
  int UnderlinePosition = -100;
  int UnderlineThickness = 50;
  std::vector<int> StrikePpem;
  bool Named = false;  // Family is the name a table entry or fontconfig asked for
  bool Bold = false;   // the face's own style
  bool Italic = false;
};

struct Run {
  int32_t Row;  // from the cell top
  int32_t X0;   // from the pen, inclusive
  int32_t X1;   // exclusive
};

struct Glyph {
  bool Present = false;
  bool FromStrike = false;
  int Advance = 0;
  int MinX = 0, MaxX = 0;  // horizontal extent of the runs, from the pen
  std::vector<Run> Runs;
};

struct Instance {
  FaceFile* File = nullptr;
  FT_Size Size = nullptr;
  bool UseStrike = false;
  bool SynthBold = false;
  int BoldPixels = 0;
  bool SynthItalic = false;
  bool FitCell = false;  // keep every glyph inside the cell (Cjk sizing)
  int Cell = 0;
  int Ascent = 0;
  std::unordered_map<char32_t, Glyph> Glyphs;
  size_t GlyphBytes = 0;
};
using InstancePtr = std::shared_ptr<Instance>;

struct StyledFace {
  FaceFile* File = nullptr;
  bool RealBold = false;
  bool RealItalic = false;
};

struct DrawingState {
  std::mutex Lock;
  FT_Library Library = nullptr;
  FcConfig* Config = nullptr;
  bool Failed = false;
  std::map<std::pair<std::string, int>, std::unique_ptr<FaceFile>> Files;
  // fontconfig answers: "family|bold|italic" -> face; empty when none fits.
  std::unordered_map<std::string, StyledFace> Styled;
  std::unordered_map<std::string, std::string> FamilyOfName;  // unknown host names -> fontconfig's family
  std::unordered_map<char32_t, FaceFile*> CharFace;           // last-resort faces by character
  std::unordered_map<std::string, InstancePtr> Instances;
};

DrawingState& State() {
  static DrawingState* state = new DrawingState;  // lives for the process; emptied by DrawingShutdown
  return *state;
}

struct ShutdownAtExit {
  ~ShutdownAtExit() { DrawingShutdown(); }
} shutdownAtExit;

bool EnsureStarted(DrawingState& s) {
  if (s.Library) return true;
  if (s.Failed) return false;
  if (FT_Init_FreeType(&s.Library) != 0) {
    s.Library = nullptr;
    s.Failed = true;
    return false;
  }
  s.Config = FcInitLoadConfigAndFonts();
  return true;
}

double WeightedAverage(FT_Face face) {
  static const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                  56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
  double sum = 0;
  for (int k = 0; k < 27; ++k) {
    FT_ULong c = k < 26 ? static_cast<FT_ULong>('a' + k) : ' ';
    FT_UInt gi = FT_Get_Char_Index(face, c);
    FT_Fixed advance = 0;
    if (gi == 0 || FT_Get_Advance(face, gi, FT_LOAD_NO_SCALE, &advance) != 0) return -1;
    sum += weights[k] * static_cast<double>(advance);
  }
  return sum / 1000.0;
}

FaceFile* OpenFile(DrawingState& s, const std::string& path, int index) {
  auto key = std::make_pair(path, index);
  auto it = s.Files.find(key);
  if (it != s.Files.end()) return it->second.get();
  auto file = std::make_unique<FaceFile>();
  file->Path = path;
  file->Index = index;
  if (FT_New_Face(s.Library, path.c_str(), index, &file->Face) != 0) {
    s.Files[key] = nullptr;
    return nullptr;
  }
  FT_Face f = file->Face;
  if (!FT_IS_SCALABLE(f) && f->num_fixed_sizes == 0) {
    FT_Done_Face(f);
    s.Files[key] = nullptr;
    return nullptr;
  }
  file->Family = f->family_name ? f->family_name : "";
  file->Upem = f->units_per_EM > 0 ? f->units_per_EM : 1000;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA));
  int a = 0, d = 0;
  if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
    a = os2->usWinAscent;
    d = static_cast<int16_t>(os2->usWinDescent);  // Windows reads it signed, as some fonts store it
    d = std::abs(d);
  } else if (hhea && (hhea->Ascender || hhea->Descender)) {
    a = hhea->Ascender;
    d = -hhea->Descender;
  } else {
    a = f->ascender;
    d = -f->descender;
  }
  if (a + d <= 0) {
    a = file->Upem * 4 / 5;
    d = file->Upem - a;
  }
  file->WinAscent = a;
  file->WinDescent = d;
  double avg = WeightedAverage(f);
  if (avg <= 0 && os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) avg = os2->xAvgCharWidth;
  if (avg <= 0) avg = file->Upem / 2.0;
  file->AvgUnits = avg;
  if (f->underline_thickness > 0) {
    file->UnderlinePosition = f->underline_position;
    file->UnderlineThickness = f->underline_thickness;
  } else {
    file->UnderlinePosition = -file->Upem / 10;
    file->UnderlineThickness = file->Upem / 20;
  }
  file->Bold =
      (f->style_flags & FT_STYLE_FLAG_BOLD) != 0 || (os2 && os2->version != 0xFFFF && os2->usWeightClass >= 600);
  file->Italic = (f->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  for (int i = 0; i < f->num_fixed_sizes; ++i) {
    const FT_Bitmap_Size& b = f->available_sizes[i];
    if (b.x_ppem == b.y_ppem && (b.y_ppem & 63) == 0) file->StrikePpem.push_back(static_cast<int>(b.y_ppem >> 6));
  }
  FaceFile* raw = file.get();
  s.Files[key] = std::move(file);
  return raw;
}

std::string PatternString(FcPattern* p, const char* object, int n = 0) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(p, object, n, &value) == FcResultMatch && value) return reinterpret_cast<char*>(value);
  return {};
}

bool PatternHasFamily(FcPattern* p, const std::string& lowerName) {
  for (int n = 0;; ++n) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, n, &value) != FcResultMatch || !value) return false;
    if (AsciiLower(reinterpret_cast<char*>(value)) == lowerName) return true;
  }
}

// fontconfig's best scalable face for a family in a style, or (family
// empty) for a face holding the character withChar.
FcPattern* MatchPattern(DrawingState& s, const std::string& family, bool bold, bool italic, char32_t withChar) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  if (withChar) {
    FcCharSet* set = FcCharSetCreate();
    FcCharSetAddChar(set, withChar);
    FcPatternAddCharSet(pattern, FC_CHARSET, set);
    FcCharSetDestroy(set);
  }
  FcConfigSubstitute(s.Config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(s.Config, pattern, &result);
  FcPatternDestroy(pattern);
  return match;
}

FaceFile* FileOfPattern(DrawingState& s, FcPattern* match) {
  std::string path = PatternString(match, FC_FILE);
  int index = 0;
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  if (path.empty()) return nullptr;
  return OpenFile(s, path, index);
}

// The file of an installed family in a style; tells whether the style is the
// face's own (else bold or italic is synthesised). A family that is not
// installed gives no file.
StyledFace StyleOf(DrawingState& s, const std::string& family, bool bold, bool italic) {
  std::string key = family + (bold ? "|b" : "|r") + (italic ? "i" : "u");
  auto it = s.Styled.find(key);
  if (it != s.Styled.end()) return it->second;
  StyledFace styled;
  if (FcPattern* match = MatchPattern(s, family, bold, italic, 0)) {
    if (PatternHasFamily(match, AsciiLower(family))) {
      // The file's own style decides: fontconfig reports the requested
      // weight and slant also where it would only synthesise them.
      styled.File = FileOfPattern(s, match);
      if (styled.File && !styled.File->Named) {
        // Known by the family it was asked for (DejaVu Sans Condensed, whose
        // file calls itself DejaVu Sans).
        styled.File->Family = family;
        styled.File->Named = true;
      }
      if (styled.File) {
        styled.RealBold = bold && styled.File->Bold;
        styled.RealItalic = italic && styled.File->Italic;
      }
    }
    FcPatternDestroy(match);
  }
  s.Styled[key] = styled;
  return styled;
}

// fontconfig's family for a name that the table does not hold; empty when
// fontconfig has no face of that name (it then offers its default face).
std::string FamilyForUnknownName(DrawingState& s, const std::string& utf8Name, std::string& defaultFamily) {
  auto it = s.FamilyOfName.find(utf8Name);
  std::string found;
  if (it != s.FamilyOfName.end()) {
    found = it->second;
  } else {
    if (FcPattern* match = MatchPattern(s, utf8Name, false, false, 0)) {
      std::string family = PatternString(match, FC_FAMILY);
      found = PatternHasFamily(match, AsciiLower(utf8Name)) ? family : "\x01" + family;
      FcPatternDestroy(match);
    }
    s.FamilyOfName[utf8Name] = found;
  }
  if (!found.empty() && found[0] == '\x01') {
    defaultFamily = found.substr(1);
    return {};
  }
  defaultFamily = found;
  return found;
}

FaceFile* FaceForChar(DrawingState& s, char32_t c) {
  auto it = s.CharFace.find(c);
  if (it != s.CharFace.end()) return it->second;
  FaceFile* file = nullptr;
  if (FcPattern* match = MatchPattern(s, std::string(), false, false, c)) {
    FcCharSet* set = nullptr;
    if (FcPatternGetCharSet(match, FC_CHARSET, 0, &set) == FcResultMatch && set && FcCharSetHasChar(set, c)) {
      file = FileOfPattern(s, match);
    }
    FcPatternDestroy(match);
  }
  if (file && FT_Get_Char_Index(file->Face, c) == 0) file = nullptr;
  s.CharFace[c] = file;
  return file;
}

// ---------------------------------------------------------------------------
// Sizing

struct SizePlan {
  double YPpem = 16;
  double XPpem = 16;
  int Cell = 16;
  int Ascent = 14;
  int AveWidth = 8;
  double XScale = 1;  // requested width over the natural one
};

int RoundInt(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// Cjk: the Chinese system faces have em = cell, ascent 0.859 em (SimSun,
// SimHei: 220 of 256) and an average width of half the em.
SizePlan PlanCjk(int height, int width) {
  SizePlan p;
  int em = std::max(1, std::abs(height));
  p.Cell = em;
  p.Ascent = (em * 859 + 500) / 1000;
  p.YPpem = em;
  // Half the em exactly: at an odd em such as 17 the average width em div 2
  // (8) that the text renderer and the clock cells ask for narrows the glyphs to 16 / 17, which
  // makes a 17-pixel ideograph 16 wide and a digit 8 wide as on the hosts.
  double natural = em / 2.0;
  if (width > 0) p.XScale = width / natural;
  p.AveWidth = width > 0 ? width : std::max(1, RoundInt(natural));
  p.XPpem = em * p.XScale;
  return p;
}

// Windows: a positive height is the cell (winAscent + winDescent), a negative
// one the em; the requested average width scales against the face's own.
SizePlan PlanWindows(const FaceFile& f, int height, int width) {
  SizePlan p;
  double total = f.WinAscent + f.WinDescent;
  if (height > 0) {
    p.Cell = height;
    p.YPpem = std::max(1, RoundInt(height * f.Upem / total));
    p.Ascent = RoundInt(height * f.WinAscent / total);
  } else {
    p.YPpem = std::max(1, -height);
    p.Ascent = RoundInt(f.WinAscent * p.YPpem / f.Upem);
    p.Cell = std::max(1, p.Ascent + RoundInt(f.WinDescent * p.YPpem / f.Upem));
  }
  double natural = f.AvgUnits * p.YPpem / f.Upem;
  if (width > 0 && natural > 0) p.XScale = width / natural;
  p.AveWidth = width > 0 ? width : std::max(1, RoundInt(natural));
  p.XPpem = p.YPpem * p.XScale;
  return p;
}

SizePlan Plan(Sizing mode, const FaceFile& f, int height, int width) {
  return mode == Sizing::Cjk ? PlanCjk(height, width) : PlanWindows(f, height, width);
}

bool HasStrike(const FaceFile& f, const SizePlan& p) {
  long y = std::lround(p.YPpem * 64), x = std::lround(p.XPpem * 64);
  if (x != y || (y & 63) != 0) return false;
  return std::find(f.StrikePpem.begin(), f.StrikePpem.end(), static_cast<int>(y >> 6)) != f.StrikePpem.end();
}

InstancePtr GetInstance(DrawingState& s, FaceFile* file, const SizePlan& p, bool synthBold, bool synthItalic,
                        bool fitCell) {
  if (!file) return nullptr;
  long x26 = std::clamp<long>(std::lround(p.XPpem * 64), 64, 4096 * 64);
  long y26 = std::clamp<long>(std::lround(p.YPpem * 64), 64, 4096 * 64);
  bool strike = x26 == y26 && HasStrike(*file, p);
  int boldPixels = synthBold ? std::max(1, static_cast<int>((y26 / 64 + 16) / 32)) : 0;
  std::string key = file->Path + "#" + std::to_string(file->Index) + "#" + std::to_string(x26) + "x" +
                    std::to_string(y26) + (strike ? "s" : "o") + std::to_string(boldPixels) +
                    (synthItalic ? "i" : "u") + (fitCell ? "f" : "n") + std::to_string(p.Cell) + "/" +
                    std::to_string(p.Ascent);
  auto it = s.Instances.find(key);
  if (it != s.Instances.end()) return it->second;
  auto in = std::make_shared<Instance>();
  in->File = file;
  if (FT_New_Size(file->Face, &in->Size) != 0) return nullptr;
  FT_Activate_Size(in->Size);
  FT_Error error = 0;
  if (strike) {
    int index = -1;
    for (int i = 0; i < file->Face->num_fixed_sizes; ++i) {
      if (file->Face->available_sizes[i].y_ppem == y26 && file->Face->available_sizes[i].x_ppem == x26) index = i;
    }
    error = index >= 0 ? FT_Select_Size(file->Face, index) : 1;
    if (error) {
      strike = false;
      error = 0;
    }
  }
  if (!strike) error = FT_Set_Char_Size(file->Face, x26, y26, 72, 72);
  if (error) {
    FT_Done_Size(in->Size);
    return nullptr;
  }
  in->UseStrike = strike;
  in->SynthBold = synthBold;
  in->BoldPixels = boldPixels;
  in->SynthItalic = synthItalic;
  in->FitCell = fitCell;
  in->Cell = p.Cell;
  in->Ascent = p.Ascent;
  // Bound the registry: forget instances no font holds any more.
  if (s.Instances.size() >= 512) {
    for (auto i = s.Instances.begin(); i != s.Instances.end();) {
      if (i->second.use_count() == 1) {
        if (i->second->Size) FT_Done_Size(i->second->Size);
        i->second->Size = nullptr;
        i = s.Instances.erase(i);
      } else {
        ++i;
      }
    }
  }
  s.Instances[key] = in;
  return in;
}

// ---------------------------------------------------------------------------
// Glyphs

constexpr char32_t kNotdefKey = 0xFFFFFFFF;

void LoadGlyph(Instance& in, char32_t c, Glyph& g) {
  g = Glyph{};
  if (!in.File || !in.Size) return;
  FT_Face face = in.File->Face;
  FT_UInt gi = c == kNotdefKey ? 0 : FT_Get_Char_Index(face, c);
  if (gi == 0 && c != kNotdefKey) return;
  if (FT_Activate_Size(in.Size) != 0) return;
  FT_Int32 flags = FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME;
  if (!in.UseStrike) flags |= FT_LOAD_NO_BITMAP;
  if (FT_Load_Glyph(face, gi, flags) != 0) return;
  FT_GlyphSlot slot = face->glyph;
  bool fromStrike = slot->format == FT_GLYPH_FORMAT_BITMAP;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (in.SynthItalic) {
      FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return;
  }
  if (slot->format != FT_GLYPH_FORMAT_BITMAP) return;
  g.Present = true;
  g.FromStrike = fromStrike;
  // Advances: a strike's own; for the Chinese system faces the design
  // advance (their ideographs are exactly one em, their half-width characters
  // half of it, whatever the hinter does to the outline); else the hinted one.
  if (fromStrike || !in.FitCell) {
    g.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
  } else {
    g.Advance = static_cast<int>((slot->linearHoriAdvance + 0x8000) >> 16);
  }

  // Unpack to one byte per pixel; anything but a mono or grey bitmap is empty.
  const FT_Bitmap& bm = slot->bitmap;
  int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
  int left = slot->bitmap_left, top = slot->bitmap_top;
  std::vector<uint8_t> px(static_cast<size_t>(w) * h, 0);
  if (bm.buffer && (bm.pixel_mode == FT_PIXEL_MODE_MONO || bm.pixel_mode == FT_PIXEL_MODE_GRAY)) {
    for (int r = 0; r < h; ++r) {
      const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
      if (bm.pitch < 0) row = bm.buffer + static_cast<ptrdiff_t>(h - 1 - r) * -bm.pitch;
      for (int x = 0; x < w; ++x) {
        bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) : row[x] >= 128;
        px[static_cast<size_t>(r) * w + x] = on;
      }
    }
  }
  // A strike cannot be sheared as an outline: shift its rows instead.
  if (fromStrike && in.SynthItalic && w > 0 && h > 0) {
    std::vector<int> shift(h);
    int lo = 0, hi = 0;
    for (int r = 0; r < h; ++r) {
      shift[r] = static_cast<int>(std::floor((top - r - 0.5) * kItalicSlant + 0.5));
      lo = std::min(lo, shift[r]);
      hi = std::max(hi, shift[r]);
    }
    int nw = w + hi - lo;
    std::vector<uint8_t> out(static_cast<size_t>(nw) * h, 0);
    for (int r = 0; r < h; ++r) {
      for (int x = 0; x < w; ++x)
        out[static_cast<size_t>(r) * nw + x + shift[r] - lo] = px[static_cast<size_t>(r) * w + x];
    }
    px.swap(out);
    w = nw;
    left += lo;
  }
  // Synthesised bold: every row smeared to the right (GDI's overstrike).
  if (in.SynthBold && in.BoldPixels > 0) {
    int s = in.BoldPixels;
    if (w > 0 && h > 0) {
      int nw = w + s;
      std::vector<uint8_t> out(static_cast<size_t>(nw) * h, 0);
      for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
          if (!px[static_cast<size_t>(r) * w + x]) continue;
          for (int k = 0; k <= s; ++k) out[static_cast<size_t>(r) * nw + x + k] = 1;
        }
      }
      px.swap(out);
      w = nw;
    }
    g.Advance += s;
  }
  int rowTop = in.Ascent - top;
  if (in.FitCell) {
    if (h <= in.Cell) {
      rowTop = std::clamp(rowTop, 0, in.Cell - h);
    } else {
      rowTop = 0;
    }
  }
  for (int r = 0; r < h; ++r) {
    int x = 0;
    while (x < w) {
      while (x < w && !px[static_cast<size_t>(r) * w + x]) ++x;
      if (x >= w) break;
      int start = x;
      while (x < w && px[static_cast<size_t>(r) * w + x]) ++x;
      g.Runs.push_back(Run{rowTop + r, left + start, left + x});
    }
  }
  if (!g.Runs.empty()) {
    g.MinX = g.Runs.front().X0;
    g.MaxX = g.Runs.front().X1;
    for (const Run& r : g.Runs) {
      g.MinX = std::min(g.MinX, r.X0);
      g.MaxX = std::max(g.MaxX, r.X1);
    }
  }
}

const Glyph& GetGlyph(Instance& in, char32_t c) {
  auto it = in.Glyphs.find(c);
  if (it != in.Glyphs.end()) return it->second;
  if (in.GlyphBytes > kGlyphCacheLimit) {
    in.Glyphs.clear();
    in.GlyphBytes = 0;
  }
  Glyph& g = in.Glyphs[c];
  LoadGlyph(in, c, g);
  in.GlyphBytes += sizeof(Glyph) + 32 + g.Runs.size() * sizeof(Run);
  return g;
}

}  // namespace

// ---------------------------------------------------------------------------
// Fonts

struct Font {
  FontMetrics Metrics;
  int CellHeight = 16;
  int RequestHeight = 16;  // as asked (clamped); fallbacks are made from the same request
  int RequestWidth = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  int UnderlineTop = 15;
  int UnderlineRows = 1;
  InstancePtr Primary;
  InstancePtr Narrow;                  // ASCII characters, when the table names a face for them
  std::vector<InstancePtr> Fallbacks;  // CJK face, symbol face
  mutable std::unordered_map<char32_t, InstancePtr> CharFallbacks;
};

namespace {

const Glyph EmptyGlyph{true, false, 0, 0, 0, {}};

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// The glyph a character is drawn with, and the instance it came from. A
// character no face has is drawn as the primary face's .notdef glyph
// (control characters as nothing, zero wide).
const Glyph& FindGlyph(DrawingState& s, const Font& font, char32_t c, Instance** from, bool* found = nullptr) {
  if (found) *found = true;
  if (font.Narrow && c >= 0x20 && c < 0x7F) {
    const Glyph& g = GetGlyph(*font.Narrow, c);
    if (g.Present) {
      if (from) *from = font.Narrow.get();
      return g;
    }
  }
  if (font.Primary) {
    const Glyph& g = GetGlyph(*font.Primary, c);
    if (g.Present) {
      if (from) *from = font.Primary.get();
      return g;
    }
  }
  if (IsControl(c)) {
    if (from) *from = nullptr;
    return EmptyGlyph;
  }
  for (const InstancePtr& fb : font.Fallbacks) {
    const Glyph& g = GetGlyph(*fb, c);
    if (g.Present) {
      if (from) *from = fb.get();
      return g;
    }
  }
  auto it = font.CharFallbacks.find(c);
  InstancePtr inst;
  if (it != font.CharFallbacks.end()) {
    inst = it->second;
  } else if (s.Library) {
    if (FaceFile* file = FaceForChar(s, c)) {
      SizePlan p = PlanWindows(*file, font.RequestHeight, font.RequestWidth);
      inst = GetInstance(s, file, p, font.Bold, font.Italic, true);
    }
    font.CharFallbacks[c] = inst;
  }
  if (inst) {
    const Glyph& g = GetGlyph(*inst, c);
    if (g.Present) {
      if (from) *from = inst.get();
      return g;
    }
  }
  if (found) *found = false;
  if (from) *from = font.Primary.get();
  if (font.Primary) return GetGlyph(*font.Primary, kNotdefKey);
  return EmptyGlyph;
}

template <typename Fn>
void ForEachCodePoint(std::u16string_view text, Fn fn) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    fn(c);
  }
}

struct Painter {
  Raster& Target;
  int Left, Top, Right, Bottom;  // visible area
  uint8_t Bytes[3];
  int Size;

  Painter(Raster& r, const Rect* clip, ColorRef color) : Target(r) {
    Left = 0;
    Top = 0;
    Right = r.Width;
    Bottom = r.Height;
    if (clip) {
      Left = std::max(Left, clip->Left);
      Top = std::max(Top, clip->Top);
      Right = std::min(Right, clip->Right);
      Bottom = std::min(Bottom, clip->Bottom);
    }
    SetColor(color);
  }
  void SetColor(ColorRef c) {
    switch (Target.Kind) {
      case PixelKind::Palette8:
        Bytes[0] = NearestPaletteIndex(c);
        Size = 1;
        break;
      case PixelKind::Rgb565: {
        uint16_t p = ToRgb565(c);
        Bytes[0] = static_cast<uint8_t>(p & 0xFF);
        Bytes[1] = static_cast<uint8_t>(p >> 8);
        Size = 2;
        break;
      }
      case PixelKind::Rgb24:
        Bytes[0] = BlueOf(c);
        Bytes[1] = GreenOf(c);
        Bytes[2] = RedOf(c);
        Size = 3;
        break;
    }
  }
  void Span(int64_t y, int64_t x0, int64_t x1) {
    if (y < Top || y >= Bottom) return;
    x0 = std::max<int64_t>(x0, Left);
    x1 = std::min<int64_t>(x1, Right);
    if (x0 >= x1) return;
    uint8_t* row = RasterRow(Target, static_cast<int>(y));
    if (!row) return;
    if (Size == 1) {
      std::memset(row + x0, Bytes[0], static_cast<size_t>(x1 - x0));
    } else {
      for (int64_t x = x0; x < x1; ++x) std::memcpy(row + x * Size, Bytes, static_cast<size_t>(Size));
    }
  }
  void Box(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    for (int64_t y = std::max<int64_t>(y0, Top); y < std::min<int64_t>(y1, Bottom); ++y) Span(y, x0, x1);
  }
};

int64_t Advances(DrawingState& s, const Font& font, std::u16string_view text) {
  int64_t width = 0;
  ForEachCodePoint(text, [&](char32_t c) { width += FindGlyph(s, font, c, nullptr).Advance; });
  return width;
}

}  // namespace

void FontDeleter::operator()(Font* font) const {
  if (!font) return;
  std::lock_guard<std::mutex> guard(State().Lock);
  delete font;  // instances stay cached in the module state
}

FontPtr NewFont(const FontRequest& request) {
  DrawingState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  FontPtr font(new Font);
  Font& f = *font;
  int height = request.Height == 0 ? kDefaultFontHeight : std::clamp(request.Height, -kMaxFontHeight, kMaxFontHeight);
  int width = request.Width > 0 ? std::min(request.Width, 16 * kMaxFontHeight) : 0;
  f.Bold = request.Weight >= 600;
  f.Italic = request.Italic;
  f.Underline = request.Underline;
  FontMetrics& m = f.Metrics;
  m.Weight = request.Weight;
  m.Italic = request.Italic;
  m.Underline = request.Underline;
  m.CharSet = request.CharSet;
  bool traditional =
      request.CharSet == kBig5CharSet || (request.CharSet != kGb2312CharSet && std::strcmp(AnsiCodePage(), "CP950") == 0);
  if (!EnsureStarted(s)) {
    m.Height = std::abs(height);
    m.Ascent = m.Height;
    f.CellHeight = m.Height;
    return font;
  }

  // Which entry of the table, or which fontconfig family.
  std::string name = Utf16ToUtf8(request.Face);
  std::string lower = AsciiLower(name);
  int entry = name.empty() ? kSongEntry : FindMapping(lower);
  std::string family, defaultFamily;
  if (entry < 0) {
    family = FamilyForUnknownName(s, name, defaultFamily);
    if (family.empty()) {
      if (request.CharSet == kGb2312CharSet)
        entry = kSongEntry;
      else if (request.CharSet == kBig5CharSet)
        entry = kMingTwEntry;
      else
        family = defaultFamily;
    }
  }
  Sizing mode = entry >= 0 ? kFaceTable[entry].Mode : Sizing::Windows;
  if (entry >= 0) family = kFaceTable[entry].Family;

  StyledFace main = StyleOf(s, family, f.Bold, f.Italic);
  if (!main.File) main = StyleOf(s, SymbolFallback, f.Bold, f.Italic);
  if (!main.File && !defaultFamily.empty()) main = StyleOf(s, defaultFamily, f.Bold, f.Italic);
  if (!main.File) {
    m.Height = std::abs(height);
    m.Ascent = m.Height;
    f.CellHeight = m.Height;
    return font;
  }
  SizePlan plan = Plan(mode, *main.File, height, width);
  if (entry >= 0 && kFaceTable[entry].StrikeFamily) {
    StyledFace sharp = StyleOf(s, kFaceTable[entry].StrikeFamily, f.Bold, f.Italic);
    if (sharp.File && HasStrike(*sharp.File, plan)) main = sharp;
  }
  bool cjk = mode == Sizing::Cjk;
  f.CellHeight = plan.Cell;
  f.RequestHeight = height;
  f.RequestWidth = width;
  bool synthBold = f.Bold && !main.RealBold;
  bool synthItalic = f.Italic && !main.RealItalic;
  f.Primary = GetInstance(s, main.File, plan, synthBold, synthItalic, cjk);
  if (entry >= 0 && kFaceTable[entry].NarrowFamily) {
    StyledFace narrow = StyleOf(s, kFaceTable[entry].NarrowFamily, f.Bold, f.Italic);
    if (narrow.File) {
      f.Narrow = GetInstance(s, narrow.File, plan, f.Bold && !narrow.RealBold, f.Italic && !narrow.RealItalic, cjk);
    }
  }
  // Fallbacks, made from the same height and width as Windows' font linking
  // makes its linked faces; their cell tops meet the font's cell top.
  const char* cjkFamily = traditional ? CjkFallbackTw : CjkFallbackCn;
  if (family != cjkFamily) {
    StyledFace fb = StyleOf(s, cjkFamily, f.Bold, f.Italic);
    if (fb.File) {
      SizePlan p = PlanCjk(height, width);
      if (InstancePtr in = GetInstance(s, fb.File, p, f.Bold && !fb.RealBold, f.Italic && !fb.RealItalic, true)) {
        f.Fallbacks.push_back(in);
      }
    }
  }
  if (family != SymbolFallback) {
    StyledFace fb = StyleOf(s, SymbolFallback, f.Bold, f.Italic);
    if (fb.File) {
      SizePlan p = PlanWindows(*fb.File, height, width);
      if (InstancePtr in = GetInstance(s, fb.File, p, f.Bold && !fb.RealBold, f.Italic && !fb.RealItalic, true)) {
        f.Fallbacks.push_back(in);
      }
    }
  }

  m.Height = plan.Cell;
  m.Ascent = plan.Ascent;
  m.Descent = plan.Cell - plan.Ascent;
  m.AveCharWidth = plan.AveWidth;
  m.Family = main.File->Family;
  m.File = main.File->Path;
  m.CjkSizing = cjk;
  m.SyntheticBold = synthBold;
  m.SyntheticItalic = synthItalic;
  // Underline: the face's position and thickness, kept inside the cell.
  double scale = plan.YPpem / main.File->Upem;
  f.UnderlineRows = std::max(1, RoundInt(main.File->UnderlineThickness * scale));
  int top = plan.Ascent + RoundInt(-main.File->UnderlinePosition * scale - main.File->UnderlineThickness * scale / 2);
  f.UnderlineRows = std::min(f.UnderlineRows, plan.Cell);
  f.UnderlineTop = std::clamp(top, 0, plan.Cell - f.UnderlineRows);
  return font;
}

FontPtr NewFontAnsi(std::string_view ansiFace, int height, int width, int weight, bool italic, bool underline,
                    uint8_t charSet) {
  FontRequest request;
  // CreateFontA keeps at most LF_FACESIZE - 1 = 31 bytes of the name.
  request.Face = AnsiToUtf16(ansiFace.substr(0, std::min<size_t>(ansiFace.size(), 31)));
  request.Height = height;
  request.Width = width;
  request.Weight = weight;
  request.Italic = italic;
  request.Underline = underline;
  request.CharSet = charSet;
  return NewFont(request);
}

FontMetrics GetFontMetrics(const Font& font) {
  std::lock_guard<std::mutex> guard(State().Lock);
  return font.Metrics;
}

GlyphInfo DescribeGlyph(const Font& font, char32_t codePoint) {
  DrawingState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  GlyphInfo info;
  Instance* from = nullptr;
  bool found = false;
  const Glyph& g = FindGlyph(s, font, codePoint, &from, &found);
  info.Found = found;
  info.Advance = g.Advance;
  info.FromStrike = g.FromStrike;
  info.Fallback = from && from != font.Primary.get() && from != font.Narrow.get();
  if (from && from->File) {
    info.Family = from->File->Family;
    info.File = from->File->Path;
  }
  return info;
}

TextSize MeasureText(const Font& font, std::u16string_view text) {
  DrawingState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  int64_t w = Advances(s, font, text);
  return TextSize{static_cast<int>(std::min<int64_t>(w, INT32_MAX)), font.CellHeight};
}

TextSize MeasureTextAnsi(const Font& font, std::string_view ansi) { return MeasureText(font, AnsiToUtf16(ansi)); }

int DrawString(Raster& raster, const Font& font, int x, int y, std::u16string_view text, const TextPaint& paint,
               const Rect* clip) {
  DrawingState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  int64_t total = Advances(s, font, text);
  Painter painter(raster, clip, paint.Paper);
  if (paint.FillCells) painter.Box(x, y, x + total, static_cast<int64_t>(y) + font.CellHeight);
  painter.SetColor(paint.Ink);
  int64_t pen = x;
  ForEachCodePoint(text, [&](char32_t c) {
    const Glyph& g = FindGlyph(s, font, c, nullptr);
    if (pen + g.MaxX > painter.Left && pen + g.MinX < painter.Right) {
      for (const Run& r : g.Runs) painter.Span(static_cast<int64_t>(y) + r.Row, pen + r.X0, pen + r.X1);
    }
    if (font.Underline) {
      painter.Box(pen, static_cast<int64_t>(y) + font.UnderlineTop, pen + g.Advance,
                  static_cast<int64_t>(y) + font.UnderlineTop + font.UnderlineRows);
    }
    pen += g.Advance;
  });
  return static_cast<int>(std::min<int64_t>(total, INT32_MAX));
}

void DrawingShutdown() {
  DrawingState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  // Instances that fonts still hold keep their cached glyphs but load no more.
  for (auto& [key, in] : s.Instances) {
    in->Size = nullptr;
    in->File = nullptr;
  }
  s.Instances.clear();
  s.CharFace.clear();
  s.Styled.clear();
  s.FamilyOfName.clear();
  for (auto& [key, file] : s.Files) {
    if (file && file->Face) FT_Done_Face(file->Face);  // frees its sizes too
  }
  s.Files.clear();
  if (s.Library) FT_Done_FreeType(s.Library);
  s.Library = nullptr;
  if (s.Config) FcConfigDestroy(s.Config);
  s.Config = nullptr;
  s.Failed = false;
}

}  // namespace vexilo
