#include "CardSim.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "CardDecompress.h"
#include "base/ByteOrderUnit.h"
#include "base/CrcUnit.h"

namespace vexilo::cardsim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxPack = 64u << 20;  // larger packs are refused as faulty
constexpr auto kSerialResync = std::chrono::milliseconds(50);
// The library waits at least this long for the acceptance of a data packet.
// A reply later than this less a margin for scheduling may have come after
// it gave up, so it is not counted as delivered.
constexpr uint32_t kLeastDataWaitMs = 1000;
constexpr uint32_t kLateMarginMs = 100;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
    s += b;
  }
  return s;
}

std::vector<uint8_t> MakeFrame(uint8_t source, uint8_t letter, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> f;
  f.push_back(0x53);
  f.push_back(source);
  f.push_back(0);
  f.push_back(static_cast<uint8_t>(data.size() + 8));
  f.push_back(letter);
  f.insert(f.end(), data.begin(), data.end());
  uint16_t crc = Crc16(f.data() + 1, f.size() - 1);
  f.push_back(static_cast<uint8_t>(crc >> 8));
  f.push_back(static_cast<uint8_t>(crc));
  f.push_back(0x40);
  return f;
}

bool FrameIsWellFormed(const uint8_t* f, size_t n) {
  if (n < 8 || f[0] != 0x53 || f[3] != n || f[n - 1] != 0x40) return false;
  uint16_t crc = static_cast<uint16_t>(f[n - 3] << 8 | f[n - 2]);
  return crc == Crc16(f + 1, n - 4);
}

}  // namespace

struct CardSimulator::State {
  CardOptions Options;
  mutable std::mutex Lock;  // guards everything below that the accessors read
  std::vector<FrameRecord> Requests;
  std::vector<FrameRecord> Replies;
  std::vector<SingleRecord> Singles;
  std::vector<PackRecord> Packs;
  std::string Error;

  int UdpFd = -1;
  uint16_t UdpPort = 0;
  int Master = -1;
  int SlaveKeep = -1;  // keeps the terminal alive while no client has it open
  std::string SlavePath;
  std::string Link;
  int WakeRead = -1, WakeWrite = -1;
  std::thread Worker;
  std::atomic<bool> Stopping{false};
  bool Running = false;

  // Worker-only state.
  std::vector<uint8_t> SerialIn;
  Clock::time_point SerialLastByte;
  uint64_t ReplyCount = 0;
  // Whether the last reply reached the library intact, from an address it
  // takes, with the letter it asked for and in time: whether it can have
  // taken it as the acceptance of the last data packet.
  bool LastReplyClean = true;
  std::vector<uint8_t> LastPayload;  // of the last data packet since a handshake
  // The verdict on the last pack: none received yet, good (rebuilt whole,
  // seal checks) or bad (broken, or begun and not finished).
  enum class Verdict { None, Good, Bad };
  Verdict PackVerdict = Verdict::None;
  bool PackActive = false;
  uint8_t PackKind = 0;
  std::vector<uint8_t> Pack;
  std::vector<uint8_t> Stream;
  std::string PackError;
  uint64_t SavedCount = 0;

  void Log(const std::string& line) {
    if (Options.Log) Options.Log(line);
  }

  // Sleeps until the time is up or the simulator stops; false when stopping.
  bool Pause(uint32_t ms) {
    if (ms == 0) return !Stopping;
    struct pollfd p = {WakeRead, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(ms));
    return !Stopping;
  }

  // Records the frame, then sends it: whoever got it finds it recorded.
  void Transmit(Channel via, const sockaddr_in* to, const std::vector<uint8_t>& frame) {
    {
      std::lock_guard<std::mutex> hold(Lock);
      Replies.push_back(FrameRecord{via, Clock::now(), frame, true});
    }
    Log("out " + Hex(frame));
    if (via == Channel::Udp) {
      ::sendto(UdpFd, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(to), sizeof *to);
    } else {
      size_t done = 0;
      while (done < frame.size()) {
        ssize_t w = ::write(Master, frame.data() + done, frame.size() - done);
        if (w > 0) {
          done += static_cast<size_t>(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
          struct pollfd p = {Master, POLLOUT, 0};
          ::poll(&p, 1, 10);
        } else {
          break;
        }
      }
    }
  }

  // Sends one reply through the faults in force.
  void Reply(Channel via, const sockaddr_in* to, uint8_t letter, const std::vector<uint8_t>& data) {
    CardFaults f;
    uint8_t address;
    {
      std::lock_guard<std::mutex> hold(Lock);
      f = Options.Faults;
      address = Options.Address;
      if (Options.Faults.CorruptCrc > 0) --Options.Faults.CorruptCrc;
    }
    bool clean = true;
    if (f.Silent) {
      LastReplyClean = false;
      return;
    }
    ++ReplyCount;
    if (f.DropEvery > 0 && ReplyCount % f.DropEvery == 0) {
      LastReplyClean = false;
      Log("reply dropped");
      return;
    }
    if (f.DelayMs > 0) {
      if (!Pause(f.DelayMs)) return;
      // Late, or so late that the library has already sent again: it gave
      // up waiting for this reply.
      if (f.DelayMs + kLateMarginMs >= kLeastDataWaitMs || InputWaiting(via)) clean = false;
    }
    uint8_t source = address;
    if (f.ReplyFrom >= 0) {
      source = static_cast<uint8_t>(f.ReplyFrom);
      if (source != address && via == Channel::Serial) clean = false;
    }
    std::vector<uint8_t> frame = MakeFrame(source, letter, data);
    if (f.DecoyBadCrc) {
      std::vector<uint8_t> decoy = frame;
      decoy[decoy.size() - 2] ^= 0x5A;
      Transmit(via, to, decoy);
    }
    if (f.DecoyForeign) {
      Transmit(via, to, MakeFrame(f.ForeignAddress, letter, data));
    }
    if (f.CorruptCrc > 0) {
      frame[frame.size() - 2] ^= 0xA5;
      clean = false;
    }
    LastReplyClean = clean;
    Transmit(via, to, frame);
  }

  // Whether the library has sent something that is not read yet.
  bool InputWaiting(Channel via) {
    struct pollfd p = {via == Channel::Udp ? UdpFd : Master, POLLIN, 0};
    return p.fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
  }

  // The answer to C: the configured status unless the last pack is broken.
  uint8_t StatusAnswer(uint8_t configured, const CardFaults& faults) const {
    if (faults.FixedStatus || PackVerdict != Verdict::Bad) return configured;
    return kStatusBadPack;
  }

  void FinishPack() {
    PackRecord rec;
    rec.Kind = PackKind;
    bool spoil = false;
    {
      std::lock_guard<std::mutex> hold(Lock);
      spoil = Options.Faults.SpoilPack;
    }
    if (spoil && !Pack.empty()) Pack[Pack.size() / 2] ^= 0x10;
    rec.Bytes = Pack;
    rec.Error = PackError;
    if (rec.Error.empty() && !Stream.empty()) rec.Error = "compressed bytes left over after the last block";
    const size_t n = rec.Bytes.size();
    if (n >= 2) {
      uint16_t seal = static_cast<uint16_t>(rec.Bytes[n - 2] << 8 | rec.Bytes[n - 1]);
      rec.SealOk = seal == Crc16(rec.Bytes.data(), n - 2);
    }
    std::string saveDir;
    {
      std::lock_guard<std::mutex> hold(Lock);
      saveDir = Options.SaveDir;
    }
    if (!saveDir.empty()) {
      std::string path = saveDir + "/pack-" + std::to_string(++SavedCount) + ".bin";
      if (FILE* out = std::fopen(path.c_str(), "wb")) {
        if (n == 0 || std::fwrite(rec.Bytes.data(), 1, n, out) == n) rec.SavedAs = path;
        std::fclose(out);
      }
    }
    PackVerdict = rec.SealOk && rec.Error.empty() ? Verdict::Good : Verdict::Bad;
    Log("pack of " + std::to_string(n) + " bytes, kind " + std::to_string(rec.Kind) +
        (rec.SealOk ? ", seal good" : ", seal bad") + (rec.Error.empty() ? "" : ", " + rec.Error) +
        (rec.SavedAs.empty() ? "" : ", saved as " + rec.SavedAs));
    {
      std::lock_guard<std::mutex> hold(Lock);
      Packs.push_back(std::move(rec));
    }
    PackActive = false;
    Pack.clear();
    Stream.clear();
    PackError.clear();
  }

  void BeginPack(uint8_t kind) {
    PackActive = true;
    PackVerdict = Verdict::Bad;  // until it is finished and checks
    PackKind = kind;
    Pack.clear();
    Stream.clear();
    PackError.clear();
  }

  void Place(uint32_t offset, const uint8_t* data, size_t n) {
    if (static_cast<size_t>(offset) + n > kMaxPack) {
      if (PackError.empty()) PackError = "data beyond the largest pack";
      return;
    }
    if (Pack.size() < offset + n) Pack.resize(offset + n);
    if (n > 0) std::memcpy(Pack.data() + offset, data, n);
  }

  // Takes every complete compressed block off the front of the stream.
  void DecodeStream() {
    while (Stream.size() >= 2) {
      size_t total = static_cast<size_t>(Stream[0] << 8 | Stream[1]);
      if (total < 7) {
        if (PackError.empty()) PackError = "compressed block shorter than its header";
        Stream.clear();
        return;
      }
      if (Stream.size() < total) return;
      std::vector<uint8_t> block;
      size_t used = 0;
      if (!DecompressBlock(Stream.data(), total, block, used) || block.size() < 4) {
        if (PackError.empty()) PackError = "compressed block does not decode";
      } else {
        Place(GetBe32(block.data()), block.data() + 4, block.size() - 4);
      }
      Stream.erase(Stream.begin(), Stream.begin() + static_cast<std::ptrdiff_t>(total));
    }
  }

  void OnData(const uint8_t* p, size_t n) {
    if (n < 2) return;
    const uint8_t flag = p[0];
    const uint8_t kind = p[1];
    if (flag == 0x0F) {
      std::lock_guard<std::mutex> hold(Lock);
      Singles.push_back(SingleRecord{kind, std::vector<uint8_t>(p + 2, p + n)});
      return;
    }
    if (kind == 15 || kind == 31) {
      if (n < 6) return;
      const uint32_t offset = GetBe32(p + 2);
      if (flag == 0x0A || offset == 0 || !PackActive) BeginPack(kind);
      Place(offset, p + 6, n - 6);
    } else if (kind == 47 || kind == 63) {
      if (flag == 0x0A || !PackActive) BeginPack(kind);
      Stream.insert(Stream.end(), p + 2, p + n);
      DecodeStream();
    } else {
      return;
    }
    if (flag == 0xAA) FinishPack();
  }

  void OnFrame(Channel via, const sockaddr_in* from, const uint8_t* f, size_t n) {
    uint8_t address, status;
    uint16_t word;
    CardFaults faults;
    {
      std::lock_guard<std::mutex> hold(Lock);
      address = Options.Address;
      status = Options.Status;
      word = Options.Word;
      faults = Options.Faults;
    }
    const bool forUs = f[2] == address || f[2] == 0xFF;
    {
      std::lock_guard<std::mutex> hold(Lock);
      Requests.push_back(FrameRecord{via, Clock::now(), std::vector<uint8_t>(f, f + n), forUs});
    }
    Log("in  " + Hex(std::vector<uint8_t>(f, f + n)));
    if (!forUs) return;
    const uint8_t letter = f[4];
    const uint8_t* data = f + 5;
    const size_t dataLength = n - 8;
    switch (letter) {
      case 'A':
        // A handshake begins a transfer: no data packet after it is a copy
        // of one before it.
        LastPayload.clear();
        Reply(via, from, faults.Refuse ? 'B' : 'H', {});
        break;
      case 'C':
        Reply(via, from, 'D', {StatusAnswer(status, faults)});
        break;
      case 'U':
        Reply(via, from, 'D', {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)});
        break;
      case 'D': {
        std::vector<uint8_t> payload(data, data + dataLength);
        // A packet sent again because its acceptance did not reach the
        // library is not taken twice. A compressed chunk carries no offset,
        // and a pack with long runs of equal bytes gives many equal chunks
        // in a row, so an equal chunk is a copy only when the reply to the
        // one before could not have been taken. A plain packet names its
        // offset: one equal to the packet before holds the same bytes for
        // the same place, which the pack already has.
        const bool plain = dataLength >= 2 && data[0] != 0x0F && (data[1] == 15 || data[1] == 31);
        const bool same = !LastPayload.empty() && payload == LastPayload;
        const bool repeat = same && (plain || !LastReplyClean);
        if (!repeat) OnData(data, dataLength);
        LastPayload = std::move(payload);
        bool dataInstead = false;
        {
          std::lock_guard<std::mutex> hold(Lock);
          if (Options.Faults.DataForAccept > 0) {
            --Options.Faults.DataForAccept;
            dataInstead = true;
          }
        }
        Reply(via, from, dataInstead ? 'D' : 'O', {});
        if (dataInstead) LastReplyClean = false;
        break;
      }
      default:
        break;  // letters without a meaning to the card are not answered
    }
  }

  void ReadUdp() {
    for (;;) {
      uint8_t buf[2048];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      ssize_t r = ::recvfrom(UdpFd, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
      if (r < 0) return;
      if (FrameIsWellFormed(buf, static_cast<size_t>(r))) {
        OnFrame(Channel::Udp, &from, buf, static_cast<size_t>(r));
      } else {
        Log("in  (malformed datagram) " + Hex(std::vector<uint8_t>(buf, buf + r)));
      }
    }
  }

  void ReadSerial() {
    uint8_t buf[1024];
    for (;;) {
      ssize_t r = ::read(Master, buf, sizeof buf);
      if (r <= 0) break;
      SerialIn.insert(SerialIn.end(), buf, buf + r);
      SerialLastByte = Clock::now();
    }
    ParseSerial(false);
  }

  // Takes frames off the serial input; bytes that cannot start a frame, or a
  // start that stays incomplete for too long, are skipped.
  void ParseSerial(bool stale) {
    while (!SerialIn.empty()) {
      if (SerialIn[0] != 0x53) {
        SerialIn.erase(SerialIn.begin());
        continue;
      }
      if (SerialIn.size() < 4) break;
      const size_t length = SerialIn[3];
      if (length < 8) {
        SerialIn.erase(SerialIn.begin());
        continue;
      }
      if (SerialIn.size() < length) {
        if (!stale) break;
        SerialIn.erase(SerialIn.begin());
        continue;
      }
      if (!FrameIsWellFormed(SerialIn.data(), length)) {
        SerialIn.erase(SerialIn.begin());
        continue;
      }
      std::vector<uint8_t> frame(SerialIn.begin(), SerialIn.begin() + static_cast<std::ptrdiff_t>(length));
      SerialIn.erase(SerialIn.begin(), SerialIn.begin() + static_cast<std::ptrdiff_t>(length));
      OnFrame(Channel::Serial, nullptr, frame.data(), frame.size());
    }
  }

  void Run() {
    while (!Stopping) {
      struct pollfd fds[3];
      nfds_t count = 0;
      fds[count++] = {WakeRead, POLLIN, 0};
      int udpAt = -1, serialAt = -1;
      if (UdpFd >= 0) {
        udpAt = static_cast<int>(count);
        fds[count++] = {UdpFd, POLLIN, 0};
      }
      if (Master >= 0) {
        serialAt = static_cast<int>(count);
        fds[count++] = {Master, POLLIN, 0};
      }
      int r = ::poll(fds, count, SerialIn.empty() ? 200 : 10);
      if (Stopping) break;
      if (r < 0) continue;
      if (udpAt >= 0 && (fds[udpAt].revents & POLLIN)) ReadUdp();
      if (serialAt >= 0 && (fds[serialAt].revents & POLLIN)) ReadSerial();
      if (!SerialIn.empty() && Clock::now() - SerialLastByte > kSerialResync) ParseSerial(true);
    }
  }

  bool OpenUdp() {
    UdpFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (UdpFd < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local.sin_port = htons(Options.UdpPort);
    if (::bind(UdpFd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return false;
    socklen_t len = sizeof local;
    if (::getsockname(UdpFd, reinterpret_cast<sockaddr*>(&local), &len) != 0) return false;
    UdpPort = ntohs(local.sin_port);
    return true;
  }

  bool OpenSerial() {
    Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0) return false;
    char name[128];
    if (::ptsname_r(Master, name, sizeof name) != 0) return false;
    SlavePath = name;
    SlaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (SlaveKeep < 0) return false;
    // No echo or line editing before the library sets its own mode.
    struct termios tio;
    if (::tcgetattr(SlaveKeep, &tio) == 0) {
      ::cfmakeraw(&tio);
      ::tcsetattr(SlaveKeep, TCSANOW, &tio);
    }
    int flags = ::fcntl(Master, F_GETFL);
    ::fcntl(Master, F_SETFL, flags | O_NONBLOCK);
    if (!Options.SerialDir.empty()) {
      Link = Options.SerialDir + "/COM" + std::to_string(Options.ComNumber);
      ::unlink(Link.c_str());
      if (::symlink(name, Link.c_str()) != 0) return false;
    }
    return true;
  }

  void CloseAll() {
    if (UdpFd >= 0) ::close(UdpFd);
    if (Master >= 0) ::close(Master);
    if (SlaveKeep >= 0) ::close(SlaveKeep);
    if (WakeRead >= 0) ::close(WakeRead);
    if (WakeWrite >= 0) ::close(WakeWrite);
    if (!Link.empty()) ::unlink(Link.c_str());
    UdpFd = Master = SlaveKeep = WakeRead = WakeWrite = -1;
    Link.clear();
  }
};

CardSimulator::CardSimulator(CardOptions options) : state_(std::make_unique<State>()) {
  state_->Options = std::move(options);
}

CardSimulator::~CardSimulator() { Stop(); }

bool CardSimulator::Start() {
  State& s = *state_;
  if (s.Running) return true;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    s.Error = "no wake pipe";
    return false;
  }
  s.WakeRead = pipeFds[0];
  s.WakeWrite = pipeFds[1];
  if (s.Options.Udp && !s.OpenUdp()) {
    s.Error = std::string("cannot open the UDP socket: ") + std::strerror(errno);
    s.CloseAll();
    return false;
  }
  if (s.Options.Serial && !s.OpenSerial()) {
    s.Error = std::string("cannot open the pseudo-terminal: ") + std::strerror(errno);
    s.CloseAll();
    return false;
  }
  s.Stopping = false;
  s.Running = true;
  s.Worker = std::thread([&s] { s.Run(); });
  return true;
}

void CardSimulator::Stop() {
  State& s = *state_;
  if (!s.Running) return;
  s.Stopping = true;
  char b = 1;
  [[maybe_unused]] ssize_t w = ::write(s.WakeWrite, &b, 1);
  s.Worker.join();
  s.Running = false;
  s.CloseAll();
}

std::string CardSimulator::LastError() const { return state_->Error; }
uint16_t CardSimulator::UdpPort() const { return state_->UdpPort; }
std::string CardSimulator::SerialPath() const { return state_->SlavePath; }
std::string CardSimulator::ComLink() const { return state_->Link; }

void CardSimulator::SetFaults(const CardFaults& faults) {
  std::lock_guard<std::mutex> hold(state_->Lock);
  state_->Options.Faults = faults;
}
void CardSimulator::SetStatus(uint8_t status) {
  std::lock_guard<std::mutex> hold(state_->Lock);
  state_->Options.Status = status;
}
void CardSimulator::SetWord(uint16_t word) {
  std::lock_guard<std::mutex> hold(state_->Lock);
  state_->Options.Word = word;
}
void CardSimulator::SetAddress(uint8_t address) {
  std::lock_guard<std::mutex> hold(state_->Lock);
  state_->Options.Address = address;
}

CardLearnt LearntFrom(const std::vector<SingleRecord>& singles) {
  CardLearnt learnt;
  for (const SingleRecord& s : singles) {
    if (s.Kind == 2 && s.Data.size() == 1) learnt.ScreenOn = s.Data[0] == 0x00;
    if (s.Kind == 1 && s.Data.size() == 7) learnt.Clock = s.Data;
    if (s.Kind == 3 && s.Data.size() == 1) learnt.Program = s.Data[0];
  }
  return learnt;
}

std::string ClockText(const std::vector<uint8_t>& c) {
  if (c.size() != 7) return std::string();
  char buf[64];
  std::snprintf(buf, sizeof buf, "20%02X-%02X-%02X %02X:%02X:%02X weekday %u", c[6], c[5], c[3], c[2], c[1], c[0],
                static_cast<unsigned>(c[4]));
  return buf;
}

std::vector<FrameRecord> CardSimulator::Requests() const {
  std::lock_guard<std::mutex> hold(state_->Lock);
  return state_->Requests;
}
std::vector<FrameRecord> CardSimulator::Replies() const {
  std::lock_guard<std::mutex> hold(state_->Lock);
  return state_->Replies;
}
std::vector<SingleRecord> CardSimulator::Singles() const {
  std::lock_guard<std::mutex> hold(state_->Lock);
  return state_->Singles;
}
std::vector<PackRecord> CardSimulator::Packs() const {
  std::lock_guard<std::mutex> hold(state_->Lock);
  return state_->Packs;
}
void CardSimulator::ClearRecords() {
  std::lock_guard<std::mutex> hold(state_->Lock);
  state_->Requests.clear();
  state_->Replies.clear();
  state_->Singles.clear();
  state_->Packs.clear();
}

bool CardSimulator::WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout) const {
  const auto end = Clock::now() + timeout;
  for (;;) {
    if (pred()) return true;
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace vexilo::cardsim
