"""The Pythonic API: screens, packs, programs and their items."""
from __future__ import annotations

import ctypes
import datetime as _dt
import enum
import os
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, List, Optional, Sequence, Tuple, Union

from . import _native
from . import _records as r
from .errors import AreaError, ArgumentError, CallFailed, EncodingError, NoAnswer, PackError

Area = Tuple[int, int, int, int]
PathLike = Union[str, "os.PathLike[str]"]
Progress = Optional[Callable[[str], object]]


class Color(enum.IntEnum):
    """Colour mode of a screen (its ``Color`` setting)."""

    SINGLE = 1
    RED_GREEN = 2
    GREEN_RED = 3  # red and green planes, colour codes 1 and 2 exchanged


class Ink(enum.IntEnum):
    """Colour code of texts, backgrounds and frames."""

    BLACK = 0
    RED = 1
    GREEN = 2
    YELLOW = 3


BLACK, RED, GREEN, YELLOW = Ink.BLACK, Ink.RED, Ink.GREEN, Ink.YELLOW


class Effect(enum.IntEnum):
    """Effect codes. The card gives them their meaning; any int is accepted too.

    ``CONTINUOUS`` with ``stay=0`` draws a single-line text as one moving
    line; ``LAST_FIRST`` stores a single-line text's pages last first.
    """

    NONE = 0
    PLAIN = 1
    CONTINUOUS = 7
    LAST_FIRST = 8


class DateStyle(enum.IntEnum):
    """Date layout of a clock."""

    YMD = 0
    MDY = 1
    WORDS = 2
    DMY = 3


def gbk(text: str, call: str, argument: str) -> bytes:
    """Encode ``text`` as GBK; raise :class:`EncodingError` naming the call and argument."""
    try:
        return text.encode("gbk")
    except UnicodeEncodeError as exc:
        raise EncodingError(
            f"{call}: {argument} holds {text[exc.start:exc.end]!r}, which GBK cannot hold", call, argument
        ) from None


def _ok(call: str, result: int, what: str = "failed") -> None:
    failed = result != 0 if call in _native.ITEM_EXPORTS else result != 1
    if failed:
        cls = NoAnswer if what == "no answer" else CallFailed
        raise cls(f"{call} {what}", call)


@dataclass
class Font:
    """Font of an item: face name, cell height in pixels, colour and style."""

    face: str = "宋体"
    size: int = 16
    color: int = Ink.RED
    bold: bool = False
    italic: bool = False
    underline: bool = False
    centered: bool = False
    char_spacing: int = 0
    line_spacing: int = 0

    def _fill(self, rec: r.FontSpec, call: str, keep: List[object]) -> None:
        face = gbk(self.face, call, "font.face")
        keep.append(face)
        rec.FaceName = face
        rec.Size = self.size
        rec.Bold, rec.Italic, rec.Underline = self.bold, self.italic, self.underline
        rec.Centered = self.centered
        rec.TextColor = int(self.color)
        rec.CharSpacing, rec.LineSpacing = self.char_spacing, self.line_spacing


@dataclass
class Frame:
    """Frame of an area: width in pixels and colour (``BLACK`` draws none)."""

    width: int = 1
    color: int = Ink.RED


@dataclass
class Show:
    """How the card shows pages: effect, speed, stay time and page option (low bytes sent)."""

    effect: int = Effect.PLAIN
    speed: int = 1
    stay: int = 3
    page_option: int = 0

    def _fill(self, rec: Union[r.TTextParam, r.TSingleTextParam, r.TBmpParam, r.TListEntry]) -> None:
        rec.Effect, rec.Speed = int(self.effect), self.speed
        rec.StayTime, rec.PageOption = self.stay, self.page_option


# ---------------------------------------------------------------- list entries


@dataclass
class ListText:
    """A plain-text entry of a list, drawn with ``font``."""

    text: str
    font: Font = field(default_factory=Font)
    back_color: int = Ink.BLACK
    show: Show = field(default_factory=Show)
    KIND = r.ENTRY_TEXT


@dataclass
class ListPicture:
    """A still picture entry: BMP file bytes (or a path), stretched to the area."""

    bmp: Union[bytes, PathLike]
    back_color: int = Ink.BLACK
    show: Show = field(default_factory=Show)
    KIND = r.ENTRY_PICTURE


@dataclass
class ListRichText:
    """A rich-text entry: an RTF document. ``card_fonts`` lets the card draw it with its own fonts."""

    rtf: Union[str, bytes]
    mode: int = 0
    offset_y: int = 0
    card_fonts: bool = False
    back_color: int = Ink.BLACK
    show: Show = field(default_factory=Show)

    @property
    def KIND(self) -> int:  # noqa: N802 - mirrors the class attribute of the other entries
        return r.ENTRY_CARDTEXT if self.card_fonts else r.ENTRY_RICHTEXT


@dataclass
class ListAnimation:
    """An animation entry: GIF89a bytes (or a path); ``back_color`` is the key colour."""

    gif: Union[bytes, PathLike]
    fit_mode: int = 0
    back_color: int = Ink.BLACK
    show: Show = field(default_factory=Show)
    KIND = r.ENTRY_ANIMATION


@dataclass
class ListTable:
    """A table entry: rows of cell texts, equal row heights and column widths.

    Colours are RGB integers with red in the lowest byte.
    """

    rows: Sequence[Sequence[str]]
    row_height: int = 16
    column_width: int = 32
    title: str = ""
    font_face: str = "宋体"
    font_size: int = 9
    text_color: int = 0x0000FF
    grid_color: int = 0x00FF00
    back_color_rgb: int = 0x000000
    back_color: int = Ink.BLACK
    show: Show = field(default_factory=Show)
    KIND = r.ENTRY_TABLE

    def block(self, call: str) -> bytes:
        """The table's data block as the library reads it."""
        nrows = len(self.rows)
        ncols = max((len(row) for row in self.rows), default=0)
        head = r.TableHeader(RowCount=nrows, ColumnCount=ncols, GridColor=self.grid_color,
                             TitleFontSize=self.font_size, TitleColor=self.text_color,
                             TableBackColor=self.back_color_rgb)
        _pstr(head.Title, gbk(self.title, call, "title"), 50, call, "title")
        _pstr(head.TitleFontName, gbk(self.font_face, call, "font_face"), 30, call, "font_face")
        parts = [bytes(head)]
        parts += [ctypes.c_int32(self.row_height).value.to_bytes(4, "little", signed=True)] * nrows
        parts += [ctypes.c_int32(self.column_width).value.to_bytes(4, "little", signed=True)] * ncols
        for row in self.rows:
            for col in range(ncols):
                cell = r.TableCell(CellFontSize=self.font_size, CellColor=self.text_color,
                                   CellBackColor=self.back_color_rgb)
                _pstr(cell.CellFontName, gbk(self.font_face, call, "font_face"), 30, call, "font_face")
                text = gbk(row[col] if col < len(row) else "", call, "rows")
                if len(text) > 1024:
                    raise ArgumentError(f"{call}: a cell text is longer than 1024 bytes", call, "rows")
                cell.CellText = text
                parts.append(bytes(cell))
        return b"".join(parts)


ListEntry = Union[ListText, ListPicture, ListRichText, ListAnimation, ListTable]


def _pstr(dest: "ctypes.Array[ctypes.c_uint8]", data: bytes, most: int, call: str, argument: str) -> None:
    if len(data) > most:
        raise ArgumentError(f"{call}: {argument} is longer than {most} bytes", call, argument)
    dest[0] = len(data)
    for i, b in enumerate(data):
        dest[1 + i] = b


def _data(value: Union[bytes, str, PathLike]) -> bytes:
    if isinstance(value, bytes):
        return value
    return Path(value).read_bytes()


# ---------------------------------------------------------------------- screens


class Screen:
    """A screen: a numbered section of a configuration file.

    Screens made by :meth:`udp` and :meth:`serial` are written to the
    package's own INI in a private folder; :meth:`from_ini` uses an existing
    ``LED.INI``. ``width`` and ``height`` let the package refuse areas that
    leave the screen before calling the library.
    """

    _own_ini: Optional[Path] = None
    _sections: List[str] = []

    def __init__(self, number: int, ini: Optional[Path], width: int, height: int,
                 host: Optional[str] = None, port: Optional[int] = None) -> None:
        self.number, self.ini, self.width, self.height = number, ini, width, height
        self.host, self.port = host, port

    @classmethod
    def _add_section(cls, lines: List[str], width: int, height: int,
                     host: Optional[str] = None, port: Optional[int] = None) -> "Screen":
        with _native.LOCK:
            if cls._own_ini is None:
                cls._own_ini = _native.private_dir() / "screens.ini"
            number = len(cls._sections) + 1
            cls._sections.append("\r\n".join([f"[Address:{number}]"] + lines) + "\r\n")
            cls._own_ini.write_bytes("".join(cls._sections).encode("gbk"))
            return cls(number, cls._own_ini, width, height, host, port)

    @classmethod
    def udp(cls, host: str, port: int, *, width: int, height: int, color: Color = Color.SINGLE,
            wait_ms: int = 0, card_address: int = 1) -> "Screen":
        """A screen reached over UDP at ``host``:``port`` (a dotted IPv4 address)."""
        parts = host.split(".")
        if len(parts) != 4 or not all(p.isdigit() and int(p) < 256 for p in parts):
            raise ArgumentError(f"Screen.udp: host {host!r} is not a dotted IPv4 address", None, "host")
        if not 0 < port < 65536:
            raise ArgumentError(f"Screen.udp: port {port} out of range", None, "port")
        return cls._add_section(["LinkMode=TCP/IP", f"IPAddr={host}", f"PortNO={port}",
                                 f"LinkAddr={card_address}", f"Color={int(color)}", f"WaitmSec={wait_ms}"],
                                width, height, host, port)

    @classmethod
    def serial(cls, com_port: str, *, width: int, height: int, baud: int = 9600,
               color: Color = Color.SINGLE, wait_ms: int = 0, card_address: int = 1) -> "Screen":
        """A screen on serial port ``com_port`` ("COM3"; "" searches COM1 to COM255)."""
        return cls._add_section([f"COMPort={com_port}", f"BaudRate={baud}bps", f"LinkAddr={card_address}",
                                 f"Color={int(color)}", f"WaitmSec={wait_ms}"], width, height)

    @classmethod
    def from_ini(cls, number: int, *, width: int, height: int, ini: Optional[PathLike] = None) -> "Screen":
        """Screen ``number`` of an existing file (default: ``LED.INI`` in the library's folder)."""
        return cls(number, Path(ini) if ini is not None else None, width, height)

    # -- configuration path: the library keeps one for every later call
    def _select_ini(self, call: str) -> None:
        if _Library.ini == self.ini:
            return
        if Pack._open is not None:
            raise PackError(f"{call}: a pack for another configuration file is open", call)
        path = str(self.ini).encode() if self.ini is not None else None
        _native.call("User_InitBufferEx_Ini", self.number, path)
        _Library.ini = self.ini
        Pack._current = None

    def check_area(self, area: Area, call: str) -> Area:
        """Return ``area`` as ints, or raise :class:`AreaError` when it leaves the screen."""
        try:
            x, y, w, h = (int(v) for v in area)
        except (TypeError, ValueError):
            raise AreaError(f"{call}: area must be (x, y, width, height)", call, "area") from None
        if x < 0 or y < 0 or w <= 0 or h <= 0 or x + w > self.width or y + h > self.height:
            raise AreaError(f"{call}: area {area} is not inside the {self.width}x{self.height} screen",
                            call, "area")
        return x, y, w, h

    def _control(self, call: str, *args: int) -> None:
        with _native.LOCK:
            self._select_ini(call)
            _ok(call, _native.call(call, self.number, *args), "no answer")

    def on(self, card: Optional[int] = None) -> None:
        """Switch the screen on (``card``: that card address over the serial port)."""
        if card is None:
            self._control("User_OpenScreen")
        else:
            self._control("User_OpenScreenEx", card)

    def off(self, card: Optional[int] = None) -> None:
        """Switch the screen off (``card``: that card address over the serial port)."""
        if card is None:
            self._control("User_CloseScreen")
        else:
            self._control("User_CloseScreenEx", card)

    def set_time(self) -> None:
        """Set the card's clock to the host's local time (no reply is read)."""
        self._control("User_AdjustTime")

    def select(self, program: int, search_address: int = 0) -> None:
        """Make the card show stored program ``program`` (numbered from 1)."""
        self._control("User_SelectScreenProgram", search_address, program)

    def send(self, pack: "Pack", *, compress: bool = False, packet_size: Optional[int] = None,
             retries: Optional[int] = None, card: Optional[int] = None, alt_kind: bool = False,
             progress: Progress = None) -> None:
        """Send a sealed pack to the screen; blocks for seconds.

        Plain with no options: User_SendToScreen. ``compress``, ``packet_size``
        (15 to 254) or ``retries`` (1 to 100): User_SendToScreenX, or
        User_SendToUDPScreen for UDP screens (which also takes ``alt_kind``).
        ``card`` sends to that card address of a serial screen
        (User_SendToAddrScreen). ``progress`` is called with a line before
        and after the transfer.
        """
        size = 200 if packet_size is None else packet_size
        tries = 3 if retries is None else retries
        if card is not None:
            call = "User_SendToAddrScreen"
            args: Tuple[object, ...] = (card, int(compress), int(alt_kind), size, tries)
        elif self.host is not None and (alt_kind or packet_size is not None or retries is not None):
            call = "User_SendToUDPScreen"
            args = (self.host.encode(), self.port or 0, int(compress), int(alt_kind), size, tries)
        elif compress or packet_size is not None or retries is not None:
            call, args = "User_SendToScreenX", (int(compress), size, tries)
        else:
            call, args = "User_SendToScreen", ()
        if not 15 <= size <= 254:
            raise ArgumentError(f"{call}: packet_size {size} is not 15 to 254", call, "packet_size")
        if not 1 <= tries <= 100:
            raise ArgumentError(f"{call}: retries {tries} is not 1 to 100", call, "retries")
        with _native.LOCK:
            if pack is not Pack._current or Pack._open is pack:
                raise PackError(f"{call}: the pack is not the library's sealed pack", call)
            self._select_ini(call)
            if pack is not Pack._current:
                raise PackError(f"{call}: the pack was replaced", call)
            if progress is not None:
                progress(f"{call}: sending {len(pack.bytes())} bytes to screen {self.number}")
            _ok(call, _native.call(call, self.number, *args), "no answer")
            if progress is not None:
                progress(f"{call}: done")


class Card:
    """A card at an IPv4 address and UDP port, reached without a configuration file."""

    def __init__(self, host: str, port: int) -> None:
        self.host, self.port = host, port

    def _udp(self, call: str, *extra: int) -> None:
        _ok(call, _native.call(call, 0, self.host.encode(), self.port, *extra), "no answer")

    def on(self) -> None:
        """Switch the card's screen on."""
        self._udp("User_OpenToUDPScreen")

    def off(self) -> None:
        """Switch the card's screen off."""
        self._udp("User_CloseToUDPScreen")

    def set_time(self) -> None:
        """Set the card's clock to the host's local time (no reply is read)."""
        self._udp("User_AdjustToUDPTime")

    def select(self, program: int) -> None:
        """Make the card show stored program ``program``."""
        self._udp("User_SelectToUDPScreenProgram", program)


class _Library:
    ini: Optional[Path] = None  # the configuration path the library was last given


def debug_log(on: bool) -> None:
    """Start or stop the library's call log ``Debug.Txt`` in its folder."""
    _ok("User_UseDebug", _native.call("User_UseDebug", 1 if on else 0))


# ------------------------------------------------------------------------ packs


class Pack:
    """The pack being built for a screen; only one may be open at a time.

    Use it as a context manager: leaving the block without an exception
    seals the pack (User_CompletePack). The sealed pack stays the library's
    pack, ready for :meth:`Screen.send`, until the next pack is opened.
    """

    _open: Optional["Pack"] = None
    _current: Optional["Pack"] = None

    def __init__(self, screen: Screen, *, rotated: bool = False) -> None:
        self.screen, self.rotated = screen, rotated
        self.sealed = False
        self._programs = 0
        self._sealed_bytes: Optional[bytes] = None
        with _native.LOCK:
            if Pack._open is not None:
                raise PackError("Pack: another pack is open; close it first", "User_InitBuffer")
            ok: int
            if screen.ini is not None or _Library.ini is not None:
                path = str(screen.ini).encode() if screen.ini is not None else None
                ok = _native.call("User_InitBufferEx_Ini", screen.number, path)
                _Library.ini = screen.ini
                if rotated:
                    ok = _native.call("User_InitBufferEx", screen.number, 1)
            elif rotated:
                ok = _native.call("User_InitBufferEx", screen.number, 1)
            else:
                ok = _native.call("User_InitBuffer", screen.number)
            Pack._current = None
            if ok != 1:
                raise CallFailed(f"User_InitBuffer: screen {screen.number} has no section in "
                                 f"{screen.ini or 'LED.INI'}", "User_InitBuffer", "screen")
            Pack._open = Pack._current = self

    def __enter__(self) -> "Pack":
        return self

    def __exit__(self, exc_type: object, exc: object, tb: object) -> None:
        if exc_type is None:
            self.seal()
        else:
            self.close()

    def _check_open(self, call: str) -> None:
        if Pack._open is not self:
            raise PackError(f"{call}: the pack is not open", call)

    def program(self, option: int = 0) -> "Program":
        """Open the next program (at most 512); later items go to it."""
        with _native.LOCK:
            self._check_open("User_AddProgram")
            _ok("User_AddProgram", _native.call("User_AddProgram", 0, option))
            self._programs += 1
            return Program(self, self._programs)

    def seal(self) -> None:
        """Seal the pack (CRC appended) and close it."""
        with _native.LOCK:
            self._check_open("User_CompletePack")
            _ok("User_CompletePack", _native.call("User_CompletePack"))
            self._sealed_bytes = self._read()
            self.sealed = True
            Pack._open = None

    def close(self) -> None:
        """Close the pack without sealing it."""
        with _native.LOCK:
            if Pack._open is self:
                Pack._open = None

    def _read(self) -> bytes:
        return (_native.home() / "Swap.Dat").read_bytes()

    def bytes(self) -> bytes:
        """The pack's bytes: as built so far while open, as sealed afterwards."""
        with _native.LOCK:
            if self._sealed_bytes is not None:
                return self._sealed_bytes
            if Pack._current is not self:
                raise PackError("Pack.bytes: the pack was replaced by a later one")
            return self._read()


class Program:
    """A program of a pack: a playlist of areas. Its methods add items."""

    def __init__(self, pack: Pack, number: int) -> None:
        self.pack, self.number = pack, number

    def _add(self, call: str, *args: object) -> None:
        with _native.LOCK:
            self.pack._check_open(call)
            if self.pack._programs != self.number:
                raise PackError(f"{call}: program {self.number} is no longer the open program", call)
            _ok(call, _native.call(call, *args))

    def _head(self, rec: Union[r.TTextParam, r.TSingleTextParam, r.TStaticTextParam, r.TDateTimeParam,
                               r.TTimerParam],
              call: str, text: str, area: Area, font: Optional[Font], back_color: int,
              frame: Optional[Frame], keep: List[object]) -> None:
        rec.AreaX, rec.AreaY, rec.AreaWidth, rec.AreaHeight = self.pack.screen.check_area(area, call)
        data = gbk(text, call, "text")
        keep.append(data)
        rec.Text = data
        rec.BackColor = int(back_color)
        if frame is not None:
            rec.FrameWidth, rec.FrameColor = frame.width, int(frame.color)
        (font or Font())._fill(rec.Font, call, keep)

    def text(self, text: str, *, area: Area, font: Optional[Font] = None, back_color: int = Ink.BLACK,
             frame: Optional[Frame] = None, show: Optional[Show] = None) -> None:
        """A paged text wrapped into the area (User_AddText)."""
        rec, keep = r.TTextParam(), []  # type: r.TTextParam, List[object]
        self._head(rec, "User_AddText", text, area, font, back_color, frame, keep)
        (show or Show())._fill(rec)
        self._add("User_AddText", ctypes.byref(rec))

    def single_line(self, text: str, *, area: Area, font: Optional[Font] = None,
                    back_color: int = Ink.BLACK, frame: Optional[Frame] = None, show: Optional[Show] = None,
                    offset_y: int = 0, card_font: bool = False) -> None:
        """A text shown line by line, or as one moving line (User_AddSingleText)."""
        rec, keep = r.TSingleTextParam(), []  # type: r.TSingleTextParam, List[object]
        self._head(rec, "User_AddSingleText", text, area, font, back_color, frame, keep)
        (show or Show())._fill(rec)
        rec.OffsetY, rec.FontForm = offset_y, card_font
        self._add("User_AddSingleText", ctypes.byref(rec))

    def static(self, text: str, *, area: Area, font: Optional[Font] = None, back_color: int = Ink.BLACK,
               frame: Optional[Frame] = None, card_font: bool = False) -> None:
        """A still text, one page (User_AddStaticText)."""
        rec, keep = r.TStaticTextParam(), []  # type: r.TStaticTextParam, List[object]
        self._head(rec, "User_AddStaticText", text, area, font, back_color, frame, keep)
        rec.FontForm = card_font
        self._add("User_AddStaticText", ctypes.byref(rec))

    def picture(self, path: PathLike, *, area: Area, frame: Optional[Frame] = None,
                show: Optional[Show] = None) -> None:
        """A picture file, not scaled, as one page (User_AddBmp)."""
        call = "User_AddBmp"
        rec = r.TBmpParam()
        rec.AreaX, rec.AreaY, rec.AreaWidth, rec.AreaHeight = self.pack.screen.check_area(area, call)
        if not Path(path).is_file():
            raise ArgumentError(f"{call}: no picture file {str(path)!r}", call, "path")
        if frame is not None:
            rec.FrameWidth, rec.FrameColor = frame.width, int(frame.color)
        (show or Show())._fill(rec)
        self._add(call, os.fsencode(path), ctypes.byref(rec))

    def clock(self, *, area: Area, elements: str = "ymdwhms", style: DateStyle = DateStyle.YMD,
              two_digit_year: bool = False, single_line: bool = True, title: str = "",
              font: Optional[Font] = None, back_color: int = Ink.BLACK, frame: Optional[Frame] = None,
              card_font: bool = False, card_options: Tuple[int, int] = (0, 0)) -> None:
        """A clock from the card's own time (User_AddDateTime).

        ``elements`` picks from y(ear) m(onth) d(ay) w(eekday) h(our) M/i
        (minute, after h) and s(econd); "hms" is hours, minutes, seconds.
        """
        call = "User_AddDateTime"
        unknown = set(elements) - set("ymdwhis")
        if unknown or not elements:
            raise ArgumentError(f"{call}: elements {elements!r}: use y m d w h i s (m after h is minutes)",
                                call, "elements")
        rec, keep = r.TDateTimeParam(), []  # type: r.TDateTimeParam, List[object]
        self._head(rec, call, title, area, font, back_color, frame, keep)
        rec.DateStyle, rec.TwoDigitYear, rec.SingleLine = int(style), two_digit_year, single_line
        seen_hour = False
        for ch in elements:
            if ch == "h":
                seen_hour = True
                rec.ShowHour = 1
            elif ch == "m" and seen_hour or ch == "i":
                rec.ShowMinute = 1
            else:
                setattr(rec, {"y": "ShowYear", "m": "ShowMonth", "d": "ShowDay", "w": "ShowWeekday",
                              "s": "ShowSecond"}[ch], 1)
        rec.CardOption1, rec.CardOption2 = card_options
        rec.FontForm = card_font
        self._add(call, ctypes.byref(rec))

    def timer(self, target: _dt.datetime, *, area: Area, units: str = "dhms", count_down: bool = True,
              single_line: bool = True, hide_unit_words: bool = False, title: str = "",
              font: Optional[Font] = None, back_color: int = Ink.BLACK, frame: Optional[Frame] = None,
              card_font: bool = False) -> None:
        """Time left until (or passed since) ``target`` (User_AddTimer); ``units`` from "dhms"."""
        call = "User_AddTimer"
        if not units or set(units) - set("dhms"):
            raise ArgumentError(f"{call}: units {units!r}: use d h m s", call, "units")
        if not 2000 <= target.year <= 2099:
            raise ArgumentError(f"{call}: target year {target.year} is not 2000 to 2099", call, "target")
        rec, keep = r.TTimerParam(), []  # type: r.TTimerParam, List[object]
        self._head(rec, call, title, area, font, back_color, frame, keep)

        def bcd(v: int) -> int:
            return (v // 10) << 4 | v % 10

        rec.TargetYear, rec.TargetMonth, rec.TargetDay = bcd(target.year % 100), bcd(target.month), bcd(target.day)
        rec.TargetHour, rec.TargetMinute, rec.TargetSecond = bcd(target.hour), bcd(target.minute), bcd(target.second)
        rec.CountDown, rec.SingleLine, rec.HideUnitWords = count_down, single_line, hide_unit_words
        rec.ShowDays, rec.ShowHours = "d" in units, "h" in units
        rec.ShowMinutes, rec.ShowSeconds = "m" in units, "s" in units
        rec.FontForm = card_font
        self._add(call, ctypes.byref(rec))

    def list(self, entries: Sequence[ListEntry], *, area: Area, frame: Optional[Frame] = None,
             host_window: Optional[int] = None) -> None:
        """An area built from entries (User_AddCustomList): texts, tables, pictures, rich texts,
        or an animation (when the first entry is one) or a card-drawn rich text (likewise)."""
        call = "User_AddCustomList"
        if not 1 <= len(entries) <= r.LIST_MAX_ENTRIES:
            raise ArgumentError(f"{call}: {len(entries)} entries, 1 to 256 allowed", call, "entries")
        rec = r.TListParam()
        rec.AreaX, rec.AreaY, rec.AreaWidth, rec.AreaHeight = self.pack.screen.check_area(area, call)
        if frame is not None:
            rec.FrameWidth, rec.FrameColor = frame.width, int(frame.color)
        rec.EntryCount = len(entries)
        keep: List[object] = []
        for i, entry in enumerate(entries):
            item = r.TListEntry()
            item.BackColor = int(entry.back_color)
            entry.show._fill(item)
            if isinstance(entry, ListText):
                data = entry.text.encode("utf-16-le") + b"\0\0"
                gbk(entry.text, call, f"entries[{i}].text")  # the card's texts stay within GBK
                entry.font._fill(item.Setting.Font, call, keep)
            elif isinstance(entry, ListPicture):
                data = _data(entry.bmp)
            elif isinstance(entry, ListAnimation):
                data = _data(entry.gif)
                item.Setting.Mode.EntryMode = entry.fit_mode
            elif isinstance(entry, ListRichText):
                data = entry.rtf if isinstance(entry.rtf, bytes) else gbk(entry.rtf, call, f"entries[{i}].rtf")
                item.Setting.Mode.EntryMode, item.Setting.Mode.OffsetY = entry.mode, entry.offset_y
            else:
                data = entry.block(call)
            buf = ctypes.create_string_buffer(data, len(data))
            keep += [buf, item]
            item.DataSize, item.Data = len(data), ctypes.cast(buf, ctypes.c_void_p)
            rec.EntryKinds[i] = entry.KIND
            rec.Entries[i] = ctypes.pointer(item)
        self._add(call, ctypes.byref(rec), host_window)
