// vexilo-cardsim: runs the card simulator until interrupted.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

#include "CardSim.h"

namespace {

void Usage() {
  std::fputs(
      "usage: vexilo-cardsim [options]\n"
      "  --address N        card address (default 1)\n"
      "  --udp-port P       loopback UDP port to serve (default: a free one)\n"
      "  --no-udp           serve no UDP port\n"
      "  --serial           serve a pseudo-terminal\n"
      "  --serial-dir DIR   link the terminal as DIR/COM<n> (implies --serial)\n"
      "  --com N            the n of COM<n> (default 1)\n"
      "  --save DIR         save each received pack as DIR/pack-<k>.bin\n"
      "  --status S         status byte answered to C (default 0) while the last\n"
      "                     pack checks or none came yet; a broken pack gives 1\n"
      "  --word W           word answered to U (default 0)\n"
      "  --quiet            do not print the frames\n"
      "faults:\n"
      "  --refuse           answer A with B\n"
      "  --silent           never answer\n"
      "  --drop-every N     leave out every n-th reply\n"
      "  --corrupt-crc N    send the next n replies with a wrong CRC\n"
      "  --decoy-crc        precede each reply by a copy with a wrong CRC\n"
      "  --decoy-foreign A  precede each reply by a copy from card address A\n"
      "  --reply-from A     answer from card address A\n"
      "  --delay MS         answer MS milliseconds late\n"
      "  --d-for-o N        answer the next n data packets with D instead of O\n"
      "  --status-lies      answer C with the --status byte even after a broken pack\n"
      "  --spoil-pack       get one byte of each rebuilt pack wrong\n",
      stderr);
}

bool Number(const char* text, long lo, long hi, long& value) {
  if (text == nullptr) return false;
  char* end = nullptr;
  value = std::strtol(text, &end, 0);
  return end != text && *end == '\0' && value >= lo && value <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vexilo::cardsim;
  CardOptions opt;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    long v = 0;
    auto take = [&](long lo, long hi) {
      if (!Number(next, lo, hi, v)) {
        std::fprintf(stderr, "vexilo-cardsim: %s needs a number from %ld to %ld\n", a.c_str(), lo, hi);
        std::exit(2);
      }
      ++i;
      return v;
    };
    if (a == "--address") opt.Address = static_cast<uint8_t>(take(0, 255));
    else if (a == "--udp-port") opt.UdpPort = static_cast<uint16_t>(take(0, 65535));
    else if (a == "--no-udp") opt.Udp = false;
    else if (a == "--serial") opt.Serial = true;
    else if (a == "--serial-dir" && next) { opt.SerialDir = next; opt.Serial = true; ++i; }
    else if (a == "--com") opt.ComNumber = static_cast<int>(take(1, 255));
    else if (a == "--save" && next) { opt.SaveDir = next; ++i; }
    else if (a == "--status") opt.Status = static_cast<uint8_t>(take(0, 255));
    else if (a == "--word") opt.Word = static_cast<uint16_t>(take(0, 65535));
    else if (a == "--quiet") quiet = true;
    else if (a == "--refuse") opt.Faults.Refuse = true;
    else if (a == "--silent") opt.Faults.Silent = true;
    else if (a == "--drop-every") opt.Faults.DropEvery = static_cast<uint32_t>(take(1, 1000000));
    else if (a == "--corrupt-crc") opt.Faults.CorruptCrc = static_cast<uint32_t>(take(0, 1000000));
    else if (a == "--decoy-crc") opt.Faults.DecoyBadCrc = true;
    else if (a == "--decoy-foreign") { opt.Faults.DecoyForeign = true; opt.Faults.ForeignAddress = static_cast<uint8_t>(take(0, 255)); }
    else if (a == "--reply-from") opt.Faults.ReplyFrom = static_cast<int>(take(0, 255));
    else if (a == "--delay") opt.Faults.DelayMs = static_cast<uint32_t>(take(0, 600000));
    else if (a == "--d-for-o") opt.Faults.DataForAccept = static_cast<uint32_t>(take(0, 1000000));
    else if (a == "--status-lies") opt.Faults.FixedStatus = true;
    else if (a == "--spoil-pack") opt.Faults.SpoilPack = true;
    else if (a == "--help" || a == "-h") { Usage(); return 0; }
    else { Usage(); return 2; }
  }
  if (!opt.Udp && !opt.Serial) {
    std::fputs("vexilo-cardsim: nothing to serve (--no-udp without --serial)\n", stderr);
    return 2;
  }
  static std::mutex out;
  opt.Log = [quiet](const std::string& line) {
    if (quiet && line.rfind("pack", 0) != 0) return;
    std::lock_guard<std::mutex> hold(out);
    std::cout << line << std::endl;
  };

  // The signals are taken by sigwait below, on this thread only.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  CardSimulator sim(opt);
  if (!sim.Start()) {
    std::fprintf(stderr, "vexilo-cardsim: %s\n", sim.LastError().c_str());
    return 1;
  }
  {
    std::lock_guard<std::mutex> hold(out);
    std::cout << "card " << static_cast<int>(opt.Address) << std::endl;
    if (opt.Udp) std::cout << "udp 127.0.0.1:" << sim.UdpPort() << std::endl;
    if (opt.Serial) std::cout << "serial " << sim.SerialPath() << std::endl;
    if (!sim.ComLink().empty()) std::cout << "link " << sim.ComLink() << std::endl;
  }
  int sig = 0;
  sigwait(&stop, &sig);
  sim.Stop();
  std::cout << "stopped: " << sim.Requests().size() << " frames in, " << sim.Replies().size()
            << " out, " << sim.Packs().size() << " packs" << std::endl;
  int k = 0;
  for (const PackRecord& pack : sim.Packs()) {
    std::cout << "  pack " << ++k << ": kind " << static_cast<int>(pack.Kind) << ", " << pack.Bytes.size()
              << " bytes, seal " << (pack.SealOk ? "checks" : "WRONG") << (pack.Error.empty() ? "" : ", " + pack.Error)
              << std::endl;
  }
  const CardLearnt learnt = sim.Learnt();
  if (learnt.ScreenOn) std::cout << "  screen " << (*learnt.ScreenOn ? "on" : "off") << std::endl;
  if (!learnt.Clock.empty()) std::cout << "  clock set to " << ClockText(learnt.Clock) << std::endl;
  if (learnt.Program) std::cout << "  program " << static_cast<int>(*learnt.Program) << " selected" << std::endl;
  return 0;
}
