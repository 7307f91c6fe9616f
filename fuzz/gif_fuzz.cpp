// GIF data for the composer: the first byte chooses the key colour, a fit
// mode and an order of frames; the rest is the GIF. Frames are asked in order
// and out of order through one player, and each answer must be byte for
// byte what composing from the first frame gives.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/BitmapDataUnit.h"
#include "render/GifUnit.h"
#include "render/PicturePageUnit.h"

namespace {

using namespace vexilo;

// Frames asked in order, then these (frame numbers, 0 and below included).
constexpr int kMaxInOrder = 24;
constexpr int kOutOfOrder[] = {3, 1, 0, 2, 2, 7, -1, 5, 4};

struct Answer {
  bool Exists = false;
  std::vector<uint8_t> Pixels;
  int Width = 0, Height = 0;
  uint16_t Delay = 0x5A5A;
};

Answer FromPlayer(GifPlayer& player, const std::vector<uint8_t>& gif, int n, ColorRef key) {
  Answer a;
  if (const Raster* r = player.Compose(gif.data(), gif.size(), n, key, a.Delay)) {
    a.Exists = true;
    a.Pixels = r->Pixels;
    a.Width = r->Width;
    a.Height = r->Height;
  }
  return a;
}

Answer FromStart(const std::vector<uint8_t>& gif, int n, ColorRef key) {
  Answer a;
  if (RasterPtr r = ComposeGifFrame(gif.data(), gif.size(), n, key, a.Delay)) {
    a.Exists = true;
    a.Pixels = r->Pixels;
    a.Width = r->Width;
    a.Height = r->Height;
  }
  return a;
}

void Check(const Answer& a, const Answer& b) {
  if (a.Exists != b.Exists || a.Pixels != b.Pixels || a.Width != b.Width || a.Height != b.Height ||
      a.Delay != b.Delay) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  // A copy of exactly the GIF's size, so that a read past it is seen.
  const std::vector<uint8_t> gif(data + 1, data + size);
  // Canvases within the limit but of more than a million pixels are valid
  // and only slow the search down.
  if (gif.size() >= 10) {
    const int w = gif[6] | gif[7] << 8, h = gif[8] | gif[9] << 8;
    if (w <= kMaxGifCanvasSide && h <= kMaxGifCanvasSide && static_cast<int64_t>(w) * h > (1 << 20)) return 0;
  }
  const ColorRef key = (control & 1) ? kColorWhite : kColorBlack;

  GifPlayer player;
  for (int n = 1; n <= kMaxInOrder; ++n) {
    const Answer a = FromPlayer(player, gif, n, key);
    Check(a, FromStart(gif, n, key));
    if (!a.Exists) break;
  }
  for (int n : kOutOfOrder) Check(FromPlayer(player, gif, n + (control >> 5), key), FromStart(gif, n + (control >> 5), key));

  // A frame page through the same player, in a small page.
  const int mode = (control >> 1) & 3;
  const int w = 1 + ((control >> 3) & 3) * 13, h = 1 + ((control >> 5) & 7) * 5;
  std::vector<uint8_t> out(PageDataSize(w, h, PlaneCount(mode)));
  uint16_t delay = 0;
  RenderGifFramePage(mode, gif.data(), gif.size(), 2, w, h, 3, static_cast<uint8_t>(control >> 2), key, out.data(),
                     out.size(), delay, &player);

  std::string error;
  DecodeGifPicture(gif.data(), gif.size(), error);
  return 0;
}
