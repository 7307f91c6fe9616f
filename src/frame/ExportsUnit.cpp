// The 27 exports. Each runs its body inside the call frame (CallFrameUnit),
// which turns every failure into the export's failure result and writes the
// debug line last.
#include "vexilo.h"

#include "comm/ScreenControlUnit.h"
#include "frame/CallFrameUnit.h"
#include "frame/DebugLogUnit.h"
#include "frame/ScreenConfigUnit.h"
#include "items/BitmapItemUnit.h"
#include "items/DateTimeItemUnit.h"
#include "items/ListItemUnit.h"
#include "items/TextItemUnit.h"
#include "items/TimerItemUnit.h"
#include "pack/ProgramPackUnit.h"

using namespace vexilo;

namespace {

// User_InitBufferEx and User_InitBufferEx_Ini perform User_InitBuffer and
// write its line; what they add runs inside the same frame.
template <class Before, class After>
uint8_t InitBufferFramed(int32_t screenNo, Before&& before, After&& after) {
  return RunByteExport("User_InitBuffer", [&] {
    before();
    const bool ok = InitBuffer(screenNo);
    after();
    return ok;
  });
}

void Nothing() {}

}  // namespace

extern "C" {

VEXILO_API uint8_t VEXILO_CALL User_UseDebug(int32_t DebugOn) {
  try {
    return UseDebug(DebugOn) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

VEXILO_API uint8_t VEXILO_CALL User_CompletePack(void) {
  return RunBytePackExport("User_CompletePack", [] { return CompletePack(); });
}

VEXILO_API uint8_t VEXILO_CALL User_OpenToUDPScreen(int32_t, const char* IPAddr, uint16_t PortNO) {
  return RunByteExport("User_OpenToUDPScreen", [&] { return OpenToUdpScreen(IPAddr, PortNO); });
}

VEXILO_API uint8_t VEXILO_CALL User_OpenScreenEx(int32_t ScreenNo, uint8_t CardAddr) {
  return RunByteExport("User_OpenScreenEx", [&] { return OpenScreenEx(ScreenNo, CardAddr); });
}

VEXILO_API uint8_t VEXILO_CALL User_OpenScreen(int32_t ScreenNo) {
  return RunByteExport("User_OpenScreen", [&] { return OpenScreen(ScreenNo); });
}

VEXILO_API uint8_t VEXILO_CALL User_SelectToUDPScreenProgram(int32_t, const char* IPAddr, uint16_t PortNO,
                                                             uint8_t ProgramNo) {
  return RunByteExport("User_SelectToUDPScreenProgram",
                       [&] { return SelectToUdpScreenProgram(IPAddr, PortNO, ProgramNo); });
}

VEXILO_API uint8_t VEXILO_CALL User_SelectScreenProgram(int32_t ScreenNo, uint8_t SearchAddr, uint8_t ProgramNo) {
  return RunByteExport("User_SelectScreenProgram", [&] { return SelectScreenProgram(ScreenNo, SearchAddr, ProgramNo); });
}

VEXILO_API uint8_t VEXILO_CALL User_SendToUDPScreen(int32_t ScreenNo, const char* IPAddr, uint16_t PortNO,
                                                    int32_t Compress, int32_t AltKind, uint16_t PacketSize,
                                                    uint16_t RetryCount) {
  return RunByteExport("User_SendToUDPScreen", [&] {
    return SendToUdpScreen(ScreenNo, IPAddr, PortNO, Compress, AltKind, PacketSize, RetryCount);
  });
}

VEXILO_API uint8_t VEXILO_CALL User_SendToAddrScreen(int32_t ScreenNo, uint8_t CardAddr, int32_t Compress,
                                                     int32_t AltKind, int32_t PacketSize, int32_t RetryCount) {
  return RunByteExport("User_SendToAddrScreen", [&] {
    return SendToAddrScreen(ScreenNo, CardAddr, Compress, AltKind, PacketSize, RetryCount);
  });
}

VEXILO_API uint8_t VEXILO_CALL User_SendToScreenX(int32_t ScreenNo, int32_t Compress, int32_t PacketSize,
                                                  int32_t RetryCount) {
  return RunByteExport("User_SendToScreenX", [&] { return SendToScreenX(ScreenNo, Compress, PacketSize, RetryCount); });
}

VEXILO_API uint8_t VEXILO_CALL User_SendToScreen(int32_t ScreenNo) {
  return RunByteExport("User_SendToScreen", [&] { return SendToScreen(ScreenNo); });
}

VEXILO_API uint8_t VEXILO_CALL User_InitBufferEx_Ini(int32_t ScreenNo, const char* IniPath) {
  return InitBufferFramed(ScreenNo, [&] { SetConfigFilePath(IniPath); }, Nothing);
}

VEXILO_API uint8_t VEXILO_CALL User_InitBufferEx(int32_t ScreenNo, uint8_t RotatedLayout) {
  return InitBufferFramed(ScreenNo, Nothing, [&] { SetRotatedLayout(RotatedLayout); });
}

VEXILO_API uint8_t VEXILO_CALL User_InitBuffer(int32_t ScreenNo) {
  return InitBufferFramed(ScreenNo, Nothing, Nothing);
}

VEXILO_API uint8_t VEXILO_CALL User_CloseToUDPScreen(int32_t, const char* IPAddr, uint16_t PortNO) {
  return RunByteExport("User_CloseToUDPScreen", [&] { return CloseToUdpScreen(IPAddr, PortNO); });
}

VEXILO_API uint8_t VEXILO_CALL User_CloseScreenEx(int32_t ScreenNo, uint8_t CardAddr) {
  return RunByteExport("User_CloseScreenEx", [&] { return CloseScreenEx(ScreenNo, CardAddr); });
}

VEXILO_API uint8_t VEXILO_CALL User_CloseScreen(int32_t ScreenNo) {
  return RunByteExport("User_CloseScreen", [&] { return CloseScreen(ScreenNo); });
}

VEXILO_API uint8_t VEXILO_CALL User_AdjustToUDPTime(int32_t, const char* IPAddr, uint16_t PortNO) {
  return RunByteExport("User_AdjustToUDPTime", [&] { return AdjustToUdpTime(IPAddr, PortNO); });
}

VEXILO_API uint8_t VEXILO_CALL User_AdjustTime(int32_t ScreenNo) {
  return RunByteExport("User_AdjustTime", [&] { return AdjustTime(ScreenNo); });
}

VEXILO_API int32_t VEXILO_CALL User_AddText(const TTextParam* Param) {
  return RunTextItemExport("User_AddText", Param != nullptr ? Param->Text : nullptr,
                       [&] { return AddText(Param); });
}

VEXILO_API int32_t VEXILO_CALL User_AddTimer(const TTimerParam* Param) {
  return RunItemExport("User_AddTimer", [&] { return AddTimer(Param); });
}

VEXILO_API int32_t VEXILO_CALL User_AddStaticText(const TStaticTextParam* Param) {
  return RunTextItemExport("User_AddStaticText", Param != nullptr ? Param->Text : nullptr,
                       [&] { return AddStaticText(Param); });
}

VEXILO_API int32_t VEXILO_CALL User_AddSingleText(const TSingleTextParam* Param) {
  return RunTextItemExport("User_AddSingleText", Param != nullptr ? Param->Text : nullptr,
                       [&] { return AddSingleText(Param); });
}

VEXILO_API int32_t VEXILO_CALL User_AddProgram(int32_t, uint8_t ProgramOption) {
  return RunItemExport("User_AddProgram", [&] { return AddProgram(ProgramOption); });
}

VEXILO_API int32_t VEXILO_CALL User_AddDateTime(const TDateTimeParam* Param) {
  return RunItemExport("User_AddDateTime", [&] { return AddDateTime(Param); });
}

VEXILO_API int32_t VEXILO_CALL User_AddCustomList(const TListParam* Param, void* HostWindow) {
  return RunItemExport("User_AddCustomList", [&] { return AddCustomList(Param, HostWindow); });
}

VEXILO_API int32_t VEXILO_CALL User_AddBmp(const char* FileName, const TBmpParam* Param) {
  return RunItemExport("User_AddBmp", [&] { return AddBmp(FileName, Param); });
}

}  // extern "C"
