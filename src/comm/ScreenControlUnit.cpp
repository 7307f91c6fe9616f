#include "comm/ScreenControlUnit.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "base/ByteOrderUnit.h"
#include "comm/SocketUnit.h"
#include "frame/ClockUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "pack/ProgramPackUnit.h"

namespace vexilo {
namespace {

constexpr uint16_t kCommandPacketSize = 200;
constexpr uint16_t kCommandRetries = 3;
constexpr uint16_t kUdpPackRetries = 3;
constexpr int32_t kSmallestPacket = 15;
constexpr int32_t kLargestPacket = static_cast<int32_t>(kFrameMaxLength);
constexpr int32_t kFewestRetries = 1;
constexpr int32_t kMostRetries = 100;
constexpr int32_t kStatusPollMs = 1200;
constexpr int32_t kStatusPollLimitMs = 10000;
constexpr int kRequestAttempts = 3;
constexpr uint32_t kProbeWaitMs = 100;
constexpr uint32_t kWordWaitMs = 50;
constexpr uint32_t kStatusWaitMs = 500;
constexpr uint32_t kSearchReplyFloorMs = 200;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

uint8_t Bcd(int value) { return static_cast<uint8_t>(((value / 10) % 10) << 4 | (value % 10)); }

// The screen's section, and the reply floor set from the current screen.
bool ReadScreen(int32_t screenNo, TScreenConfig& config) {
  if (!ReadScreenConfig(screenNo, config, ScreenConfig().ConfigFilePath)) return false;
  SetReplyWaitFloor(ScreenConfig().CurrentScreenConfig.WaitmSec);
  return true;
}

bool StatusAccepted(int32_t status) { return status == 0 || status == 15; }

uint8_t PackKind(int32_t compress, int32_t altKind) {
  const bool compressed = compress == 1;
  const bool alternate = altKind == 1;
  if (compressed) return alternate ? kKindPackCompressedAlt : kKindPackCompressed;
  return alternate ? kKindPackPlainAlt : kKindPackPlain;
}

// A frame must hold a packet's header and at least one data byte within its
// one-byte length: packets of 15 to 254 bytes. Checked on the value the host
// gave, before anything is cut to 16 bits or sent (a port search sends
// probes, so the check cannot wait for the exchange).
bool PacketSizeFits(int32_t packetSize) { return packetSize >= kSmallestPacket && packetSize <= kLargestPacket; }

bool ArgumentsInRange(int32_t packetSize, int32_t retryCount) {
  return PacketSizeFits(packetSize) && retryCount >= kFewestRetries && retryCount <= kMostRetries;
}

// Opens the link of a screen (serial through openSerial, or UDP to the
// screen's address), runs action on it and closes it again on every path.
// Any other link mode, or a link that does not open, fails.
template <class OpenSerial, class Action>
bool OnScreenLink(const TScreenConfig& config, uint8_t mode, OpenSerial&& openSerial, Action&& action) {
  if (mode == kLinkSerial) {
    SerialPort* port = openSerial();
    if (port == nullptr) return false;
    SerialLinkCloser closer(port);
    return action(port);
  }
  if (mode == kLinkUdp) {
    // An empty or malformed address is refused by the link itself.
    if (!OpenUdpLink(config.IPAddr, config.PortNO)) return false;
    UdpLinkCloser closer;
    return action(CardLink{nullptr});
  }
  return false;
}

// The same over UDP to an address the host gives.
template <class Action>
bool OnUdpLink(const char* ipAddr, uint16_t port, Action&& action) {
  if (ipAddr == nullptr || !OpenUdpLink(ipAddr, port)) return false;
  UdpLinkCloser closer;
  return action(CardLink{nullptr});
}

// The screen's own serial port, without a search.
SerialPort* OpenScreenPort(const TScreenConfig& config) {
  return OpenSerialLink(config.COMPort, BaudFromIndex(config.BaudIndex));
}

// One screen command over the link a screen's settings choose.
enum class LinkChoice { ByLinkMode, SerialAlways };

bool ScreenCommand(int32_t screenNo, LinkChoice choice, std::optional<uint8_t> cardAddr, bool open) {
  TScreenConfig config;
  if (!ReadScreen(screenNo, config)) return false;
  const uint8_t mode = choice == LinkChoice::SerialAlways ? static_cast<uint8_t>(kLinkSerial) : config.LinkMode;
  uint8_t destination = cardAddr ? *cardAddr : static_cast<uint8_t>(config.LinkAddr);
  return OnScreenLink(config, mode, [&] { return OpenScreenPort(config); },
                      [&](CardLink link) { return SwitchScreen(link, destination, open); });
}

bool UdpScreenCommand(const char* ipAddr, uint16_t port, bool open) {
  uint8_t destination = kAnyCard;
  return OnUdpLink(ipAddr, port, [&](CardLink link) { return SwitchScreen(link, destination, open); });
}

// Polls the status every 1.2 s until the card gives one or 10 s have passed.
bool PollStatus(CardLink link, uint8_t& destination) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    SleepMs(kStatusPollMs);
    int32_t status = QueryStatus(link, destination);
    if (status >= 0) return StatusAccepted(status);
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kStatusPollLimitMs)) return false;
  }
}

// The pack, then after a pause one status query: the addressed variants.
bool SendPackThenAskStatus(CardLink link, uint8_t& destination, uint8_t kind, uint16_t packetSize,
                           uint16_t retryCount) {
  if (!PacketExchange(link, destination, kind, PackData(), packetSize, retryCount)) return false;
  SleepMs(kStatusPollMs);
  return StatusAccepted(QueryStatus(link, destination));
}

bool SendProgramPack(int32_t screenNo, int32_t compress, int32_t packetSize, int32_t retryCount) {
  TScreenConfig config;
  if (!ReadScreen(screenNo, config)) return false;
  if (PackBytesLength() <= 2) return false;
  const uint8_t kind = compress == 1 ? kKindPackCompressed : kKindPackPlain;
  uint8_t destination = static_cast<uint8_t>(config.LinkAddr);
  return OnScreenLink(config, config.LinkMode,
                      [&] { return FindSerialCard(config, static_cast<uint8_t>(config.LinkAddr), true); },
                      [&](CardLink link) {
                        // Over UDP every packet is tried three times, whatever the caller asked.
                        const uint16_t retries = link == nullptr ? kUdpPackRetries : static_cast<uint16_t>(retryCount);
                        return PacketExchange(link, destination, kind, PackData(), static_cast<uint16_t>(packetSize),
                                              retries) &&
                               PollStatus(link, destination);
                      });
}

// One request frame without data, tried up to three times; the first valid
// reply that accept takes.
template <class Accept>
std::optional<ReplyFrame> RequestWithRetries(CardLink link, uint8_t& destination, uint8_t letter, uint32_t waitMs,
                                             Accept&& accept) {
  for (int attempt = 0; attempt < kRequestAttempts; ++attempt) {
    if (!SendFrame(link, letter, destination, nullptr, 0)) continue;
    ReplyFrame reply;
    if (ReceiveFrame(link, destination, waitMs, reply) && accept(reply)) return reply;
  }
  return std::nullopt;
}

bool SelectProgramOn(CardLink link, uint8_t destination, uint8_t programNo) {
  return PacketExchange(link, destination, kKindProgram, MemoryData(&programNo, 1), kCommandPacketSize,
                        kCommandRetries);
}

}  // namespace

// ---- card requests ----------------------------------------------------------

bool SwitchScreen(CardLink link, uint8_t& destination, bool open) {
  const uint8_t state = open ? 0x00 : 0x0F;
  return PacketExchange(link, destination, kKindScreen, MemoryData(&state, 1), kCommandPacketSize, kCommandRetries);
}

void MakeClockPayload(uint8_t (&payload)[9]) {
  const LocalTime t = NowLocal();
  payload[0] = kFlagSingle;
  payload[1] = kKindClock;
  payload[2] = Bcd(t.Second);
  payload[3] = Bcd(t.Minute);
  payload[4] = Bcd(t.Hour);
  payload[5] = Bcd(t.Day);
  payload[6] = static_cast<uint8_t>(t.Weekday);
  payload[7] = Bcd(t.Month);
  payload[8] = Bcd(t.Year % 100);
}

bool SendClock(CardLink link) {
  uint8_t payload[9];
  MakeClockPayload(payload);
  return SendFrame(link, kLetterData, kAnyCard, payload, sizeof payload);
}

std::optional<uint8_t> ProbeCard(CardLink link, uint8_t& destination) {
  std::optional<ReplyFrame> reply =
      RequestWithRetries(link, destination, kLetterHandshake, kProbeWaitMs, [](const ReplyFrame&) { return true; });
  if (!reply) return std::nullopt;
  QueryWord(link, destination);
  return reply->Letter;
}

int32_t QueryWord(CardLink link, uint8_t& destination) {
  std::optional<ReplyFrame> reply = RequestWithRetries(link, destination, kLetterWord, kWordWaitMs, [](const ReplyFrame& r) {
    return r.Letter == kLetterData && r.DataLength == 2;
  });
  return reply ? static_cast<int32_t>(GetBe16(reply->Data)) : -1;
}

int32_t QueryStatus(CardLink link, uint8_t& destination) {
  std::optional<ReplyFrame> reply =
      RequestWithRetries(link, destination, kLetterStatus, kStatusWaitMs, [](const ReplyFrame& r) {
        return r.Letter == kLetterData && r.DataLength == 1;
      });
  return reply ? static_cast<int32_t>(reply->Data[0]) : -1;
}

SerialPort* FindSerialCard(const TScreenConfig& config, uint8_t probeAddr, bool sendExport) {
  const int32_t baud = BaudFromIndex(config.BaudIndex);
  if (std::strstr(config.COMPort, "COM") != nullptr) return OpenSerialLink(config.COMPort, baud);
  for (int n = 1; n <= 255; ++n) {
    const std::string name = "COM" + std::to_string(n);
    SerialPort* port = OpenSerialLink(name.c_str(), baud);
    if (port == nullptr) continue;
    if (sendExport && ReplyWaitFloor() < kSearchReplyFloorMs) SetReplyWaitFloor(kSearchReplyFloorMs);
    uint8_t destination = probeAddr;
    if (ProbeCard(port, destination)) return port;
    if (sendExport) SleepMs(30);
    CloseSerialLink(port);
  }
  return nullptr;
}

// ---- exports -----------------------------------------------------------------

bool OpenScreen(int32_t screenNo) { return ScreenCommand(screenNo, LinkChoice::ByLinkMode, std::nullopt, true); }
bool CloseScreen(int32_t screenNo) { return ScreenCommand(screenNo, LinkChoice::ByLinkMode, std::nullopt, false); }
bool OpenScreenEx(int32_t screenNo, uint8_t cardAddr) {
  return ScreenCommand(screenNo, LinkChoice::SerialAlways, cardAddr, true);
}
bool CloseScreenEx(int32_t screenNo, uint8_t cardAddr) {
  return ScreenCommand(screenNo, LinkChoice::SerialAlways, cardAddr, false);
}
bool OpenToUdpScreen(const char* ipAddr, uint16_t port) { return UdpScreenCommand(ipAddr, port, true); }
bool CloseToUdpScreen(const char* ipAddr, uint16_t port) { return UdpScreenCommand(ipAddr, port, false); }

bool AdjustTime(int32_t screenNo) {
  TScreenConfig config;
  if (!ReadScreen(screenNo, config)) return false;
  return OnScreenLink(config, config.LinkMode, [&] { return OpenScreenPort(config); },
                      [](CardLink link) { return SendClock(link); });
}

bool AdjustToUdpTime(const char* ipAddr, uint16_t port) {
  return OnUdpLink(ipAddr, port, [](CardLink link) { return SendClock(link); });
}

bool SendToScreen(int32_t screenNo) { return SendProgramPack(screenNo, 0, kCommandPacketSize, kCommandRetries); }

bool SendToScreenX(int32_t screenNo, int32_t compress, int32_t packetSize, int32_t retryCount) {
  if (!ArgumentsInRange(packetSize, retryCount)) return false;
  return SendProgramPack(screenNo, compress, packetSize, retryCount);
}

bool SendToAddrScreen(int32_t screenNo, uint8_t cardAddr, int32_t compress, int32_t altKind, int32_t packetSize,
                      int32_t retryCount) {
  if (!ArgumentsInRange(packetSize, retryCount)) return false;
  TScreenConfig config;
  if (!ReadScreen(screenNo, config) || PackBytesLength() <= 2) return false;
  const uint8_t kind = PackKind(compress, altKind);
  if (config.LinkMode != kLinkSerial) return false;
  uint8_t destination = cardAddr;
  return OnScreenLink(config, kLinkSerial, [&] { return FindSerialCard(config, cardAddr, false); },
                      [&](CardLink link) {
                        return SendPackThenAskStatus(link, destination, kind, static_cast<uint16_t>(packetSize),
                                                     static_cast<uint16_t>(retryCount));
                      });
}

bool SendToUdpScreen(int32_t screenNo, const char* ipAddr, uint16_t port, int32_t compress, int32_t altKind,
                     uint16_t packetSize, uint16_t retryCount) {
  TScreenConfig config;
  if (!ReadScreen(screenNo, config) || PackBytesLength() <= 2) return false;
  if (!PacketSizeFits(packetSize) || retryCount < kFewestRetries) return false;
  const uint8_t kind = PackKind(compress, altKind);
  uint8_t destination = static_cast<uint8_t>(config.LinkAddr);
  return OnUdpLink(ipAddr, port, [&](CardLink link) {
    return SendPackThenAskStatus(link, destination, kind, packetSize, retryCount);
  });
}

bool SelectScreenProgram(int32_t screenNo, uint8_t searchAddr, uint8_t programNo) {
  TScreenConfig config;
  if (!ReadScreen(screenNo, config)) return false;
  const uint8_t destination = static_cast<uint8_t>(config.LinkAddr);
  return OnScreenLink(config, config.LinkMode, [&] { return FindSerialCard(config, searchAddr, false); },
                      [&](CardLink link) { return SelectProgramOn(link, destination, programNo); });
}

bool SelectToUdpScreenProgram(const char* ipAddr, uint16_t port, uint8_t programNo) {
  return OnUdpLink(ipAddr, port, [&](CardLink link) { return SelectProgramOn(link, kAnyCard, programNo); });
}

}  // namespace vexilo
