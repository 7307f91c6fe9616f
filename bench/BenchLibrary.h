// The library loaded for a benchmark program: a folder with an LED.INI for a
// 128 x 32 red/green screen (screen 1), VEXILO_HOME pointing at it.
#pragma once
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "frame/LifecycleUnit.h"
#include "lang/CodePageUnit.h"

namespace vexilo::bench {

struct Library {
  Library() {
    char tmpl[] = "/tmp/vexilo-bench-XXXXXX";
    std::string home = ::mkdtemp(tmpl);
    ::setenv("VEXILO_HOME", home.c_str(), 1);
    std::string ini = Utf8ToGbk("[地址: 1]\r\nCOMPort=COM1\r\nColor=2\r\nWidth=128\r\nHeight=32\r\n");
    FILE* f = std::fopen((home + "/LED.INI").c_str(), "wb");
    std::fwrite(ini.data(), 1, ini.size(), f);
    std::fclose(f);
    LibraryLoad();
  }
  ~Library() { LibraryUnload(); }
};

// Loads the library on first use, for the whole program.
inline Library& Lib() {
  static Library lib;
  return lib;
}

}  // namespace vexilo::bench
