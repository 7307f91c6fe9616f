#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "frame/HostFilesUnit.h"

namespace vexilo {
namespace {

int g_swapFd = -1;

}  // namespace

std::string HostFolder() {
  const char* home = std::getenv("VEXILO_HOME");
  if (home != nullptr && home[0] != '\0') {
    std::string folder(home);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string exe(buf, static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return exe.substr(0, slash);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SwapOpenEmpty() {
  SwapClose();
  std::string path = HostFilePath("Swap.Dat");
  g_swapFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return g_swapFd >= 0;
}

void SwapClose() {
  if (g_swapFd >= 0) {
    ::close(g_swapFd);
    g_swapFd = -1;
  }
}

bool SwapIsOpen() { return g_swapFd >= 0; }

bool SwapWrite(uint64_t pos, const void* data, size_t n) {
  if (g_swapFd < 0 || pos > static_cast<uint64_t>(INT64_MAX)) return false;
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t w = ::pwrite(g_swapFd, p, n, static_cast<off_t>(pos));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
    pos += static_cast<uint64_t>(w);
  }
  return true;
}

bool SwapRead(uint64_t pos, void* data, size_t n) {
  if (g_swapFd < 0 || pos > static_cast<uint64_t>(INT64_MAX)) return false;
  char* p = static_cast<char*>(data);
  while (n > 0) {
    ssize_t r = ::pread(g_swapFd, p, n, static_cast<off_t>(pos));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
    pos += static_cast<uint64_t>(r);
  }
  return true;
}

bool SwapTruncate(uint64_t length) {
  if (g_swapFd < 0) return false;
  return ::ftruncate(g_swapFd, static_cast<off_t>(length)) == 0;
}

struct AppendFile {
  int Fd = -1;
};

AppendFile* OpenAppendFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return new AppendFile{fd};
}

bool AppendToFile(AppendFile* file, std::string_view bytes) {
  if (file == nullptr) return false;
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t w = ::write(file->Fd, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    left -= static_cast<size_t>(w);
  }
  return true;
}

void CloseAppendFile(AppendFile* file) {
  if (file == nullptr) return;
  ::close(file->Fd);
  delete file;
}

}  // namespace vexilo
