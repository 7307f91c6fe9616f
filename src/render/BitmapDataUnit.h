// Pixel data encoding: the colour vocabulary, the page raster, the
// encoder from page rasters to PagePixelData, and the operations item
// operations apply to encoded pages (colouring a text mask, single-colour
// screens, borders, turning pages for rotated screens).
//
// PagePixelData: for every pixel row from the top, one plane (single-colour
// screens) or a red then a green plane (colour modes 2 and 3), each
// ceil(W / 8) bytes, the leftmost pixel in the most significant bit; a last
// byte of a row that is not full carries its pixels in its low bits.
//
// Every operation on encoded data takes the buffer's size and does nothing
// (or returns 0) when the data its sizes call for would not fit: no read or
// write ever leaves the buffer. The byte-wise operations take B = width div 8
// bytes per plane row; widths that are multiples of 8 (and, for RotatePage,
// heights too) are the caller's to give.
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/DrawingUnit.h"

namespace vexilo {

// ColorCode: the colour of text, backgrounds and borders.
enum : uint8_t {
  kColorCodeBlack = 0,
  kColorCodeRed = 1,
  kColorCodeGreen = 2,
  kColorCodeYellow = 3,
};

// Colour mode: the screen's `Color` setting. 0 and 1 one plane; 2 red and
// green planes; 3 the same with codes 1 and 2 exchanged before a text,
// background or border colour is applied; 4 and above are refused by items.
bool ColorModeSupported(int colorMode);  // 0 to 3
bool IsTwoPlane(int colorMode);          // 2 or 3
int PlaneCount(int colorMode);           // 2 for modes 2 and 3, else 1

// 1 becomes 2, 2 becomes 1, every other value is unchanged.
uint8_t ExchangeRedGreen(uint8_t code);
bool LightsRed(uint8_t code);    // 1 and 3 (on a two-plane screen)
bool LightsGreen(uint8_t code);  // 2 and 3

// RGB of a code when it has to be drawn as a colour: black, red, green, yellow.
ColorRef ColorOfCode(uint8_t code);

// A new white 8-bit page raster of width x height (both at least 1), or null.
RasterPtr NewPageBitmap(int width, int height);
// A new white page of the kind the colour mode asks for: 16-bit (made by
// converting a new white 8-bit page) on two-plane screens, else 8-bit.
RasterPtr NewPageBitmapFor(int colorMode, int width, int height);

// Bytes per plane row, ceil(width / 8), and of a whole page.
size_t PlaneRowBytes(int width);
size_t PageDataSize(int width, int height, int planes);

// Writes the page's PagePixelData (one plane for an 8-bit page, two for a
// 16-bit page) and returns its byte count; 0, writing nothing, when the page
// is null, of neither kind, unreadable, or the output holds fewer than
// height x planes x ceil(width / 8) bytes.
size_t EncodePage(const Raster* page, uint8_t* out, size_t outSize);

// In place: a one-plane text mask of height rows (ink 0 bits) becomes a
// two-plane page in the foreground and background colours. data must hold
// twice the mask (2 x height x (width div 8) bytes); else nothing happens.
void ColorizeMask(int colorMode, uint8_t foreground, uint8_t background, int width, int height, uint8_t* data,
                  size_t dataSize);

// In place on a one-plane mask (height x (width div 8) bytes): equal colours
// give a solid page (lit unless 0); a foreground of 1 to 3 lights the ink and
// darkens the paper; a foreground of 0 leaves the mask (paper lit).
void ApplyMonoColors(uint8_t foreground, uint8_t background, int width, int height, uint8_t* data, size_t dataSize);

// In place: a frame borderWidth pixels wide on all four sides, in the colour
// (planes the colour does not light are cleared there). Two planes for
// colour modes 2 and 3, else one. A width that is not a multiple of 8 is
// framed pixel by pixel over the ceil(width / 8) bytes of each row, its last
// byte right-aligned, so the right edge lands on the pixels of that byte.
void DrawBorder(int colorMode, uint8_t color, int borderWidth, int width, int height, uint8_t* data, size_t dataSize);

// In place: turns the page 90 degrees counter-clockwise (the old top edge
// becomes the left edge); the result is height pixels wide and width high,
// of the same byte count. Width and height must be positive multiples of 8
// and the data hold the whole page; else nothing happens and false is
// returned.
bool RotatePage(int colorMode, int width, int height, uint8_t* data, size_t dataSize);


}  // namespace vexilo
