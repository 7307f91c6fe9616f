// The simulator's decoder of compressed blocks takes any bytes without
// harm, and every block the library's compressor makes decodes back exactly.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CardDecompress.h"
#include "comm/CompressUnit.h"

using namespace vexilo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  size_t used = 0;
  if (cardsim::DecompressBlock(data, size, out, used)) {
    if (used > size || used < 7) std::abort();
    const size_t streamBytes = static_cast<size_t>(data[3] << 8 | data[4]);
    if (out.size() > streamBytes * 8) std::abort();
  }

  if (size <= kCompressMaxInput) {
    std::vector<uint8_t> block(CompressBound(size));
    const size_t total = CompressBlock(data, size, block.data(), block.size());
    if (total == 0 || total > block.size()) std::abort();
    if (!cardsim::DecompressBlock(block.data(), total, out, used) || used != total) std::abort();
    if (out.size() != size || (size > 0 && std::memcmp(out.data(), data, size) != 0)) std::abort();
  }
  return 0;
}
