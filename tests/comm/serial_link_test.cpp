#include <fcntl.h>
#include <poll.h>
#include <termios.h>

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
    link_ = dir.Path() + "/COM" + std::to_string(number);
    ::symlink(name, link_.c_str());
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() { ::close(master_); }
  int Master() const { return master_; }
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

// The wait runs from the last byte that arrived, not from the start.
TEST_F(SerialLink, ReplyWaitRestartsWithEveryByte) {
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
  EXPECT_TRUE(ReceiveFrame(port, dest, 100, reply));  // 11 bytes over ~400 ms
  EXPECT_GT(MsSince(t0), 300);
  slow.join();
  EXPECT_EQ(reply.Letter, kLetterData);
  EXPECT_EQ(Bytes(reply.Data, reply.Data + reply.DataLength), Bytes({0x11, 0x13, 0x0D}));

  // A pause longer than the wait ends the frame: both halves are discarded.
  std::thread halves([&] {
    pty.Write(Bytes(frame.begin(), frame.begin() + 5));
    std::this_thread::sleep_for(milliseconds(250));
    pty.Write(Bytes(frame.begin() + 5, frame.end()));
  });
  EXPECT_FALSE(ReceiveFrame(port, dest, 100, reply));
  halves.join();
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

}  // namespace
}  // namespace vexilo::testing
