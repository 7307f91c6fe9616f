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

// The library's own files ("Swap.Dat", "Debug.Txt") are opened only when
// they are regular files: a symbolic link in their place is not followed,
// and a FIFO or a device is refused without waiting for it.

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
// Writes all the bytes at the end of the file; false when it took fewer, in
// which case the file is cut back to where it ended before.
bool AppendToFile(AppendFile* file, std::string_view bytes);
void CloseAppendFile(AppendFile* file);

// The whole content of a host file such as a configuration file, which may be
// reached through a symbolic link; false (and text empty) when it is not a
// regular file, cannot be read or holds more than maxBytes. Never waits for a
// FIFO or a device.
bool ReadRegularFile(const std::string& path, size_t maxBytes, std::string& text);
// The same as bytes, with the reason in error (not naming the file) when it
// gives false: no such file, a folder, a FIFO or device, a larger file, a
// read error.
bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes, std::string& error);

// The whole content of a file; empty when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

}  // namespace vexilo
