#include "frame/DebugLogUnit.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "comm/CommStateUnit.h"
#include "frame/ClockUnit.h"
#include "frame/HostFilesUnit.h"
#include "lang/StringTableUnit.h"

namespace vexilo {
namespace {

struct DebugLogState {
  bool Enabled = false;
  int Fd = -1;
};

DebugLogState g_log;

// "yyyy-mm-dd hh:mm:ss ZZZ" for the current local time.
std::string DebugTimeStamp() {
  LocalTime t = NowLocal();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d %03d", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second, t.Millisecond);
  return buf;
}

// Writes one whole line, CRLF added; false when the file took less.
bool AppendLine(std::string line) {
  if (g_log.Fd < 0) return false;
  line += "\r\n";
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t w = ::write(g_log.Fd, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    left -= static_cast<size_t>(w);
  }
  return true;
}

std::string CounterLine() {
  std::string line = strings::kSentFrames;
  line += std::to_string(Comm().SentFrameCount);
  line += strings::kConfirmedFrames;
  line += std::to_string(Comm().ConfirmedFrameCount);
  return line;
}

// Writes the counter line and the closing marker, then closes the file. When
// a line cannot be written the log stays open and on, and false is given.
bool CloseLog(const char* marker) {
  if (!AppendLine(CounterLine()) || !AppendLine(DebugTimeStamp() + marker)) return false;
  ::close(g_log.Fd);
  g_log.Fd = -1;
  g_log.Enabled = false;
  return true;
}

}  // namespace


bool DebugEnabled() { return g_log.Enabled; }

void WriteDebugLine(std::string_view name, bool success) {
  if (!g_log.Enabled) return;
  std::string line = DebugTimeStamp();
  line += ' ';
  line.append(name);
  line += success ? " Success" : " Fail";
  AppendLine(std::move(line));
}

bool UseDebug(int32_t debugOn) {
  if (debugOn == 1) {
    if (g_log.Enabled) return true;
    std::string path = HostFilePath("Debug.Txt");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    g_log.Fd = fd;
    if (!AppendLine(DebugTimeStamp() + " Start Debug")) {
      ::close(fd);
      g_log.Fd = -1;
      return false;
    }
    g_log.Enabled = true;
    return true;
  }
  if (!g_log.Enabled || g_log.Fd < 0) return false;
  return CloseLog(" Stop Debug");
}

void DebugLogLoad() {
  g_log.Enabled = false;
  g_log.Fd = -1;
}

void DebugLogUnload() {
  if (g_log.Enabled && g_log.Fd >= 0 && !CloseLog(" End Debug")) {
    ::close(g_log.Fd);
    g_log.Fd = -1;
    g_log.Enabled = false;
  }
}

}  // namespace vexilo
