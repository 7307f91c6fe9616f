#include "comm/PacketUnit.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/ByteOrderUnit.h"
#include "base/CrcUnit.h"
#include "comm/CommTextsUnit.h"
#include "comm/CompressUnit.h"
#include "comm/SocketUnit.h"
#include "frame/FrameCountersUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "lang/LanguageUnit.h"
#include "pack/ProgramPackUnit.h"

namespace vexilo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kReplyWaitMs = 1000;       // for the handshake and each data packet
constexpr auto kRetryPause = std::chrono::milliseconds(10);
constexpr auto kAfterLastPacket = std::chrono::milliseconds(300);
constexpr uint16_t kSmallestPacket = 15;
constexpr uint16_t kLargestPacket = kFrameMaxLength;
constexpr size_t kPlainHeader = 6;       // flag, kind, 4-byte offset
constexpr size_t kChunkHeader = 2;       // flag, kind

bool ReadData(const ExchangeData& data, uint32_t pos, uint8_t* out, size_t n) {
  if (n == 0) return true;
  if (data.Memory != nullptr) {
    std::memcpy(out, data.Memory + pos, n);
    return true;
  }
  return ReadPackBytes(pos, out, n);
}

// Reports to the observer, the text translated for the user's system; a
// "%s" in the text stands for the last serial port's name.
void Report(const ProgressObserver& observer, int percent, const char* text) {
  if (!observer) return;
  std::string t = text;
  size_t at = t.find("%s");
  if (at != std::string::npos) t.replace(at, 2, LastSerialPort());
  observer(percent, Translate(t));
}

int Percent(uint32_t taken, uint32_t length) {
  uint64_t p = 99ull * taken / length;
  return static_cast<int>(std::min<uint64_t>(p, 99));
}

// Sends one data packet up to retryCount times; true when the card accepted it.
bool SendPacket(CardLink link, uint8_t& destination, const uint8_t* payload, size_t n, uint16_t retryCount) {
  DrainUdp();
  for (uint16_t attempt = 0; attempt < retryCount; ++attempt) {
    if (!SendFrame(link, kLetterData, destination, payload, n)) continue;
    ReplyFrame reply;
    if (ReceiveFrame(link, destination, kReplyWaitMs, reply) && reply.Letter == kLetterAccepted) return true;
    std::this_thread::sleep_for(kRetryPause);
  }
  return false;
}

bool Handshake(CardLink link, uint8_t& destination, uint16_t retryCount, const ProgressObserver& observer) {
  for (uint16_t attempt = 0; attempt < retryCount; ++attempt) {
    if (!SendFrame(link, kLetterHandshake, destination, nullptr, 0)) {
      Report(observer, 100, strings::kLinkFailed);
      continue;
    }
    ReplyFrame reply;
    if (!ReceiveFrame(link, destination, kReplyWaitMs, reply)) {
      Report(observer, 100, link != nullptr ? strings::kNoDeviceOnPort : strings::kNotConnected);
      std::this_thread::sleep_for(kRetryPause);
      continue;
    }
    if (reply.Letter == kLetterRefused) return false;
    if (reply.Letter == kLetterReady) return true;
  }
  return false;
}

// The transfer part of one exchange: what every form needs to report its
// progress and to run its packets through the card.
struct Transfer {
  CardLink Link;
  uint8_t& Destination;
  uint16_t RetryCount;
  const ProgressObserver& Observer;

  // Before a packet (plain) or a block (compressed) that starts with the
  // source byte at taken.
  void Progress(uint32_t taken, uint32_t length) {
    if (taken == 0) {
      Report(Observer, 0, strings::kSending);
    } else {
      Report(Observer, Percent(taken, length), "");
    }
  }
  // One packet through the card; after the last one, the completion and the
  // card's pause.
  bool Send(const uint8_t* payload, size_t n, bool last) {
    if (!SendPacket(Link, Destination, payload, n, RetryCount)) {
      Report(Observer, 100, strings::kSendFailed);
      return false;
    }
    if (last) {
      Report(Observer, 100, strings::kSendDone);
      std::this_thread::sleep_for(kAfterLastPacket);
    }
    return true;
  }
  bool Abort() {
    Report(Observer, 100, strings::kSendFailed);
    return false;
  }
};

bool TransferSingle(Transfer& t, uint8_t kind, const ExchangeData& data) {
  uint8_t payload[kFrameMaxData];
  payload[0] = kFlagSingle;
  payload[1] = kind;
  t.Progress(0, data.Length);
  if (!ReadData(data, 0, payload + kChunkHeader, data.Length)) return t.Abort();
  return t.Send(payload, kChunkHeader + data.Length, true);
}

bool TransferPlain(Transfer& t, uint8_t kind, const ExchangeData& data, uint16_t packetSize) {
  const uint32_t perPacket = packetSize - static_cast<uint32_t>(kFrameOverhead + kPlainHeader);
  uint8_t payload[kFrameMaxData];
  for (uint32_t pos = 0; pos < data.Length;) {
    const uint32_t n = std::min(perPacket, data.Length - pos);
    const bool last = pos + n == data.Length;
    payload[0] = last ? kFlagLast : (pos == 0 ? kFlagFirst : kFlagMiddle);
    payload[1] = kind;
    PutBe32(payload + 2, pos);
    t.Progress(pos, data.Length);
    if (!ReadData(data, pos, payload + kPlainHeader, n)) return t.Abort();
    pos += n;
    if (!t.Send(payload, kPlainHeader + n, last)) return false;
  }
  return true;
}

bool TransferCompressed(Transfer& t, uint8_t kind, const ExchangeData& data, uint16_t packetSize) {
  const size_t perChunk = packetSize - (kFrameOverhead + kChunkHeader);
  uint8_t block[4 + kCompressedBlockBytes];
  uint8_t compressed[CompressBound(sizeof block)];
  uint8_t payload[kFrameMaxData];
  uint32_t pos = 0;
  bool first = true;
  while (pos < data.Length) {
    const uint32_t n = std::min(kCompressedBlockBytes, data.Length - pos);
    PutBe32(block, pos);
    t.Progress(pos, data.Length);
    if (!ReadData(data, pos, block + 4, n)) return t.Abort();
    pos += n;
    const size_t total = CompressBlock(block, 4 + n, compressed, sizeof compressed);
    if (total == 0) return t.Abort();
    for (size_t at = 0; at < total;) {
      const size_t c = std::min(perChunk, total - at);
      const bool endsBlock = at + c == total;
      const bool last = endsBlock && pos == data.Length;
      payload[0] = last ? kFlagLast : (first ? kFlagFirst : kFlagMiddle);
      payload[1] = kind;
      std::memcpy(payload + kChunkHeader, compressed + at, c);
      at += c;
      first = false;
      if (!t.Send(payload, kChunkHeader + c, last)) return false;
    }
  }
  return true;
}

// Whole milliseconds left until the deadline, rounded up; 0 once it has passed.
uint32_t MsLeft(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<uint32_t>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

// One datagram is one frame. Datagrams that are discarded do not extend the
// wait: it ends at the deadline however many came before.
bool ReceiveUdpReply(uint8_t& destination, Clock::time_point deadline, ReplyFrame& reply) {
  static_assert(kUdpReplyBuffer == kReplyCollectMax);
  uint8_t buf[kReplyCollectMax];
  do {
    const int r = UdpReceive(buf, MsLeft(deadline));
    if (r <= 0) return false;
    if (TakeReply(buf, static_cast<size_t>(r), false, destination, reply) == ReplyOutcome::Taken) return true;
  } while (Clock::now() < deadline);
  return false;
}

// Serial bytes are collected one at a time into a window of the last
// kReplyCollectMax bytes. A frame is recognised the moment its last byte
// arrives, wherever it starts in the window, so noise on the line before a
// reply does not hide the reply. A complete frame that is discarded (for
// another card or host, or of a letter the library does not take) is
// dropped from the window with everything before it. Collecting ends at the
// deadline, however much arrives before it.
bool ReceiveSerialReply(SerialPort* port, uint8_t& destination, Clock::time_point deadline, ReplyFrame& reply) {
  uint8_t buf[kReplyCollectMax];
  size_t n = 0;
  uint8_t byte;
  while (SerialWaitByte(port, byte, deadline)) {
    if (n == sizeof buf) {
      std::memmove(buf, buf + 1, n - 1);
      --n;
    }
    buf[n++] = byte;
    if (byte != kFrameEnd || n < kFrameOverhead) continue;
    // Every start whose length byte makes a frame end at this byte, the
    // earliest (longest) first.
    for (size_t start = 0; start + kFrameOverhead <= n; ++start) {
      if (buf[start] != kFrameStart || buf[start + 3] != n - start) continue;
      const uint8_t* frame = buf + start;
      const size_t length = n - start;
      const FrameCheck check = CheckReplyFrame(frame, length, true, destination);
      if (check == FrameCheck::Valid) {
        if (TakeReply(frame, length, true, destination, reply) == ReplyOutcome::Taken) return true;
      } else if (check != FrameCheck::NotForHost && check != FrameCheck::ForeignCard) {
        continue;  // not a frame: noise that happens to look like a start
      }
      n = 0;  // a whole frame, not for this exchange
      break;
    }
  }
  return false;
}

}  // namespace

ExchangeForm FormOfKind(uint8_t kind) {
  switch (kind) {
    case kKindPackPlain:
    case kKindPackPlainAlt:
      return ExchangeForm::Plain;
    case kKindPackCompressed:
    case kKindPackCompressedAlt:
      return ExchangeForm::Compressed;
    default:
      return ExchangeForm::Single;
  }
}

size_t BuildFrame(uint8_t letter, uint8_t destination, const uint8_t* data, size_t n, uint8_t* out) {
  if (n > kFrameMaxData || (n > 0 && data == nullptr)) return 0;
  const size_t length = n + kFrameOverhead;
  out[0] = kFrameStart;
  out[1] = 0;
  out[2] = destination;
  out[3] = static_cast<uint8_t>(length);
  out[4] = letter;
  if (n > 0) std::memcpy(out + 5, data, n);
  PutBe16(out + length - 3, Crc16(out + 1, length - 4));
  out[length - 1] = kFrameEnd;
  return length;
}

FrameCheck CheckReplyFrame(const uint8_t* bytes, size_t n, bool serialLink, uint8_t destination) {
  if (n < kFrameOverhead) return FrameCheck::TooShort;
  const size_t length = bytes[3];
  if (n < length) return FrameCheck::Truncated;
  if (bytes[0] != kFrameStart) return FrameCheck::BadStart;
  // A length byte below 8 cannot hold a frame; its end and CRC would lie
  // before its start.
  if (length < kFrameOverhead || bytes[length - 1] != kFrameEnd) return FrameCheck::BadEnd;
  if (GetBe16(bytes + length - 3) != Crc16(bytes + 1, length - 4)) return FrameCheck::BadCrc;
  if (bytes[2] != 0) return FrameCheck::NotForHost;
  if (serialLink && destination != kAnyCard && bytes[1] != destination) return FrameCheck::ForeignCard;
  return FrameCheck::Valid;
}

bool SendFrame(CardLink link, uint8_t letter, uint8_t destination, const uint8_t* data, size_t n) {
  uint8_t frame[kFrameMaxLength];
  const size_t length = BuildFrame(letter, link != nullptr ? destination : kAnyCard, data, n, frame);
  if (length == 0) return false;
  bool sent;
  if (link != nullptr) {
    sent = SerialWrite(link, frame, length);
  } else {
    DrainUdp();
    sent = UdpSend(frame, length);
  }
  if (sent) CountSentFrame();
  return sent;
}

bool ReceiveFrame(CardLink link, uint8_t& destination, uint32_t waitMs, ReplyFrame& reply) {
  const uint32_t wait = std::max(waitMs, ReplyWaitFloor());
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait);
  if (link != nullptr) return ReceiveSerialReply(link, destination, deadline, reply);
  return ReceiveUdpReply(destination, deadline, reply);
}

ReplyOutcome TakeReply(const uint8_t* bytes, size_t n, bool serialLink, uint8_t& destination, ReplyFrame& reply) {
  if (CheckReplyFrame(bytes, n, serialLink, destination) != FrameCheck::Valid) return ReplyOutcome::Invalid;
  destination = bytes[1];
  CountConfirmedFrame();
  const uint8_t letter = bytes[4];
  if (letter != kLetterReady && letter != kLetterRefused && letter != kLetterAccepted && letter != kLetterData) {
    return ReplyOutcome::Ignored;
  }
  reply.Letter = letter;
  reply.Source = bytes[1];
  reply.DataLength = 0;
  if (letter == kLetterData) {
    reply.DataLength = bytes[3] - kFrameOverhead;
    std::memcpy(reply.Data, bytes + 5, reply.DataLength);
  }
  return ReplyOutcome::Taken;
}

ExchangeData MemoryData(const void* data, uint32_t n) {
  return ExchangeData{static_cast<const uint8_t*>(data), data != nullptr ? n : 0};
}

ExchangeData PackData() {
  return ExchangeData{nullptr, PackBytesLength()};
}

bool PacketExchange(CardLink link, uint8_t& destination, uint8_t kind, const ExchangeData& data,
                    uint16_t packetSize, uint16_t retryCount, const ProgressObserver& observer) {
  if (retryCount == 0) return false;
  // A frame must hold the packet header and at least one data byte in its
  // one-byte length; anything else is refused before a frame is sent.
  if (packetSize < kSmallestPacket || packetSize > kLargestPacket) return false;
  const ExchangeForm form = FormOfKind(kind);
  // Single-form data that cannot travel in one packet is refused up front too.
  if (form == ExchangeForm::Single && kFrameOverhead + kChunkHeader + data.Length > packetSize) return false;

  if (!Handshake(link, destination, retryCount, observer)) return false;
  if (data.Length == 0) return false;

  Transfer t{link, destination, retryCount, observer};
  switch (form) {
    case ExchangeForm::Single:
      return TransferSingle(t, kind, data);
    case ExchangeForm::Plain:
      return TransferPlain(t, kind, data, packetSize);
    case ExchangeForm::Compressed:
      return TransferCompressed(t, kind, data, packetSize);
  }
  return false;
}

}  // namespace vexilo
