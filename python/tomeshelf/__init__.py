"""Read EPWING (JIS X 4081) electronic dictionaries through the Tomeshelf library.

    import tomeshelf
    with tomeshelf.Disc(tomeshelf.sample_path()) as disc:
        book = disc.open(0)
        for hit in book.search("ねこ"):
            print(hit.heading, hit.article())

The library keeps one state per process. So one Disc is open at a time (a second raises
DiscInUse), one book of it is open at a time (opening another closes the Book before it),
and every call takes one process-wide lock: threads may share a Disc, but their calls run
one after another.
"""

from __future__ import annotations

import ctypes
import os
import struct
import sys
from dataclasses import dataclass
from pathlib import Path
from typing import Any, Callable, List, Optional, Tuple, Union

from . import _native
from ._native import FAILED, ITEM_SIZE, LOCK, OK, REFERENCE_PAD, REFUSED, TITLE_SIZE, padded
from ._png import bilevel_png
from ._text import Reference, link_reference, parse, title, to_jis
from .errors import (BookChanged, BookClosed, BookNotOpened, DiscInUse, DiscNotFound,
                     EncodingError, LibraryNotFound, NotInBook, TomeshelfError)

__all__ = [
    "Disc", "Book", "BookInfo", "Hit", "Article", "Link", "Picture", "Sound", "sample_path",
    "TomeshelfError", "LibraryNotFound", "DiscNotFound", "DiscInUse", "BookNotOpened",
    "BookClosed", "BookChanged", "NotInBook", "EncodingError",
]

MODES = ("exact", "forward", "backward")
_INDEX_NAMES = {0x90: "kana", 0x91: "written", 0x92: "alphabet",
                0x70: "kana-backward", 0x71: "written-backward", 0x72: "alphabet-backward"}
_MENU_AREA = 0x01
_ASTERISK = b"\x21\x76"
_PIECE_SIZE = 4096
_MAX_PIECES = 4096  # 16 MiB: a damaged book must not keep us reading forever
_GAIJI_SIZES = (16, 24, 30, 32, 48)
_BLOCK = 2048

_active: Optional["Disc"] = None
_last_search: Optional[Tuple["Book", bytes]] = None


def _lib() -> Any:
    return _native.library()


@dataclass(frozen=True)
class BookInfo:
    """One book as the disc's catalog names it."""

    index: int
    title: str
    type: int
    usable: bool  # a type the library reads
    indexes: Tuple[str, ...]  # "kana", "written", "alphabet" and their "-backward" forms
    has_menu: bool


class Disc:
    """A disc (or a directory copied from one) with its CATALOGS file. It stays open, and
    no other Disc can be opened, until close() or the end of its with block."""

    def __init__(self, path: Union[str, "os.PathLike[str]"]) -> None:
        global _active
        self.path = os.fspath(path)
        self._book: Optional[Book] = None
        lib = _lib()
        with LOCK:
            if _active is not None:
                raise DiscInUse(f"{_active.path} is open already, and the library holds one "
                                "disc per process: close that Disc first")
            if not os.path.isdir(self.path):
                raise DiscNotFound(f"{self.path}: no such directory")
            if lib.OpenEpwing(os.fsencode(self.path)) != OK:
                longer = " (or the path is longer than the 240 bytes the library takes)"
                raise DiscNotFound(f"{self.path}: no CATALOGS file could be read there"
                                   f"{longer if len(os.fsencode(self.path)) > 240 else ''}")
            _active = self
            try:
                self.books: List[BookInfo] = self._list_books()
            except BaseException:
                self.close()
                raise

    def _list_books(self) -> List[BookInfo]:
        lib = _lib()
        books = []
        for i in range(max(lib.TomeshelfBookCount(), 0)):
            kind = ctypes.c_uint8()
            raw = ctypes.create_string_buffer(TITLE_SIZE)
            usable = lib.TomeshelfGetBook(i, ctypes.byref(kind), raw) == OK
            codes: List[int] = []
            if usable and lib.TomeshelfOpenBook(i) == OK:
                area = (ctypes.c_uint8 * 64)()
                codes = list(area[:max(lib.TomeshelfGetAreaCodes(area, len(area)), 0)])
                lib.epwBooksClose()
            names = tuple(dict.fromkeys(_INDEX_NAMES[c] for c in codes if c in _INDEX_NAMES))
            books.append(BookInfo(i, title(raw.raw), kind.value, usable, names, _MENU_AREA in codes))
        return books

    def open(self, index: int = 0) -> "Book":
        """Opens a book of the disc; a Book opened before from this disc is closed."""
        with LOCK:
            self._check()
            if not 0 <= index < len(self.books):
                raise IndexError(f"{self.path} has {len(self.books)} book(s): there is no book {index}")
            info = self.books[index]
            if not info.usable:
                raise NotInBook(f"book {index} ({info.title}) is of type 0x{info.type:02X}, "
                                "which the library does not read")
            self._drop_book("another book of the disc was opened")
            if _lib().TomeshelfOpenBook(index) != OK:
                raise BookNotOpened(f"book {index} ({info.title}) could not be opened: its text "
                                    "file is missing, unreadable or damaged")
            self._book = Book(self, info)
            return self._book

    def close(self) -> None:
        """Closes the disc and its open book. Closing twice is harmless."""
        global _active
        with LOCK:
            if _active is not self:
                return
            self._drop_book("its Disc was closed")
            _lib().CloseEpwing()
            _active = None

    def _drop_book(self, why: str) -> None:
        if self._book is not None:
            self._book._closed = why
            self._book = None
            _lib().epwBooksClose()

    def _check(self) -> None:
        if _active is not self:
            raise BookClosed(f"the Disc {self.path} is closed")

    def __enter__(self) -> "Disc":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __repr__(self) -> str:
        return f"<tomeshelf.Disc {self.path!r}, {len(self.books)} book(s)>"


class Book:
    """The open book of a Disc: search, articles, the menu and gaiji."""

    def __init__(self, disc: Disc, info: BookInfo) -> None:
        self.disc = disc
        self.info = info
        self._closed: Optional[str] = None

    @property
    def title(self) -> str:
        return self.info.title

    def _check(self) -> None:
        if self._closed is not None:
            raise BookClosed(f"the book {self.title} is closed: {self._closed}")

    def search(self, word: str, mode: str = "exact") -> List["Hit"]:
        """Looks a word up. mode: "exact", "forward" (words that begin with it) or
        "backward" (words that end with it). No match gives an empty list."""
        if mode not in MODES:
            raise ValueError(f"mode must be one of {', '.join(MODES)}, not {mode!r}")
        if not word.strip():
            raise ValueError("the search word is empty")
        if "*" in word or "\uff0a" in word:
            raise ValueError("the word holds an asterisk: give mode='forward' or "
                             "mode='backward' instead")
        key = to_jis(word)
        key = key + _ASTERISK if mode == "forward" else _ASTERISK + key if mode == "backward" else key
        backward = mode == "backward"
        if not any((c >= 0x90) != backward for c in self._index_codes()):
            raise NotInBook(f"the book {self.title} has no {'backward' if backward else 'forward'}"
                            " word index")
        with LOCK:
            self._check()
            count = self._run(key)
            return [Hit(self, key, i, self._heading(i)) for i in range(count)]

    def _index_codes(self) -> List[int]:
        return [c for c, name in _INDEX_NAMES.items() if name in self.info.indexes]

    def _run(self, key: bytes) -> int:
        global _last_search
        word = (ctypes.c_ubyte * (len(key) + 2)).from_buffer_copy(key + b"\0\0")
        props = _native.WordProperties()
        result = _lib().epwGetWordProperties(word, ctypes.byref(props))
        _last_search = (self, key)
        if result == OK:
            return int(props.hitCount)
        if result == REFUSED:
            return 0
        raise self._changed("the search")

    def _heading(self, hit: int) -> str:
        item = (ctypes.c_ubyte * ITEM_SIZE)()
        record = _native.WordItemRecord()
        record.itemBuffer = ctypes.cast(item, _native.ubytes)
        if _lib().epwGetWordItem(hit, ctypes.byref(record)) != OK:
            raise self._changed("reading a heading")
        return parse(bytes(item).split(b"\0", 1)[0]).text

    def _changed(self, what: str) -> BookChanged:
        return BookChanged(f"{what} in {self.title} failed: the book's files were changed or "
                           "removed since it was opened, or a read failed")

    def _read(self, reader: Callable[..., int]) -> bytes:
        piece = (ctypes.c_ubyte * _PIECE_SIZE)()
        count = ctypes.c_uint32()
        out = bytearray()
        for _ in range(_MAX_PIECES):
            result = reader(piece, _PIECE_SIZE, ctypes.byref(count))
            if result < 0:
                raise self._changed("reading an article")
            out += bytes(piece[:count.value])
            if result == OK:
                return bytes(out)
        raise TomeshelfError(f"an article of {self.title} runs past {_MAX_PIECES * _PIECE_SIZE} "
                             "bytes: the book is damaged")

    def _article_of(self, key: bytes, hit: int) -> "Article":
        with LOCK:
            self._check()
            if _last_search != (self, key):
                self._run(key)  # another search came between: the hit list is the library's
            raw = self._read(lambda *piece: _lib().epwGetWordContent(hit, *piece))
        return Article(self, raw)

    def article_at(self, block: int, offset: int) -> "Article":
        """The article at a block (from 1) and an offset in it, as a link points."""
        reference = padded(link_reference(block, offset))
        with LOCK:
            self._check()
            raw = self._read(lambda *piece: _lib().epwGetLinkContent(reference, *piece))
        return Article(self, raw)

    def menu(self) -> "Article":
        """The book's menu: its text and links (Article.links) to what it lists."""
        with LOCK:
            self._check()
            at = _lib().GetMenuHead()
            if at == REFUSED:
                raise NotInBook(f"the book {self.title} has no menu")
            if at < 0:
                raise self._changed("finding the menu")
            return self.article_at(at // _BLOCK + 1, at % _BLOCK)

    def gaiji(self, code: int, size: int = 16, width: str = "full") -> bytes:
        """An external character as a PNG file (black ink on white)."""
        w, h, rows = self._glyph(code, size, width)
        return bilevel_png(w, h, rows)

    def gaiji_bits(self, code: int, size: int = 16, width: str = "full") -> List[List[int]]:
        """An external character as rows of pixels, 1 for ink and 0 for paper."""
        w, _, rows = self._glyph(code, size, width)
        return [[0 if row[x >> 3] & (0x80 >> (x & 7)) else 1 for x in range(w)] for row in rows]

    def _glyph(self, code: int, size: int, width: str) -> Tuple[int, int, List[bytes]]:
        if not 0 <= code <= 0xFFFF:
            raise ValueError(f"a gaiji code is two bytes (row and cell), not {code:#x}")
        if width not in ("half", "full"):
            raise ValueError(f"width must be 'half' or 'full', not {width!r}")
        if size not in _GAIJI_SIZES:
            raise ValueError(f"size must be one of {_GAIJI_SIZES}, not {size}")
        lib = _lib()
        obj = _native.BitmapObject()
        with LOCK:
            self._check()
            result = lib.epwExCode2Bmp(code, size, 1 if width == "full" else 0, 0, 0, 0,
                                       0xFFFFFF, ctypes.byref(obj))
            if result == FAILED:
                raise NotInBook(f"the book {self.title} has no {width}-width gaiji font of "
                                f"{size} dots")
            if result != OK:
                raise NotInBook(f"the {width}-width {size}-dot font of {self.title} has no "
                                f"gaiji {code:04X}")
            bmp = obj.bitmap.contents
            try:
                rows = [ctypes.string_at(ctypes.addressof(bmp.bits.contents) + y * bmp.stride,
                                         bmp.stride) for y in range(bmp.height)]
                return bmp.width, bmp.height, rows
            finally:
                lib.TomeshelfFreeBitmap(obj.bitmap)

    def __repr__(self) -> str:
        return f"<tomeshelf.Book {self.title!r}>"


class Hit:
    """One search result: its heading, and its article on demand."""

    def __init__(self, book: Book, key: bytes, index: int, heading: str) -> None:
        self.book = book
        self.index = index
        self.heading = heading
        self._key = key
        self._article: Optional[Article] = None

    def read(self) -> "Article":
        """The hit's article (read once, then kept)."""
        if self._article is None:
            self._article = self.book._article_of(self._key, self.index)
        return self._article

    def article(self) -> str:
        """The article's text: line breaks as newlines, gaiji as {XXXX}."""
        return self.read().text

    @property
    def links(self) -> List["Link"]:
        return self.read().links

    @property
    def pictures(self) -> List["Picture"]:
        return self.read().pictures

    @property
    def sounds(self) -> List["Sound"]:
        return self.read().sounds

    def __repr__(self) -> str:
        return f"<tomeshelf.Hit {self.index} {self.heading!r}>"


@dataclass(frozen=True)
class Link:
    """A reference from one article to another (kind "link") or from the menu ("menu")."""

    book: Book
    label: str
    block: int
    offset: int
    kind: str

    def follow(self) -> "Article":
        return self.book.article_at(self.block, self.offset)


@dataclass(frozen=True)
class Picture:
    """format "png" (a monochrome picture, made into PNG here), "bmp" or "jpeg" (colour
    pictures as the book stores them), or "unknown"."""

    caption: str
    format: str
    data: bytes
    width: Optional[int] = None  # monochrome pictures only
    height: Optional[int] = None


@dataclass(frozen=True)
class Sound:
    """format "wav" or "midi" by the data's own header, else "raw" (the four format
    parameters then tell how to play it). data is None for a reference that names no data
    in the book's text file; parameters then holds its five values."""

    caption: str
    format: str
    data: Optional[bytes]
    parameters: Tuple[int, ...]


class Article:
    """An article's text and what it refers to. str(article) is its text."""

    def __init__(self, book: Book, raw: bytes) -> None:
        self.book = book
        self.raw = raw
        parsed = parse(raw)
        self.text = parsed.text
        self._refs = parsed.references
        self._pictures: Optional[List[Picture]] = None
        self._sounds: Optional[List[Sound]] = None

    @property
    def links(self) -> List[Link]:
        return [Link(self.book, r.text, r.target[0], r.target[1], "link" if r.kind == 0x42 else "menu")
                for r in self._refs if r.kind in (0x42, 0x43) and r.target]

    @property
    def pictures(self) -> List[Picture]:
        if self._pictures is None:
            self._pictures = [self._picture(r) for r in self._refs if r.kind in (0x44, 0x4D)]
        return self._pictures

    @property
    def sounds(self) -> List[Sound]:
        if self._sounds is None:
            self._sounds = [self._sound(r) for r in self._refs if r.kind in (0x4A, 0x48)]
        return self._sounds

    def _fail(self, result: int, what: str) -> TomeshelfError:
        if result == FAILED:
            return self.book._changed(f"reading {what}")
        return NotInBook(f"{what} in {self.book.title} has a damaged reference")

    def _picture(self, ref: Reference) -> Picture:
        lib = _lib()
        reference = padded(ref.raw)
        caption = ctypes.create_string_buffer(REFERENCE_PAD + 1)
        kind = ctypes.c_int32()
        with LOCK:
            self.book._check()
            size = lib.epwGetImageSize(reference, caption)
            if size < 0:
                raise self._fail(size, "a picture")
            buffer = ctypes.create_string_buffer(max(size, 1))
            got = lib.epwGetImage(reference, buffer, ctypes.byref(kind))
            if got < 0:
                raise self._fail(got, "a picture")
        if kind.value == 0:  # monochrome: two dimensions, then rows of bits, 1 for ink
            width, height = struct.unpack("<II", buffer.raw[:8])
            bits = buffer.raw[8:8 + got]
            row = (width + 7) // 8
            rows = [bytes(~b & 0xFF for b in bits[y * row:(y + 1) * row]) for y in range(height)]
            return Picture(ref.text, "png", bilevel_png(width, height, rows), width, height)
        data = buffer.raw[:got]
        fmt = "bmp" if data[:2] == b"BM" else "jpeg" if data[:2] == b"\xff\xd8" else "unknown"
        return Picture(ref.text, fmt, data)

    def _sound(self, ref: Reference) -> Sound:
        lib = _lib()
        reference = padded(ref.raw)
        prop = _native.SoundProp()
        with LOCK:
            self.book._check()
            result = lib.epwGetSoundProp(reference, ctypes.byref(prop))
            if result != OK:
                raise self._fail(result, "a sound")
            if prop.kind != 1:
                return Sound(ref.text, "none", None, tuple(prop.values))
            size = lib.epwGetPcmSize(reference)
            if size < 0:
                raise self._fail(size, "a sound")
            buffer = ctypes.create_string_buffer(max(size, 1))
            got = lib.epwGetPcmCont(0, buffer) if size else 0
            if got < 0:
                raise self._fail(got, "a sound")
        data = buffer.raw[:got]
        fmt = "wav" if data[:4] == b"RIFF" else "midi" if data[:4] == b"MThd" else "raw"
        return Sound(ref.text, fmt, data, tuple(prop.format))

    def __str__(self) -> str:
        return self.text

    def __repr__(self) -> str:
        return f"<tomeshelf.Article {self.text[:30]!r}>"


def sample_path() -> Path:
    """The sample book that comes with the library: TOMESHELF_SAMPLE, else beside the
    library found (share/tomeshelf/sample of its prefix, or sample/ in a build tree)."""
    explicit = os.environ.get("TOMESHELF_SAMPLE")
    if explicit:
        return Path(explicit)
    places: List[Path] = []
    _lib()
    loaded = _native.library_path()
    if loaded and os.sep in loaded:
        libdir = Path(loaded).resolve().parent
        places += [libdir / "sample", libdir.parent / "share/tomeshelf/sample",
                   libdir.parent.parent / "share/tomeshelf/sample"]
    places += [Path(p) / "share/tomeshelf/sample" for p in (sys.prefix, "/usr/local", "/usr")]
    for place in places:
        if (place / "CATALOGS").exists():
            return place
    raise DiscNotFound("the sample book was not found: set TOMESHELF_SAMPLE to its directory")
