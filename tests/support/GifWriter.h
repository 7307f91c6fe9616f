// A small GIF writer for tests, benchmarks and fuzz seeds: frames with or
// without graphic control extensions, local tables, interlacing, and LZW data
// either compressed by a real encoder or written as literal codes only.
// Hostile files are made by overriding the minimum code size or the LZW bytes.
#pragma once
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "render/DrawingUnit.h"

namespace vexilo::testing {

struct GifControl {
  bool Transparent = false;
  uint8_t Disposal = 0;
  uint8_t TransparentIndex = 0;
  uint16_t Delay = 0;
};

struct GifFrameLayout {
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::optional<GifControl> Control;  // none: no graphic control extension
  std::vector<ColorRef> LocalTable;   // empty: no local table
  bool Interlaced = false;
  std::vector<uint16_t> Indices;      // in file order (row by row as stored)
  int MinCodeSize = -1;               // below 0: from the table's size (at least 2)
  bool LiteralsOnly = false;          // one literal code per index, no clear codes
  std::optional<std::vector<uint8_t>> RawLzw;  // these bytes instead of encoding Indices
};

struct GifLayout {
  uint16_t Width = 0, Height = 0;
  std::vector<ColorRef> GlobalTable;  // empty: no global table
  uint8_t Background = 0;
  std::string Version = "89a";
  std::vector<GifFrameLayout> Frames;
  std::vector<uint8_t> BeforeTrailer;  // extra blocks after the last frame
  bool Trailer = true;
};

// LSB-first codes of growing size, as GIF packs them.
class LzwBits {
 public:
  void Put(int code, int size) {
    acc_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += size;
    while (bits_ >= 8) {
      out_.push_back(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  std::vector<uint8_t> Finish() {
    if (bits_ > 0) out_.push_back(static_cast<uint8_t>(acc_));
    bits_ = 0;
    acc_ = 0;
    return out_;
  }

 private:
  std::vector<uint8_t> out_;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// The code size a decoder reads the t-th code after a clear code with.
inline int GifCodeSize(int minCodeSize, int t) {
  const int clear = 1 << minCodeSize;
  const int next = std::min(4096, clear + 2 + std::max(0, t - 1));
  int s = minCodeSize + 1;
  while ((1 << s) <= next && s < 12) ++s;
  return s;
}

// Writes codes, each at the size a decoder expects, counting from a clear.
class LzwCodeWriter {
 public:
  explicit LzwCodeWriter(int minCodeSize) : m_(minCodeSize) {}
  void Code(int code) {
    bits_.Put(code, GifCodeSize(m_, t_));
    t_ = code == (1 << m_) ? 0 : t_ + 1;
  }
  std::vector<uint8_t> Finish() { return bits_.Finish(); }

 private:
  int m_;
  int t_ = 0;
  LzwBits bits_;
};

inline std::vector<uint8_t> LzwEncode(const std::vector<uint16_t>& indices, int minCodeSize, bool literalsOnly) {
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (uint16_t i : indices) {
    if (i >= clear) throw std::invalid_argument("index does not fit the minimum code size");
  }
  LzwCodeWriter w(minCodeSize);
  w.Code(clear);
  if (literalsOnly) {
    for (uint16_t i : indices) w.Code(i);
  } else if (!indices.empty()) {
    std::map<std::pair<int, int>, int> dict;
    int next = clear + 2;
    int prefix = indices[0];
    for (size_t k = 1; k < indices.size(); ++k) {
      const int c = indices[k];
      auto it = dict.find({prefix, c});
      if (it != dict.end()) {
        prefix = it->second;
        continue;
      }
      w.Code(prefix);
      dict[{prefix, c}] = next++;
      prefix = c;
      if (next == 4096) {
        w.Code(clear);
        dict.clear();
        next = clear + 2;
      }
    }
    w.Code(prefix);
  }
  w.Code(end);
  return w.Finish();
}

namespace gifdetail {

inline void Le16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// The table field of a packed byte (entries = 2 << field) for n entries.
inline int TableField(size_t n) {
  int k = 0;
  while ((size_t{2} << k) < n && k < 7) ++k;
  return k;
}

inline void Table(std::vector<uint8_t>& out, const std::vector<ColorRef>& table) {
  const size_t entries = size_t{2} << TableField(table.size());
  for (size_t i = 0; i < entries; ++i) {
    const ColorRef c = i < table.size() ? table[i] : 0;
    out.push_back(RedOf(c));
    out.push_back(GreenOf(c));
    out.push_back(BlueOf(c));
  }
}

}  // namespace gifdetail

inline void AppendSubBlocks(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  for (size_t at = 0; at < bytes.size(); at += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + n));
  }
  out.push_back(0);
}

inline std::vector<uint8_t> WriteGif(const GifLayout& layout) {
  using gifdetail::Le16;
  const std::string signature = "GIF" + layout.Version;
  std::vector<uint8_t> out(signature.begin(), signature.end());
  Le16(out, layout.Width);
  Le16(out, layout.Height);
  const bool global = !layout.GlobalTable.empty();
  out.push_back(static_cast<uint8_t>((global ? 0x80 | gifdetail::TableField(layout.GlobalTable.size()) : 0) | 0x70));
  out.push_back(layout.Background);
  out.push_back(0);
  if (global) gifdetail::Table(out, layout.GlobalTable);
  for (const GifFrameLayout& f : layout.Frames) {
    if (f.Control) {
      const GifControl& c = *f.Control;
      out.insert(out.end(), {0x21, 0xF9, 0x04});
      out.push_back(static_cast<uint8_t>((c.Disposal & 7) << 2 | (c.Transparent ? 1 : 0)));
      Le16(out, c.Delay);
      out.push_back(c.TransparentIndex);
      out.push_back(0);
    }
    out.push_back(0x2C);
    Le16(out, f.Left);
    Le16(out, f.Top);
    Le16(out, f.Width);
    Le16(out, f.Height);
    const bool local = !f.LocalTable.empty();
    out.push_back(static_cast<uint8_t>((local ? 0x80 | gifdetail::TableField(f.LocalTable.size()) : 0) |
                                       (f.Interlaced ? 0x40 : 0)));
    if (local) gifdetail::Table(out, f.LocalTable);
    const std::vector<ColorRef>& table = local ? f.LocalTable : layout.GlobalTable;
    int m = f.MinCodeSize;
    if (m < 0) m = std::max(2, gifdetail::TableField(table.size()) + 1);
    out.push_back(static_cast<uint8_t>(m));
    AppendSubBlocks(out, f.RawLzw ? *f.RawLzw : LzwEncode(f.Indices, m, f.LiteralsOnly));
  }
  out.insert(out.end(), layout.BeforeTrailer.begin(), layout.BeforeTrailer.end());
  if (layout.Trailer) out.push_back(0x3B);
  return out;
}

}  // namespace vexilo::testing
