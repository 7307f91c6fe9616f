// Block compression of pack data for compressed transfers: up to seven of the
// most frequent byte values of a block get prefix codes of 2 to 8 bits, every
// other byte costs one bit plus itself.
//
// Compressed block (multi-byte fields big-endian):
//   0  2  total length of the block, this header included: 7 + K + B + R
//   2  1  K, the number of frequent values (0 to 7)
//   3  2  B, the length of the bit stream in bytes
//   5  2  R, the number of raw bytes
//   7  K  the frequent values, most frequent first
//      B  the bit stream: per input byte, rank i as i + 1 zero bits and a one
//         bit, any other byte as a single one bit; most significant bit
//         first, the last byte filled up with zero bits
//      R  the raw bytes, in input order
#pragma once
#include <cstddef>
#include <cstdint>

namespace vexilo {

// Largest input CompressBlock takes: what an 8192-byte bit stream can hold.
inline constexpr size_t kCompressMaxInput = 8192;
// The exchange compresses at most 1060 bytes (a 4-byte offset and 1056 pack
// bytes); the block is then at most 14 + n + ceil(n / 8) bytes long.
inline constexpr size_t kCompressBlockInput = 1056;
inline constexpr size_t CompressBound(size_t n) { return 14 + n + (n + 7) / 8; }

// Writes the compressed block of in[0..n) to out and gives its total length;
// 0 when n exceeds kCompressMaxInput or the block would not fit outCapacity
// (nothing is written then). Needs no allocation and no shared state, so it
// may run on several threads at once.
size_t CompressBlock(const uint8_t* in, size_t n, uint8_t* out, size_t outCapacity);

}  // namespace vexilo
