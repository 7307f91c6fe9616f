// The library's files ("LED.INI", "Swap.Dat", "Debug.Txt") and the scratch
// file that holds the pack being built.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo {

// Folder of the library's files: $VEXILO_HOME when set and not empty, else
// the folder of the host executable. Ends without a separator.
std::string HostFolder();
// HostFolder() joined with a file name.
std::string HostFilePath(const char* name);
bool FileExists(const std::string& path);

// "Swap.Dat": created or emptied and opened for reading and writing.
bool SwapOpenEmpty();
void SwapClose();
bool SwapIsOpen();
// Reads or writes exactly n bytes at pos; false on any error or short transfer.
bool SwapWrite(uint64_t pos, const void* data, size_t n);
bool SwapRead(uint64_t pos, void* data, size_t n);
// Cuts the file to length bytes (used to take back what a failed item wrote).
bool SwapTruncate(uint64_t length);

// A text file written only at its end ("Debug.Txt"): opened for appending,
// created when missing. Null when it cannot be opened.
struct AppendFile;
AppendFile* OpenAppendFile(const std::string& path);
// Writes all the bytes at the end of the file; false when it took fewer.
bool AppendToFile(AppendFile* file, std::string_view bytes);
void CloseAppendFile(AppendFile* file);

// The whole content of a file; empty when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

}  // namespace vexilo
