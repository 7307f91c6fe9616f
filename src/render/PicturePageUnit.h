// Picture and GIF frame pages: a raster or a composed GIF frame placed into
// a page of the kind the colour mode asks for (16-bit on two-plane screens,
// 8-bit with the nearest halftone colour on single-colour screens) and
// encoded as PagePixelData. The page starts white: whatever the picture
// does not cover lights every plane.
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/DrawingUnit.h"
#include "render/GifUnit.h"

namespace vexilo {

// Places source into a width x height page and encodes it into out (room for
// outSize bytes); returns the byte count, or 0 when width or height is 0 or
// less, the page cannot be made, or out is too small.
//
// When sourceWidth x sourceHeight equals the page's size, the source's
// top-left rectangle of that size is copied unscaled to (xOffset, 0); where
// that rectangle reaches beyond the source the page stays white. Otherwise
// the whole sourceWidth x sourceHeight part of source is stretched onto the
// page's rectangle from (xOffset, 0).
size_t RenderPicturePage(int colorMode, const Raster& source, int width, int height, int sourceWidth,
                         int sourceHeight, int xOffset, uint8_t* out, size_t outSize);

// Fit modes of RenderGifFramePage: how a frame of gw x gh pixels is placed in
// a page of W x H.
enum : uint8_t {
  kGifFitNatural = 0,  // natural size, centred, cut at the page's edges
  kGifFitStretch = 1,  // stretched to W x H at (xOffset, 0)
  kGifFitInside = 2,   // scaled to fit inside, proportions kept, centred
  kGifFitCover = 3,    // (3 and above) scaled to cover, centred, cut
};

// Composes frame `frameNumber` of GIF89a data with the key colour and places
// it in a width x height page by the fit mode; returns the page's byte count,
// or 0 when width or height is 0 or less, the frame does not exist, or out is
// too small. The frame's delay goes to delay as ComposeGifFrame gives it.
// With a player, the frames are played through it (frame N right after
// N - 1 decodes one frame); without, each call composes from frame 1. Frames
// of the natural size and of modes 1 and above whose size is the page's are
// copied unscaled (mode 0 centred, the others to (xOffset, 0)).
size_t RenderGifFramePage(int colorMode, const uint8_t* data, size_t size, int frameNumber, int width, int height,
                          int xOffset, uint8_t fitMode, ColorRef keyColor, uint8_t* out, size_t outSize,
                          uint16_t& delay, GifPlayer* player = nullptr);

}  // namespace vexilo
