// Screen control and program transmission: the small card requests (probe,
// word, status, screen on/off, clock), the search for a card on the serial
// ports, sending the pack, and the bodies of the communication exports.
#pragma once
#include <cstdint>
#include <optional>

#include "comm/PacketUnit.h"

namespace vexilo {

struct TScreenConfig;

// ---- card requests ----------------------------------------------------------

// A PacketExchange of the screen command (open: 0x00, close: 0x0F).
bool SwitchScreen(CardLink link, uint8_t& destination, bool open);
// One D frame to any card with the host's local time; no reply is read.
bool SendClock(CardLink link);
// The 9 bytes of the clock payload for the host's local time now.
void MakeClockPayload(uint8_t (&payload)[9]);
// A handshake of up to 3 attempts; the letter of the first valid reply.
std::optional<uint8_t> ProbeCard(CardLink link, uint8_t& destination);
// The card's 16-bit word, or -1.
int32_t QueryWord(CardLink link, uint8_t& destination);
// The card's status byte, or -1.
int32_t QueryStatus(CardLink link, uint8_t& destination);

// The serial port of a screen: COMPort when it names a port ("COM" in it),
// else the first of COM1 to COM255 where a card answers probeAddr. Null when
// none. sendExport marks User_SendToScreen and User_SendToScreenX.
SerialPort* FindSerialCard(const TScreenConfig& config, uint8_t probeAddr, bool sendExport);

// ---- export bodies -----------------------------------------------------------

bool OpenScreen(int32_t screenNo);
bool CloseScreen(int32_t screenNo);
bool OpenScreenEx(int32_t screenNo, uint8_t cardAddr);
bool CloseScreenEx(int32_t screenNo, uint8_t cardAddr);
bool OpenToUdpScreen(const char* ipAddr, uint16_t port);
bool CloseToUdpScreen(const char* ipAddr, uint16_t port);
bool AdjustTime(int32_t screenNo);
bool AdjustToUdpTime(const char* ipAddr, uint16_t port);

// The send exports refuse a PacketSize outside 15 to 254 before any frame
// goes out (a port search included); the X and address variants also refuse
// a RetryCount outside 1 to 100, the UDP variant a RetryCount of 0.
bool SendToScreen(int32_t screenNo);
bool SendToScreenX(int32_t screenNo, int32_t compress, int32_t packetSize, int32_t retryCount);
bool SendToAddrScreen(int32_t screenNo, uint8_t cardAddr, int32_t compress, int32_t altKind, int32_t packetSize,
                      int32_t retryCount);
bool SendToUdpScreen(int32_t screenNo, const char* ipAddr, uint16_t port, int32_t compress, int32_t altKind,
                     uint16_t packetSize, uint16_t retryCount);
bool SelectScreenProgram(int32_t screenNo, uint8_t searchAddr, uint8_t programNo);
bool SelectToUdpScreenProgram(const char* ipAddr, uint16_t port, uint8_t programNo);

}  // namespace vexilo
