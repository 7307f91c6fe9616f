// Reply frames as a card (or anything else on the line) might send them: the
// checks and the taking of a reply must never read or write out of bounds,
// and what they take must be a frame that passed every check.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/CrcUnit.h"
#include "comm/PacketUnit.h"

using namespace vexilo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: the link (low bit) and whether any card is addressed; second:
  // the destination address variable. The rest: the collected bytes, at
  // most what a reply collects.
  const bool serial = (data[0] & 1) != 0;
  uint8_t destination = (data[0] & 2) != 0 ? kAnyCard : data[1];
  const uint8_t before = destination;
  const uint8_t* bytes = data + 2;
  size_t n = size - 2;
  if (n > kReplyCollectMax) n = kReplyCollectMax;
  // Exactly n bytes of their own, so that any read past them is caught.
  uint8_t* copy = static_cast<uint8_t*>(std::malloc(n ? n : 1));
  if (n) std::memcpy(copy, bytes, n);

  ReplyFrame reply;
  const FrameCheck check = CheckReplyFrame(copy, n, serial, destination);
  const ReplyOutcome outcome = TakeReply(copy, n, serial, destination, reply);
  if ((check == FrameCheck::Valid) != (outcome != ReplyOutcome::Invalid)) std::abort();
  if (outcome == ReplyOutcome::Invalid && destination != before) std::abort();
  if (outcome != ReplyOutcome::Invalid) {
    const size_t length = copy[3];
    if (length < kFrameOverhead || length > n || copy[0] != kFrameStart || copy[length - 1] != kFrameEnd) std::abort();
    if (Crc16(copy + 1, length - 4) != (copy[length - 3] << 8 | copy[length - 2])) std::abort();
    if (copy[2] != 0 || destination != copy[1]) std::abort();
    if (serial && before != kAnyCard && before != copy[1]) std::abort();
  }
  if (outcome == ReplyOutcome::Taken) {
    if (reply.Letter == kLetterData) {
      if (reply.DataLength != copy[3] - kFrameOverhead || std::memcmp(reply.Data, copy + 5, reply.DataLength) != 0) {
        std::abort();
      }
    } else if (reply.DataLength != 0) {
      std::abort();
    }
  }
  std::free(copy);
  return 0;
}
