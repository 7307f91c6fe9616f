"""The exceptions of the package: every failure is a :class:`Error`."""
from __future__ import annotations

from typing import Optional, Sequence


class Error(Exception):
    """A failure of the package or of the library.

    ``call`` names the export concerned (``None`` when no call was made) and
    ``argument`` the argument the package refused before calling, if any.
    """

    def __init__(self, message: str, call: Optional[str] = None, argument: Optional[str] = None) -> None:
        super().__init__(message)
        self.call = call
        self.argument = argument


class LibraryNotFound(Error):
    """libvexilo.so could not be loaded from any of the places tried (``tried``)."""

    def __init__(self, tried: Sequence[str], reasons: Sequence[str]) -> None:
        super().__init__("libvexilo.so not loaded; tried: " + "; ".join(reasons or tried))
        self.tried = list(tried)


class ArgumentError(Error, ValueError):
    """An argument refused before the call; ``argument`` names it."""


class EncodingError(ArgumentError, UnicodeError):
    """A text that GBK cannot hold."""


class AreaError(ArgumentError):
    """An area that does not lie inside the screen."""


class PackError(Error):
    """A pack used out of turn: a second open pack, a closed or replaced pack."""


class CallFailed(Error):
    """An export reported failure (the library gives no reason beyond its log)."""


class NoAnswer(CallFailed):
    """A send or control export failed: the card did not answer, refused, or could not be reached."""
