#include "HostLibrary.h"

#include "frame/LifecycleUnit.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#ifndef VEXILO_SHARED_LIBRARY
#define VEXILO_SHARED_LIBRARY "libvexilo.so"
#endif

namespace vexilo::testing {
namespace {

bool WriteAll(int fd, const std::string& s) {
  size_t off = 0;
  while (off < s.size()) {
    ssize_t w = ::write(fd, s.data() + off, s.size() - off);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    off += static_cast<size_t>(w);
  }
  return true;
}

template <class F>
bool Resolve(void* lib, const char* name, F& out) {
  out = reinterpret_cast<F>(dlsym(lib, name));
  return out != nullptr;
}

bool ResolveAll(void* lib, HostApi& api) {
  return Resolve(lib, "User_UseDebug", api.UseDebug) && Resolve(lib, "User_CompletePack", api.CompletePack) &&
         Resolve(lib, "User_OpenToUDPScreen", api.OpenToUDPScreen) &&
         Resolve(lib, "User_OpenScreenEx", api.OpenScreenEx) && Resolve(lib, "User_OpenScreen", api.OpenScreen) &&
         Resolve(lib, "User_SelectToUDPScreenProgram", api.SelectToUDPScreenProgram) &&
         Resolve(lib, "User_SelectScreenProgram", api.SelectScreenProgram) &&
         Resolve(lib, "User_SendToUDPScreen", api.SendToUDPScreen) &&
         Resolve(lib, "User_SendToAddrScreen", api.SendToAddrScreen) &&
         Resolve(lib, "User_SendToScreenX", api.SendToScreenX) && Resolve(lib, "User_SendToScreen", api.SendToScreen) &&
         Resolve(lib, "User_InitBufferEx_Ini", api.InitBufferEx_Ini) &&
         Resolve(lib, "User_InitBufferEx", api.InitBufferEx) && Resolve(lib, "User_InitBuffer", api.InitBuffer) &&
         Resolve(lib, "User_CloseToUDPScreen", api.CloseToUDPScreen) &&
         Resolve(lib, "User_CloseScreenEx", api.CloseScreenEx) && Resolve(lib, "User_CloseScreen", api.CloseScreen) &&
         Resolve(lib, "User_AdjustToUDPTime", api.AdjustToUDPTime) && Resolve(lib, "User_AdjustTime", api.AdjustTime) &&
         Resolve(lib, "User_AddText", api.AddText) && Resolve(lib, "User_AddTimer", api.AddTimer) &&
         Resolve(lib, "User_AddStaticText", api.AddStaticText) &&
         Resolve(lib, "User_AddSingleText", api.AddSingleText) && Resolve(lib, "User_AddProgram", api.AddProgram) &&
         Resolve(lib, "User_AddDateTime", api.AddDateTime) && Resolve(lib, "User_AddCustomList", api.AddCustomList) &&
         Resolve(lib, "User_AddBmp", api.AddBmp);
}

}  // namespace

std::string MakeTempFolder(const std::string& tag) {
  static std::atomic<int> counter{0};
  const char* base = std::getenv("VEXILO_HOME");
  std::string root = (base != nullptr && base[0] != '\0') ? base : "/tmp";
  ::mkdir(root.c_str(), 0755);
  std::string path = root + "/" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  std::string cmd = "rm -rf '" + path + "'";
  if (std::system(cmd.c_str()) != 0) return path;
  ::mkdir(path.c_str(), 0755);
  return path;
}

HostRun RunHost(const std::string& home, const std::function<std::string(const HostApi&)>& host) {
  HostRun run;
  int fds[2];
  if (::pipe(fds) != 0) {
    run.Error = "pipe failed";
    return run;
  }
  pid_t pid = ::fork();
  if (pid < 0) {
    run.Error = "fork failed";
    return run;
  }
  if (pid == 0) {
    ::close(fds[0]);
    ::setenv("VEXILO_HOME", home.c_str(), 1);
    void* lib = dlopen(VEXILO_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
      WriteAll(fds[1], std::string("E") + dlerror());
      ::_exit(2);
    }
    HostApi api{};
    if (!ResolveAll(lib, api)) {
      WriteAll(fds[1], "Emissing export");
      ::_exit(3);
    }
    std::string out;
    try {
      out = host(api);
    } catch (...) {
      WriteAll(fds[1], "Ehost code threw");
      ::_exit(4);
    }
    if (dlclose(lib) != 0) {
      WriteAll(fds[1], "Edlclose failed");
      ::_exit(5);
    }
    WriteAll(fds[1], "O" + out);
    ::close(fds[1]);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string data;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) != 0) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!data.empty() && data[0] == 'O' && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    run.Ok = true;
    run.Output = data.substr(1);
  } else {
    run.Error = data.empty() ? "child ended with status " + std::to_string(status) : data.substr(1);
  }
  return run;
}

void WriteTextFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> LogLines(const std::string& text, bool* allCrLf) {
  std::vector<std::string> lines;
  bool crlf = true;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) {
      crlf = false;
      lines.push_back(text.substr(pos));
      break;
    }
    if (nl == pos || text[nl - 1] != '\r') {
      crlf = false;
      lines.push_back(text.substr(pos, nl - pos));
    } else {
      lines.push_back(text.substr(pos, nl - pos - 1));
    }
    pos = nl + 1;
  }
  if (allCrLf != nullptr) *allCrLf = crlf;
  return lines;
}

LoadedLibrary::LoadedLibrary(const std::string& home) {
  const char* old = std::getenv("VEXILO_HOME");
  hadHome_ = old != nullptr;
  if (hadHome_) oldHome_ = old;
  ::setenv("VEXILO_HOME", home.c_str(), 1);
  LibraryLoad();
}

LoadedLibrary::~LoadedLibrary() {
  LibraryUnload();
  if (hadHome_) {
    ::setenv("VEXILO_HOME", oldHome_.c_str(), 1);
  } else {
    ::unsetenv("VEXILO_HOME");
  }
}

}  // namespace vexilo::testing
