#include "render/GifUnit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "base/ByteOrderUnit.h"

namespace vexilo {
namespace {

constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr int kMaxLzwCodes = 4096;

// Skips data sub-blocks (a length byte, that many bytes, until a length of
// 0); false when the data ends first.
bool SkipSubBlocks(const uint8_t* data, size_t size, size_t& pos) {
  for (;;) {
    if (pos >= size) return false;
    size_t n = data[pos++];
    if (n == 0) return true;
    if (size - pos < n) return false;
    pos += n;
  }
}

// Reads a colour table of 2 << (packed & 7) entries; false when the data
// ends inside it.
bool ReadColorTable(const uint8_t* data, size_t size, size_t& pos, uint8_t packed, std::vector<ColorRef>& table) {
  size_t entries = size_t{2} << (packed & 7);  // at most 256
  table.clear();
  if ((size - pos) / 3 < entries) return false;
  table.reserve(entries);
  for (size_t i = 0; i < entries; ++i, pos += 3) {
    table.push_back(MakeColorRef(data[pos], data[pos + 1], data[pos + 2]));
  }
  return true;
}

// The row (from the frame's top) of the k-th row in file order of an
// interlaced frame of h rows: passes of rows 0, 8, ...; 4, 12, ...; 2, 6, ...;
// 1, 3, ....
int InterlacedRow(int k, int h) {
  const int n1 = (h + 7) / 8, n2 = (h + 3) / 8, n3 = (h + 1) / 4;
  if (k < n1) return 8 * k;
  k -= n1;
  if (k < n2) return 4 + 8 * k;
  k -= n2;
  if (k < n3) return 2 + 4 * k;
  return 1 + 2 * (k - n3);
}

// GIF's variable-length LZW: codes of (minimum code size + 1) bits and up to
// 12, least significant bit first, clear and end codes after the literals.
// Calls emit(indices, count) for each decoded string; emit returns false
// when it wants no more. Decoding stops at the end code, at the end of the
// data, and at a code that cannot be known yet.
template <class Emit>
void DecodeLzw(const std::vector<uint8_t>& in, int minCodeSize, Emit&& emit) {
  std::array<uint16_t, kMaxLzwCodes> prefix{}, suffix{}, first{}, length{};
  std::array<uint16_t, kMaxLzwCodes> stack{};
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int c = 0; c < clear; ++c) {
    suffix[c] = first[c] = static_cast<uint16_t>(c);
    length[c] = 1;
  }
  const uint64_t totalBits = static_cast<uint64_t>(in.size()) * 8;
  uint64_t bitPos = 0;
  int size = minCodeSize + 1, next = clear + 2, prev = -1;
  for (;;) {
    if (bitPos + static_cast<uint64_t>(size) > totalBits) return;
    // A code of up to 12 bits at a bit offset of up to 7 lies in 3 bytes.
    const size_t at = static_cast<size_t>(bitPos >> 3);
    uint32_t window = in[at];
    if (at + 1 < in.size()) window |= static_cast<uint32_t>(in[at + 1]) << 8;
    if (at + 2 < in.size()) window |= static_cast<uint32_t>(in[at + 2]) << 16;
    const int code = static_cast<int>((window >> (bitPos & 7)) & ((1u << size) - 1));
    bitPos += static_cast<uint64_t>(size);
    if (code == clear) {
      size = minCodeSize + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) return;
    if (prev < 0) {
      // After a clear code only a literal can follow.
      if (code >= clear) return;
    } else if (code > next || (code == next && next >= kMaxLzwCodes)) {
      return;  // a code the table does not hold yet
    } else if (next < kMaxLzwCodes) {
      // The new entry: the previous string and the first index of this one
      // (of the previous one when the code is the entry being made). Its
      // prefix is an earlier code, so no chain of prefixes can loop.
      const int head = code == next ? first[prev] : first[code];
      prefix[next] = static_cast<uint16_t>(prev);
      suffix[next] = static_cast<uint16_t>(head);
      first[next] = first[prev];
      length[next] = static_cast<uint16_t>(length[prev] + 1);
      ++next;
      if (next == (1 << size) && size < 12) ++size;
    }
    const int len = length[code];
    int c = code;
    for (int i = len - 1; i >= 0; --i) {
      stack[i] = suffix[c];
      c = prefix[c];
    }
    if (!emit(stack.data(), len)) return;
    prev = code;
  }
}

}  // namespace

uint8_t ReadGifExtensions(const uint8_t* data, size_t size, GifReadState& state) {
  size_t& pos = state.Pos;
  for (;;) {
    if (data == nullptr || pos >= size) return 0;
    const uint8_t b = data[pos++];
    if (b == kExtension) {
      if (pos >= size) return 0;
      const uint8_t label = data[pos++];
      if (label == 0x01) {
        if (pos >= size) return 0;
        size_t n = data[pos++];
        if (size - pos < n) return 0;
        pos += n;
        if (!SkipSubBlocks(data, size, pos)) return 0;
      } else if (label == 0xF9) {
        if (pos >= size) return 0;
        size_t n = data[pos++];
        if (n == 4) {
          if (size - pos < 4) return 0;
          const uint8_t packed = data[pos];
          state.Transparent = (packed & 1) != 0;
          state.Disposal = static_cast<uint8_t>((packed >> 2) & 7);
          state.Delay = GetLe16(data + pos + 1);
          state.HasDelay = true;
          state.TransparentIndex = data[pos + 3];
          pos += 4;
        } else {
          if (size - pos < n + 1) return 0;
          pos += n + 1;
        }
      } else if (label == 0xFE || label == 0xFF) {
        if (!SkipSubBlocks(data, size, pos)) return 0;
      }
      continue;
    }
    if (b == kImage || b == kTrailer) return b;
  }
}

bool GifPlayer::Start() {
  started_ = false;
  composed_ = 0;
  read_ = GifReadState{};
  canvas_.reset();
  global_.clear();
  background_ = kColorBlack;
  if (data_ == nullptr || size_ < 13) return false;
  if (std::memcmp(data_, "GIF", 3) != 0) return false;
  const bool is89a = std::memcmp(data_ + 3, "89a", 3) == 0;
  const bool is87a = std::memcmp(data_ + 3, "87a", 3) == 0;
  if (!is89a && !(is87a && accept87a_)) return false;
  const int width = GetLe16(data_ + 6), height = GetLe16(data_ + 8);
  const uint8_t packed = data_[10], backgroundIndex = data_[11];
  read_.Pos = 13;
  if (width > kMaxGifCanvasSide || height > kMaxGifCanvasSide) return false;
  if ((packed & 0x80) != 0) {
    if (!ReadColorTable(data_, size_, read_.Pos, packed, global_)) return false;
    if (backgroundIndex < global_.size()) background_ = global_[backgroundIndex];
  }
  canvas_ = CreateRaster(width, height, PixelKind::Rgb24);
  if (!canvas_) return false;
  std::fill(canvas_->Pixels.begin(), canvas_->Pixels.end(), uint8_t{0});
  started_ = true;
  return true;
}

void GifPlayer::DrawRow(int fileRow, const uint16_t* indices, int count) {
  const int row = interlaced_ ? InterlacedRow(fileRow, height_) : fileRow;
  const int y = top_ + row;
  if (y >= canvas_->Height || left_ >= canvas_->Width) return;
  uint8_t* out = RasterRow(*canvas_, y);
  if (out == nullptr) return;
  count = std::min(count, canvas_->Width - left_);
  const std::vector<ColorRef>& table = *table_;
  out += static_cast<size_t>(left_) * 3;
  for (int i = 0; i < count; ++i, out += 3) {
    const unsigned index = indices[i];
    const bool clear = read_.Transparent && index == read_.TransparentIndex;
    ColorRef color;
    if (clear && read_.Disposal == 1) continue;
    if (clear && read_.Disposal == 2) {
      color = background_;
    } else {
      color = index < table.size() ? table[index] : kColorBlack;
    }
    if (color == key_) color = kColorBlack;
    out[0] = BlueOf(color);
    out[1] = GreenOf(color);
    out[2] = RedOf(color);
  }
}

bool GifPlayer::NextFrame() {
  if (ReadGifExtensions(data_, size_, read_) != kImage) return false;
  size_t& pos = read_.Pos;
  if (size_ - pos < 9) return false;
  left_ = GetLe16(data_ + pos);
  top_ = GetLe16(data_ + pos + 2);
  width_ = GetLe16(data_ + pos + 4);
  height_ = GetLe16(data_ + pos + 6);
  const uint8_t packed = data_[pos + 8];
  pos += 9;
  interlaced_ = (packed & 0x40) != 0;
  table_ = &global_;
  if ((packed & 0x80) != 0) {
    if (!ReadColorTable(data_, size_, pos, packed, local_)) return false;
    table_ = &local_;
  }
  if (pos >= size_) return false;
  const int minCodeSize = data_[pos++];
  // The frame's sub-blocks as one buffer; data that ends inside them gives
  // what there is.
  lzw_.clear();
  while (pos < size_) {
    size_t n = data_[pos++];
    if (n == 0) break;
    n = std::min(n, size_ - pos);
    lzw_.insert(lzw_.end(), data_ + pos, data_ + pos + n);
    pos += n;
  }
  if (minCodeSize < 2 || minCodeSize > 11) return false;
  ++framesDecoded_;

  if (read_.Transparent && read_.Disposal == 2) {
    std::fill(canvas_->Pixels.begin(), canvas_->Pixels.end(), uint8_t{0});
  }
  if (width_ == 0 || height_ == 0) return true;
  // Rows are drawn as they complete; a row the data leaves unfinished is
  // drawn as far as it goes.
  std::vector<uint16_t> row(static_cast<size_t>(width_));
  int fill = 0, fileRow = 0;
  DecodeLzw(lzw_, minCodeSize, [&](const uint16_t* s, int n) {
    for (int i = 0; i < n; ++i) {
      row[static_cast<size_t>(fill++)] = s[i];
      if (fill == width_) {
        DrawRow(fileRow++, row.data(), fill);
        fill = 0;
        if (fileRow == height_) return false;  // the rest is dropped
      }
    }
    return true;
  });
  if (fill > 0 && fileRow < height_) DrawRow(fileRow, row.data(), fill);
  return true;
}

const Raster* GifPlayer::Compose(const uint8_t* data, size_t size, int frameNumber, ColorRef keyColor,
                                 uint16_t& delay) {
  try {
    if (frameNumber < 1) frameNumber = 1;
    if (data != data_ || size != size_ || keyColor != key_) {
      data_ = data;
      size_ = size;
      key_ = keyColor;
      failedAt_ = 0;
      started_ = false;
    }
    if (failedAt_ > 0 && frameNumber >= failedAt_) return nullptr;
    if (!started_ || frameNumber < composed_) {
      if (!Start()) {
        failedAt_ = 1;
        return nullptr;
      }
    }
    while (composed_ < frameNumber) {
      if (!NextFrame()) {
        // Every later frame lies behind this one; an earlier one is composed
        // again from the start, since the values read here belong to no frame.
        failedAt_ = composed_ + 1;
        started_ = false;
        return nullptr;
      }
      ++composed_;
    }
    if (read_.HasDelay) delay = read_.Delay;
    return canvas_.get();
  } catch (const std::bad_alloc&) {
    started_ = false;
    canvas_.reset();
    return nullptr;
  }
}

RasterPtr ComposeGifFrame(const uint8_t* data, size_t size, int frameNumber, ColorRef keyColor, uint16_t& delay) {
  GifPlayer player;
  const Raster* canvas = player.Compose(data, size, frameNumber, keyColor, delay);
  if (canvas == nullptr) return nullptr;
  try {
    return std::make_unique<Raster>(*canvas);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

RasterPtr DecodeGifPicture(const uint8_t* data, size_t size, std::string& error) {
  if (data == nullptr || size < 6 || std::memcmp(data, "GIF", 3) != 0 ||
      (std::memcmp(data + 3, "89a", 3) != 0 && std::memcmp(data + 3, "87a", 3) != 0)) {
    error = "not GIF data";
    return nullptr;
  }
  GifPlayer player;
  player.AcceptGif87a(true);
  uint16_t delay = 0;
  const Raster* canvas = player.Compose(data, size, 1, kColorBlack, delay);
  if (canvas == nullptr) {
    error = "the GIF data holds no picture that can be decoded";
    return nullptr;
  }
  try {
    return std::make_unique<Raster>(*canvas);
  } catch (const std::bad_alloc&) {
    error = "not enough memory for the GIF picture";
    return nullptr;
  }
}

}  // namespace vexilo
