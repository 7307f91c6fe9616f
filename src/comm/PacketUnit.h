// Frames and the packet exchange: everything said to a card and accepted
// back, over a serial port or UDP (one frame per datagram).
//
// Frame (multi-byte fields big-endian), L = 8 + data length, at most 254:
//   0      0x53 ("S")
//   1      source: 0 from the library, the card's address in a reply
//   2      destination: the card (0xFF over UDP) in a request, 0 in a reply
//   3      L
//   4      command letter
//   5      data, L - 8 bytes
//   L - 3  Crc16 of the bytes at 1 to L - 4, high byte first
//   L - 1  0x40 ("@")
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "comm/SerialUnit.h"

namespace vexilo {

// The link to a card: an open serial port, or null for the UDP link.
using CardLink = SerialPort*;

inline constexpr uint8_t kFrameStart = 0x53;
inline constexpr uint8_t kFrameEnd = 0x40;
inline constexpr size_t kFrameOverhead = 8;
inline constexpr size_t kFrameMaxData = 246;
inline constexpr size_t kFrameMaxLength = kFrameOverhead + kFrameMaxData;
inline constexpr size_t kReplyCollectMax = 200;  // bytes collected for one reply
inline constexpr uint8_t kAnyCard = 0xFF;         // destination that addresses any card

// Command letters.
inline constexpr uint8_t kLetterHandshake = 'A';  // request: are you there
inline constexpr uint8_t kLetterData = 'D';       // request: a data packet; reply: data
inline constexpr uint8_t kLetterStatus = 'C';     // request: the card's status
inline constexpr uint8_t kLetterWord = 'U';       // request: the card's word
inline constexpr uint8_t kLetterReady = 'H';      // reply: handshake accepted
inline constexpr uint8_t kLetterRefused = 'B';    // reply: refused
inline constexpr uint8_t kLetterAccepted = 'O';   // reply: data packet accepted

// Position flags of data packets.
inline constexpr uint8_t kFlagFirst = 0x0A;
inline constexpr uint8_t kFlagMiddle = 0xA0;
inline constexpr uint8_t kFlagLast = 0xAA;
inline constexpr uint8_t kFlagSingle = 0x0F;

// DataKind values the library sends.
inline constexpr uint8_t kKindClock = 1;
inline constexpr uint8_t kKindScreen = 2;
inline constexpr uint8_t kKindProgram = 3;
inline constexpr uint8_t kKindPackPlain = 15;
inline constexpr uint8_t kKindPackPlainAlt = 31;
inline constexpr uint8_t kKindPackCompressed = 47;
inline constexpr uint8_t kKindPackCompressedAlt = 63;

// Pack bytes per compressed block.
inline constexpr uint32_t kCompressedBlockBytes = 1056;

// How the data of a DataKind travels: the whole data in one packet, the pack
// in packets with their offsets, or the pack compressed block by block.
enum class ExchangeForm { Single, Plain, Compressed };
ExchangeForm FormOfKind(uint8_t kind);

// Writes the frame into out (room for n + 8 bytes) and gives its length; 0
// when the data is longer than kFrameMaxData.
size_t BuildFrame(uint8_t letter, uint8_t destination, const uint8_t* data, size_t n, uint8_t* out);

// The checks a reply passes, in their order; the first that fails is given.
enum class FrameCheck { Valid, TooShort, Truncated, BadStart, BadEnd, BadCrc, NotForHost, ForeignCard };
// Judges collected bytes as a reply to the exchange whose destination
// address variable holds destination. The card's source address is checked
// over a serial link only, and not when the variable holds kAnyCard.
FrameCheck CheckReplyFrame(const uint8_t* bytes, size_t n, bool serialLink, uint8_t destination);

// Sends one request frame: serial input is discarded first, UDP datagrams
// already waiting are drained first; over UDP the destination is always
// kAnyCard. True, and SentFrameCount grows, when the whole frame went out.
bool SendFrame(CardLink link, uint8_t letter, uint8_t destination, const uint8_t* data, size_t n);

struct ReplyFrame {
  uint8_t Letter = 0;
  uint8_t Source = 0;
  size_t DataLength = 0;  // data of a D reply
  uint8_t Data[kFrameMaxData];
};

// What collected bytes come to as a reply (the steps after collecting):
// invalid and discarded, valid but of a letter that is discarded, or taken.
// A valid frame teaches destination the card's address and counts in
// ConfirmedFrameCount.
enum class ReplyOutcome { Invalid, Ignored, Taken };
ReplyOutcome TakeReply(const uint8_t* bytes, size_t n, bool serialLink, uint8_t& destination, ReplyFrame& reply);

// Waits for a valid reply with letter H, B, O or D. The wait W is the larger
// of waitMs and ReplyWaitFloor, and it is a deadline from the call: invalid
// frames and frames of other letters are discarded without extending it, so
// noise on the link costs no more than W. Over a serial link the bytes are
// collected one by one and a reply is found wherever it begins among them
// (noise before it does not hide it). A valid frame teaches destination the
// card's address and counts in ConfirmedFrameCount. False when none came.
bool ReceiveFrame(CardLink link, uint8_t& destination, uint32_t waitMs, ReplyFrame& reply);

// Where the data of an exchange lies: a block in memory, or the pack, bytes
// 0 to PackLength - 1 of "Swap.Dat", read piece by piece as it is sent.
struct ExchangeData {
  const uint8_t* Memory = nullptr;  // null: the pack file
  uint32_t Length = 0;
};
ExchangeData MemoryData(const void* data, uint32_t n);
ExchangeData PackData();

// Called with a percentage (0 to 100) and a text (possibly empty).
using ProgressObserver = std::function<void(int percent, const std::string& text)>;

// Handshake, then the data in acknowledged packets: the form follows from
// kind, packets are at most packetSize bytes long as frames (15 to 254,
// anything else gives false before a frame is sent), each request is tried
// retryCount times. destination starts as the card's address (kAnyCard for
// any card) and learns the address of the card that answers. True when every
// packet was accepted.
bool PacketExchange(CardLink link, uint8_t& destination, uint8_t kind, const ExchangeData& data,
                    uint16_t packetSize, uint16_t retryCount, const ProgressObserver& observer = {});

}  // namespace vexilo
