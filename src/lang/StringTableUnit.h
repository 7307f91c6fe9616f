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

// Words of clocks and timers: date and time units, the weekday label and the
// one-character weekday names, Sunday first.
inline constexpr char kWordYear[] = "\xC4\xEA";                                           // 年
inline constexpr char kWordMonth[] = "\xD4\xC2";                                          // 月
inline constexpr char kWordDay[] = "\xC8\xD5";                                            // 日
inline constexpr char kWordHour[] = "\xCA\xB1";                                           // 时
inline constexpr char kWordMinute[] = "\xB7\xD6";                                         // 分
inline constexpr char kWordSecond[] = "\xC3\xEB";                                         // 秒
inline constexpr char kWordWeek[] = "\xD0\xC7\xC6\xDA";                                   // 星期
inline constexpr const char* kWeekdayNames[7] = {
    "\xC8\xD5", "\xD2\xBB", "\xB6\xFE", "\xC8\xFD", "\xCB\xC4", "\xCE\xE5", "\xC1\xF9"};  // 日 一 二 三 四 五 六
inline constexpr char kWordDays[] = "\xCC\xEC";                                           // 天
inline constexpr char kWordHours[] = "\xD0\xA1\xCA\xB1";                                  // 小时

}  // namespace vexilo::strings
