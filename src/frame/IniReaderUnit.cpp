#include "frame/IniReaderUnit.h"

#include "frame/HostFilesUnit.h"

namespace vexilo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A value enclosed in a matching pair of quotes loses them, as the Windows
// profile functions do.
std::string_view Unquote(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    return s.substr(1, s.size() - 2);
  }
  return s;
}

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ProfileNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (IsGbkLead(ca) || IsGbkLead(cb)) {
      // A double-byte character: both bytes exactly.
      if (ca != cb) return false;
      if (i + 1 < a.size()) {
        if (a[i + 1] != b[i + 1]) return false;
        ++i;
      }
      continue;
    }
    if (FoldAscii(ca) != FoldAscii(cb)) return false;
  }
  return true;
}

IniFile ParseIni(std::string_view text) {
  IniFile file;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  IniSection* current = nullptr;
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      file.Sections.push_back(IniSection{std::string(name), {}});
      current = &file.Sections.back();
      continue;
    }
    if (current == nullptr) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = Unquote(Trim(line.substr(eq + 1)));
    if (key.empty()) continue;
    current->Keys.push_back(IniKey{std::string(key), std::string(value)});
  }
  return file;
}

std::optional<IniFile> LoadIniFile(const std::string& path) {
  std::string text;
  if (!ReadRegularFile(path, kMaxIniFileBytes, text)) return std::nullopt;
  return ParseIni(text);
}

const IniSection* FindSection(const IniFile& file, std::string_view name) {
  for (const IniSection& s : file.Sections) {
    if (ProfileNamesEqual(s.Name, name)) return &s;
  }
  return nullptr;
}

std::string ReadString(const IniSection& section, std::string_view key) {
  for (const IniKey& k : section.Keys) {
    if (ProfileNamesEqual(k.Name, key)) return k.Value;
  }
  return std::string();
}

int32_t ParseProfileInt(std::string_view s) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  bool hex = false;
  if (!s.empty() && s.front() == '$') {
    hex = true;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    hex = true;
    s.remove_prefix(2);
  }
  if (s.empty()) return 0;
  uint64_t v = 0;
  for (char c : s) {
    int d = hex ? HexDigit(c) : ((c >= '0' && c <= '9') ? c - '0' : -1);
    if (d < 0) return 0;
    v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return 0;
  }
  if (hex) {
    uint32_t bits = static_cast<uint32_t>(v);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  if (negative) {
    if (v > 0x80000000ull) return 0;
    return static_cast<int32_t>(0 - static_cast<int64_t>(v));
  }
  if (v > 0x7FFFFFFFull) return 0;
  return static_cast<int32_t>(v);
}

int32_t ReadInt(const IniSection& section, std::string_view key) { return ParseProfileInt(ReadString(section, key)); }

}  // namespace vexilo
