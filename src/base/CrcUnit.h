// CRC-16 of frames and of the pack seal: polynomial 0x1021, initial value 0,
// most significant bit first, no reflection, no final XOR (CRC-16/XMODEM).
#pragma once
#include <cstddef>
#include <cstdint>

namespace vexilo {

// Continues a CRC over n more bytes; start with crc = 0.
uint16_t Crc16(const uint8_t* data, size_t n, uint16_t crc = 0);

}  // namespace vexilo
