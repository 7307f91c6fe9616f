// Serial link to a card: a COM port opened for one export call, raw bytes in
// and out. Ports are named COM1 to COM255 as on Windows; on Linux COMn is
// /dev/ttyS<n-1>, or $VEXILO_SERIAL_DIR/COMn when that variable names a
// folder (a port without an entry there does not exist).
//
// While the library holds a port it holds the port's lock file as Linux
// serial programs do: LCK..<device> in /var/lock, or in the folder that
// VEXILO_LOCK_DIR names. <device> is the real device behind the name (links
// resolved) below /dev with '/' turned into '_': LCK..ttyS0, LCK..ttyUSB0,
// LCK..pts_3. The file holds the holder's process id in ten characters,
// right-aligned, and a newline. A port whose lock names a live process does
// not open; a lock of a process that is gone, or one that names no process,
// is stale and is taken over. When the lock folder is missing or cannot be
// written the port is used without a lock file.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vexilo {

struct SerialPort;  // an open port; null stands for "no serial link"

using SteadyTime = std::chrono::steady_clock::time_point;

// The device path of a port name: COMn (any case, n from 1 without leading
// zeros) is mapped as above; a name that begins with '/' is used as it is.
// Empty when the name names no port.
std::string SerialDevicePath(const char* name);

// Opens the port exclusively (a second open fails until this one is closed:
// the lock file above, flock and TIOCEXCL), in raw mode at the given baud
// rate with 8 data bits, no parity and one stop bit, other settings as the
// port had them, and both queues emptied. The name goes to LastSerialPort
// first, whatever the outcome. Null on any failure, and when another live
// process holds the port's lock file.
SerialPort* OpenSerialLink(const char* name, int32_t baud);
// Closes the port and removes its lock file.
void CloseSerialLink(SerialPort* port);

// Discards all unread input, then writes the bytes; true when all went out
// within the write timeout (5 ms plus 2 ms per byte).
bool SerialWrite(SerialPort* port, const uint8_t* data, size_t n);

// One byte, or nothing after about 2 ms.
bool SerialReadByte(SerialPort* port, uint8_t& byte);
// One byte, or nothing when the deadline has passed: blocks until either,
// and takes a byte that is already waiting at once.
bool SerialWaitByte(SerialPort* port, uint8_t& byte, SteadyTime deadline);

// The name given to the last OpenSerialLink, whatever came of it (progress
// texts name it); forgotten at unload.
const std::string& LastSerialPort();
void RememberSerialPort(const char* name);
void ForgetLastSerialPort();

// Closes the port it holds when it goes out of scope.
class SerialLinkCloser {
 public:
  explicit SerialLinkCloser(SerialPort* port) : port_(port) {}
  ~SerialLinkCloser() { CloseSerialLink(port_); }
  SerialLinkCloser(const SerialLinkCloser&) = delete;
  SerialLinkCloser& operator=(const SerialLinkCloser&) = delete;

 private:
  SerialPort* port_;
};

}  // namespace vexilo
