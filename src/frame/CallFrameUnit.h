// The frame every export body runs in: whatever the body throws becomes the
// failure result, and the debug line is written last, on every path.
#pragma once
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "frame/DebugLogUnit.h"
#include "pack/ProgramPackUnit.h"

namespace vexilo {

inline void WriteDebugLineSafely(std::string_view name, bool success) noexcept {
  try {
    WriteDebugLine(name, success);
  } catch (...) {
  }
}

// Byte exports: 1 success, 0 failure.
template <class Body>
uint8_t RunByteExport(std::string_view name, Body&& body) noexcept {
  bool ok = false;
  try {
    ok = std::forward<Body>(body)();
  } catch (...) {
    ok = false;
  }
  WriteDebugLineSafely(name, ok);
  return ok ? 1 : 0;
}

// Item exports: 0 success, -1 failure. An item that fails, by its result or
// by an exception, leaves the pack exactly as it was.
template <class Body>
int32_t RunItemExport(std::string_view name, Body&& body) noexcept {
  int32_t result = -1;
  try {
    PackTransaction tx;
    result = std::forward<Body>(body)();
    if (result == 0) tx.Commit();
    else result = -1;
  } catch (...) {
    result = -1;
  }
  WriteDebugLineSafely(name, result == 0);
  return result;
}

// Text items name their debug line with the export's name, a blank and the
// item's text (a null text counts as empty).
template <class Body>
int32_t RunTextItemExport(const char* exportName, const char* text, Body&& body) noexcept {
  std::string name;
  try {
    name = exportName;
    name += ' ';
    if (text != nullptr) name += text;
  } catch (...) {
    name.clear();
  }
  return RunItemExport(name.empty() ? std::string_view(exportName) : std::string_view(name),
                       std::forward<Body>(body));
}

}  // namespace vexilo
