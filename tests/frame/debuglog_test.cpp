#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "HostLibrary.h"
#include "lang/CodePageUnit.h"

namespace vexilo {
namespace {

using testing::HostApi;
using testing::LogLines;
using testing::MakeTempFolder;
using testing::ReadTextFile;
using testing::RunHost;

// "yyyy-mm-dd hh:mm:ss ZZZ" and the rest of the line.
std::string Body(const std::string& line) {
  static const std::regex stamp(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} \d{3} )");
  std::smatch m;
  if (!std::regex_search(line, m, stamp)) return "<no time stamp: " + line + ">";
  return line.substr(m.length(0));
}

std::vector<std::string> Bodies(const std::string& log) {
  bool crlf = false;
  std::vector<std::string> lines = LogLines(log, &crlf);
  EXPECT_TRUE(crlf) << "every line ends in CR LF";
  std::vector<std::string> out;
  const std::string counter = Utf8ToGbk("发送包数：");
  for (const std::string& l : lines) out.push_back(l.rfind(counter, 0) == 0 ? l : Body(l));
  return out;
}

std::string CounterLine(int sent, int confirmed) {
  return Utf8ToGbk("发送包数：" + std::to_string(sent) + "  确认包数：" + std::to_string(confirmed));
}

TEST(DebugLog, StartTwiceStopAndUnload) {
  std::string home = MakeTempFolder("log");
  auto run = RunHost(home, [](const HostApi& api) {
    std::string r;
    r += std::to_string(api.UseDebug(1));
    r += std::to_string(api.UseDebug(1));  // already on: nothing written
    r += std::to_string(api.UseDebug(0));
    r += std::to_string(api.UseDebug(0));  // already off
    r += std::to_string(api.UseDebug(2));
    r += std::to_string(api.UseDebug(1));
    r += std::to_string(api.UseDebug(2));  // any value but 1 stops
    r += std::to_string(api.UseDebug(1));  // left on: unload ends the log
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "11100111");
  EXPECT_EQ(Bodies(ReadTextFile(home + "/Debug.Txt")),
            (std::vector<std::string>{"Start Debug", CounterLine(0, 0), "Stop Debug", "Start Debug", CounterLine(0, 0),
                                      "Stop Debug", "Start Debug", CounterLine(0, 0), "End Debug"}));
}

TEST(DebugLog, NothingIsWrittenOrCreatedWhileLoggingIsOff) {
  std::string home = MakeTempFolder("log-off");
  auto run = RunHost(home, [](const HostApi& api) {
    api.InitBuffer(1);
    api.AddProgram(0, 0);
    api.CompletePack();
    api.SendToScreen(1);
    return std::to_string(api.UseDebug(0));
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "0");
  EXPECT_FALSE(testing::ReadTextFile(home + "/Debug.Txt").size() > 0);
  EXPECT_EQ(::access((home + "/Debug.Txt").c_str(), F_OK), -1);
}

TEST(DebugLog, EveryExportWritesItsLineLast) {
  std::string home = MakeTempFolder("log-lines");
  testing::WriteTextFile(home + "/LED.INI", Utf8ToGbk("[地址: 3]\nCOMPort=COM1\n"));
  auto run = RunHost(home, [](const HostApi& api) {
    std::string r;
    api.UseDebug(1);
    r += std::to_string(api.InitBufferEx(3, 1));
    r += std::to_string(api.InitBufferEx_Ini(4, nullptr));
    r += std::to_string(api.AddProgram(0, 0)) + ",";
    r += std::to_string(api.CloseScreenEx(1, 5));
    r += std::to_string(api.CloseScreen(1));
    r += std::to_string(api.CompletePack());
    TTextParam text{};
    const std::string gbk = Utf8ToGbk("你好 LED");
    text.Text = gbk.c_str();
    r += std::to_string(api.AddText(&text)) + ",";
    r += std::to_string(api.AddSingleText(nullptr)) + ",";
    r += std::to_string(api.AddBmp(nullptr, nullptr));
    api.UseDebug(0);
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "100,0010,-1,-1");
  EXPECT_EQ(Bodies(ReadTextFile(home + "/Debug.Txt")),
            (std::vector<std::string>{"Start Debug", "User_InitBuffer Success", "User_InitBuffer Fail",
                                      "User_AddProgram Success", "User_CloseScreenEx Fail", "User_CloseScreen Fail",
                                      "User_CompletePack Success", "User_AddText " + Utf8ToGbk("你好 LED") + " Success",
                                      "User_AddSingleText  Fail", "User_AddBmp Fail", CounterLine(0, 0),
                                      "Stop Debug"}));
}

TEST(DebugLog, RestartsAppendAcrossLoads) {
  std::string home = MakeTempFolder("log-append");
  for (int i = 0; i < 2; ++i) {
    auto run = RunHost(home, [](const HostApi& api) {
      api.UseDebug(1);
      api.CompletePack();
      return std::string();
    });
    ASSERT_TRUE(run.Ok) << run.Error;
  }
  EXPECT_EQ(Bodies(ReadTextFile(home + "/Debug.Txt")),
            (std::vector<std::string>{"Start Debug", "User_CompletePack Success", CounterLine(0, 0), "End Debug",
                                      "Start Debug", "User_CompletePack Success", CounterLine(0, 0), "End Debug"}));
}

TEST(DebugLog, LogThatCannotBeCreatedAnswersZeroAndStaysOff) {
  std::string home = MakeTempFolder("log-dir");
  ASSERT_EQ(::mkdir((home + "/Debug.Txt").c_str(), 0755), 0);  // a folder where the file should be
  auto run = RunHost(home, [](const HostApi& api) {
    std::string r = std::to_string(api.UseDebug(1));
    r += std::to_string(api.UseDebug(0));  // not on: a stop answers 0
    return r;
  });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "00");
}

TEST(Lifecycle, LoadEmptiesSwapDat) {
  std::string home = MakeTempFolder("load");
  testing::WriteTextFile(home + "/Swap.Dat", "left over from an earlier run");
  auto run = RunHost(home, [&](const HostApi&) { return std::to_string(ReadTextFile(home + "/Swap.Dat").size()); });
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Output, "0");
}

}  // namespace
}  // namespace vexilo

#include "CardSim.h"

namespace vexilo {
namespace {

TEST(DebugLog, CounterLinesShowTotalsSinceLoad) {
  cardsim::CardSimulator sim;
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  const uint16_t port = sim.UdpPort();
  std::string home = MakeTempFolder("log-counters");
  auto run = RunHost(home, [port](const HostApi& api) {
    api.OpenToUDPScreen(0, "127.0.0.1", port);  // before logging: counted all the same
    api.UseDebug(1);
    api.OpenToUDPScreen(0, "127.0.0.1", port);
    api.UseDebug(0);
    api.UseDebug(1);
    api.UseDebug(0);
    return std::string();
  });
  sim.Stop();
  ASSERT_TRUE(run.Ok) << run.Error;
  // Each screen command: a handshake and one packet, both answered.
  EXPECT_EQ(Bodies(ReadTextFile(home + "/Debug.Txt")),
            (std::vector<std::string>{"Start Debug", "User_OpenToUDPScreen Success", CounterLine(4, 4), "Stop Debug",
                                      "Start Debug", CounterLine(4, 4), "Stop Debug"}));
}

}  // namespace
}  // namespace vexilo
