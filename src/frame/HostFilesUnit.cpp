#include "frame/HostFilesUnit.h"

#include <fstream>
#include <iterator>

namespace vexilo {

std::string HostFilePath(const char* name) {
  std::string folder = HostFolder();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + name;
}

bool ReadRegularFile(const std::string& path, size_t maxBytes, std::string& text) {
  std::vector<uint8_t> bytes;
  std::string error;
  text.clear();
  if (!ReadRegularFile(path, static_cast<uint64_t>(maxBytes), bytes, error)) return false;
  text.assign(bytes.begin(), bytes.end());
  return true;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vexilo
