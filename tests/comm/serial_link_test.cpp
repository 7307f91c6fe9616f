#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <thread>

#include "CommTestSupport.h"
#include "comm/SerialUnit.h"

namespace vexilo::testing {
namespace {

// A pseudo-terminal linked into the serial folder as COM<n>; the test plays
// the card on its master side.
class Pty {
 public:
  Pty(const SerialDir& dir, int number) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master_);
    ::unlockpt(master_);
    char name[128];
    ::ptsname_r(master_, name, sizeof name);
    device_ = name;
    link_ = dir.Path() + "/COM" + std::to_string(number);
    ::symlink(name, link_.c_str());
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() { ::close(master_); }
  int Master() const { return master_; }
  // The terminal's own device, /dev/pts/N.
  const std::string& Device() const { return device_; }
  // Links another name in the folder to the same terminal.
  void AlsoLinkAs(const SerialDir& dir, int number) {
    ::symlink(device_.c_str(), (dir.Path() + "/COM" + std::to_string(number)).c_str());
  }
  void Write(const Bytes& b) { ASSERT_EQ(::write(master_, b.data(), b.size()), static_cast<ssize_t>(b.size())); }
  // Everything that arrives within the time.
  Bytes Read(int ms) {
    Bytes got;
    auto end = Clock::now() + milliseconds(ms);
    while (Clock::now() < end) {
      struct pollfd p = {master_, POLLIN, 0};
      ::poll(&p, 1, 5);
      uint8_t buf[256];
      ssize_t r = ::read(master_, buf, sizeof buf);
      if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    return got;
  }

 private:
  int master_;
  std::string device_;
  std::string link_;
};

class SerialLink : public CommTest {
 protected:
  SerialDir dir_;
};

TEST(SerialDevicePath, MapsComNamesToDevices) {
  ::unsetenv("VEXILO_SERIAL_DIR");
  const std::pair<const char*, const char*> cases[] = {
      {"COM1", "/dev/ttyS0"}, {"COM12", "/dev/ttyS11"}, {"com3", "/dev/ttyS2"}, {"COM255", "/dev/ttyS254"},
      {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"COM0", ""}, {"COM01", ""}, {"COM", ""}, {"COM1x", ""},
      {"LPT1", ""}, {"", ""}, {"ttyS0", ""},
  };
  for (const auto& [name, path] : cases) EXPECT_EQ(SerialDevicePath(name), path) << name;
  EXPECT_EQ(SerialDevicePath(nullptr), "");
  SerialDir dir;
  EXPECT_EQ(SerialDevicePath("COM5"), dir.Path() + "/COM5");
  EXPECT_EQ(SerialDevicePath("com7"), dir.Path() + "/COM7");
}

TEST_F(SerialLink, PortsThatDoNotExistOrAreHeldGiveNullAndAreRemembered) {
  Pty pty(dir_, 3);
  EXPECT_EQ(OpenSerialLink("COM9", 9600), nullptr);  // no entry in the folder
  EXPECT_EQ(LastSerialPort(), "COM9");
  std::string plain = dir_.Path() + "/COM4";
  ::close(::open(plain.c_str(), O_CREAT | O_WRONLY, 0644));
  EXPECT_EQ(OpenSerialLink("COM4", 9600), nullptr);  // not a terminal
  EXPECT_EQ(OpenSerialLink("COM3", 12345), nullptr);  // no such baud rate

  SerialPort* first = OpenSerialLink("COM3", 115200);
  ASSERT_NE(first, nullptr);
  ForgetLastSerialPort();
  EXPECT_EQ(OpenSerialLink("COM3", 115200), nullptr);
  EXPECT_EQ(LastSerialPort(), "COM3");
  CloseSerialLink(first);
  SerialPort* again = OpenSerialLink("COM3", 9600);
  EXPECT_NE(again, nullptr);
  CloseSerialLink(again);
}

// Binary frames cannot pass XON/XOFF flow control, so that goes with the
// rest of the line processing; hardware flow control stays.
TEST_F(SerialLink, SetsRawEightNoneOneAtTheBaudRateAndKeepsHardwareFlowControl) {
  Pty pty(dir_, 2);
  // The terminal's settings, as seen from its master side.
  struct termios tio;
  ASSERT_EQ(::tcgetattr(pty.Master(), &tio), 0);
  tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
  tio.c_iflag |= IXON | IXOFF | ICRNL;
  tio.c_lflag |= ICANON | ECHO;
  tio.c_oflag |= OPOST;
  ASSERT_EQ(::tcsetattr(pty.Master(), TCSANOW, &tio), 0);

  SerialPort* port = OpenSerialLink("COM2", 38400);
  ASSERT_NE(port, nullptr);
  ASSERT_EQ(::tcgetattr(pty.Master(), &tio), 0);
  EXPECT_EQ(::cfgetospeed(&tio), B38400);
  EXPECT_EQ(::cfgetispeed(&tio), B38400);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_iflag & ICRNL, 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
  CloseSerialLink(port);
}

TEST_F(SerialLink, ReadByteGivesUpAfterAboutTwoMilliseconds) {
  Pty pty(dir_, 1);
  SerialPort* port = OpenSerialLink("COM1", 9600);
  ASSERT_NE(port, nullptr);
  uint8_t byte = 0;
  auto t0 = Clock::now();
  EXPECT_FALSE(SerialReadByte(port, byte));
  EXPECT_GE(MsSince(t0), 1.5);
  EXPECT_LT(MsSince(t0), 40);
  pty.Write({0x5A});
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_TRUE(SerialReadByte(port, byte));
  EXPECT_EQ(byte, 0x5A);
  CloseSerialLink(port);
}

TEST_F(SerialLink, InputThatArrivedBeforeAFrameIsWrittenIsNeverSeen) {
  Pty pty(dir_, 1);
  SerialPort* port = OpenSerialLink("COM1", 115200);
  ASSERT_NE(port, nullptr);
  pty.Write(CardReply(1, kLetterReady));  // a stale reply, already waiting
  std::this_thread::sleep_for(milliseconds(30));
  ASSERT_TRUE(SendFrame(port, kLetterHandshake, 1, nullptr, 0));
  EXPECT_EQ(pty.Read(30), Bytes({0x53, 0x00, 0x01, 0x08, 0x41, 0xE6, 0x7C, 0x40}));
  uint8_t dest = 1;
  ReplyFrame reply;
  EXPECT_FALSE(ReceiveFrame(port, dest, 100, reply));
  pty.Write(CardReply(1, kLetterReady));
  EXPECT_TRUE(ReceiveFrame(port, dest, 100, reply));
  EXPECT_EQ(reply.Letter, kLetterReady);
  CloseSerialLink(port);
}

// Bytes are collected one by one as they come; the wait is a deadline from
// the call, not from the last byte.
TEST_F(SerialLink, ReplyThatTricklesInWithinTheWaitIsTakenAndTheWaitIsADeadline) {
  Pty pty(dir_, 1);
  SerialPort* port = OpenSerialLink("COM1", 115200);
  ASSERT_NE(port, nullptr);
  const Bytes frame = CardReply(1, kLetterData, {0x11, 0x13, 0x0D});  // XON, XOFF, CR pass as they are
  uint8_t dest = 1;
  ReplyFrame reply;

  std::thread slow([&] {
    for (uint8_t b : frame) {
      pty.Write({b});
      std::this_thread::sleep_for(milliseconds(40));
    }
  });
  auto t0 = Clock::now();
  EXPECT_TRUE(ReceiveFrame(port, dest, 1000, reply));  // 11 bytes over ~400 ms
  EXPECT_GT(MsSince(t0), 300);
  slow.join();
  EXPECT_EQ(reply.Letter, kLetterData);
  EXPECT_EQ(Bytes(reply.Data, reply.Data + reply.DataLength), Bytes({0x11, 0x13, 0x0D}));

  // A frame still incomplete when the wait is over is not taken, and bytes
  // that keep coming do not lengthen the wait.
  std::thread halves([&] {
    pty.Write(Bytes(frame.begin(), frame.begin() + 5));
    std::this_thread::sleep_for(milliseconds(80));
    pty.Write(Bytes(frame.begin() + 5, frame.begin() + 7));
    std::this_thread::sleep_for(milliseconds(170));
    pty.Write(Bytes(frame.begin() + 7, frame.end()));
  });
  t0 = Clock::now();
  EXPECT_FALSE(ReceiveFrame(port, dest, 100, reply));
  EXPECT_LT(MsSince(t0), 160);
  halves.join();
  CloseSerialLink(port);
}

// Random bytes and broken or foreign frames on the line, every 20 ms: the
// wait ends at its deadline, and a reply that comes within it is found even
// right behind the noise.
TEST_F(SerialLink, NoiseOnTheLineDoesNotExtendTheWaitNorHideAReply) {
  Pty pty(dir_, 1);
  SerialPort* port = OpenSerialLink("COM1", 115200);
  ASSERT_NE(port, nullptr);
  struct Case {
    const char* Name;
    int ReplyAtMs;  // -1: no reply; the reply follows a noise chunk without a pause
    bool Taken;
    double MinMs, MaxMs;
  };
  const Case cases[] = {
      {"noise only", -1, false, 490, 700},
      {"a reply right behind the noise", 250, true, 240, 450},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::atomic<bool> stop{false};
    std::thread noise([&] {
      const std::vector<Bytes> junk = JunkFrames(21);
      const auto start = Clock::now();
      bool replied = false;
      for (size_t i = 0; !stop && MsSince(start) < 3000; ++i) {
        Bytes chunk = junk[i % junk.size()];
        if (c.ReplyAtMs >= 0 && !replied && MsSince(start) >= c.ReplyAtMs) {
          const Bytes reply = CardReply(1, kLetterReady);
          chunk.insert(chunk.end(), reply.begin(), reply.end());
          replied = true;
        }
        pty.Write(chunk);
        std::this_thread::sleep_for(milliseconds(20));
      }
    });
    uint8_t dest = 1;
    ReplyFrame reply;
    const auto t0 = Clock::now();
    const bool taken = ReceiveFrame(port, dest, 500, reply);
    const double ms = MsSince(t0);
    stop = true;
    noise.join();
    EXPECT_EQ(taken, c.Taken);
    EXPECT_GE(ms, c.MinMs);
    EXPECT_LT(ms, c.MaxMs);
    if (c.Taken) {
      EXPECT_EQ(reply.Letter, kLetterReady);
    }
  }
  CloseSerialLink(port);
}

TEST_F(SerialLink, RepliesFromOtherCardsAreDiscardedUnlessAnyCardIsAddressed) {
  Pty pty(dir_, 1);
  SerialPort* port = OpenSerialLink("COM1", 115200);
  ASSERT_NE(port, nullptr);
  ReplyFrame reply;
  uint8_t dest = 1;
  Bytes both = CardReply(9, kLetterRefused);
  Bytes mine = CardReply(1, kLetterReady);
  both.insert(both.end(), mine.begin(), mine.end());
  pty.Write(both);
  ASSERT_TRUE(ReceiveFrame(port, dest, 200, reply));
  EXPECT_EQ(reply.Letter, kLetterReady);
  EXPECT_EQ(dest, 1);

  // Addressed to any card, the first card that answers is learnt.
  dest = kAnyCard;
  pty.Write(both);
  ASSERT_TRUE(ReceiveFrame(port, dest, 200, reply));
  EXPECT_EQ(reply.Letter, kLetterRefused);
  EXPECT_EQ(dest, 9);
  EXPECT_FALSE(ReceiveFrame(port, dest, 100, reply));  // card 1's reply no longer counts
  CloseSerialLink(port);
}

// ---- lock files --------------------------------------------------------------

// The lock file's name for a pseudo-terminal /dev/pts/N: LCK..pts_N.
std::string LockFileOf(const SerialDir& dir, const Pty& pty) {
  std::string name = pty.Device().substr(5);  // below /dev/
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return dir.LockDir() + "/LCK.." + name;
}

std::string PidText(pid_t pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
  return text;
}

void WriteLock(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string ReadLock(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A child process that lives until it is killed.
class Sleeper {
 public:
  Sleeper() {
    pid_ = ::fork();
    if (pid_ == 0) {
      for (;;) ::pause();
    }
  }
  ~Sleeper() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_;
};

// A process id that surely names no process: a child that has ended and
// been reaped.
pid_t DeadPid() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST_F(SerialLink, PortWhoseLockNamesALiveProcessDoesNotOpenUnderAnyName) {
  Pty pty(dir_, 1);
  pty.AlsoLinkAs(dir_, 7);
  const std::string lock = LockFileOf(dir_, pty);
  Sleeper child;
  ASSERT_GT(child.Pid(), 0);
  const std::pair<const char*, pid_t> owners[] = {{"a child", child.Pid()}, {"the parent", ::getppid()}};
  for (const auto& [who, pid] : owners) {
    SCOPED_TRACE(who);
    WriteLock(lock, PidText(pid));
    EXPECT_EQ(OpenSerialLink("COM1", 9600), nullptr);
    EXPECT_EQ(OpenSerialLink("COM7", 9600), nullptr);  // another name of the same terminal
    EXPECT_EQ(ReadLock(lock), PidText(pid));            // the holder's lock is left alone
  }
}

TEST_F(SerialLink, OwnLockIsHeldWhileOpenAndStaleLocksAreTakenOver) {
  Pty pty(dir_, 1);
  pty.AlsoLinkAs(dir_, 7);
  const std::string lock = LockFileOf(dir_, pty);
  struct Case {
    const char* Name;
    std::optional<std::string> Before;  // the lock file found, if any
  };
  const Case cases[] = {
      {"no lock", std::nullopt},
      {"a dead process", PidText(DeadPid())},
      {"a dead process, no padding", std::to_string(DeadPid()) + "\n"},
      {"garbage", "not a pid\n"},
      {"empty", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Before) WriteLock(lock, *c.Before);
    SerialPort* port = OpenSerialLink("COM1", 9600);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(ReadLock(lock), PidText(::getpid()));
    EXPECT_EQ(OpenSerialLink("COM7", 9600), nullptr);  // held by this process now
    CloseSerialLink(port);
    EXPECT_FALSE(std::filesystem::exists(lock));
  }
}

// Without a usable lock folder the port is still opened, held by flock and
// TIOCEXCL.
TEST_F(SerialLink, MissingLockFolderLeavesPortsUsable) {
  Pty pty(dir_, 1);
  ::setenv("VEXILO_LOCK_DIR", (dir_.Path() + "/no-such-folder").c_str(), 1);
  SerialPort* port = OpenSerialLink("COM1", 9600);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(OpenSerialLink("COM1", 9600), nullptr);
  CloseSerialLink(port);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "/no-such-folder"));
}

}  // namespace
}  // namespace vexilo::testing
