#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <cstring>
#include <climits>
#include <cstdlib>

#include "frame/HostFilesUnit.h"

namespace vexilo {
namespace {

int g_swapFd = -1;

// Opens one of the library's own files in its folder. A symbolic link in its
// place is not followed and nothing that could block is waited for (a FIFO,
// a device): only a regular file is kept, and it is then switched back to
// blocking writes. Nothing is truncated here; the caller does that once it
// knows the file is its own. -1 when the file is refused or cannot be opened.
int OpenOwnFile(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  struct stat st;
  int fl = -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (fl = ::fcntl(fd, F_GETFL)) < 0 ||
      ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

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
  int fd = OpenOwnFile(HostFilePath("Swap.Dat"), O_RDWR | O_CREAT);
  if (fd < 0) return false;
  if (::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return false;
  }
  g_swapFd = fd;
  return true;
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
  int fd = OpenOwnFile(path, O_WRONLY | O_CREAT | O_APPEND);
  if (fd < 0) return nullptr;
  return new AppendFile{fd};
}

bool AppendToFile(AppendFile* file, std::string_view bytes) {
  if (file == nullptr) return false;
  struct stat st;
  if (::fstat(file->Fd, &st) != 0) return false;
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t w = ::write(file->Fd, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      // A part that went out (the disk filled up on the way) is taken back,
      // so that the file never ends in a torn piece; not when another writer
      // has appended meanwhile.
      const off_t written = static_cast<off_t>(bytes.size() - left);
      struct stat now;
      if (written > 0 && ::fstat(file->Fd, &now) == 0 && now.st_size == st.st_size + written) {
        while (::ftruncate(file->Fd, st.st_size) != 0 && errno == EINTR) {
        }
      }
      return false;
    }
    p += w;
    left -= static_cast<size_t>(w);
  }
  return true;
}

bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = std::string("cannot open the file: ") + std::strerror(errno);
    return false;
  }
  struct FdCloser {
    int Fd;
    ~FdCloser() { ::close(Fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = std::string("cannot examine the file: ") + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? "is a folder, not a picture file" : "is not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > maxBytes) {
    error = maxBytes >= (uint64_t{1} << 20) && maxBytes % (uint64_t{1} << 20) == 0
                ? "the file is larger than " + std::to_string(maxBytes >> 20) + " MiB"
                : "the file is larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  try {
    bytes.resize(static_cast<size_t>(info.st_size));
  } catch (const std::bad_alloc&) {
    error = "not enough memory to read the file";
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::string("cannot read the file: ") + std::strerror(errno);
      bytes.clear();
      return false;
    }
    if (n == 0) break;  // the file shrank while it was read
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return true;
}

void CloseAppendFile(AppendFile* file) {
  if (file == nullptr) return;
  ::close(file->Fd);
  delete file;
}

}  // namespace vexilo
