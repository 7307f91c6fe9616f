#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comm/SerialUnit.h"

namespace vexilo {

struct SerialPort {
  int Fd = -1;
  std::string LockPath;  // the lock file this port holds; empty without one
};

namespace {

constexpr int kReadByteTimeoutMs = 2;   // read, per byte requested
constexpr int kWriteConstantMs = 5;     // write, constant
constexpr int kWritePerByteMs = 2;      // write, per byte

bool BaudToSpeed(int32_t baud, speed_t& speed) {
  struct Rate {
    int32_t Baud;
    speed_t Speed;
  };
  static constexpr Rate kRates[] = {
      {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
      {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
      {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
      {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
      {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
      {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
      {3500000, B3500000}, {4000000, B4000000},
  };
  for (const Rate& r : kRates) {
    if (r.Baud == baud) {
      speed = r.Speed;
      return true;
    }
  }
  return false;
}

// Milliseconds from now to the deadline, rounded up, at least 0.
int MsUntil(SteadyTime deadline) {
  auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > 60000 ? 60000 : static_cast<int>(ms);
}

void ClosePortFd(int fd) {
  ::ioctl(fd, TIOCNXCL);
  ::flock(fd, LOCK_UN);
  ::close(fd);
}

// ---- lock files ----------------------------------------------------------
//
// Serial programs on Linux announce the port they hold with a lock file
// LCK..<device> in /var/lock that holds the holder's process id, ten
// characters right-aligned and a newline. The library takes that lock before
// it opens a port and leaves every port alone whose lock names a live process.

constexpr char kDefaultLockDir[] = "/var/lock";
constexpr size_t kLockFileMax = 64;  // more than any lock file holds

std::string LockDir() {
  const char* dir = std::getenv("VEXILO_LOCK_DIR");
  return dir != nullptr && dir[0] != '\0' ? dir : kDefaultLockDir;
}

// The lock file's name for a device: LCK.. and the device's path below /dev
// with '/' turned into '_' (/dev/ttyS0: LCK..ttyS0, /dev/pts/3: LCK..pts_3),
// or the base name of a device elsewhere.
std::string LockName(const std::string& device) {
  std::string name;
  if (device.rfind("/dev/", 0) == 0) {
    name = device.substr(5);
    for (char& c : name) {
      if (c == '/') c = '_';
    }
  } else {
    name = device.substr(device.rfind('/') + 1);
  }
  return "LCK.." + name;
}

// The process id a lock file names: ASCII digits (blanks around them
// allowed), or the four binary bytes of the oldest programs. 0 when the file
// cannot be read or holds neither; -1 when there is no file.
pid_t LockOwner(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? -1 : 0;
  char text[kLockFileMax + 1];
  ssize_t n;
  do {
    n = ::read(fd, text, kLockFileMax);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  if (n <= 0) return 0;
  text[n] = '\0';
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p >= '0' && *p <= '9') {
    char* end = nullptr;
    errno = 0;
    long pid = std::strtol(p, &end, 10);
    while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
    if (errno != 0 || *end != '\0' || pid <= 0 || pid > INT_MAX) return 0;
    return static_cast<pid_t>(pid);
  }
  if (n == sizeof(int32_t)) {
    int32_t pid;
    std::memcpy(&pid, text, sizeof pid);
    return pid > 0 ? static_cast<pid_t>(pid) : 0;
  }
  return 0;
}

bool ProcessLives(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

enum class LockResult { Held, Busy, Unavailable };

// Takes the lock of a device for this process. Busy when a live process
// (this one included) holds it. A lock of a dead process, or one that names
// no process, is stale: it is removed and the lock taken. Unavailable when
// the lock folder does not exist or cannot be written: the port is then used
// without a lock file (flock and TIOCEXCL still guard it).
LockResult TakeLock(const std::string& path) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      char text[16];
      const int n = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
      ssize_t w;
      do {
        w = ::write(fd, text, static_cast<size_t>(n));
      } while (w < 0 && errno == EINTR);
      const bool written = w == n && ::close(fd) == 0;
      if (written) return LockResult::Held;
      if (w != n) ::close(fd);
      ::unlink(path.c_str());  // a lock that names nobody is no lock
      return LockResult::Unavailable;
    }
    const int openError = errno;
    const pid_t owner = LockOwner(path);
    if (owner > 0 && ProcessLives(owner)) return LockResult::Busy;
    if (owner == -1 && openError == EEXIST) continue;  // released meanwhile
    if (openError != EEXIST || owner == -1) return LockResult::Unavailable;
    // Stale: its process is gone, or it names none.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return LockResult::Unavailable;
  }
  return LockResult::Busy;
}

SerialPort* OpenLockedPort(const char* path, speed_t speed);

// Removes the lock file if it still names this process.
void ReleaseLock(const std::string& path) {
  if (path.empty()) return;
  if (LockOwner(path) == ::getpid()) ::unlink(path.c_str());
}

}  // namespace

std::string SerialDevicePath(const char* name) {
  if (name == nullptr || name[0] == '\0') return {};
  if (name[0] == '/') return name;
  if ((name[0] != 'C' && name[0] != 'c') || (name[1] != 'O' && name[1] != 'o') ||
      (name[2] != 'M' && name[2] != 'm')) {
    return {};
  }
  const char* digits = name + 3;
  if (digits[0] < '1' || digits[0] > '9') return {};
  long number = 0;
  for (const char* p = digits; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return {};
    number = number * 10 + (*p - '0');
    if (number > 9999) return {};
  }
  const char* dir = std::getenv("VEXILO_SERIAL_DIR");
  if (dir != nullptr && dir[0] != '\0') {
    std::string path(dir);
    if (path.back() != '/') path += '/';
    return path + "COM" + std::to_string(number);
  }
  return "/dev/ttyS" + std::to_string(number - 1);
}

SerialPort* OpenSerialLink(const char* name, int32_t baud) {
  RememberSerialPort(name);
  const std::string path = SerialDevicePath(name);
  speed_t speed;
  if (path.empty() || !BaudToSpeed(baud, speed)) return nullptr;

  // The lock file is named after the real device, so that every name of one
  // terminal (COMn links, /dev/serial/by-id, ...) shares one lock.
  char real[PATH_MAX];
  if (::realpath(path.c_str(), real) == nullptr) return nullptr;
  std::string lockPath = LockDir() + "/" + LockName(real);
  switch (TakeLock(lockPath)) {
    case LockResult::Held:
      break;
    case LockResult::Busy:
      return nullptr;
    case LockResult::Unavailable:
      lockPath.clear();
      break;
  }
  SerialPort* port = OpenLockedPort(real, speed);
  if (port == nullptr) {
    ReleaseLock(lockPath);
    return nullptr;
  }
  port->LockPath = std::move(lockPath);
  return port;
}

namespace {

SerialPort* OpenLockedPort(const char* path, speed_t speed) {
  // Non-blocking so that neither a missing carrier nor a full queue can hang
  // a call; every wait below goes through poll with its own deadline.
  int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  // Any further open of the terminal fails from now on (root excepted; the
  // locks above cover that case for every program that locks too).
  if (::ioctl(fd, TIOCEXCL) != 0) {
    ClosePortFd(fd);
    return nullptr;
  }

  struct termios tio;
  if (::tcgetattr(fd, &tio) != 0) {
    ClosePortFd(fd);
    return nullptr;
  }
  // Raw bytes: no line editing, echo, signals, translation or output
  // processing. Software flow control goes too: frames are binary, and it
  // would swallow every 0x11 and 0x13 in them (Linux turns it on by default).
  // Hardware flow control and the modem settings stay as they were.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        INPCK | IUCLC | IXON | IXOFF | IXANY);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  // 8 data bits, no parity, one stop bit, receiver on.
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
  tio.c_cflag |= CS8 | CREAD;
  tio.c_cc[VMIN] = 1;  // poll wakes for every byte; reads never block (O_NONBLOCK)
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0 ||
      ::tcsetattr(fd, TCSANOW, &tio) != 0) {
    ClosePortFd(fd);
    return nullptr;
  }
  ::tcflush(fd, TCIOFLUSH);
  return new SerialPort{fd, {}};
}

}  // namespace

void CloseSerialLink(SerialPort* port) {
  if (port == nullptr) return;
  ClosePortFd(port->Fd);
  ReleaseLock(port->LockPath);
  delete port;
}

bool SerialWrite(SerialPort* port, const uint8_t* data, size_t n) {
  if (port == nullptr || (n > 0 && data == nullptr)) return false;
  ::tcflush(port->Fd, TCIFLUSH);
  const SteadyTime deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(kWriteConstantMs + kWritePerByteMs * n);
  size_t done = 0;
  while (done < n) {
    ssize_t w = ::write(port->Fd, data + done, n - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    int wait = MsUntil(deadline);
    if (wait == 0) return false;
    struct pollfd pfd = {port->Fd, POLLOUT, 0};
    if (::poll(&pfd, 1, wait) < 0 && errno != EINTR) return false;
  }
  return true;
}

bool SerialWaitByte(SerialPort* port, uint8_t& byte, SteadyTime deadline) {
  if (port == nullptr) return false;
  for (;;) {
    ssize_t r = ::read(port->Fd, &byte, 1);
    if (r == 1) return true;
    if (r < 0 && errno == EINTR) continue;
    if (r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
      // A broken or hung-up device: wait out the deadline as if nothing came.
      int wait = MsUntil(deadline);
      if (wait > 0) ::poll(nullptr, 0, wait);
      return false;
    }
    int wait = MsUntil(deadline);
    if (wait == 0) return false;
    struct pollfd pfd = {port->Fd, POLLIN, 0};
    int p = ::poll(&pfd, 1, wait);
    if (p < 0 && errno != EINTR) return false;
    if (p > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (pfd.revents & POLLIN) == 0) {
      // Nothing to read and nothing will come (the other side is gone).
      wait = MsUntil(deadline);
      if (wait > 0) ::poll(nullptr, 0, wait);
      return false;
    }
  }
}

bool SerialReadByte(SerialPort* port, uint8_t& byte) {
  return SerialWaitByte(port, byte,
                        std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadByteTimeoutMs));
}

}  // namespace vexilo
