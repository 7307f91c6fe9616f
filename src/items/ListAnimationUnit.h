// List animations: a custom list whose first entry is an animation becomes an
// animation area, the frames of its GIF entries played one after the other,
// the first frame stored whole and every later one as the rectangle in which
// it differs from the frame before.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "vexilo.h"

namespace vexilo {

// The most frames one animation area holds, and the bytes of a frame header.
inline constexpr uint32_t kMaxAnimationFrames = 65535;
inline constexpr size_t kFrameHeaderSize = 14;

// Rows Top to Bottom - 1 and byte columns Left to Right (within one plane).
struct ChangedRectangle {
  int Top = 0;
  int Bottom = 0;
  int Left = 0;
  int Right = 0;
};

// The rectangle in which two frames of height rows differ; every row holds
// `planes` plane rows of rowBytes bytes. Nothing when the frames are equal,
// or when either holds fewer than height x planes x rowBytes bytes.
std::optional<ChangedRectangle> ChangedRect(std::span<const uint8_t> previous, std::span<const uint8_t> current,
                                            size_t rowBytes, int planes, int height);

// Appends the body of the animation area that BeginArea (type 8) has just
// begun for the list: its list header, the frame header table and the frames.
// Gives the bytes it wrote (for EndArea), or nullopt when the pack cannot be
// written or the area is too large to draw; the call frame's transaction
// takes back what was written then.
std::optional<uint32_t> AddListAnimation(const TListParam& list);

}  // namespace vexilo
