#include "items/BitmapItemUnit.h"

#include <string>

#include "frame/DebugLogUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "pack/ProgramPackUnit.h"
#include "picture/PictureFileUnit.h"
#include "render/BitmapDataUnit.h"
#include "render/DrawingUnit.h"
#include "render/PicturePageUnit.h"

namespace vexilo {

int32_t AddBmp(const char* fileName, const TBmpParam* param) {
  if (fileName == nullptr || param == nullptr || !ItemMayStart()) return -1;
  const TBmpParam r = *param;
  const int colorMode = ScreenConfig().CurrentScreenConfig.Color;

  // The page is rendered whole before the pack is touched, so that every
  // failure leaves the pack as it was.
  const int32_t width = r.AreaWidth, height = r.AreaHeight;
  const bool hasPage = width > 0 && height > 0;
  if (hasPage) {
    // An area no page raster can hold, or whose pixel data is larger than
    // the work buffer, is refused before the picture is read.
    if (width > kMaxRasterSide || height > kMaxRasterSide ||
        static_cast<int64_t>(width) * height > kMaxRasterPixels ||
        PageDataSize(width, height, PlaneCount(colorMode)) > kWorkBufferSize) {
      return -1;
    }
  }

  std::string error;
  // The loader refuses pictures that are no plain raster (icons, vector
  // pictures) as it refuses files it cannot read: such a picture never
  // reaches the pack.
  RasterPtr picture = LoadPictureFile(fileName, error);
  if (!picture) {
    if (DebugEnabled()) WriteDebugLine("User_AddBmp (" + error + ")", false);
    return -1;
  }

  uint8_t* work = WorkBuffer();
  if (work == nullptr) return -1;
  size_t s = 0;
  if (hasPage) {
    // Copy placement: the picture's top-left part of the area's size, moved
    // right by the frame's inset.
    s = RenderPicturePage(colorMode, *picture, width, height, width, height, FrameInset(r.FrameWidth), work,
                          kWorkBufferSize);
    if (s == 0) return -1;
    if (r.FrameWidth > 0 && r.FrameColor != 0) {
      DrawBorder(colorMode, r.FrameColor, r.FrameWidth, width, height, work, s);
    }
  }
  picture.reset();

  std::optional<int32_t> h = OpenPageArea(r.AreaX, r.AreaY, width, height);
  if (!h) return -1;
  const PageHeaderBytes bytes{static_cast<uint8_t>(MapEffectCode(r.Effect)), static_cast<uint8_t>(r.Speed),
                              static_cast<uint8_t>(r.StayTime), static_cast<uint8_t>(r.PageOption)};
  return AppendPageGroup(*h, bytes, 1, work, s) ? 0 : -1;
}

}  // namespace vexilo
