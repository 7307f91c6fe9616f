#include "comm/SerialUnit.h"

namespace vexilo {
namespace {

std::string g_lastSerialPort;

}  // namespace

void RememberSerialPort(const char* name) { g_lastSerialPort = name != nullptr ? name : ""; }

const std::string& LastSerialPort() { return g_lastSerialPort; }

void ForgetLastSerialPort() {
  g_lastSerialPort.clear();
  g_lastSerialPort.shrink_to_fit();
}

}  // namespace vexilo
