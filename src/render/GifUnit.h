// GIF data: the frames of an animated GIF composed as the card composes
// them, and the first frame of a GIF picture file.
//
// Composition (the card's rules, which differ from a browser's):
// - the canvas has the logical screen's size, 24 bits, and starts black;
// - the values of the latest graphic control extension (transparency flag,
//   disposal method, transparent index, delay) carry over to later frames
//   until another one replaces them;
// - transparency with disposal 2 clears the whole canvas to black before the
//   frame is drawn, and its transparent pixels take the background colour
//   (the global table's entry at the background index, black without one);
// - transparency with disposal 1 leaves the canvas under transparent pixels;
// - with any other disposal transparent pixels are drawn in their colour;
// - a table entry the table does not have is black; a pixel whose colour is
//   exactly the key colour is drawn black; pixels outside the canvas are
//   dropped.
//
// Hostile data: every read is bounded by the data, every write by the
// canvas. A frame whose LZW minimum code size is below 2 or above 11 gives
// no frame (and so none after it). LZW data that ends early, or that holds a
// code the decoder cannot know yet (above the next free code, or a table code
// right after a clear code), ends the frame's pixels there: the pixels
// decoded so far are drawn, the rest of the frame leaves the canvas as it
// was. Indices beyond the frame's width x height are dropped. The table is
// built so that every entry's prefix is an earlier code: no chain can loop.
// A canvas of more than 8192 pixels on a side gives no frame; frames of any
// declared size are decoded a row at a time, never allocated whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/DrawingUnit.h"

namespace vexilo {

// The largest canvas side that is composed.
inline constexpr int kMaxGifCanvasSide = 8192;

// The first frame of GIF data (GIF87a or GIF89a) as a still 24-bit picture of
// the logical screen's size; null with the reason in error when it does not
// decode.
RasterPtr DecodeGifPicture(const uint8_t* data, size_t size, std::string& error);

// Graphic control values and the read position while GIF data is walked.
struct GifReadState {
  size_t Pos = 0;
  bool Transparent = false;
  uint8_t Disposal = 0;  // 0 to 7
  uint8_t TransparentIndex = 0;
  bool HasDelay = false;  // a graphic control extension of 4 bytes was read
  uint16_t Delay = 0;     // in 1/100 s, as stored
};

// Reads blocks from state.Pos up to the next image descriptor or trailer and
// returns its introducer (0x2C or 0x3B), or 0 at the end of the data or on a
// read past it. Graphic control extensions of 4 bytes update the values in
// state; other extensions are skipped; stray bytes are passed over one at a
// time.
uint8_t ReadGifExtensions(const uint8_t* data, size_t size, GifReadState& state);

// Plays GIF89a data frame by frame, keeping the canvas, the read position and
// the graphic control values between calls: asking for frame N right after
// frame N - 1 (or N again) decodes at most one frame. Asking for an earlier
// frame, other data or another key colour starts again from frame 1. Every
// result is byte for byte what composing from the first frame gives.
//
// The data must stay unchanged while a player refers to it.
class GifPlayer {
 public:
  // The canvas after frame `frameNumber` (counted from 1; 0 or less is the
  // first frame), or null when the data has no such frame. The canvas stays
  // valid until the next call. When a graphic control extension has been read
  // up to that frame, delay receives the last one's delay; else it is left
  // as it was.
  const Raster* Compose(const uint8_t* data, size_t size, int frameNumber, ColorRef keyColor, uint16_t& delay);

  // Frames decoded since the player was made (for measuring the player).
  uint64_t FramesDecoded() const { return framesDecoded_; }

  // GIF87a data is accepted too (still pictures); the card's composer
  // takes GIF89a only.
  void AcceptGif87a(bool accept) { accept87a_ = accept; }

 private:
  bool Start();
  bool NextFrame();
  void DrawRow(int fileRow, const uint16_t* indices, int count);

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  ColorRef key_ = 0;
  bool accept87a_ = false;
  bool started_ = false;
  int composed_ = 0;   // frames drawn on the canvas
  int failedAt_ = 0;   // the first frame that does not exist; 0 while unknown
  uint64_t framesDecoded_ = 0;
  GifReadState read_;
  RasterPtr canvas_;
  std::vector<ColorRef> global_;
  ColorRef background_ = 0;
  // The frame being drawn.
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool interlaced_ = false;
  const std::vector<ColorRef>* table_ = nullptr;
  std::vector<ColorRef> local_;
  std::vector<uint8_t> lzw_;
};

// The canvas after frame `frameNumber` of GIF89a data, composed from the
// first frame (a new GifPlayer each call); null when there is no such frame
// (GIF87a data included). delay as GifPlayer::Compose gives it.
RasterPtr ComposeGifFrame(const uint8_t* data, size_t size, int frameNumber, ColorRef keyColor, uint16_t& delay);

}  // namespace vexilo
