#include "frame/HostFilesUnit.h"

#include <fstream>
#include <iterator>

namespace vexilo {

std::string HostFilePath(const char* name) {
  std::string folder = HostFolder();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + name;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vexilo
