/*
 * vexilo.h: the public interface of Vexilo, a host-side library for LED
 * display controller cards.
 *
 * A host builds a program pack for one screen: User_InitBuffer starts it,
 * User_AddProgram opens a program (a playlist), the item exports (User_AddText,
 * User_AddSingleText, User_AddStaticText, User_AddBmp, User_AddDateTime,
 * User_AddTimer, User_AddCustomList) add areas of the screen to that program,
 * and User_CompletePack seals the pack. User_SendToScreen and its variants
 * send the pack to the card over a serial port or UDP; other exports switch a
 * screen on or off, set a card's clock and select a stored program.
 *
 * Results
 *   - The item exports and User_AddProgram return a signed 32-bit 0 on
 *     success and -1 on failure (VEXILO_ITEM_OK, VEXILO_ITEM_FAIL). Every
 *     other export returns one byte, 1 on success and 0 on failure
 *     (VEXILO_OK, VEXILO_FAIL).
 *   - A failure is reported by the result only (and by the log line, when
 *     logging is on): there are no error codes or messages, and nothing is
 *     thrown across the interface.
 *   - An item that fails leaves the pack exactly as it was: "Swap.Dat", its
 *     length, the program and area counts and every header.
 *
 * Files
 *   - "LED.INI": the screen configuration, read afresh by every export that
 *     takes a ScreenNo, never written. Screen N is the section named
 *     "地址: N", "地址：N", "地址:N" or "Address:N" (GBK; the first of these
 *     that has a COMPort value or the line LinkMode=TCP/IP). Its keys:
 *     LinkMode (TCP/IP: UDP; GPRS: no export can use it; anything else:
 *     serial), COMPort, BaudRate (38400bps, 115200bps, anything else 9600),
 *     IPAddr, PortNO, LinkAddr (card address, low 8 bits), Color (colour
 *     mode, below) and WaitmSec (least wait for a card's reply, ms).
 *     User_InitBufferEx_Ini names another file for all later calls.
 *   - "Swap.Dat": the pack being built. Created empty when the library is
 *     loaded, re-created by User_InitBuffer, kept open until unload; the
 *     send exports read it and do not change it.
 *   - "Debug.Txt": the call log while logging is on (User_UseDebug). Lines
 *     are appended, never removed; GBK text, CRLF line ends. Every export but
 *     User_UseDebug appends one line after its work, also when it failed:
 *     "yyyy-mm-dd hh:mm:ss ZZZ <name> Success" or "... <name> Fail" (ZZZ the
 *     milliseconds); <name> is the export's name unless its comment says
 *     otherwise.
 *   All three lie in the folder of the host executable, or in the folder
 *   $VEXILO_HOME names when that variable is set and not empty.
 *
 * Links
 *   - Serial: ports COM1 to COM255, 8 data bits, no parity, 1 stop bit at
 *     9600, 38400 or 115200 baud. On Linux port COMn is /dev/ttyS<n-1>, or
 *     $VEXILO_SERIAL_DIR/COMn when that variable names a folder (a port
 *     without an entry there does not exist). A port is held exclusively
 *     and only for the call that opened it.
 *   - Port search (the send exports and User_SelectScreenProgram): when the
 *     screen's COMPort contains "COM", that port is used as it is, without a
 *     probe; otherwise COM1 to COM255 are opened in turn and probed with a
 *     handshake to a card address, and the first port where a card answers
 *     is used.
 *   - UDP: one socket for the life of the library, bound to local port 8000,
 *     else to the first free port of 8100 to 9099. Card addresses must be
 *     dotted IPv4 addresses; "255.255.255.255" broadcasts. Over UDP every
 *     request addresses any card, so card addresses matter on serial links
 *     only.
 *   - Commands and packets go after a handshake, and the card acknowledges
 *     each. A try waits up to 1 s for its reply; every wait for a reply is
 *     raised to WaitmSec of the screen of the last User_InitBuffer (not of
 *     the screen a call names; the exports that take an IPAddr keep the wait
 *     as the last call left it). A call can therefore block for seconds, the
 *     send exports for 10 s and more.
 *
 * State and threads
 *   - The library keeps one state per process: one pack, one configuration
 *     file path, one log, one UDP socket. It starts no thread; every export
 *     runs to completion on the caller's thread. The host calls the library
 *     from one thread at a time.
 *
 * Arguments and records
 *   - ScreenNo is a signed 32-bit screen number (the N of the section name).
 *   - Arguments declared uint8_t or uint16_t travel in a 32-bit slot (32-bit
 *     hosts) of which only the low 8 or 16 bits are used; an argument named
 *     Ignored is not read.
 *   - Strings are zero-terminated ANSI text (GBK; Big5 on Traditional
 *     Chinese systems). The library copies what it keeps and never frees
 *     host memory.
 *   - Host records are packed, little-endian structures with 0/1 flags. On a
 *     32-bit target every size and offset below is exact; on a 64-bit target
 *     each pointer field is 8 bytes and the fields after it move by 4.
 *   - Colour mode: the screen's Color setting. 0 or 1: one plane (single
 *     colour); 2: red and green planes; 3: the same with colour codes 1 and 2
 *     exchanged. Every item export refuses mode 4 and above.
 *   - Effect, Speed, StayTime and PageOption of the items are passed to the
 *     card, which gives them their meaning; of Speed, StayTime and PageOption
 *     only the low byte is sent. Effect codes 34 to 37 are sent as 15 to 18,
 *     17 as 23, every other code unchanged (low byte).
 */
#ifndef VEXILO_H
#define VEXILO_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(VEXILO_BUILDING)
#    define VEXILO_API __declspec(dllexport)
#  else
#    define VEXILO_API __declspec(dllimport)
#  endif
#  if defined(_M_IX86) || defined(__i386__)
#    define VEXILO_CALL __stdcall
#  else
#    define VEXILO_CALL
#  endif
#else
#  if defined(VEXILO_BUILDING) && defined(__GNUC__)
#    define VEXILO_API __attribute__((visibility("default")))
#  else
#    define VEXILO_API
#  endif
#  define VEXILO_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------
 * Named constants
 * ------------------------------------------------------------------------ */

/* Colour codes of texts, backgrounds and frames (one byte). */
#define VEXILO_COLOR_BLACK  0
#define VEXILO_COLOR_RED    1
#define VEXILO_COLOR_GREEN  2
#define VEXILO_COLOR_YELLOW 3

/* Result values. */
#define VEXILO_OK        1   /* byte result: success */
#define VEXILO_FAIL      0   /* byte result: failure */
#define VEXILO_ITEM_OK   0   /* item result: success */
#define VEXILO_ITEM_FAIL (-1) /* item result: failure */

/* Entry kinds of a custom list (TListParam.EntryKinds) and what the entry's
 * Data holds. Entries of any other kind yield nothing. */
#define VEXILO_ENTRY_RICHTEXT   1   /* rich text: an RTF document of DataSize bytes */
#define VEXILO_ENTRY_TABLE      7   /* table: a TableHeader block, see below */
#define VEXILO_ENTRY_RICHTEXT2  23  /* rich text, as kind 1 */
#define VEXILO_ENTRY_TEXT       21  /* plain text: zero-terminated UTF-16, drawn with Setting.Font */
#define VEXILO_ENTRY_PICTURE    22  /* still picture: a BMP file of DataSize bytes, stretched to the area */
#define VEXILO_ENTRY_ANIMATION  24  /* animation: a GIF89a file of DataSize bytes */
#define VEXILO_ENTRY_CARDTEXT   25  /* RTF document of DataSize bytes that the card draws with its own fonts */

#define VEXILO_LIST_MAX_ENTRIES 256

/* ------------------------------------------------------------------------
 * Host records
 * ------------------------------------------------------------------------ */

#pragma pack(push, 1)

/* Font of an item (25 bytes on 32-bit targets). */
typedef struct FontSpec {
  const char* FaceName;    /*  0: face name, e.g. "宋体", "Arial". The card's
                                own fonts: "宋体" 1, "黑体" 2, "楷体_GB2312" 3,
                                "隶书" 4, any other name (or null) 1 */
  int32_t Size;            /*  4: character cell height in pixels; the card's
                                fonts get its low byte */
  uint8_t Bold;            /*  8: 0 or 1 */
  uint8_t Italic;          /*  9: 0 or 1 */
  uint8_t Underline;       /* 10: 0 or 1 */
  uint8_t Centered;        /* 11: 0 left-aligned or justified, else centred */
  uint8_t TextColor;       /* 12: colour code */
  uint8_t Reserved13[4];   /* 13: not read */
  int32_t CharSpacing;     /* 17: pixels added after every character */
  int32_t LineSpacing;     /* 21: pixels added between lines */
} FontSpec;

/* The 51-byte head shared by the text, clock and timer records. */
#define VEXILO_ITEM_HEAD                                                      \
  const char* Text;      /*  0: ANSI text (title of clocks and timers) */     \
  uint8_t BackColor;     /*  4: colour code of the background */              \
  int32_t AreaX;         /*  5: left edge on the screen, pixels */            \
  int32_t AreaY;         /*  9: top edge */                                   \
  int32_t AreaWidth;     /* 13: width in pixels */                            \
  int32_t AreaHeight;    /* 17: height in pixels */                           \
  int32_t FrameWidth;    /* 21: frame width in pixels */                      \
  uint8_t FrameColor;    /* 25: colour code of the frame; 0 draws none */     \
  FontSpec Font;         /* 26 */

/* User_AddStaticText (52 bytes). */
typedef struct TStaticTextParam {
  VEXILO_ITEM_HEAD
  uint8_t FontForm;      /* 51: 1 the card draws the text with its own font */
} TStaticTextParam;

/* User_AddText (67 bytes). */
typedef struct TTextParam {
  VEXILO_ITEM_HEAD
  int32_t Effect;        /* 51: effect code */
  int32_t Speed;         /* 55: low byte used */
  int32_t StayTime;      /* 59: low byte used */
  int32_t PageOption;    /* 63: low byte used */
} TTextParam;

/* User_AddSingleText (70 bytes). */
typedef struct TSingleTextParam {
  VEXILO_ITEM_HEAD
  int32_t Effect;        /* 51: effect code; 7 with StayTime 0 draws one
                                continuous line, 8 shows the pages last first */
  int32_t Speed;         /* 55: low byte used */
  int32_t StayTime;      /* 59: low byte used */
  int32_t PageOption;    /* 63: low byte used */
  uint8_t Reserved67;    /* 67: not read */
  int8_t OffsetY;        /* 68: pixels added to the top of every line */
  uint8_t FontForm;      /* 69: 1 the card draws the text with its own font */
} TSingleTextParam;

/* User_AddBmp (37 bytes). */
typedef struct TBmpParam {
  int32_t AreaX;         /*  0: left edge on the screen, pixels */
  int32_t AreaY;         /*  4: top edge */
  int32_t AreaWidth;     /*  8: width in pixels */
  int32_t AreaHeight;    /* 12: height in pixels */
  int32_t FrameWidth;    /* 16: frame width in pixels */
  uint8_t FrameColor;    /* 20: colour code of the frame; 0 draws none */
  int32_t Effect;        /* 21: effect code */
  int32_t Speed;         /* 25: low byte used */
  int32_t StayTime;      /* 29: low byte used */
  int32_t PageOption;    /* 33: low byte used */
} TBmpParam;

/* User_AddDateTime (64 bytes). Text is the title. */
typedef struct TDateTimeParam {
  VEXILO_ITEM_HEAD
  uint8_t DateStyle;     /* 51: 0 y-m-d, 1 m/d/y, 2 with words, 3 d/m/y */
  uint8_t TwoDigitYear;  /* 52: 1 two digits; 0 a drawn "20" precedes them */
  uint8_t SingleLine;    /* 53: 1 one line; 0 stacked lines */
  uint8_t ShowYear;      /* 54: 1 shows the element */
  uint8_t ShowMonth;     /* 55 */
  uint8_t ShowDay;       /* 56 */
  uint8_t ShowWeekday;   /* 57 */
  uint8_t ShowHour;      /* 58 */
  uint8_t ShowMinute;    /* 59 */
  uint8_t ShowSecond;    /* 60 */
  uint8_t CardOption1;   /* 61: passed to the card */
  uint8_t CardOption2;   /* 62: passed to the card, card-font form only */
  uint8_t FontForm;      /* 63: 1 the card draws the clock with its own font */
} TDateTimeParam;

/* User_AddTimer (65 bytes). Text is the title; targets are BCD. */
typedef struct TTimerParam {
  VEXILO_ITEM_HEAD
  uint8_t TargetYear;    /* 51: 0x25 is 2025 */
  uint8_t TargetMonth;   /* 52 */
  uint8_t TargetDay;     /* 53 */
  uint8_t TargetHour;    /* 54: 0x00 to 0x23 */
  uint8_t TargetMinute;  /* 55 */
  uint8_t TargetSecond;  /* 56 */
  uint8_t CountDown;     /* 57: 1 counts down to the target; passed to the card */
  uint8_t SingleLine;    /* 58: 1 one line; 0 stacked lines */
  uint8_t ShowDays;      /* 59: 1 shows the unit */
  uint8_t ShowHours;     /* 60 */
  uint8_t ShowMinutes;   /* 61 */
  uint8_t ShowSeconds;   /* 62 */
  uint8_t HideUnitWords; /* 63: 1 units apart by blanks; 0 each with its word */
  uint8_t FontForm;      /* 64: 1 the card draws the timer with its own font */
} TTimerParam;

/* Mode bytes of a list entry that is not a text entry. */
typedef struct TListEntryMode {
  uint8_t EntryMode;     /* 281: slice/flow, card-text mode, table flag, GIF fit mode */
  int8_t OffsetY;        /* 282: rich text: vertical offset in pixels */
  uint8_t Reserved[23];  /* 283: not read */
} TListEntryMode;

/* One entry of a custom list (306 bytes on 32-bit targets). */
typedef struct TListEntry {
  uint32_t DataSize;     /*   0: bytes of Data (rich text, picture, animation) */
  uint8_t Reserved4[256]; /*  4: not read */
  const void* Data;      /* 260: the entry's data, by kind */
  uint8_t BackColor;     /* 264: colour code: background; key colour of animations */
  int32_t Effect;        /* 265: effect code */
  int32_t Speed;         /* 269: low byte used */
  int32_t StayTime;      /* 273: low byte used */
  int32_t PageOption;    /* 277: low byte used */
  union {                /* 281: 25 bytes */
    TListEntryMode Mode; /* every kind but text */
    FontSpec Font;       /* text entries */
  } Setting;
} TListEntry;

/* User_AddCustomList (1306 bytes on 32-bit targets). */
typedef struct TListParam {
  uint8_t Reserved0;     /*   0: not read */
  int32_t AreaX;         /*   1: left edge on the screen, pixels */
  int32_t AreaY;         /*   5: top edge */
  int32_t AreaWidth;     /*   9: width in pixels */
  int32_t AreaHeight;    /*  13: height in pixels */
  int32_t FrameWidth;    /*  17: frame width in pixels */
  uint8_t FrameColor;    /*  21: colour code of the frame; 0 draws none */
  int32_t EntryCount;    /*  22: 1 to 256 */
  uint8_t EntryKinds[VEXILO_LIST_MAX_ENTRIES];           /*  26: VEXILO_ENTRY_*, entry 0 first */
  const TListEntry* Entries[VEXILO_LIST_MAX_ENTRIES];    /* 282: the entries, entry 0 first */
} TListParam;

/* A table entry's data block: a TableHeader, RowCount row heights (int32),
 * ColumnCount column widths (int32), then RowCount x ColumnCount TableCell
 * records, row by row. Strings are length-prefixed ANSI. Colours are RGB
 * with red in the lowest byte.
 * The block carries no size: the library reads exactly the bytes its counts
 * make, 112 + 4 x (RowCount + ColumnCount) + 1073 x RowCount x ColumnCount,
 * so the block must be at least that long. RowCount and ColumnCount run from
 * 0 to 65,536 with at most 65,536 cells; a block with other counts, and a
 * table without rows or without columns, shows no page. */
typedef struct TableHeader {
  int32_t RowCount;          /*   0: number of rows */
  int32_t ColumnCount;       /*   4: number of columns */
  uint32_t GridColor;        /*   8: colour of the grid lines */
  uint8_t Title[51];         /*  12: length byte, up to 50 characters; 0 no title */
  uint8_t TitleFontName[31]; /*  63: length byte, up to 30 characters */
  int32_t TitleFontSize;     /*  94: points */
  uint8_t TitleUnderline;    /*  98: 0 or 1 */
  uint8_t TitleItalic;       /*  99: 0 or 1 */
  uint8_t TitleBold;         /* 100: 0 or 1 */
  uint8_t Reserved101;       /* 101: not read */
  uint32_t TitleColor;       /* 102: colour of the title text */
  uint32_t TableBackColor;   /* 106: background of the page and the title */
  uint8_t Reserved110[2];    /* 110: not read */
} TableHeader;

typedef struct TableCell {
  uint8_t CellFontName[31];  /*    0: length byte, up to 30 characters */
  int32_t CellFontSize;      /*   31: points */
  uint8_t CellUnderline;     /*   35: 0 or 1 */
  uint8_t CellItalic;        /*   36: 0 or 1 */
  uint8_t CellBold;          /*   37: 0 or 1 */
  uint8_t CellAlign;         /*   38: 1 left, 3 right, else centred */
  uint32_t CellColor;        /*   39: colour of the text */
  uint32_t CellBackColor;    /*   43: colour of the cell's background */
  uint8_t MergeRight;        /*   47: non-zero joins the cell to the one on its right */
  uint8_t MergeDown;         /*   48: non-zero joins the cell to the one below */
  char CellText[1024];       /*   49: NUL-terminated or filling the field */
} TableCell;

#pragma pack(pop)

/* ------------------------------------------------------------------------
 * Layout proofs
 * ------------------------------------------------------------------------ */

#ifdef __cplusplus
#  define VEXILO_ASSERT(cond, name) static_assert(cond, #name)
#else
#  define VEXILO_ASSERT(cond, name) typedef char vexilo_assert_##name[(cond) ? 1 : -1]
#endif

/* Extra bytes per pointer field beyond 4 (0 on 32-bit targets). */
#define VEXILO_PX ((int)sizeof(void*) - 4)

VEXILO_ASSERT(sizeof(FontSpec) == 25 + VEXILO_PX, FontSpec_size);
VEXILO_ASSERT(offsetof(FontSpec, Size) == 4 + VEXILO_PX, FontSpec_Size);
VEXILO_ASSERT(offsetof(FontSpec, TextColor) == 12 + VEXILO_PX, FontSpec_TextColor);
VEXILO_ASSERT(offsetof(FontSpec, CharSpacing) == 17 + VEXILO_PX, FontSpec_CharSpacing);
VEXILO_ASSERT(offsetof(FontSpec, LineSpacing) == 21 + VEXILO_PX, FontSpec_LineSpacing);

VEXILO_ASSERT(offsetof(TTextParam, BackColor) == 4 + VEXILO_PX, Head_BackColor);
VEXILO_ASSERT(offsetof(TTextParam, AreaX) == 5 + VEXILO_PX, Head_AreaX);
VEXILO_ASSERT(offsetof(TTextParam, AreaHeight) == 17 + VEXILO_PX, Head_AreaHeight);
VEXILO_ASSERT(offsetof(TTextParam, FrameWidth) == 21 + VEXILO_PX, Head_FrameWidth);
VEXILO_ASSERT(offsetof(TTextParam, FrameColor) == 25 + VEXILO_PX, Head_FrameColor);
VEXILO_ASSERT(offsetof(TTextParam, Font) == 26 + VEXILO_PX, Head_Font);

VEXILO_ASSERT(sizeof(TStaticTextParam) == 52 + 2 * VEXILO_PX, TStaticTextParam_size);
VEXILO_ASSERT(offsetof(TStaticTextParam, FontForm) == 51 + 2 * VEXILO_PX, TStaticTextParam_FontForm);

VEXILO_ASSERT(sizeof(TTextParam) == 67 + 2 * VEXILO_PX, TTextParam_size);
VEXILO_ASSERT(offsetof(TTextParam, Effect) == 51 + 2 * VEXILO_PX, TTextParam_Effect);
VEXILO_ASSERT(offsetof(TTextParam, Speed) == 55 + 2 * VEXILO_PX, TTextParam_Speed);
VEXILO_ASSERT(offsetof(TTextParam, StayTime) == 59 + 2 * VEXILO_PX, TTextParam_StayTime);
VEXILO_ASSERT(offsetof(TTextParam, PageOption) == 63 + 2 * VEXILO_PX, TTextParam_PageOption);

VEXILO_ASSERT(sizeof(TSingleTextParam) == 70 + 2 * VEXILO_PX, TSingleTextParam_size);
VEXILO_ASSERT(offsetof(TSingleTextParam, Effect) == 51 + 2 * VEXILO_PX, TSingleTextParam_Effect);
VEXILO_ASSERT(offsetof(TSingleTextParam, OffsetY) == 68 + 2 * VEXILO_PX, TSingleTextParam_OffsetY);
VEXILO_ASSERT(offsetof(TSingleTextParam, FontForm) == 69 + 2 * VEXILO_PX, TSingleTextParam_FontForm);

VEXILO_ASSERT(sizeof(TBmpParam) == 37, TBmpParam_size);
VEXILO_ASSERT(offsetof(TBmpParam, FrameColor) == 20, TBmpParam_FrameColor);
VEXILO_ASSERT(offsetof(TBmpParam, Effect) == 21, TBmpParam_Effect);
VEXILO_ASSERT(offsetof(TBmpParam, PageOption) == 33, TBmpParam_PageOption);

VEXILO_ASSERT(sizeof(TDateTimeParam) == 64 + 2 * VEXILO_PX, TDateTimeParam_size);
VEXILO_ASSERT(offsetof(TDateTimeParam, DateStyle) == 51 + 2 * VEXILO_PX, TDateTimeParam_DateStyle);
VEXILO_ASSERT(offsetof(TDateTimeParam, ShowSecond) == 60 + 2 * VEXILO_PX, TDateTimeParam_ShowSecond);
VEXILO_ASSERT(offsetof(TDateTimeParam, FontForm) == 63 + 2 * VEXILO_PX, TDateTimeParam_FontForm);

VEXILO_ASSERT(sizeof(TTimerParam) == 65 + 2 * VEXILO_PX, TTimerParam_size);
VEXILO_ASSERT(offsetof(TTimerParam, TargetYear) == 51 + 2 * VEXILO_PX, TTimerParam_TargetYear);
VEXILO_ASSERT(offsetof(TTimerParam, CountDown) == 57 + 2 * VEXILO_PX, TTimerParam_CountDown);
VEXILO_ASSERT(offsetof(TTimerParam, FontForm) == 64 + 2 * VEXILO_PX, TTimerParam_FontForm);

VEXILO_ASSERT(sizeof(TListEntryMode) == 25, TListEntryMode_size);
VEXILO_ASSERT(sizeof(TListEntry) == 306 + 2 * VEXILO_PX, TListEntry_size);
VEXILO_ASSERT(offsetof(TListEntry, Data) == 260, TListEntry_Data);
VEXILO_ASSERT(offsetof(TListEntry, BackColor) == 264 + VEXILO_PX, TListEntry_BackColor);
VEXILO_ASSERT(offsetof(TListEntry, Effect) == 265 + VEXILO_PX, TListEntry_Effect);
VEXILO_ASSERT(offsetof(TListEntry, PageOption) == 277 + VEXILO_PX, TListEntry_PageOption);
VEXILO_ASSERT(offsetof(TListEntry, Setting) == 281 + VEXILO_PX, TListEntry_Setting);

VEXILO_ASSERT(offsetof(TListParam, AreaX) == 1, TListParam_AreaX);
VEXILO_ASSERT(offsetof(TListParam, FrameColor) == 21, TListParam_FrameColor);
VEXILO_ASSERT(offsetof(TListParam, EntryCount) == 22, TListParam_EntryCount);
VEXILO_ASSERT(offsetof(TListParam, EntryKinds) == 26, TListParam_EntryKinds);
VEXILO_ASSERT(offsetof(TListParam, Entries) == 282, TListParam_Entries);
VEXILO_ASSERT(sizeof(TListParam) == 282 + 256 * sizeof(void*), TListParam_size);

VEXILO_ASSERT(sizeof(TableHeader) == 112, TableHeader_size);
VEXILO_ASSERT(offsetof(TableHeader, TitleFontName) == 63, TableHeader_TitleFontName);
VEXILO_ASSERT(offsetof(TableHeader, TitleFontSize) == 94, TableHeader_TitleFontSize);
VEXILO_ASSERT(offsetof(TableHeader, TitleColor) == 102, TableHeader_TitleColor);
VEXILO_ASSERT(offsetof(TableHeader, TableBackColor) == 106, TableHeader_TableBackColor);
VEXILO_ASSERT(sizeof(TableCell) == 1073, TableCell_size);
VEXILO_ASSERT(offsetof(TableCell, CellAlign) == 38, TableCell_CellAlign);
VEXILO_ASSERT(offsetof(TableCell, MergeDown) == 48, TableCell_MergeDown);
VEXILO_ASSERT(offsetof(TableCell, CellText) == 49, TableCell_CellText);

#undef VEXILO_PX

/* ------------------------------------------------------------------------
 * Exports, in ordinal order. "Ignored" marks an argument slot that is not read.
 * ------------------------------------------------------------------------ */

/*
 * User_UseDebug: starts or stops the call log "Debug.Txt".
 *
 *   DebugOn  1 starts logging: "Debug.Txt" is opened for appending (created
 *            when missing) and "<time> Start Debug" is written; when logging
 *            is already on, nothing happens. Any other value stops it: the
 *            counter line "发送包数：<frames sent>  确认包数：<valid replies
 *            received>" (totals since the library was loaded) and
 *            "<time> Stop Debug" are written and the file is closed.
 *
 * Returns 1 on success. 0 when the file cannot be created, opened or
 * written, or when a stop is asked while logging is off (nothing is written
 * then); logging stays on or off as it was.
 * Writes no call line of its own. Unloading the library while logging is on
 * writes the counter line and "<time> End Debug".
 */
/*  1 */ VEXILO_API uint8_t VEXILO_CALL User_UseDebug(int32_t DebugOn);

/*
 * User_CompletePack: seals the pack.
 *
 * Appends the CRC-16/XMODEM of all pack bytes so far, high byte first.
 * Nothing else changes: programs and items added later go behind the seal,
 * and a second call appends a second seal. The send exports do not check
 * that a pack is sealed.
 *
 * Returns 1; 0 only when "Swap.Dat" cannot be read or written.
 * Files: reads and appends to "Swap.Dat"; log line.
 */
/*  2 */ VEXILO_API uint8_t VEXILO_CALL User_CompletePack(void);

/*
 * User_OpenToUDPScreen: switches on the screen of the card at an IP address.
 *
 * Sends the screen-on command over UDP (handshake, then one packet, 3 tries
 * each). Reads no configuration.
 *
 *   Ignored  not read.
 *   IPAddr   the card's IPv4 address, dotted decimal.
 *   PortNO   the card's UDP port (16 bits).
 *
 * Returns 1 when the card accepted the command. 0 when IPAddr is null or
 * not a dotted IPv4 address, no socket can be bound, or the card does not
 * answer the handshake, refuses it or does not acknowledge the command.
 * Files: UDP; log line.
 */
/*  3 */ VEXILO_API uint8_t VEXILO_CALL User_OpenToUDPScreen(int32_t Ignored, const char* IPAddr, uint16_t PortNO);

/*
 * User_OpenScreenEx: switches on card CardAddr over the screen's serial port.
 *
 * Opens the port that the screen's COMPort names, at its BaudRate, whatever
 * its LinkMode says (no port search), and sends the screen-on command to
 * card CardAddr (handshake, then one packet, 3 tries each).
 *
 *   ScreenNo  the screen whose section names the port.
 *   CardAddr  the card's address (8 bits).
 *
 * Returns 1 when the card accepted the command. 0 when the screen has no
 * section, the port does not open (COMPort empty or not a port, the port in
 * use), or the card does not answer the handshake, refuses it or does not
 * acknowledge the command.
 * Files: reads the configuration; the serial port; log line.
 */
/*  4 */ VEXILO_API uint8_t VEXILO_CALL User_OpenScreenEx(int32_t ScreenNo, uint8_t CardAddr);

/*
 * User_OpenScreen: switches the screen on.
 *
 * Sends the screen-on command to card LinkAddr (handshake, then one packet,
 * 3 tries each) over the link that the screen's LinkMode names: serial, the
 * port COMPort at BaudRate (no port search); or UDP to IPAddr:PortNO.
 *
 *   ScreenNo  the screen.
 *
 * Returns 1 when the card accepted the command. 0 when the screen has no
 * section, its LinkMode is GPRS, the port does not open, IPAddr is empty or
 * not a dotted IPv4 address, or the card does not answer the handshake,
 * refuses it or does not acknowledge the command.
 * Files: reads the configuration; the serial port or UDP; log line.
 */
/*  5 */ VEXILO_API uint8_t VEXILO_CALL User_OpenScreen(int32_t ScreenNo);

/*
 * User_SelectToUDPScreenProgram: tells the card at an IP address which
 * stored program to show.
 *
 * Sends the program selection over UDP (handshake, then one packet, 3 tries
 * each). No pack is needed; the card's status is not asked. Reads no
 * configuration.
 *
 *   Ignored    not read.
 *   IPAddr     the card's IPv4 address, dotted decimal.
 *   PortNO     the card's UDP port (16 bits).
 *   ProgramNo  the program to show (8 bits), passed to the card; a pack
 *              numbers its programs from 1.
 *
 * Returns 1 when the card accepted the selection. 0 when IPAddr is null or
 * not a dotted IPv4 address, no socket can be bound, or the card does not
 * answer the handshake, refuses it or does not acknowledge the selection.
 * Files: UDP; log line.
 */
/*  6 */ VEXILO_API uint8_t VEXILO_CALL User_SelectToUDPScreenProgram(int32_t Ignored, const char* IPAddr,
                                                                      uint16_t PortNO, uint8_t ProgramNo);

/*
 * User_SelectScreenProgram: tells the screen's card which stored program to
 * show.
 *
 * Sends the program selection to card LinkAddr (handshake, then one packet,
 * 3 tries each) over the link that the screen's LinkMode names: serial,
 * with the port search probing card SearchAddr; or UDP to IPAddr:PortNO.
 * No pack is needed; the card's status is not asked.
 *
 *   ScreenNo    the screen.
 *   SearchAddr  the card address probed while searching the ports (8 bits);
 *               not used when COMPort names a port, nor over UDP.
 *   ProgramNo   the program to show (8 bits), passed to the card; a pack
 *               numbers its programs from 1.
 *
 * Returns 1 when the card accepted the selection. 0 when the screen has no
 * section, its LinkMode is GPRS, no port opens or no card answers the
 * search, IPAddr is empty or not a dotted IPv4 address, or the card does
 * not answer the handshake, refuses it or does not acknowledge the
 * selection.
 * Files: reads the configuration; serial ports or UDP; log line.
 */
/*  7 */ VEXILO_API uint8_t VEXILO_CALL User_SelectScreenProgram(int32_t ScreenNo, uint8_t SearchAddr,
                                                                 uint8_t ProgramNo);

/*
 * User_SendToUDPScreen: sends the pack to the card at an IP address.
 *
 * Sends the pack over UDP to IPAddr:PortNO, whatever the screen's LinkMode
 * says: a handshake, then packets that the card acknowledges one by one.
 * 1.2 s after the last packet the card's status is asked once.
 *
 *   ScreenNo    a screen that must have a section; nothing else of it is
 *               used.
 *   IPAddr      the card's IPv4 address, dotted decimal.
 *   PortNO      the card's UDP port (16 bits).
 *   Compress    1 compresses the pack; any other value sends it plain.
 *   AltKind     1 sends the pack under the card's alternate data kinds;
 *               any other value under the usual ones.
 *   PacketSize  largest frame in bytes (16 bits), 15 to 254; 200 is usual.
 *   RetryCount  tries of the handshake and of every packet (16 bits), at
 *               least 1.
 *
 * Returns 1 when every packet was acknowledged and the card's status is 0
 * or 15. 0 when the screen has no section, the pack holds nothing beyond
 * its 2-byte header, IPAddr is null or not a dotted IPv4 address, no socket
 * can be bound, PacketSize or RetryCount is out of range (before the
 * handshake), the card does not answer the handshake or refuses it, a
 * packet is not acknowledged after RetryCount tries (the card may then hold
 * part of the pack), or the status is another value or does not come.
 * Files: reads the configuration and "Swap.Dat" (unchanged: the same pack
 * can go to several screens); UDP; log line.
 */
/*  8 */ VEXILO_API uint8_t VEXILO_CALL User_SendToUDPScreen(int32_t ScreenNo, const char* IPAddr, uint16_t PortNO,
                                                             int32_t Compress, int32_t AltKind, uint16_t PacketSize,
                                                             uint16_t RetryCount);

/*
 * User_SendToAddrScreen: sends the pack to card CardAddr of a serial screen.
 *
 * Finds the port by the port search, probing card CardAddr, and sends the
 * pack to card CardAddr: a handshake, then packets that the card
 * acknowledges one by one. 1.2 s after the last packet the card's status is
 * asked once.
 *
 *   ScreenNo    the screen; its LinkMode must be serial.
 *   CardAddr    the card's address (8 bits).
 *   Compress    1 compresses the pack; any other value sends it plain.
 *   AltKind     1 sends the pack under the card's alternate data kinds;
 *               any other value under the usual ones.
 *   PacketSize  largest frame in bytes: at most 4096 is accepted, and the
 *               transfer takes 15 to 254 (its low 16 bits); 200 is usual.
 *   RetryCount  tries of the handshake and of every packet, 1 to 100.
 *
 * Returns 1 when every packet was acknowledged and the card's status is 0
 * or 15. 0 when PacketSize is above 4096 or RetryCount outside 1 to 100
 * (checked first), the screen has no section, the pack holds nothing beyond
 * its 2-byte header, the screen's LinkMode is not serial, no port opens or
 * no card answers the search, PacketSize is outside 15 to 254 (before the
 * handshake), the card does not answer the handshake or refuses it, a
 * packet is not acknowledged after RetryCount tries (the card may then hold
 * part of the pack), or the status is another value or does not come.
 * Files: reads the configuration and "Swap.Dat" (unchanged); serial ports;
 * log line.
 */
/*  9 */ VEXILO_API uint8_t VEXILO_CALL User_SendToAddrScreen(int32_t ScreenNo, uint8_t CardAddr, int32_t Compress,
                                                              int32_t AltKind, int32_t PacketSize, int32_t RetryCount);

/*
 * User_SendToScreenX: sends the pack to the screen, with the packet size and
 * tries chosen, plain or compressed.
 *
 * As User_SendToScreen, with these arguments. Over UDP the handshake and
 * every packet are tried 3 times, whatever RetryCount says.
 *
 *   ScreenNo    the screen.
 *   Compress    1 compresses the pack; any other value sends it plain.
 *   PacketSize  largest frame in bytes: at most 4096 is accepted, and the
 *               transfer takes 15 to 254 (its low 16 bits); 200 is usual.
 *   RetryCount  tries of the handshake and of every packet, 1 to 100.
 *
 * Returns 1 when every packet was acknowledged and the card's status is 0
 * or 15. 0 when PacketSize is above 4096 or RetryCount outside 1 to 100
 * (checked first, nothing opened), PacketSize is outside 15 to 254 (before
 * the handshake), and in every case where User_SendToScreen returns 0.
 * Files: reads the configuration and "Swap.Dat" (unchanged); serial ports
 * or UDP; log line.
 */
/* 10 */ VEXILO_API uint8_t VEXILO_CALL User_SendToScreenX(int32_t ScreenNo, int32_t Compress, int32_t PacketSize,
                                                           int32_t RetryCount);

/*
 * User_SendToScreen: sends the pack to the screen.
 *
 * Sends the pack, plain, to card LinkAddr over the link that the screen's
 * LinkMode names: serial, with the port search probing card LinkAddr (the
 * reply wait is raised to at least 200 ms while searching and stays so); or
 * UDP to IPAddr:PortNO. A handshake comes first, then frames of at most 200
 * bytes that the card acknowledges one by one, 3 tries each. Then the
 * card's status is asked every 1.2 s until it answers, for up to 10 s.
 *
 *   ScreenNo  the screen.
 *
 * Returns 1 when every packet was acknowledged and the card's status is 0
 * or 15. 0 when the screen has no section, the pack holds nothing beyond
 * its 2-byte header (nothing is opened), the LinkMode is GPRS, no port
 * opens or no card answers the search, IPAddr is empty or not a dotted IPv4
 * address, no socket can be bound, the card does not answer the handshake
 * or refuses it, a packet is not acknowledged after its tries (the card may
 * then hold part of the pack), or the status is another value or does not
 * come within 10 s.
 * Files: reads the configuration and "Swap.Dat" (unchanged: the same pack
 * can go to several screens); serial ports or UDP; log line.
 */
/* 11 */ VEXILO_API uint8_t VEXILO_CALL User_SendToScreen(int32_t ScreenNo);

/*
 * User_InitBufferEx_Ini: names the configuration file, then starts a new
 * pack as User_InitBuffer does.
 *
 *   ScreenNo  the screen.
 *   IniPath   full path of the configuration file, kept for every later
 *             call of any export (the send and control exports too) until
 *             the next User_InitBufferEx_Ini; null or "" returns to
 *             "LED.INI" in the folder of the host executable (or
 *             $VEXILO_HOME).
 *
 * Returns what User_InitBuffer returns.
 * Files: as User_InitBuffer; the log line names "User_InitBuffer".
 */
/* 12 */ VEXILO_API uint8_t VEXILO_CALL User_InitBufferEx_Ini(int32_t ScreenNo, const char* IniPath);

/*
 * User_InitBufferEx: starts a new pack as User_InitBuffer does, for a screen
 * that may be mounted turned.
 *
 *   ScreenNo       the screen.
 *   RotatedLayout  non-zero (8 bits): the items lay the pack out for a
 *                  turned screen until the next pack is started (see each
 *                  item); set also when User_InitBuffer fails.
 *
 * Returns what User_InitBuffer returns.
 * Files: as User_InitBuffer; the log line names "User_InitBuffer".
 */
/* 13 */ VEXILO_API uint8_t VEXILO_CALL User_InitBufferEx(int32_t ScreenNo, uint8_t RotatedLayout);

/*
 * User_InitBuffer: starts a new, empty pack for the screen.
 *
 * Reads the screen's section into the current screen settings, which the
 * items (colour mode) and the reply wait (WaitmSec) use until the next
 * pack; re-creates "Swap.Dat" holding the 2-byte pack header (no programs;
 * 2 planes for colour modes 2 and 3, else 1; 0 planes when the section was
 * not read); turns the rotated layout off. No program is open afterwards.
 *
 *   ScreenNo  the screen.
 *
 * Returns 1 when the section was read. 0 when it was not (no file, no
 * section for ScreenNo): the pack is started all the same, and the previous
 * screen settings stay (all zero before the first success). 0 also when
 * "Swap.Dat" cannot be re-created: there is then no pack, and
 * User_AddProgram fails until a later User_InitBuffer.
 * Files: reads the configuration; re-creates "Swap.Dat"; log line.
 */
/* 14 */ VEXILO_API uint8_t VEXILO_CALL User_InitBuffer(int32_t ScreenNo);

/*
 * User_CloseToUDPScreen: switches off the screen of the card at an IP
 * address.
 *
 * As User_OpenToUDPScreen, with the screen-off command.
 *
 *   Ignored  not read.
 *   IPAddr   the card's IPv4 address, dotted decimal.
 *   PortNO   the card's UDP port (16 bits).
 *
 * Returns 1 when the card accepted the command; 0 as User_OpenToUDPScreen.
 * Files: UDP; log line.
 */
/* 15 */ VEXILO_API uint8_t VEXILO_CALL User_CloseToUDPScreen(int32_t Ignored, const char* IPAddr, uint16_t PortNO);

/*
 * User_CloseScreenEx: switches off card CardAddr over the screen's serial
 * port.
 *
 * As User_OpenScreenEx, with the screen-off command: the port that COMPort
 * names is used whatever the screen's LinkMode says.
 *
 *   ScreenNo  the screen whose section names the port.
 *   CardAddr  the card's address (8 bits).
 *
 * Returns 1 when the card accepted the command; 0 as User_OpenScreenEx.
 * Files: reads the configuration; the serial port; log line.
 */
/* 16 */ VEXILO_API uint8_t VEXILO_CALL User_CloseScreenEx(int32_t ScreenNo, uint8_t CardAddr);

/*
 * User_CloseScreen: switches the screen off.
 *
 * As User_OpenScreen, with the screen-off command.
 *
 *   ScreenNo  the screen.
 *
 * Returns 1 when the card accepted the command; 0 as User_OpenScreen.
 * Files: reads the configuration; the serial port or UDP; log line.
 */
/* 17 */ VEXILO_API uint8_t VEXILO_CALL User_CloseScreen(int32_t ScreenNo);

/*
 * User_AdjustToUDPTime: sets the clock of the card at an IP address to the
 * host's local time.
 *
 * Sends one frame with the date, weekday and time, without a handshake; no
 * reply is read, so whether a card took it is not known. Reads no
 * configuration.
 *
 *   Ignored  not read.
 *   IPAddr   the card's IPv4 address, dotted decimal.
 *   PortNO   the card's UDP port (16 bits).
 *
 * Returns 1 when the frame went out. 0 when IPAddr is null or not a dotted
 * IPv4 address, no socket can be bound, or the frame cannot be sent.
 * Files: UDP; log line.
 */
/* 18 */ VEXILO_API uint8_t VEXILO_CALL User_AdjustToUDPTime(int32_t Ignored, const char* IPAddr, uint16_t PortNO);

/*
 * User_AdjustTime: sets the clock of the screen's card to the host's local
 * time.
 *
 * Sends one frame with the date, weekday and time, addressed to any card,
 * without a handshake, over the link that the screen's LinkMode names:
 * serial, the port COMPort at BaudRate (no port search); or UDP to
 * IPAddr:PortNO. No reply is read, so whether the card took it is not known.
 *
 *   ScreenNo  the screen.
 *
 * Returns 1 when the frame went out. 0 when the screen has no section, its
 * LinkMode is GPRS, the port does not open, IPAddr is empty or not a dotted
 * IPv4 address, no socket can be bound, or the frame cannot be sent.
 * Files: reads the configuration; the serial port or UDP; log line.
 */
/* 19 */ VEXILO_API uint8_t VEXILO_CALL User_AdjustTime(int32_t ScreenNo);

/*
 * User_AddText: adds a paged text to the open program.
 *
 * Wraps Text over as many area-sized pages as it needs (at most 255 per
 * call; CR and LF break lines), draws them in Font.TextColor on BackColor,
 * and the card shows them one after another with the call's Effect, Speed,
 * StayTime and PageOption. The margin is the frame's inset: FrameWidth 1 to
 * 3 gives that many pixels, 4 to 11 gives 1, any other value 0; when
 * FrameColor is not 0 a frame of that inset's width is drawn. The pages go
 * into a page area: when the last area of the open program is a page area
 * with the same rectangle (a paged text, picture or list before), they join
 * it and continue its page numbers; otherwise a new page area begins. The
 * rotated layout does not change this item.
 *
 *   Param  the text and its settings; Text null counts as empty.
 *
 * Returns 0 on success, also when the text gives no page (an empty text, a
 * text with Arabic letters, an area of width or height 0 or less): the call
 * then adds no page. -1 when Param is null, no program is open (no
 * User_AddProgram since the pack was started), the colour mode is 4 or
 * above, the pages do not fit the 50 MiB work area, or "Swap.Dat" cannot be
 * written.
 * Files: appends to "Swap.Dat"; log line "User_AddText <Text>".
 */
/* 20 */ VEXILO_API int32_t VEXILO_CALL User_AddText(const TTextParam* Param);

/*
 * User_AddTimer: adds a timer area to the open program.
 *
 * The card shows, with its own clock, the days, hours, minutes and seconds
 * left until the target date and time, or passed since it, with the title
 * Text. FontForm 1: the card draws everything with its own font (no check
 * of the target). FontForm 0: the library draws the title, the unit words
 * (or blanks when HideUnitWords is 1) and the room for the values, in
 * Font.TextColor on BackColor with the frame, and adds the digit glyphs the
 * card composes the values from. The rotated layout does not change this
 * item.
 *
 *   Param  the timer; Text (the title) may be null or empty.
 *
 * With CountDown 1 the leading field gets room for one more digit when the
 * time left until the target, counted in the largest unit shown, is 100 or
 * more, for two more from 1000 on (measured against the host's local clock).
 *
 * Returns 0 on success. -1 when Param is null, no program is open, the
 * colour mode is 4 or above, Font.TextColor is 0, no unit is shown, or, in
 * the drawn form, the target bytes are not a date (not BCD, or an
 * impossible date such as 29 February 2023), Font.Size is outside 2 to 255
 * (the card is told the digit cells' height and width in one byte each) or
 * the area is too large for a page (more than 32767 pixels a side or 2^26
 * in all). A failure leaves the pack as it was. Fields whose right edge may
 * pass the area's, or that reach below it, are not shown.
 * Files: appends to "Swap.Dat"; log line.
 */
/* 21 */ VEXILO_API int32_t VEXILO_CALL User_AddTimer(const TTimerParam* Param);

/*
 * User_AddStaticText: adds a still text to the open program.
 *
 * FontForm 0: Text is wrapped into the area (CR and LF break lines) and
 * drawn as one page in Font.TextColor on BackColor; lines below the area
 * are cut off. When FrameColor is not 0, a frame FrameWidth pixels wide is
 * drawn and the text keeps a margin of the frame's inset (FrameWidth 1 to 3
 * gives that many pixels, 4 to 11 gives 1, any other value 0). With the
 * rotated layout the area's axes are exchanged and the page is turned.
 * FontForm 1: the card draws Text itself with its own font (Font's face,
 * low byte of its size, colour, centring); the rotated layout does not
 * apply.
 *
 *   Param  the text and its settings; Text null counts as empty.
 *
 * Returns 0 on success. -1 when Param is null, no program is open, the
 * colour mode is 4 or above, "Swap.Dat" cannot be written, and:
 * FontForm 0: the text gives no page (an empty text, a text with Arabic
 * letters, an area of width or height 0 or less; a text of blanks gives a
 * blank page), or with the rotated layout the area's width or height is not
 * a multiple of 8; FontForm 1: Text is longer than 65531 bytes.
 * Files: appends to "Swap.Dat"; log line "User_AddStaticText <Text>".
 */
/* 22 */ VEXILO_API int32_t VEXILO_CALL User_AddStaticText(const TStaticTextParam* Param);

/*
 * User_AddSingleText: adds a text shown line by line, or as one moving
 * line, to the open program.
 *
 * FontForm 0: every line of Text (cut at CR or LF and where the next
 * character would cross the right margin) is one area-sized page, centred
 * vertically and moved down by OffsetY pixels (up when negative), drawn in
 * Font.TextColor on BackColor; at most 255 pages. Effect 7 with a StayTime low byte of 0 (and
 * no CR or LF in Text) draws the text instead as one continuous line cut
 * into area-wide pages; Effect 8 stores the pages last first. When
 * FrameColor is not 0, a frame FrameWidth pixels wide is drawn and the text
 * keeps a margin of the frame's inset (FrameWidth 1 to 3 gives that many
 * pixels, 4 to 11 gives 1, any other value 0). With the rotated layout the
 * area's axes are exchanged, the pages turned and the effect turned to
 * match (the test for the continuous line reads the turned effect). Text
 * with Arabic letters is always drawn as one continuous line.
 * FontForm 1: the card draws Text itself with its own font (Font's face,
 * low byte of its size, colour, centring), as one moving line when Effect
 * is 7 and StayTime is 0; the rotated layout does not apply.
 *
 *   Param  the text and its settings; Text null counts as empty.
 *
 * Returns 0 on success, also when FontForm 0 gives no page. -1 when Param
 * is null, no program is open, the colour mode is 4 or above, Text is empty
 * or holds only characters of code 32 or less, "Swap.Dat" cannot be
 * written, and: FontForm 0 with the rotated layout and an area whose width
 * or height is not a multiple of 8; FontForm 1 with a Text longer than
 * 65531 bytes.
 * Files: appends to "Swap.Dat"; log line "User_AddSingleText <Text>".
 */
/* 23 */ VEXILO_API int32_t VEXILO_CALL User_AddSingleText(const TSingleTextParam* Param);

/*
 * User_AddProgram: opens the next program of the pack.
 *
 * Appends a program header; the items added until the next User_AddProgram
 * or the next pack belong to this program. A pack holds at most 512
 * programs, numbered from 1 (the card receives the low 8 bits).
 *
 *   Ignored        not read.
 *   ProgramOption  passed to the card unchanged (8 bits).
 *
 * Returns 0 on success. -1 when no pack has been started (no User_InitBuffer
 * since the library was loaded, or "Swap.Dat" could not be re-created), the
 * pack already holds 512 programs, or "Swap.Dat" cannot be written.
 * Files: appends to "Swap.Dat"; log line.
 */
/* 24 */ VEXILO_API int32_t VEXILO_CALL User_AddProgram(int32_t Ignored, uint8_t ProgramOption);

/*
 * User_AddDateTime: adds a clock area to the open program.
 *
 * The card shows the current date, weekday and time from its own clock,
 * with the elements chosen by the Show flags, in DateStyle, on one line or
 * stacked, after the title Text. FontForm 1: the card draws everything with
 * its own font. FontForm 0: the library draws the title, separators, unit
 * words and the century "20", in Font.TextColor on BackColor with the
 * frame, and adds the digit glyphs the card composes the values from. The
 * rotated layout does not change this item.
 *
 *   Param  the clock; Text (the title) may be null or empty.
 *
 * Returns 0 on success. -1 when Param is null, no program is open, the
 * colour mode is 4 or above, Font.TextColor is 0, or no element is shown;
 * FontForm 0 also when Font.Size is outside 2 to 255 (the card is told the
 * digit cells' height and width in one byte each) or the area is too large
 * for a page (more than 32767 pixels a side or 2^26 in all). A failure
 * leaves the pack as it was. Fields that do not lie wholly inside the area
 * are not shown; an area of width or height 0 or less has no page and
 * shows no field.
 * Files: appends to "Swap.Dat"; log line.
 */
/* 25 */ VEXILO_API int32_t VEXILO_CALL User_AddDateTime(const TDateTimeParam* Param);

/*
 * User_AddCustomList: adds an area built from host entries to the open
 * program.
 *
 * The kind of entry 0 decides the area: VEXILO_ENTRY_CARDTEXT makes a text
 * that the card draws with its own fonts from entry 0's rich text (the
 * other entries are not used); VEXILO_ENTRY_ANIMATION makes an animation
 * from the GIF entries; any other kind makes a page list, in which every
 * entry yields its pages (rich-text, text and table pages; one page per
 * picture or card-text entry), at most 255 in all, each with its entry's
 * Effect, Speed, StayTime and PageOption. Entries that yield nothing
 * (unknown kinds, null data, empty texts) are passed over. When FrameColor
 * is not 0 a frame is drawn and the content keeps a margin of the frame's
 * inset. With the rotated layout the area's axes are exchanged, and
 * page-list pages and their effects are turned.
 *
 *   Param       the list.
 *   HostWindow  the host's window, parent of the hidden rich-text control
 *               that rich-text entries need; read only for them.
 *
 * An entry pointer that is null, and a rich-text, picture, animation or
 * card-text entry whose Data is null or whose DataSize is 0, yield nothing.
 *
 * Returns 0 on success, also when no entry yields anything. -1 when Param
 * is null, no program is open, the colour mode is 4 or above, EntryCount is
 * below 1 or above 256, the page list's area is too large for a page (more
 * than 32767 pixels a side or 2^26 in all), a rotated page list's sides are
 * not multiples of 8, a page cannot be drawn, or a card text's runs pass
 * 65,535 bytes. A failure leaves the pack as it was.
 * Files: appends to "Swap.Dat"; log line.
 */
/* 26 */ VEXILO_API int32_t VEXILO_CALL User_AddCustomList(const TListParam* Param, void* HostWindow);

/*
 * User_AddBmp: adds a picture from a file to the open program, as one page.
 *
 * The picture is not scaled: its top-left part of the area's size fills the
 * page, moved right by the frame's inset (FrameWidth 1 to 3 gives that many
 * pixels, 4 to 11 gives 1, any other value 0), in its own colours (on a
 * single-colour screen every pixel that is not black is lit). When
 * FrameColor is not 0 a frame FrameWidth pixels wide is drawn. The page
 * goes into a page area as User_AddText's pages do, and is shown with the
 * call's Effect, Speed, StayTime and PageOption. The rotated layout does
 * not change this item.
 *
 *   FileName  path of the picture file; its extension chooses the decoder.
 *   Param     the area and its settings.
 *
 * Returns 0 on success. -1 when FileName or Param is null, no program is
 * open, the colour mode is 4 or above, the picture cannot be loaded (no
 * such file, an unknown extension, a decoding error) or is not a plain
 * raster (icons, vector pictures), or "Swap.Dat" cannot be written.
 * Areas of width or height 0 or less give a page header without pixel
 * data; an area wider or higher than 32767 pixels, or of more than 2^26
 * pixels, is refused with -1. Every failure leaves the pack as it was.
 * With logging on, a picture that cannot be loaded (or is not a plain
 * raster) writes the line "User_AddBmp (<reason>) Fail" before the call's
 * own line.
 * Files: reads FileName; appends to "Swap.Dat"; log line.
 */
/* 27 */ VEXILO_API int32_t VEXILO_CALL User_AddBmp(const char* FileName, const TBmpParam* Param);

#ifdef __cplusplus
}
#endif

#endif /* VEXILO_H */
