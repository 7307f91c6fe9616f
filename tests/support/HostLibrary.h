// Runs host code against the shared library in a child process: the child
// gets its own VEXILO_HOME, loads libvexilo.so with dlopen, runs the code and
// unloads the library again, so that every test sees a fresh load and unload.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "vexilo.h"

namespace vexilo::testing {

// The exports, resolved by name from the loaded library.
struct HostApi {
  decltype(&::User_UseDebug) UseDebug;
  decltype(&::User_CompletePack) CompletePack;
  decltype(&::User_OpenToUDPScreen) OpenToUDPScreen;
  decltype(&::User_OpenScreenEx) OpenScreenEx;
  decltype(&::User_OpenScreen) OpenScreen;
  decltype(&::User_SelectToUDPScreenProgram) SelectToUDPScreenProgram;
  decltype(&::User_SelectScreenProgram) SelectScreenProgram;
  decltype(&::User_SendToUDPScreen) SendToUDPScreen;
  decltype(&::User_SendToAddrScreen) SendToAddrScreen;
  decltype(&::User_SendToScreenX) SendToScreenX;
  decltype(&::User_SendToScreen) SendToScreen;
  decltype(&::User_InitBufferEx_Ini) InitBufferEx_Ini;
  decltype(&::User_InitBufferEx) InitBufferEx;
  decltype(&::User_InitBuffer) InitBuffer;
  decltype(&::User_CloseToUDPScreen) CloseToUDPScreen;
  decltype(&::User_CloseScreenEx) CloseScreenEx;
  decltype(&::User_CloseScreen) CloseScreen;
  decltype(&::User_AdjustToUDPTime) AdjustToUDPTime;
  decltype(&::User_AdjustTime) AdjustTime;
  decltype(&::User_AddText) AddText;
  decltype(&::User_AddTimer) AddTimer;
  decltype(&::User_AddStaticText) AddStaticText;
  decltype(&::User_AddSingleText) AddSingleText;
  decltype(&::User_AddProgram) AddProgram;
  decltype(&::User_AddDateTime) AddDateTime;
  decltype(&::User_AddCustomList) AddCustomList;
  decltype(&::User_AddBmp) AddBmp;
};

struct HostRun {
  bool Ok = false;          // the child loaded, ran and unloaded cleanly
  std::string Output;       // what the host code returned
  std::string Error;        // why the run failed
};

// A fresh, empty folder below the test's VEXILO_HOME (or /tmp).
std::string MakeTempFolder(const std::string& tag);

// Runs `host` in a child process with VEXILO_HOME=home. The string the host
// code returns comes back in Output.
HostRun RunHost(const std::string& home, const std::function<std::string(const HostApi&)>& host);

// Writes a file (creating it), for configuration fixtures.
void WriteTextFile(const std::string& path, const std::string& bytes);
std::string ReadTextFile(const std::string& path);

// Splits "Debug.Txt" into lines; every line must end in CR LF.
std::vector<std::string> LogLines(const std::string& text, bool* allCrLf = nullptr);

}  // namespace vexilo::testing

namespace vexilo::testing {

// The library loaded in this process with VEXILO_HOME at home, as a host's
// load would: LibraryLoad now, LibraryUnload and the old VEXILO_HOME back
// when it goes.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string& home);
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

 private:
  bool hadHome_ = false;
  std::string oldHome_;
};

}  // namespace vexilo::testing
