// A reader of Windows-style profile (INI) files with the rules of the Windows
// profile functions: section and key names match without regard to the case
// of ASCII letters (GBK double-byte characters match exactly), values are
// whole strings compared exactly, a missing key reads as empty or 0.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo {

struct IniKey {
  std::string Name;
  std::string Value;
};

struct IniSection {
  std::string Name;
  std::vector<IniKey> Keys;
};

struct IniFile {
  std::vector<IniSection> Sections;
};

// Largest configuration file read; a larger one is treated as unreadable.
inline constexpr size_t kMaxIniFileBytes = 16u << 20;

IniFile ParseIni(std::string_view text);
// nullopt when the file does not exist, is not a regular file (a FIFO or a
// device is refused without waiting for it), cannot be read or is too large.
std::optional<IniFile> LoadIniFile(const std::string& path);

// Case-insensitive for ASCII letters; a GBK lead byte and its trail byte are
// compared exactly, so a trail byte in the letter range is never folded.
bool ProfileNamesEqual(std::string_view a, std::string_view b);

// The first section of that name, or null.
const IniSection* FindSection(const IniFile& file, std::string_view name);
// The value of the first key of that name in the section; empty when missing.
std::string ReadString(const IniSection& section, std::string_view key);
// Decimal, or hexadecimal after "$", "0x" or "0X", with an optional sign;
// anything else (empty, trailing letters, more than 32 bits) reads as 0.
int32_t ParseProfileInt(std::string_view value);
int32_t ReadInt(const IniSection& section, std::string_view key);

}  // namespace vexilo
