// The card's side of block compression: decodes one compressed block as a
// card does, and refuses blocks that a card could not decode exactly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexilo::cardsim {

// Decodes the block at the start of bytes[0..n); on success out holds the
// decoded bytes and used the block's total length. False for a block whose
// header, codes or raw bytes do not add up.
bool DecompressBlock(const uint8_t* bytes, size_t n, std::vector<uint8_t>& out, size_t& used);

}  // namespace vexilo::cardsim
