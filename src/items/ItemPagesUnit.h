// What items do to a page after rendering it: colour a text mask, draw the
// frame, turn the page for rotated screens; and the text record of items
// that the card draws with its own fonts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "vexilo.h"

namespace vexilo {

// A host's zero-terminated text; a null pointer reads as the empty text.
inline std::string_view HostText(const char* text) {
  return text != nullptr ? std::string_view(text) : std::string_view();
}

struct MaskPageStyle {
  uint8_t ColorMode = 0;     // the screen's Color setting
  uint8_t TextColor = 0;     // foreground of the mask
  uint8_t BackColor = 0;
  uint8_t FrameColor = 0;    // 0 draws no frame
  int32_t FrameWidth = 0;    // frame width in pixels; 0 or less draws none
  bool Rotate = false;       // turn the page for a rotated screen
};

// Finishes a one-plane text mask of maskBytes bytes at data (room for
// capacity bytes) in place and returns its final size (twice the mask on
// two-plane screens), or nullopt when the page cannot be finished: too little
// room, or a turn of a page whose sides are not multiples of 8.
//
// Widths that are not a multiple of 8 are coloured byte-wise over the
// ceil(width / 8) bytes of each row and framed pixel by pixel, so the
// right-aligned last byte of a row is handled like the others; its unused
// high bits stay 0.
std::optional<size_t> FinishMaskPage(const MaskPageStyle& style, int32_t width, int32_t height, uint8_t* data,
                                     size_t maskBytes, size_t capacity);

// Clears the unused high bits of the last byte of every plane row.
void ClearRowPadding(int32_t width, int32_t height, int planes, uint8_t* data, size_t size);

// The longest text a card-font record holds: its length field is L + 4 in 16 bits.
inline constexpr size_t kMaxCardTextBytes = 65531;

// The 17 + L bytes of a text for the card's fonts: the head as given in
// bytes 0 to 10, the length L + 4, the font descriptor and the text's ANSI
// bytes. nullopt when L + 4 does not fit its 16-bit field.
std::optional<std::vector<uint8_t>> MakeCardTextRecord(const uint8_t (&head)[11], const FontSpec& font,
                                                       std::string_view ansiText);

}  // namespace vexilo
