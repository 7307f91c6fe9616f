// Drawing services: the rasters, fonts, text and canvas operations that every
// renderer draws through. On Windows these are GDI; here they are
// the library's own. Rasters and the canvas are portable (DrawingUnit.cpp);
// fonts and text are rasterised by FreeType with faces found through
// fontconfig (DrawingFonts_posix.cpp). No renderer calls
// FreeType or fontconfig itself.
//
// Coordinates are pixels, x to the right and y downwards from the top-left
// pixel. Rectangles are given as Windows gives them: left and top inside,
// right and bottom just outside. Everything that draws clips at the raster's
// edges (and at a clip rectangle where one is given): positions may be
// negative and rectangles may be larger than the raster.
//
// Names avoid those that <windows.h> turns into macros (CreateFont, DrawText,
// TextOut), so that a Windows backend can include both.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo {

// ---------------------------------------------------------------------------
// Colours

// A colour as Windows writes it: red in the lowest byte, then green, then blue
// (0x0000FF is pure red). Table pages carry colours this way.
using ColorRef = uint32_t;

constexpr ColorRef MakeColorRef(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}
constexpr uint8_t RedOf(ColorRef c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(ColorRef c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(ColorRef c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

constexpr ColorRef kColorBlack = 0x000000;
constexpr ColorRef kColorWhite = 0xFFFFFF;

// 16-bit 5-6-5 pixels: R5, G6 and B5 are the top 5, 6 and 5 bits of the 8-bit
// components. Back to 8 bits the top bits are repeated into the low ones, so
// white stays white and black black.
constexpr uint16_t ToRgb565(ColorRef c) {
  return static_cast<uint16_t>(((RedOf(c) >> 3) << 11) | ((GreenOf(c) >> 2) << 5) | (BlueOf(c) >> 3));
}
constexpr ColorRef FromRgb565(uint16_t p) {
  unsigned r5 = p >> 11, g6 = (p >> 5) & 63, b5 = p & 31;
  return MakeColorRef(static_cast<uint8_t>((r5 << 3) | (r5 >> 2)), static_cast<uint8_t>((g6 << 2) | (g6 >> 4)),
                      static_cast<uint8_t>((b5 << 3) | (b5 >> 2)));
}

// The 256-colour halftone palette of 8-bit rasters: the 20 Windows static
// colours (0 to 9 and 246 to 255), the 6 x 6 x 6 colour cube (components 0,
// 51, 102, 153, 204, 255) and 22 further greys. Index 0 is black and is the
// only black entry; index 255 is white and the only white one.
constexpr uint8_t kPaletteBlack = 0;
constexpr uint8_t kPaletteWhite = 255;
const std::array<ColorRef, 256>& HalftonePalette();
// The palette index nearest to c (least squared RGB distance, lowest index on
// a tie). Index 0 is black, the one entry that lights nothing: colours nearer
// black than any other entry (a (1, 1, 1) grey, say) give it too.
uint8_t NearestPaletteIndex(ColorRef c);

// ---------------------------------------------------------------------------
// Rasters

enum class PixelKind : uint8_t {
  Palette8,  // one byte per pixel: an index into HalftonePalette()
  Rgb565,    // two bytes per pixel, little-endian 5-6-5 (red in the top bits)
  Rgb24,     // three bytes per pixel: blue, green, red (the order of a Windows DIB)
};
int BytesPerPixel(PixelKind kind);

// Pixel density of every raster, in dots per inch (rich text converts lengths
// to twips with it; fonts by point size use it).
constexpr int kRasterDpiX = 96;
constexpr int kRasterDpiY = 96;

// Allocation bounds: a raster is at most kMaxRasterSide pixels on either side
// and kMaxRasterPixels pixels in all.
constexpr int kMaxRasterSide = 32767;
constexpr int64_t kMaxRasterPixels = int64_t{1} << 26;

// Whether a raster of width x height may be made: both sides from 1 to
// kMaxRasterSide and no more than kMaxRasterPixels in all.
bool RasterSizeAllowed(int64_t width, int64_t height);

// Whether the pages of an area of width x height are too large to draw: both
// sides are at least 1 (an area with a side below 1 has no pages at all) and
// no raster of that size may be made. Items ask this before they allocate or
// write anything for the area, and refuse such an area at once.
bool PageExceedsRasterLimits(int64_t width, int64_t height);

struct Raster {
  int Width = 0;
  int Height = 0;
  PixelKind Kind = PixelKind::Palette8;
  size_t Stride = 0;            // bytes per row: Width x BytesPerPixel(Kind), no padding
  std::vector<uint8_t> Pixels;  // Height rows, the top row first
};
using RasterPtr = std::unique_ptr<Raster>;

// A new raster filled with white, or null when a side is below 1 or the
// raster would be larger than the bounds above.
RasterPtr CreateRaster(int width, int height, PixelKind kind);

// The bytes of row y (top row 0) in the raster's pixel kind; null outside.
uint8_t* RasterRow(Raster& raster, int y);
const uint8_t* RasterRow(const Raster& raster, int y);

// Turns the raster into another pixel kind in place, pixel by pixel: to the
// 8-bit kind by the nearest palette index, otherwise by the colour's bits.
// (A new white 8-bit page converted to Rgb565 is the white 16-bit page.) False when the raster is empty or too large.
bool ConvertRaster(Raster& raster, PixelKind kind);

// One pixel as a colour; black outside the raster.
ColorRef GetPixel(const Raster& raster, int x, int y);
// Sets one pixel, reduced to the raster's pixel kind; nothing outside.
void SetPixel(Raster& raster, int x, int y, ColorRef color);

struct Rect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // right and bottom exclusive
};

// Fills the rectangle, clipped to the raster.
void FillRect(Raster& raster, const Rect& rect, ColorRef color);

// Copies the w x h rectangle of src at (sx, sy) to dst at (dx, dy), unscaled
// (BitBlt with SRCCOPY). Parts of the rectangle outside src or outside dst
// are left out; the rest of dst is unchanged. Pixels change kind as
// ConvertRaster does. False only when w or h is below 1.
bool CopyRect(const Raster& src, int sx, int sy, int w, int h, Raster& dst, int dx, int dy);

// Stretches the whole of src (or the source rectangle given) into the
// rectangle (dx, dy, dw, dh) of dst (StretchBlt with SRCCOPY in the default
// BLACKONWHITE mode): each destination pixel takes the source pixels that map
// onto it, combined by a bitwise AND of their colours when the picture
// shrinks (so dark lines survive), or the one source pixel under it when it
// grows. Destination pixels outside dst are clipped; the part of the source
// rectangle outside src is left out. False when a size is below 1.
bool StretchRaster(const Raster& src, Raster& dst, int dx, int dy, int dw, int dh);
bool StretchRect(const Raster& src, int sx, int sy, int sw, int sh, Raster& dst, int dx, int dy, int dw, int dh);

// ---------------------------------------------------------------------------
// Fonts and text

constexpr uint8_t kAnsiCharSet = 0;
constexpr uint8_t kDefaultCharSet = 1;
constexpr uint8_t kGb2312CharSet = 134;
constexpr uint8_t kBig5CharSet = 136;
constexpr uint8_t kFfScript = 0x40;

constexpr int kFwLight = 300;
constexpr int kFwNormal = 400;
constexpr int kFwBold = 700;

// What CreateFontA takes, with the face name already in UTF-16.
struct FontRequest {
  std::u16string Face;    // the name the host gave ("宋体", "Arial", ...)
  int Height = 0;         // > 0: cell height (ascent + descent); < 0: em height; 0: 16
  int Width = 0;          // average character width; 0 or less: the face's own
  int Weight = kFwNormal;  // 600 and above are bold
  bool Italic = false;
  bool Underline = false;
  uint8_t CharSet = kDefaultCharSet;
  uint8_t PitchAndFamily = kFfScript;  // recorded; faces are chosen by name
};

struct Font;  // opaque: faces, sizes and glyph caches
struct FontDeleter {
  void operator()(Font* font) const;
};
using FontPtr = std::unique_ptr<Font, FontDeleter>;

// Creates a font as Windows makes it (see the README, "Fonts", for how host
// names map to installed faces). Never null: a name that matches nothing gets
// fontconfig's default face. Cheap after the first font of a face and size.
FontPtr NewFont(const FontRequest& request);
// The same with the face name in the host's ANSI code page (GBK bytes for
// "宋体" on a Simplified Chinese system), as CreateFontA takes it.
FontPtr NewFontAnsi(std::string_view ansiFace, int height, int width, int weight, bool italic, bool underline,
                    uint8_t charSet = kDefaultCharSet);

// What a font turned out to be (GetTextMetrics plus where it came from).
struct FontMetrics {
  int Height = 0;  // cell height: Ascent + Descent
  int Ascent = 0;  // rows from the cell top to the baseline
  int Descent = 0;
  int AveCharWidth = 0;
  int Weight = kFwNormal;
  bool Italic = false;
  bool Underline = false;
  uint8_t CharSet = kDefaultCharSet;
  std::string Family;      // installed family drawing most characters ("AR PL UMing CN")
  std::string File;        // its font file
  bool CjkSizing = false;  // sized as the Chinese system face it stands in for
  bool SyntheticBold = false;
  bool SyntheticItalic = false;
};
FontMetrics GetFontMetrics(const Font& font);

// How one character is drawn in a font.
struct GlyphInfo {
  bool Found = false;       // some face has it (else the primary face's .notdef is used)
  bool FromStrike = false;  // drawn from an embedded bitmap strike
  bool Fallback = false;    // from a face other than the font's own
  int Advance = 0;
  std::string Family;
  std::string File;
};
GlyphInfo DescribeGlyph(const Font& font, char32_t codePoint);

struct TextSize {
  int Width = 0;   // advance width
  int Height = 0;  // the cell height
};
// GetTextExtentPoint32W: the sum of the advances (a surrogate pair is one
// character) and the cell height. An empty text is 0 wide and the cell high.
TextSize MeasureText(const Font& font, std::u16string_view text);
// GetTextExtentPoint32A: the text in the host's ANSI code page.
TextSize MeasureTextAnsi(const Font& font, std::string_view ansi);

struct TextPaint {
  ColorRef Ink = kColorBlack;    // glyphs and underline
  ColorRef Paper = kColorWhite;  // character cells
  bool FillCells = true;        // fill every character cell with Paper first
};
// TextOutW: draws the text with the top-left corner of its first character
// cell at (x, y). Every cell (its advance wide, the cell height high) is
// first filled with the paper colour, then the glyphs are set in the ink
// colour with no grey levels, and the underline drawn when the font has one.
// Clipped to the raster and, when given, to clip. Returns the advance width.
int DrawString(Raster& raster, const Font& font, int x, int y, std::u16string_view text, const TextPaint& paint = {},
               const Rect* clip = nullptr);

// Frees every cached face, size and glyph (fonts still alive keep theirs until
// they are freed). Runs by itself at process exit or library unload.
void DrawingShutdown();

// ---------------------------------------------------------------------------
// Canvas: the drawing state of table pages, like a VCL TCanvas.

struct Canvas {
  Raster* Target = nullptr;
  FontPtr CurrentFont;  // null: a default font is made on first use
  ColorRef FontColor = kColorBlack;
  ColorRef BrushColor = kColorWhite;
  ColorRef PenColor = kColorBlack;
  int PenX = 0;
  int PenY = 0;
};

// Points to pixels at kRasterDpiY, rounded as MulDiv rounds.
int PointsToPixels(int points);

// The canvas font from an ANSI face name, a size in points, the style flags
// and a colour; the font's height is the em height of that many points.
void CanvasSetFont(Canvas& canvas, std::string_view ansiFace, int pointSize, bool bold, bool italic, bool underline,
                   ColorRef color);
void CanvasFillRect(Canvas& canvas, const Rect& rect);  // with the brush colour
TextSize CanvasTextExtent(Canvas& canvas, std::u16string_view text);
TextSize CanvasTextExtentAnsi(Canvas& canvas, std::string_view ansi);
// TextRect: fills clip with the brush colour, then draws the text at (x, y) in
// the font colour on the brush colour, clipped to clip.
void CanvasTextRect(Canvas& canvas, const Rect& clip, int x, int y, std::u16string_view text);
void CanvasMoveTo(Canvas& canvas, int x, int y);
// A one-pixel line in the pen colour from the pen position to (x, y), without
// the end point, which becomes the pen position.
void CanvasLineTo(Canvas& canvas, int x, int y);

}  // namespace vexilo
