// A card simulator: a real peer for the library's links. It serves one card
// address over UDP on a loopback port and over a pseudo-terminal, answers A
// with H, D with O, C with a status byte and U with a word, rebuilds the
// packs it receives (plain or compressed), checks their seal, and records
// every frame. Its status answer is its verdict on the last pack: the
// configured status when that pack was rebuilt whole and its seal checks,
// kStatusBadPack otherwise. Faults are injected on request. Runs on its own
// thread; every accessor may be called from any thread.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexilo::cardsim {

struct CardFaults {
  bool Refuse = false;          // A is answered with B
  bool Silent = false;          // nothing is ever answered
  uint32_t DropEvery = 0;       // every n-th reply is left out (0: none)
  uint32_t CorruptCrc = 0;      // the next n replies go out with a wrong CRC
  bool DecoyBadCrc = false;     // each reply is preceded by a copy with a wrong CRC
  bool DecoyForeign = false;    // each reply is preceded by a copy from ForeignAddress
  uint8_t ForeignAddress = 0x77;
  int ReplyFrom = -1;           // 0..255: every reply names this source address
  uint32_t DelayMs = 0;         // every reply goes out this late
  uint32_t DataForAccept = 0;   // the next n data packets are answered with D, not O
  bool FixedStatus = false;     // C is answered with the configured status, whatever the packs
  bool SpoilPack = false;       // each rebuilt pack gets one byte wrong (a card with bad memory)
};

// The status answered to C while the last pack received is broken: it did
// not arrive whole, does not decode, or its seal does not check. The library
// takes only 0 and 15 for success.
inline constexpr uint8_t kStatusBadPack = 1;

struct CardOptions {
  uint8_t Address = 1;
  bool Udp = true;              // serve UDP on 127.0.0.1
  uint16_t UdpPort = 0;         // 0: a free port is chosen
  bool Serial = false;          // serve a pseudo-terminal
  std::string SerialDir;        // when set, the terminal is linked there as COM<ComNumber>
  int ComNumber = 1;
  std::string SaveDir;          // when set, each received pack is saved there
  uint8_t Status = 0;           // the answer to C before any pack and after a good one
  uint16_t Word = 0;            // the answer to U
  CardFaults Faults;
  std::function<void(const std::string&)> Log;  // one line per frame in and out
};

enum class Channel { Udp, Serial };

struct FrameRecord {
  Channel Via = Channel::Udp;
  std::chrono::steady_clock::time_point At;
  std::vector<uint8_t> Bytes;   // the whole frame
  bool ForThisCard = true;      // requests: addressed to this card or to any card
};

// A payload of the single form: DataKind 1 clock, 2 screen on/off, 3 program.
struct SingleRecord {
  uint8_t Kind = 0;
  std::vector<uint8_t> Data;
};

struct PackRecord {
  uint8_t Kind = 0;             // 15, 31, 47 or 63
  std::vector<uint8_t> Bytes;   // the rebuilt pack
  bool SealOk = false;          // last two bytes = Crc16 of all before, big-endian
  std::string Error;            // empty when the pack was rebuilt without a fault
  std::string SavedAs;          // file it was saved to, if any
};

// What the card was told through single-form payloads, as it would keep it.
struct CardLearnt {
  std::optional<bool> ScreenOn;          // kind 2: 0x00 on, 0x0F off
  std::vector<uint8_t> Clock;            // kind 1: seconds, minutes, hours, day, weekday, month, year (BCD)
  std::optional<uint8_t> Program;        // kind 3: the selected program
};
// Folds the payloads in order: later ones replace earlier ones.
CardLearnt LearntFrom(const std::vector<SingleRecord>& singles);
// The clock as "20yy-mm-dd hh:mm:ss weekday w"; empty when none was set.
std::string ClockText(const std::vector<uint8_t>& clock);

class CardSimulator {
 public:
  explicit CardSimulator(CardOptions options = {});
  ~CardSimulator();
  CardSimulator(const CardSimulator&) = delete;
  CardSimulator& operator=(const CardSimulator&) = delete;

  // Opens the socket and the terminal and starts the thread; false (with a
  // reason in LastError) when one of them cannot be made.
  bool Start();
  void Stop();
  std::string LastError() const;

  uint16_t UdpPort() const;         // the loopback port served
  std::string SerialPath() const;   // the terminal's device path
  std::string ComLink() const;      // SerialDir/COMn when linked

  void SetFaults(const CardFaults& faults);
  void SetStatus(uint8_t status);
  void SetWord(uint16_t word);
  void SetAddress(uint8_t address);

  std::vector<FrameRecord> Requests() const;  // every well-formed frame received
  std::vector<FrameRecord> Replies() const;   // every frame sent (decoys included)
  std::vector<SingleRecord> Singles() const;
  std::vector<PackRecord> Packs() const;
  CardLearnt Learnt() const { return LearntFrom(Singles()); }
  void ClearRecords();

  // Polls pred (which may call the accessors) until it holds or the time is up.
  bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout) const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace vexilo::cardsim
