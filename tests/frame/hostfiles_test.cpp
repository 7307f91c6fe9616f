// The library's own files in a hostile folder: links and FIFOs planted in
// their place, and a disk that fills up under the debug log.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "HostLibrary.h"
#include "frame/IniReaderUnit.h"
#include "lang/CodePageUnit.h"

namespace vexilo {
namespace {

using testing::HostApi;
using testing::MakeTempFolder;
using testing::ReadTextFile;
using testing::RunHost;
using testing::WriteTextFile;
using Clock = std::chrono::steady_clock;

const char kScreen[] = "[地址: 1]\nCOMPort=COM1\nColor=1\n";

enum class Plant { Fifo, Link };

bool IsPlanted(const std::string& path, Plant kind) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  return kind == Plant::Fifo ? S_ISFIFO(st.st_mode) : S_ISLNK(st.st_mode);
}

// Runs host code in a child that an alarm ends if it hangs.
testing::HostRun RunHostWithin(const std::string& home, unsigned seconds,
                               const std::function<std::string(const HostApi&)>& host) {
  return RunHost(home, [&](const HostApi& api) {
    ::alarm(seconds);
    std::string out = host(api);
    ::alarm(0);
    return out;
  });
}

// A FIFO or a link planted as "Debug.Txt" or "Swap.Dat" is refused at once;
// nothing is written through the link.
TEST(HostFiles, PlantedLinksAndFifosAreRefusedWithoutBlocking) {
  struct Case {
    const char* File;
    Plant Kind;
    const char* Results;  // User_UseDebug(1), User_InitBuffer(1), User_AddProgram
  };
  const Case cases[] = {
      {"Debug.Txt", Plant::Fifo, "0 1 0"},
      {"Debug.Txt", Plant::Link, "0 1 0"},
      {"Swap.Dat", Plant::Fifo, "1 0 -1"},  // no pack file: as when it cannot be created
      {"Swap.Dat", Plant::Link, "1 0 -1"},
  };
  for (const Case& c : cases) {
    const std::string label = std::string(c.File) + (c.Kind == Plant::Fifo ? " as a FIFO" : " as a link");
    SCOPED_TRACE(label);
    const std::string home = MakeTempFolder("planted");
    WriteTextFile(home + "/LED.INI", Utf8ToGbk(kScreen));
    const std::string victim = home + "/victim.txt";
    const std::string precious = "a file of the host's that must stay as it is\n";
    WriteTextFile(victim, precious);
    const std::string planted = home + "/" + c.File;
    if (c.Kind == Plant::Fifo) {
      ASSERT_EQ(::mkfifo(planted.c_str(), 0644), 0);
    } else {
      ASSERT_EQ(::symlink(victim.c_str(), planted.c_str()), 0);
    }
    const auto start = Clock::now();
    auto run = RunHostWithin(home, 10, [](const HostApi& api) {
      std::string r = std::to_string(api.UseDebug(1));
      r += " " + std::to_string(api.InitBuffer(1));
      r += " " + std::to_string(api.AddProgram(0, 0));
      return r;
    });
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, c.Results);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 5.0);
    EXPECT_EQ(ReadTextFile(victim), precious);
    EXPECT_TRUE(IsPlanted(planted, c.Kind)) << "the planted entry is left in place";
  }
}

// The configuration may be reached through a link (it is the host's own
// file), but only a regular file is read; a FIFO is refused without waiting
// for a writer.
TEST(HostFiles, ConfigurationIsReadOnlyFromARegularFile) {
  const std::string home = MakeTempFolder("ini-kinds");
  WriteTextFile(home + "/real.ini", Utf8ToGbk(kScreen));
  ASSERT_EQ(::symlink((home + "/real.ini").c_str(), (home + "/link.ini").c_str()), 0);
  ASSERT_EQ(::mkfifo((home + "/fifo.ini").c_str(), 0644), 0);
  ASSERT_EQ(::symlink((home + "/fifo.ini").c_str(), (home + "/fifo-link.ini").c_str()), 0);
  ASSERT_EQ(::mkdir((home + "/dir.ini").c_str(), 0755), 0);
  struct Case {
    const char* Name;
    bool Read;
  };
  const Case cases[] = {
      {"real.ini", true}, {"link.ini", true}, {"fifo.ini", false}, {"fifo-link.ini", false}, {"dir.ini", false},
  };
  auto run = RunHostWithin(home, 10, [&](const HostApi& api) {
    std::string r;
    for (const Case& c : cases) {
      std::optional<IniFile> ini = LoadIniFile(home + "/" + c.Name);
      r += std::string(c.Name) + "=" + (ini && ini->Sections.size() == 1 ? "read" : "refused") + " ";
    }
    // The same through the export that names the file.
    r += std::to_string(api.InitBufferEx_Ini(1, (home + "/fifo.ini").c_str()));
    r += std::to_string(api.InitBufferEx_Ini(1, (home + "/link.ini").c_str()));
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  std::string expected;
  for (const Case& c : cases) expected += std::string(c.Name) + "=" + (c.Read ? "read" : "refused") + " ";
  EXPECT_EQ(run.Output, expected + "01");
}

// A full disk under "Debug.Txt": the export whose line cannot be written
// answers its failure result, and one that changes the pack takes its change
// back. Once there is room again the same call succeeds. The disk is filled
// with a file-size limit just above what "Debug.Txt" holds: "Swap.Dat" stays
// far below it, so only the log runs out of room.
TEST(HostFiles, ExportWhoseDebugLineCannotBeWrittenFails) {
  const std::string home = MakeTempFolder("full-disk");
  WriteTextFile(home + "/LED.INI", Utf8ToGbk(kScreen));
  // Earlier runs' lines: the log is much larger than the pack will be.
  std::string earlier;
  while (earlier.size() < 64 * 1024) earlier += "2009-04-17 15:02:44 031 User_SendToScreen Success\r\n";
  WriteTextFile(home + "/Debug.Txt", earlier);

  auto run = RunHost(home, [&](const HostApi& api) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit saved;
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0) return std::string("no rlimit");
    const std::string face = Utf8ToGbk("宋体");
    TTextParam text{};
    text.Text = "FULL";
    text.AreaWidth = 64;
    text.AreaHeight = 16;
    text.Font.FaceName = face.c_str();
    text.Font.Size = 16;
    text.Font.TextColor = 1;
    struct Case {
      const char* Name;
      std::function<int(const HostApi&)> Call;
    };
    const Case cases[] = {
        {"User_AddProgram", [](const HostApi& a) { return a.AddProgram(0, 0); }},
        {"User_AddText", [&](const HostApi& a) { return a.AddText(&text); }},
        {"User_CompletePack", [](const HostApi& a) { return int(a.CompletePack()); }},
        {"User_InitBuffer", [](const HostApi& a) { return int(a.InitBuffer(1)); }},
    };
    std::string r = std::to_string(api.UseDebug(1));
    r += std::to_string(api.InitBuffer(1));
    for (const Case& c : cases) {
      const std::string pack = ReadTextFile(home + "/Swap.Dat");
      const std::string log = ReadTextFile(home + "/Debug.Txt");
      struct rlimit full = saved;
      full.rlim_cur = log.size() + 8;  // less than any line
      ::setrlimit(RLIMIT_FSIZE, &full);
      const int failed = c.Call(api);
      ::setrlimit(RLIMIT_FSIZE, &saved);
      r += std::string(" ") + c.Name + " " + std::to_string(failed);
      if (ReadTextFile(home + "/Swap.Dat") != pack) r += " pack changed";
      if (ReadTextFile(home + "/Debug.Txt") != log) r += " log changed";
      r += " then " + std::to_string(c.Call(api));
    }
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  // User_InitBuffer starts a new pack whatever its result, as it does when
  // the screen has no section.
  EXPECT_EQ(run.Output,
            "11 User_AddProgram -1 then 0 User_AddText -1 then 0 User_CompletePack 0 then 1"
            " User_InitBuffer 0 pack changed then 1");
  // The log holds the lines that could be written, each whole.
  bool crlf = false;
  std::vector<std::string> lines = testing::LogLines(ReadTextFile(home + "/Debug.Txt").substr(earlier.size()), &crlf);
  EXPECT_TRUE(crlf);
  std::vector<std::string> tails;
  for (const std::string& l : lines) tails.push_back(l.size() > 24 ? l.substr(24) : l);
  ASSERT_GE(tails.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(tails.begin(), tails.begin() + 6),
            (std::vector<std::string>{"Start Debug", "User_InitBuffer Success", "User_AddProgram Success",
                                      "User_AddText FULL Success", "User_CompletePack Success",
                                      "User_InitBuffer Success"}));
}

}  // namespace
}  // namespace vexilo
