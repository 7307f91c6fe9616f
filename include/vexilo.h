/*
 * vexilo.h: the public interface of Vexilo, a host-side library for LED
 * display controller cards.
 *
 * A host builds a program pack (texts, pictures, clocks, timers, lists) for
 * one screen, seals it, sends it to the card over a serial port or UDP, and
 * switches screens, sets clocks and selects stored programs. Screens are
 * described by numbered sections of "LED.INI" in the folder of the host
 * executable (or $VEXILO_HOME).
 *
 * Conventions
 *   - Item exports (User_AddProgram, User_AddText, ...) return a signed 32-bit
 *     0 on success and -1 on failure. Every other export returns one byte,
 *     1 on success and 0 on failure.
 *   - Strings are zero-terminated ANSI text (GBK; Big5 on Traditional
 *     Chinese systems). The library copies what it keeps and never frees
 *     host memory.
 *   - Host records are packed, little-endian structures. On a 32-bit target
 *     every size and offset below is exact; on a 64-bit target each pointer
 *     field is 8 bytes and the fields after it move by 4.
 *   - The host calls the library from one thread at a time.
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

/* Colour codes of texts, backgrounds and frames. */
#define VEXILO_COLOR_BLACK  0
#define VEXILO_COLOR_RED    1
#define VEXILO_COLOR_GREEN  2
#define VEXILO_COLOR_YELLOW 3

/* Result values. */
#define VEXILO_OK        1   /* byte result: success */
#define VEXILO_FAIL      0   /* byte result: failure */
#define VEXILO_ITEM_OK   0   /* item result: success */
#define VEXILO_ITEM_FAIL (-1) /* item result: failure */

/* Entry kinds of a custom list (TListParam.EntryKinds). */
#define VEXILO_ENTRY_RICHTEXT   1
#define VEXILO_ENTRY_TABLE      7
#define VEXILO_ENTRY_RICHTEXT2  23
#define VEXILO_ENTRY_TEXT       21
#define VEXILO_ENTRY_PICTURE    22
#define VEXILO_ENTRY_ANIMATION  24
#define VEXILO_ENTRY_CARDTEXT   25

#define VEXILO_LIST_MAX_ENTRIES 256

/* ------------------------------------------------------------------------
 * Host records
 * ------------------------------------------------------------------------ */

#pragma pack(push, 1)

/* Font of an item (25 bytes on 32-bit targets). */
typedef struct FontSpec {
  const char* FaceName;    /*  0: face name, e.g. "宋体", "Arial" */
  int32_t Size;            /*  4: character cell height in pixels */
  uint8_t Bold;            /*  8 */
  uint8_t Italic;          /*  9 */
  uint8_t Underline;       /* 10 */
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
  int32_t AreaWidth;     /* 13 */                                             \
  int32_t AreaHeight;    /* 17 */                                             \
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
  int32_t Effect;        /* 51 */
  int32_t Speed;         /* 55 */
  int32_t StayTime;      /* 59 */
  int32_t PageOption;    /* 63 */
  uint8_t Reserved67;    /* 67: not read */
  int8_t OffsetY;        /* 68: pixels added to the top of every line */
  uint8_t FontForm;      /* 69: 1 the card draws the text with its own font */
} TSingleTextParam;

/* User_AddBmp (37 bytes). */
typedef struct TBmpParam {
  int32_t AreaX;         /*  0 */
  int32_t AreaY;         /*  4 */
  int32_t AreaWidth;     /*  8 */
  int32_t AreaHeight;    /* 12 */
  int32_t FrameWidth;    /* 16 */
  uint8_t FrameColor;    /* 20 */
  int32_t Effect;        /* 21 */
  int32_t Speed;         /* 25 */
  int32_t StayTime;      /* 29 */
  int32_t PageOption;    /* 33 */
} TBmpParam;

/* User_AddDateTime (64 bytes). Text is the title. */
typedef struct TDateTimeParam {
  VEXILO_ITEM_HEAD
  uint8_t DateStyle;     /* 51: 0 y-m-d, 1 m/d/y, 2 with words, 3 d/m/y */
  uint8_t TwoDigitYear;  /* 52 */
  uint8_t SingleLine;    /* 53 */
  uint8_t ShowYear;      /* 54 */
  uint8_t ShowMonth;     /* 55 */
  uint8_t ShowDay;       /* 56 */
  uint8_t ShowWeekday;   /* 57 */
  uint8_t ShowHour;      /* 58 */
  uint8_t ShowMinute;    /* 59 */
  uint8_t ShowSecond;    /* 60 */
  uint8_t CardOption1;   /* 61 */
  uint8_t CardOption2;   /* 62 */
  uint8_t FontForm;      /* 63 */
} TDateTimeParam;

/* User_AddTimer (65 bytes). Text is the title; targets are BCD. */
typedef struct TTimerParam {
  VEXILO_ITEM_HEAD
  uint8_t TargetYear;    /* 51: 0x25 is 2025 */
  uint8_t TargetMonth;   /* 52 */
  uint8_t TargetDay;     /* 53 */
  uint8_t TargetHour;    /* 54 */
  uint8_t TargetMinute;  /* 55 */
  uint8_t TargetSecond;  /* 56 */
  uint8_t CountDown;     /* 57 */
  uint8_t SingleLine;    /* 58 */
  uint8_t ShowDays;      /* 59 */
  uint8_t ShowHours;     /* 60 */
  uint8_t ShowMinutes;   /* 61 */
  uint8_t ShowSeconds;   /* 62 */
  uint8_t HideUnitWords; /* 63 */
  uint8_t FontForm;      /* 64 */
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
  uint8_t BackColor;     /* 264 */
  int32_t Effect;        /* 265 */
  int32_t Speed;         /* 269 */
  int32_t StayTime;      /* 273 */
  int32_t PageOption;    /* 277 */
  union {                /* 281: 25 bytes */
    TListEntryMode Mode; /* every kind but text */
    FontSpec Font;       /* text entries */
  } Setting;
} TListEntry;

/* User_AddCustomList (1306 bytes on 32-bit targets). */
typedef struct TListParam {
  uint8_t Reserved0;     /*   0: not read */
  int32_t AreaX;         /*   1 */
  int32_t AreaY;         /*   5 */
  int32_t AreaWidth;     /*   9 */
  int32_t AreaHeight;    /*  13 */
  int32_t FrameWidth;    /*  17 */
  uint8_t FrameColor;    /*  21 */
  int32_t EntryCount;    /*  22: 1 to 256 */
  uint8_t EntryKinds[VEXILO_LIST_MAX_ENTRIES];           /*  26 */
  const TListEntry* Entries[VEXILO_LIST_MAX_ENTRIES];    /* 282 */
} TListParam;

/* A table entry's data block: a TableHeader, RowCount row heights (int32),
 * ColumnCount column widths (int32), then RowCount x ColumnCount TableCell
 * records, row by row. Strings are length-prefixed ANSI. Colours are RGB
 * with red in the lowest byte. */
typedef struct TableHeader {
  int32_t RowCount;          /*   0 */
  int32_t ColumnCount;       /*   4 */
  uint32_t GridColor;        /*   8 */
  uint8_t Title[51];         /*  12: length byte, up to 50 characters */
  uint8_t TitleFontName[31]; /*  63: length byte, up to 30 characters */
  int32_t TitleFontSize;     /*  94: points */
  uint8_t TitleUnderline;    /*  98 */
  uint8_t TitleItalic;       /*  99 */
  uint8_t TitleBold;         /* 100 */
  uint8_t Reserved101;       /* 101 */
  uint32_t TitleColor;       /* 102 */
  uint32_t TableBackColor;   /* 106 */
  uint8_t Reserved110[2];    /* 110 */
} TableHeader;

typedef struct TableCell {
  uint8_t CellFontName[31];  /*    0: length byte, up to 30 characters */
  int32_t CellFontSize;      /*   31: points */
  uint8_t CellUnderline;     /*   35 */
  uint8_t CellItalic;        /*   36 */
  uint8_t CellBold;          /*   37 */
  uint8_t CellAlign;         /*   38: 1 left, 3 right, else centred */
  uint32_t CellColor;        /*   39 */
  uint32_t CellBackColor;    /*   43 */
  uint8_t MergeRight;        /*   47 */
  uint8_t MergeDown;         /*   48 */
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

/*  1 */ VEXILO_API uint8_t VEXILO_CALL User_UseDebug(int32_t DebugOn);
/*  2 */ VEXILO_API uint8_t VEXILO_CALL User_CompletePack(void);
/*  3 */ VEXILO_API uint8_t VEXILO_CALL User_OpenToUDPScreen(int32_t Ignored, const char* IPAddr, uint16_t PortNO);
/*  4 */ VEXILO_API uint8_t VEXILO_CALL User_OpenScreenEx(int32_t ScreenNo, uint8_t CardAddr);
/*  5 */ VEXILO_API uint8_t VEXILO_CALL User_OpenScreen(int32_t ScreenNo);
/*  6 */ VEXILO_API uint8_t VEXILO_CALL User_SelectToUDPScreenProgram(int32_t Ignored, const char* IPAddr,
                                                                      uint16_t PortNO, uint8_t ProgramNo);
/*  7 */ VEXILO_API uint8_t VEXILO_CALL User_SelectScreenProgram(int32_t ScreenNo, uint8_t SearchAddr,
                                                                 uint8_t ProgramNo);
/*  8 */ VEXILO_API uint8_t VEXILO_CALL User_SendToUDPScreen(int32_t ScreenNo, const char* IPAddr, uint16_t PortNO,
                                                             int32_t Compress, int32_t AltKind, uint16_t PacketSize,
                                                             uint16_t RetryCount);
/*  9 */ VEXILO_API uint8_t VEXILO_CALL User_SendToAddrScreen(int32_t ScreenNo, uint8_t CardAddr, int32_t Compress,
                                                              int32_t AltKind, int32_t PacketSize, int32_t RetryCount);
/* 10 */ VEXILO_API uint8_t VEXILO_CALL User_SendToScreenX(int32_t ScreenNo, int32_t Compress, int32_t PacketSize,
                                                           int32_t RetryCount);
/* 11 */ VEXILO_API uint8_t VEXILO_CALL User_SendToScreen(int32_t ScreenNo);
/* 12 */ VEXILO_API uint8_t VEXILO_CALL User_InitBufferEx_Ini(int32_t ScreenNo, const char* IniPath);
/* 13 */ VEXILO_API uint8_t VEXILO_CALL User_InitBufferEx(int32_t ScreenNo, uint8_t RotatedLayout);
/* 14 */ VEXILO_API uint8_t VEXILO_CALL User_InitBuffer(int32_t ScreenNo);
/* 15 */ VEXILO_API uint8_t VEXILO_CALL User_CloseToUDPScreen(int32_t Ignored, const char* IPAddr, uint16_t PortNO);
/* 16 */ VEXILO_API uint8_t VEXILO_CALL User_CloseScreenEx(int32_t ScreenNo, uint8_t CardAddr);
/* 17 */ VEXILO_API uint8_t VEXILO_CALL User_CloseScreen(int32_t ScreenNo);
/* 18 */ VEXILO_API uint8_t VEXILO_CALL User_AdjustToUDPTime(int32_t Ignored, const char* IPAddr, uint16_t PortNO);
/* 19 */ VEXILO_API uint8_t VEXILO_CALL User_AdjustTime(int32_t ScreenNo);
/* 20 */ VEXILO_API int32_t VEXILO_CALL User_AddText(const TTextParam* Param);
/* 21 */ VEXILO_API int32_t VEXILO_CALL User_AddTimer(const TTimerParam* Param);
/* 22 */ VEXILO_API int32_t VEXILO_CALL User_AddStaticText(const TStaticTextParam* Param);
/* 23 */ VEXILO_API int32_t VEXILO_CALL User_AddSingleText(const TSingleTextParam* Param);
/* 24 */ VEXILO_API int32_t VEXILO_CALL User_AddProgram(int32_t Ignored, uint8_t ProgramOption);
/* 25 */ VEXILO_API int32_t VEXILO_CALL User_AddDateTime(const TDateTimeParam* Param);
/* 26 */ VEXILO_API int32_t VEXILO_CALL User_AddCustomList(const TListParam* Param, void* HostWindow);
/* 27 */ VEXILO_API int32_t VEXILO_CALL User_AddBmp(const char* FileName, const TBmpParam* Param);

#ifdef __cplusplus
}
#endif

#endif /* VEXILO_H */
