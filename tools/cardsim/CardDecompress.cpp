#include "CardDecompress.h"

namespace vexilo::cardsim {

bool DecompressBlock(const uint8_t* bytes, size_t n, std::vector<uint8_t>& out, size_t& used) {
  out.clear();
  used = 0;
  if (bytes == nullptr || n < 7) return false;
  const size_t total = static_cast<size_t>(bytes[0] << 8 | bytes[1]);
  const size_t k = bytes[2];
  const size_t streamBytes = static_cast<size_t>(bytes[3] << 8 | bytes[4]);
  const size_t raw = static_cast<size_t>(bytes[5] << 8 | bytes[6]);
  if (k > 7 || total > n || total != 7 + k + streamBytes + raw) return false;
  const uint8_t* frequent = bytes + 7;
  const uint8_t* stream = frequent + k;
  const uint8_t* rawBytes = stream + streamBytes;

  const size_t bits = streamBytes * 8;
  size_t bit = 0;
  size_t rawUsed = 0;
  out.reserve(bits);
  while (bit < bits) {
    size_t zeros = 0;
    while (bit < bits && ((stream[bit / 8] >> (7 - bit % 8)) & 1) == 0) {
      ++zeros;
      ++bit;
    }
    if (bit == bits) {
      // The fill: fewer than eight zero bits up to the end of the stream.
      if (zeros >= 8) return false;
      break;
    }
    ++bit;  // the one bit that ends the code
    if (zeros == 0) {
      if (rawUsed == raw) return false;
      out.push_back(rawBytes[rawUsed++]);
    } else if (zeros - 1 < k) {
      out.push_back(frequent[zeros - 1]);
    } else {
      return false;
    }
  }
  if (rawUsed != raw) return false;
  used = total;
  return true;
}

}  // namespace vexilo::cardsim
