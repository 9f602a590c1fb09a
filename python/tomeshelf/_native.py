"""Loading the shared library and declaring its C interface for ctypes.

The library keeps one process-wide state and is not reentrant: every call goes through
``LOCK``, and a sequence of calls that belongs together (a search and its headings, the
size call and the data call of a picture) holds it for the whole sequence.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
import threading
from pathlib import Path
from typing import Any, List, Optional

from .errors import LibraryNotFound

LOCK = threading.RLock()

OK, MORE, FAILED, REFUSED = 1, 0, -1, -2
ITEM_SIZE = 500
TITLE_SIZE = 81
# A reference carries no length: the library may look up to this far into one for its end
# code, so every reference handed to it is followed by this many zero bytes.
REFERENCE_PAD = 4096

i32, u32, u8 = ctypes.c_int32, ctypes.c_uint32, ctypes.c_uint8
ubytes = ctypes.POINTER(ctypes.c_ubyte)


class WordProperties(ctypes.Structure):
    _fields_ = [("hitCount", i32), ("itemSize", i32)]


class WordItemRecord(ctypes.Structure):
    _fields_ = [("callerData", ctypes.c_ubyte * 80), ("itemBuffer", ubytes)]


class SoundProp(ctypes.Structure):
    _fields_ = [("kind", u8), ("values", u8 * 5), ("format", u8 * 4), ("caption", ctypes.c_char * 201)]


class Bitmap(ctypes.Structure):
    _fields_ = [("width", i32), ("height", i32), ("stride", i32), ("bits", ubytes)]


class BitmapObject(ctypes.Structure):
    _fields_ = [("reserved", ctypes.c_void_p), ("bitmap", ctypes.POINTER(Bitmap))]


_PIECE = (ubytes, u32, ctypes.POINTER(u32))
_SIGNATURES = {
    "OpenEpwing": (i32, ctypes.c_char_p),
    "CloseEpwing": (None,),
    "epwBooksClose": (None,),
    "epwGetWordProperties": (i32, ubytes, ctypes.POINTER(WordProperties)),
    "epwGetWordItem": (i32, i32, ctypes.POINTER(WordItemRecord)),
    "epwGetWordContent": (i32, i32) + _PIECE,
    "epwGetLinkContent": (i32, ubytes) + _PIECE,
    "GetMenuHead": (i32,),
    "epwGetImageSize": (i32, ubytes, ctypes.c_char_p),
    "epwGetImage": (i32, ubytes, ctypes.c_void_p, ctypes.POINTER(i32)),
    "epwGetSoundProp": (i32, ubytes, ctypes.POINTER(SoundProp)),
    "epwGetPcmSize": (i32, ubytes),
    "epwGetPcmCont": (i32, i32, ctypes.c_void_p),
    "epwExCode2Bmp": (i32, u32, i32, i32, i32, i32, u32, u32, ctypes.POINTER(BitmapObject)),
    "TomeshelfFreeBitmap": (None, ctypes.POINTER(Bitmap)),
    "TomeshelfBookCount": (i32,),
    "TomeshelfGetBook": (i32, i32, ctypes.POINTER(u8), ctypes.c_char_p),
    "TomeshelfOpenBook": (i32, i32),
    "TomeshelfGetAreaCodes": (i32, ctypes.POINTER(u8), i32),
}

if sys.platform == "darwin":
    _NAMES = ["libtomeshelf.1.dylib", "libtomeshelf.dylib"]
else:
    _NAMES = ["libtomeshelf.so.1", "libtomeshelf.so"]

# python/tomeshelf/_native.py -> the source tree; its build directory holds the library.
_SOURCE_TREE = Path(__file__).resolve().parent.parent.parent


def _prefixes() -> List[Path]:
    seen: List[Path] = []
    for p in (sys.prefix, sys.base_prefix, "/usr/local", "/usr"):
        if Path(p) not in seen:
            seen.append(Path(p))
    return seen


def candidates() -> List[str]:
    """Where the library is looked for, in order (after TOMESHELF_LIBRARY)."""
    found: List[str] = []
    system = ctypes.util.find_library("tomeshelf")
    if system:
        found.append(system)
    for prefix in _prefixes():
        for libdir in ("lib", "lib64", "lib/" + _multiarch()):
            found += [str(prefix / libdir / name) for name in _NAMES]
    found += [str(_SOURCE_TREE / "build" / name) for name in _NAMES]
    return found


def _multiarch() -> str:
    return getattr(sys.implementation, "_multiarch", "") or ""


_lib: Optional[ctypes.CDLL] = None
_path: Optional[str] = None


def library() -> Any:
    """The loaded library (loaded on first use)."""
    global _lib, _path
    with LOCK:
        if _lib is None:
            path, lib = _load()
            _declare(path, lib)
            _path, _lib = path, lib
        return _lib


def library_path() -> Optional[str]:
    """The file the library was loaded from, once it is loaded."""
    return _path


def _open(path: str) -> ctypes.CDLL:
    # Plain C calls: only the 32-bit Windows DLL uses stdcall, and it lacks the Tomeshelf*
    # exports this package needs.
    return ctypes.CDLL(path)


def _load() -> "tuple[str, ctypes.CDLL]":
    explicit = os.environ.get("TOMESHELF_LIBRARY")
    if explicit:
        try:
            return explicit, _open(explicit)
        except OSError as e:
            raise LibraryNotFound(f"TOMESHELF_LIBRARY={explicit} could not be loaded: {e}") from e
    tried = candidates()
    for path in tried:
        if os.sep in path and not os.path.exists(path):
            continue
        try:
            return path, _open(path)
        except OSError:
            continue
    raise LibraryNotFound(
        "the Tomeshelf library was not found: install it (cmake --install, or the Debian "
        "package), build it in the source tree's build/ directory, or set TOMESHELF_LIBRARY "
        "to its path")


def _declare(path: str, lib: Any) -> None:
    for name, (restype, *argtypes) in _SIGNATURES.items():
        try:
            fn = getattr(lib, name)
        except AttributeError:
            raise LibraryNotFound(f"{path} lacks {name}: the package needs a POSIX build of "
                                  "the library") from None
        fn.restype = restype
        fn.argtypes = argtypes


def padded(reference: bytes) -> "ctypes.Array[ctypes.c_ubyte]":
    """A reference in a C buffer with the zero bytes the library may scan into."""
    buffer = (ctypes.c_ubyte * (len(reference) + REFERENCE_PAD))()
    ctypes.memmove(buffer, reference, len(reference))
    return buffer
