// The library's built-in texts, in GBK. Source files are UTF-8, so the GBK
// bytes are spelled out; the UTF-8 form is in each comment.
#pragma once

namespace vexilo::strings {

inline constexpr char kSentFrames[] = "\xB7\xA2\xCB\xCD\xB0\xFC\xCA\xFD\xA3\xBA";                // 发送包数：
inline constexpr char kConfirmedFrames[] = "  \xC8\xB7\xC8\xCF\xB0\xFC\xCA\xFD\xA3\xBA";      // "  确认包数："
inline constexpr char kAddress[] = "\xB5\xD8\xD6\xB7";                                          // 地址
inline constexpr char kFullWidthColon[] = "\xA3\xBA";                                           // ：
inline constexpr char kInverted[] = "\xC8\xA1\xB7\xB4";                                         // 取反

// Face names of the card's built-in fonts, codes 1 to 4.
inline constexpr char kFaceSong[] = "\xCB\xCE\xCC\xE5";                                         // 宋体
inline constexpr char kFaceHei[] = "\xBA\xDA\xCC\xE5";                                          // 黑体
inline constexpr char kFaceKai[] = "\xBF\xAC\xCC\xE5" "_GB2312";                                // 楷体_GB2312
inline constexpr char kFaceLi[] = "\xC1\xA5\xCA\xE9";                                           // 隶书

}  // namespace vexilo::strings
