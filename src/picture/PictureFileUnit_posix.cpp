// Reading picture files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "picture/PictureFileUnit.h"

namespace vexilo {

bool ReadPictureFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
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
  if (static_cast<uint64_t>(info.st_size) > kMaxPictureFileBytes) {
    error = "the file is larger than " + std::to_string(kMaxPictureFileBytes >> 20) + " MiB";
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

}  // namespace vexilo
