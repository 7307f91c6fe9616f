#include "render/PicturePageUnit.h"

#include "render/BitmapDataUnit.h"

namespace vexilo {
namespace {

bool SizeFits(int width, int height) {
  return width <= kMaxRasterSide && height <= kMaxRasterSide &&
         static_cast<int64_t>(width) * height <= kMaxRasterPixels;
}

// Where a frame of gw x gh lands in a page of w x h under a scaling fit
// mode: inside (mode 2) keeps the whole frame, cover (3) fills the page.
Rect ScaledPlace(bool cover, int64_t gw, int64_t gh, int64_t w, int64_t h) {
  // h / gh against w / gw, as real numbers: h x gw against w x gh.
  const bool taller = h * gw > w * gh, wider = h * gw < w * gh;
  if (cover ? wider : taller) {
    const int64_t nh = gh * w / gw;
    const int64_t top = (h - nh) / 2;
    return Rect{0, static_cast<int>(top), static_cast<int>(w), static_cast<int>(top + nh)};
  }
  const int64_t nw = gw * h / gh;
  const int64_t left = (w - nw) / 2;
  return Rect{static_cast<int>(left), 0, static_cast<int>(left + nw), static_cast<int>(h)};
}

}  // namespace

size_t RenderPicturePage(int colorMode, const Raster& source, int width, int height, int sourceWidth,
                         int sourceHeight, int xOffset, uint8_t* out, size_t outSize) {
  if (width <= 0 || height <= 0 || !SizeFits(width, height)) return 0;
  RasterPtr page = NewPageBitmapFor(colorMode, width, height);
  if (!page) return 0;
  if (sourceWidth == width && sourceHeight == height) {
    CopyRect(source, 0, 0, width, height, *page, xOffset, 0);
  } else {
    StretchRect(source, 0, 0, sourceWidth, sourceHeight, *page, xOffset, 0, width, height);
  }
  return EncodePage(page.get(), out, outSize);
}

size_t RenderGifFramePage(int colorMode, const uint8_t* data, size_t size, int frameNumber, int width, int height,
                          int xOffset, uint8_t fitMode, ColorRef keyColor, uint8_t* out, size_t outSize,
                          uint16_t& delay, GifPlayer* player) {
  if (width <= 0 || height <= 0 || !SizeFits(width, height)) return 0;
  GifPlayer own;
  GifPlayer& p = player != nullptr ? *player : own;
  const Raster* frame = p.Compose(data, size, frameNumber, keyColor, delay);
  if (frame == nullptr) return 0;
  RasterPtr page = NewPageBitmapFor(colorMode, width, height);
  if (!page) return 0;
  const int gw = frame->Width, gh = frame->Height;
  if (fitMode == kGifFitNatural) {
    CopyRect(*frame, 0, 0, gw, gh, *page, (width - gw) / 2, (height - gh) / 2);
  } else if (gw == width && gh == height) {
    CopyRect(*frame, 0, 0, gw, gh, *page, xOffset, 0);
  } else if (fitMode == kGifFitStretch) {
    StretchRaster(*frame, *page, xOffset, 0, width, height);
  } else {
    const Rect r = ScaledPlace(fitMode >= kGifFitCover, gw, gh, width, height);
    StretchRaster(*frame, *page, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  }
  return EncodePage(page.get(), out, outSize);
}

}  // namespace vexilo
