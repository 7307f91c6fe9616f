"""ctypes mirrors of the host records of include/vexilo.h.

Every record is packed (``_pack_ = 1``). On a 64-bit host each pointer field
is 8 bytes and the fields after it move by 4; :func:`check_layout` proves the
sizes and offsets the header documents for this host.
"""
from __future__ import annotations

import ctypes
from ctypes import c_char_p, c_int8, c_int32, c_uint8, c_uint32, c_void_p
from typing import Any, List, Tuple

LIST_MAX_ENTRIES = 256

ENTRY_RICHTEXT = 1
ENTRY_TABLE = 7
ENTRY_RICHTEXT2 = 23
ENTRY_TEXT = 21
ENTRY_PICTURE = 22
ENTRY_ANIMATION = 24
ENTRY_CARDTEXT = 25

_Fields = List[Tuple[str, Any]]


class FontSpec(ctypes.Structure):
    """Font of an item (25 bytes on 32-bit hosts)."""

    _pack_ = 1
    _fields_: _Fields = [
        ("FaceName", c_char_p),
        ("Size", c_int32),
        ("Bold", c_uint8),
        ("Italic", c_uint8),
        ("Underline", c_uint8),
        ("Centered", c_uint8),
        ("TextColor", c_uint8),
        ("Reserved13", c_uint8 * 4),
        ("CharSpacing", c_int32),
        ("LineSpacing", c_int32),
    ]


_HEAD: _Fields = [
    ("Text", c_char_p),
    ("BackColor", c_uint8),
    ("AreaX", c_int32),
    ("AreaY", c_int32),
    ("AreaWidth", c_int32),
    ("AreaHeight", c_int32),
    ("FrameWidth", c_int32),
    ("FrameColor", c_uint8),
    ("Font", FontSpec),
]

_SHOW: _Fields = [
    ("Effect", c_int32),
    ("Speed", c_int32),
    ("StayTime", c_int32),
    ("PageOption", c_int32),
]


class TStaticTextParam(ctypes.Structure):
    """Record of User_AddStaticText."""

    _pack_ = 1
    _fields_: _Fields = _HEAD + [("FontForm", c_uint8)]


class TTextParam(ctypes.Structure):
    """Record of User_AddText."""

    _pack_ = 1
    _fields_: _Fields = _HEAD + _SHOW


class TSingleTextParam(ctypes.Structure):
    """Record of User_AddSingleText."""

    _pack_ = 1
    _fields_: _Fields = _HEAD + _SHOW + [
        ("Reserved67", c_uint8),
        ("OffsetY", c_int8),
        ("FontForm", c_uint8),
    ]


class TBmpParam(ctypes.Structure):
    """Record of User_AddBmp (37 bytes)."""

    _pack_ = 1
    _fields_: _Fields = [
        ("AreaX", c_int32),
        ("AreaY", c_int32),
        ("AreaWidth", c_int32),
        ("AreaHeight", c_int32),
        ("FrameWidth", c_int32),
        ("FrameColor", c_uint8),
    ] + _SHOW


class TDateTimeParam(ctypes.Structure):
    """Record of User_AddDateTime."""

    _pack_ = 1
    _fields_: _Fields = _HEAD + [
        (name, c_uint8)
        for name in (
            "DateStyle", "TwoDigitYear", "SingleLine", "ShowYear", "ShowMonth", "ShowDay",
            "ShowWeekday", "ShowHour", "ShowMinute", "ShowSecond", "CardOption1", "CardOption2",
            "FontForm",
        )
    ]


class TTimerParam(ctypes.Structure):
    """Record of User_AddTimer; the target bytes are BCD."""

    _pack_ = 1
    _fields_: _Fields = _HEAD + [
        (name, c_uint8)
        for name in (
            "TargetYear", "TargetMonth", "TargetDay", "TargetHour", "TargetMinute", "TargetSecond",
            "CountDown", "SingleLine", "ShowDays", "ShowHours", "ShowMinutes", "ShowSeconds",
            "HideUnitWords", "FontForm",
        )
    ]


class TListEntryMode(ctypes.Structure):
    """Mode bytes of a list entry that is not a text entry."""

    _pack_ = 1
    _fields_: _Fields = [("EntryMode", c_uint8), ("OffsetY", c_int8), ("Reserved", c_uint8 * 23)]


class TListSetting(ctypes.Union):
    """The 25-byte setting of a list entry: mode bytes, or a text entry's font."""

    _pack_ = 1
    _fields_: _Fields = [("Mode", TListEntryMode), ("Font", FontSpec)]


class TListEntry(ctypes.Structure):
    """One entry of a custom list."""

    _pack_ = 1
    _fields_: _Fields = [
        ("DataSize", c_uint32),
        ("Reserved4", c_uint8 * 256),
        ("Data", c_void_p),
        ("BackColor", c_uint8),
    ] + _SHOW + [("Setting", TListSetting)]


class TListParam(ctypes.Structure):
    """Record of User_AddCustomList."""

    _pack_ = 1
    _fields_: _Fields = [
        ("Reserved0", c_uint8),
        ("AreaX", c_int32),
        ("AreaY", c_int32),
        ("AreaWidth", c_int32),
        ("AreaHeight", c_int32),
        ("FrameWidth", c_int32),
        ("FrameColor", c_uint8),
        ("EntryCount", c_int32),
        ("EntryKinds", c_uint8 * LIST_MAX_ENTRIES),
        ("Entries", ctypes.POINTER(TListEntry) * LIST_MAX_ENTRIES),
    ]


class TableHeader(ctypes.Structure):
    """Head of a table entry's data block (112 bytes)."""

    _pack_ = 1
    _fields_: _Fields = [
        ("RowCount", c_int32),
        ("ColumnCount", c_int32),
        ("GridColor", c_uint32),
        ("Title", c_uint8 * 51),
        ("TitleFontName", c_uint8 * 31),
        ("TitleFontSize", c_int32),
        ("TitleUnderline", c_uint8),
        ("TitleItalic", c_uint8),
        ("TitleBold", c_uint8),
        ("Reserved101", c_uint8),
        ("TitleColor", c_uint32),
        ("TableBackColor", c_uint32),
        ("Reserved110", c_uint8 * 2),
    ]


class TableCell(ctypes.Structure):
    """One cell of a table entry's data block (1073 bytes)."""

    _pack_ = 1
    _fields_: _Fields = [
        ("CellFontName", c_uint8 * 31),
        ("CellFontSize", c_int32),
        ("CellUnderline", c_uint8),
        ("CellItalic", c_uint8),
        ("CellBold", c_uint8),
        ("CellAlign", c_uint8),
        ("CellColor", c_uint32),
        ("CellBackColor", c_uint32),
        ("MergeRight", c_uint8),
        ("MergeDown", c_uint8),
        ("CellText", ctypes.c_char * 1024),
    ]


#: (record, field or None for the size, bytes on a 32-bit host, pointers before it)
#: as documented in include/vexilo.h; a 64-bit host adds 4 bytes per pointer.
DOCUMENTED_LAYOUT: List[Tuple[type, "str | None", int, int]] = [
    (FontSpec, None, 25, 1),
    (FontSpec, "Size", 4, 1),
    (FontSpec, "TextColor", 12, 1),
    (FontSpec, "CharSpacing", 17, 1),
    (FontSpec, "LineSpacing", 21, 1),
    (TTextParam, "BackColor", 4, 1),
    (TTextParam, "AreaX", 5, 1),
    (TTextParam, "AreaHeight", 17, 1),
    (TTextParam, "FrameWidth", 21, 1),
    (TTextParam, "FrameColor", 25, 1),
    (TTextParam, "Font", 26, 1),
    (TStaticTextParam, None, 52, 2),
    (TStaticTextParam, "FontForm", 51, 2),
    (TTextParam, None, 67, 2),
    (TTextParam, "Effect", 51, 2),
    (TTextParam, "Speed", 55, 2),
    (TTextParam, "StayTime", 59, 2),
    (TTextParam, "PageOption", 63, 2),
    (TSingleTextParam, None, 70, 2),
    (TSingleTextParam, "Effect", 51, 2),
    (TSingleTextParam, "OffsetY", 68, 2),
    (TSingleTextParam, "FontForm", 69, 2),
    (TBmpParam, None, 37, 0),
    (TBmpParam, "FrameColor", 20, 0),
    (TBmpParam, "Effect", 21, 0),
    (TBmpParam, "PageOption", 33, 0),
    (TDateTimeParam, None, 64, 2),
    (TDateTimeParam, "DateStyle", 51, 2),
    (TDateTimeParam, "ShowSecond", 60, 2),
    (TDateTimeParam, "FontForm", 63, 2),
    (TTimerParam, None, 65, 2),
    (TTimerParam, "TargetYear", 51, 2),
    (TTimerParam, "CountDown", 57, 2),
    (TTimerParam, "FontForm", 64, 2),
    (TListEntryMode, None, 25, 0),
    (TListEntry, None, 306, 2),
    (TListEntry, "Data", 260, 0),
    (TListEntry, "BackColor", 264, 1),
    (TListEntry, "Effect", 265, 1),
    (TListEntry, "PageOption", 277, 1),
    (TListEntry, "Setting", 281, 1),
    (TListParam, "AreaX", 1, 0),
    (TListParam, "FrameColor", 21, 0),
    (TListParam, "EntryCount", 22, 0),
    (TListParam, "EntryKinds", 26, 0),
    (TListParam, "Entries", 282, 0),
    (TableHeader, None, 112, 0),
    (TableHeader, "TitleFontName", 63, 0),
    (TableHeader, "TitleFontSize", 94, 0),
    (TableHeader, "TitleColor", 102, 0),
    (TableHeader, "TableBackColor", 106, 0),
    (TableCell, None, 1073, 0),
    (TableCell, "CellAlign", 38, 0),
    (TableCell, "MergeDown", 48, 0),
    (TableCell, "CellText", 49, 0),
]


def check_layout() -> None:
    """Raise AssertionError when a record differs from the header's layout on this host."""
    extra = ctypes.sizeof(c_void_p) - 4
    for record, field, offset32, pointers in DOCUMENTED_LAYOUT:
        want = offset32 + pointers * extra
        if field is None:
            got = ctypes.sizeof(record)
        else:
            got = getattr(record, field).offset
        if got != want:
            raise AssertionError(f"{record.__name__}.{field or 'size'}: {got}, header says {want}")
    list_size = ctypes.sizeof(TListParam)
    if list_size != 282 + LIST_MAX_ENTRIES * ctypes.sizeof(c_void_p):
        raise AssertionError(f"TListParam size: {list_size}")
