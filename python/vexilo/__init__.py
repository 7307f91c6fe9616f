"""vexilo: build program packs for LED display controller cards and send them.

A pure-Python binding of libvexilo.so (ctypes). The library keeps one state
per process and is not reentrant: every call of this package into it holds
one lock (:data:`vexilo.LOCK`), so threads may share the package, and only
one :class:`Pack` can be open at a time.
"""
from ._api import (
    BLACK, GREEN, RED, YELLOW, Area, Card, Color, DateStyle, Effect, Font, Frame, Ink, ListAnimation,
    ListEntry, ListPicture, ListRichText, ListTable, ListText, Pack, Program, Screen, Show, debug_log,
)
from ._native import LOCK, home, load
from .errors import (
    AreaError, ArgumentError, CallFailed, EncodingError, Error, LibraryNotFound, NoAnswer, PackError,
)

__all__ = [
    "BLACK", "GREEN", "RED", "YELLOW", "Area", "Card", "Color", "DateStyle", "Effect", "Font", "Frame",
    "Ink", "ListAnimation", "ListEntry", "ListPicture", "ListRichText", "ListTable", "ListText", "Pack", "Program",
    "Screen", "Show", "debug_log", "LOCK", "home", "load", "AreaError", "ArgumentError", "CallFailed",
    "EncodingError", "Error", "LibraryNotFound", "NoAnswer", "PackError",
]
