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

// False when the line could not be written (logging off counts as written).
inline bool WriteDebugLineSafely(std::string_view name, bool success) noexcept {
  try {
    return WriteDebugLine(name, success);
  } catch (...) {
    return false;
  }
}

// An export whose debug line cannot be written (a full disk) does not report
// success: its success line is replaced by an attempt at a " Fail" line, and
// the export answers its failure result.
inline bool FinishWithLine(std::string_view name, bool success) noexcept {
  if (WriteDebugLineSafely(name, success)) return success;
  if (success) WriteDebugLineSafely(name, false);
  return false;
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
  return FinishWithLine(name, ok) ? 1 : 0;
}

// Exports that change the pack: 0 success, -1 failure. One that fails, by its
// result, by an exception or because its debug line could not be written,
// leaves the pack exactly as it was: the success line is written while the
// transaction is still open, and only then is the change kept.
template <class Body>
int32_t RunPackExport(std::string_view name, Body&& body) noexcept {
  int32_t result = -1;
  bool lineWritten = false;
  try {
    PackTransaction tx;
    result = std::forward<Body>(body)() == 0 ? 0 : -1;
    if (result == 0) {
      if (WriteDebugLineSafely(name, true)) {
        lineWritten = true;
        tx.Commit();
      } else {
        result = -1;
      }
    }
  } catch (...) {
    result = -1;
  }
  if (!lineWritten) WriteDebugLineSafely(name, false);
  return result;
}

// Item exports: 0 success, -1 failure.
template <class Body>
int32_t RunItemExport(std::string_view name, Body&& body) noexcept {
  return RunPackExport(name, std::forward<Body>(body));
}

// A byte export that changes the pack (User_CompletePack): as an item, its
// change is kept only with its success line.
template <class Body>
uint8_t RunBytePackExport(std::string_view name, Body&& body) noexcept {
  const int32_t result = RunPackExport(name, [&] { return std::forward<Body>(body)() ? 0 : -1; });
  return result == 0 ? 1 : 0;
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
