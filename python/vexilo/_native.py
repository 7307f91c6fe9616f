"""Finding and loading libvexilo.so, its prototypes, and the call lock."""
from __future__ import annotations

import atexit
import ctypes
import ctypes.util
import os
import shutil
import tempfile
import threading
from ctypes import POINTER, c_char_p, c_int32, c_uint8, c_uint16, c_void_p
from pathlib import Path
from typing import Any, List, Optional

from . import _records as r
from .errors import LibraryNotFound

#: The library keeps one state per process (one pack, one configuration
#: path, one log, one socket) and must be called from one thread at a time:
#: every call of this package into it holds this lock.
LOCK = threading.RLock()

_PROTOTYPES: dict[str, tuple[Any, list[Any]]] = {
    "User_UseDebug": (c_uint8, [c_int32]),
    "User_CompletePack": (c_uint8, []),
    "User_OpenToUDPScreen": (c_uint8, [c_int32, c_char_p, c_uint16]),
    "User_OpenScreenEx": (c_uint8, [c_int32, c_uint8]),
    "User_OpenScreen": (c_uint8, [c_int32]),
    "User_SelectToUDPScreenProgram": (c_uint8, [c_int32, c_char_p, c_uint16, c_uint8]),
    "User_SelectScreenProgram": (c_uint8, [c_int32, c_uint8, c_uint8]),
    "User_SendToUDPScreen": (c_uint8, [c_int32, c_char_p, c_uint16, c_int32, c_int32, c_uint16, c_uint16]),
    "User_SendToAddrScreen": (c_uint8, [c_int32, c_uint8, c_int32, c_int32, c_int32, c_int32]),
    "User_SendToScreenX": (c_uint8, [c_int32, c_int32, c_int32, c_int32]),
    "User_SendToScreen": (c_uint8, [c_int32]),
    "User_InitBufferEx_Ini": (c_uint8, [c_int32, c_char_p]),
    "User_InitBufferEx": (c_uint8, [c_int32, c_uint8]),
    "User_InitBuffer": (c_uint8, [c_int32]),
    "User_CloseToUDPScreen": (c_uint8, [c_int32, c_char_p, c_uint16]),
    "User_CloseScreenEx": (c_uint8, [c_int32, c_uint8]),
    "User_CloseScreen": (c_uint8, [c_int32]),
    "User_AdjustToUDPTime": (c_uint8, [c_int32, c_char_p, c_uint16]),
    "User_AdjustTime": (c_uint8, [c_int32]),
    "User_AddText": (c_int32, [POINTER(r.TTextParam)]),
    "User_AddTimer": (c_int32, [POINTER(r.TTimerParam)]),
    "User_AddStaticText": (c_int32, [POINTER(r.TStaticTextParam)]),
    "User_AddSingleText": (c_int32, [POINTER(r.TSingleTextParam)]),
    "User_AddProgram": (c_int32, [c_int32, c_uint8]),
    "User_AddDateTime": (c_int32, [POINTER(r.TDateTimeParam)]),
    "User_AddCustomList": (c_int32, [POINTER(r.TListParam), c_void_p]),
    "User_AddBmp": (c_int32, [c_char_p, POINTER(r.TBmpParam)]),
}

#: The exports whose result is a signed 32-bit 0 on success, -1 on failure.
ITEM_EXPORTS = frozenset(n for n, (res, _) in _PROTOTYPES.items() if res is c_int32)

_lib: Optional[ctypes.CDLL] = None
_private_dir: Optional[Path] = None


def candidates() -> List[str]:
    """The places tried, in order: $VEXILO_LIBRARY, next to the package, the system path."""
    tried: List[str] = []
    env = os.environ.get("VEXILO_LIBRARY")
    if env:
        tried.append(env)
    tried.append(str(Path(__file__).resolve().parent / "libvexilo.so"))
    found = ctypes.util.find_library("vexilo")
    tried.append(found if found else "libvexilo.so")
    return tried


def private_dir() -> Path:
    """A folder of this process only, removed at exit; holds the package's INI."""
    global _private_dir
    if _private_dir is None:
        _private_dir = Path(tempfile.mkdtemp(prefix="vexilo-"))
        atexit.register(shutil.rmtree, str(_private_dir), True)
    return _private_dir


def home() -> Path:
    """The folder of the library's files (LED.INI, Swap.Dat, Debug.Txt)."""
    load()
    return Path(os.environ["VEXILO_HOME"])


def load() -> ctypes.CDLL:
    """Load the library once. Sets VEXILO_HOME to the private folder when it is unset."""
    global _lib
    with LOCK:
        if _lib is not None:
            return _lib
        if not os.environ.get("VEXILO_HOME"):
            os.environ["VEXILO_HOME"] = str(private_dir())
        tried = candidates()
        reasons: List[str] = []
        for path in tried:
            try:
                lib = ctypes.CDLL(path)
            except OSError as exc:
                reasons.append(f"{path}: {exc}")
                continue
            try:
                for name, (restype, argtypes) in _PROTOTYPES.items():
                    fn = getattr(lib, name)
                    fn.restype = restype
                    fn.argtypes = argtypes
            except AttributeError as exc:
                reasons.append(f"{path}: {exc}")
                continue
            _lib = lib
            return lib
        raise LibraryNotFound(tried, reasons)


def call(name: str, *args: Any) -> int:
    """Call one export under the lock and return its raw result."""
    lib = load()
    with LOCK:
        result: int = getattr(lib, name)(*args)
        return result
