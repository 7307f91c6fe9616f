#include "comm/CompressUnit.h"

#include <array>
#include <cstring>

namespace vexilo {

size_t CompressBlock(const uint8_t* in, size_t n, uint8_t* out, size_t outCapacity) {
  if (n > kCompressMaxInput || (n > 0 && in == nullptr) || out == nullptr) return 0;

  // Pass 1: how often each value occurs.
  std::array<uint32_t, 256> count{};
  for (size_t i = 0; i < n; ++i) ++count[in[i]];

  // The frequent values: highest count first, the lowest value among equals.
  uint8_t frequent[7];
  size_t k = 0;
  std::array<uint32_t, 256> left = count;
  while (k < 7) {
    int best = -1;
    for (int v = 0; v < 256; ++v) {
      if (left[v] > 0 && (best < 0 || left[v] > left[best])) best = v;
    }
    if (best < 0) break;
    frequent[k++] = static_cast<uint8_t>(best);
    left[best] = 0;
  }

  // Code of every value: its length in bits (rank i: i + 2, others 1).
  std::array<uint8_t, 256> codeBits;
  codeBits.fill(1);
  for (size_t r = 0; r < k; ++r) codeBits[frequent[r]] = static_cast<uint8_t>(r + 2);

  // The sizes follow from the counts, so the stream and the raw bytes go
  // straight to their places in the output.
  size_t bits = 0;
  size_t raw = 0;
  for (int v = 0; v < 256; ++v) {
    bits += static_cast<size_t>(count[v]) * codeBits[v];
    if (codeBits[v] == 1) raw += count[v];
  }
  const size_t streamBytes = (bits + 7) / 8;
  const size_t total = 7 + k + streamBytes + raw;
  if (total > outCapacity) return 0;

  out[0] = static_cast<uint8_t>(total >> 8);
  out[1] = static_cast<uint8_t>(total);
  out[2] = static_cast<uint8_t>(k);
  out[3] = static_cast<uint8_t>(streamBytes >> 8);
  out[4] = static_cast<uint8_t>(streamBytes);
  out[5] = static_cast<uint8_t>(raw >> 8);
  out[6] = static_cast<uint8_t>(raw);
  if (k > 0) std::memcpy(out + 7, frequent, k);

  // Pass 2: the codes. A code is its length minus one zero bits and a one
  // bit, so appending it means moving the accumulator and setting bit 0.
  uint8_t* stream = out + 7 + k;
  uint8_t* rawOut = stream + streamBytes;
  uint32_t acc = 0;   // pending bits, the oldest highest
  unsigned held = 0;  // how many bits acc holds (below 8 between codes)
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = in[i];
    const unsigned len = codeBits[b];
    acc = (acc << len) | 1u;
    held += len;
    if (len == 1) *rawOut++ = b;
    while (held >= 8) {
      held -= 8;
      *stream++ = static_cast<uint8_t>(acc >> held);
    }
    acc &= (1u << held) - 1u;
  }
  if (held > 0) *stream++ = static_cast<uint8_t>(acc << (8 - held));
  return total;
}

}  // namespace vexilo
