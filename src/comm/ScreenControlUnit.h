// Screen control and program transmission exports' bodies.
#pragma once
#include <cstdint>

namespace vexilo {

bool OpenScreen(int32_t screenNo);
bool CloseScreen(int32_t screenNo);
bool OpenScreenEx(int32_t screenNo, uint8_t cardAddr);
bool CloseScreenEx(int32_t screenNo, uint8_t cardAddr);
bool OpenToUdpScreen(const char* ipAddr, uint16_t port);
bool CloseToUdpScreen(const char* ipAddr, uint16_t port);
bool AdjustTime(int32_t screenNo);
bool AdjustToUdpTime(const char* ipAddr, uint16_t port);

bool SendToScreen(int32_t screenNo);
bool SendToScreenX(int32_t screenNo, int32_t compress, int32_t packetSize, int32_t retryCount);
bool SendToAddrScreen(int32_t screenNo, uint8_t cardAddr, int32_t compress, int32_t altKind, int32_t packetSize,
                      int32_t retryCount);
bool SendToUdpScreen(int32_t screenNo, const char* ipAddr, uint16_t port, int32_t compress, int32_t altKind,
                     uint16_t packetSize, uint16_t retryCount);
bool SelectScreenProgram(int32_t screenNo, uint8_t searchAddr, uint8_t programNo);
bool SelectToUdpScreenProgram(const char* ipAddr, uint16_t port, uint8_t programNo);

}  // namespace vexilo
