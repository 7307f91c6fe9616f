// Progress texts of the communication subsystem, in GBK. Source files are
// UTF-8, so the GBK bytes are spelled out; the UTF-8 form is in each comment.
#pragma once

namespace vexilo::strings {

inline constexpr char kLinkFailed[] = "\xB4\xAE\xBF\xDA\xCD\xA8\xD0\xC5\xCA\xA7\xB0\xDC\xA3\xA1";        // 串口通信失败！
inline constexpr char kNoDeviceOnPort[] = "%s\xC9\xCF\xCE\xB4\xB7\xA2\xCF\xD6\xC9\xE8\xB1\xB8\xA3\xA1";  // %s上未发现设备！
inline constexpr char kNotConnected[] = "\xCE\xB4\xC1\xAC\xBD\xD3\xC9\xE8\xB1\xB8\xA3\xA1";              // 未连接设备！
inline constexpr char kSending[] = "\xCA\xFD\xBE\xDD\xB7\xA2\xCB\xCD\xD6\xD0\xA3\xA1";                   // 数据发送中！
inline constexpr char kSendDone[] = "\xB7\xA2\xCB\xCD\xCA\xFD\xBE\xDD\xCD\xEA\xB3\xC9\xA3\xA1";          // 发送数据完成！
inline constexpr char kSendFailed[] = "\xB7\xA2\xCB\xCD\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC\xA3\xA1";        // 发送数据失败！

}  // namespace vexilo::strings
