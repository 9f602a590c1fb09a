"""Between str and the bytes books hold: two-byte JIS X 0208 characters and control
sequences that begin with 0x1F. Python's own euc_jp codec does the character work (a JIS
X 0208 character is its EUC-JP form with the high bits cleared)."""

from __future__ import annotations

import re
import unicodedata
from dataclasses import dataclass, field
from functools import lru_cache
from typing import List, Optional, Tuple

from .errors import EncodingError

ESCAPE = 0x1F
GETA = "\u3013"  # stands for a character the book holds but Unicode has no form for


def to_jis(text: str) -> bytes:
    """A str as JIS X 0208 characters, as search words are typed into books: ASCII
    letters, digits and signs become their full-width forms, a space the ideographic one,
    half-width katakana full-width ones."""
    # Half-width katakana as a run, so that a sound mark joins the kana before it.
    text = re.sub("[\uff61-\uff9f]+", lambda m: unicodedata.normalize("NFKC", m.group()), text)
    out = bytearray()
    for ch in text:
        if "!" <= ch <= "~":
            ch = chr(ord(ch) - 0x21 + 0xFF01)
        elif ch == " ":
            ch = "\u3000"
        try:
            euc = ch.encode("euc_jp")
        except UnicodeEncodeError:
            euc = b""
        if len(euc) != 2 or euc[0] < 0xA1 or euc[1] < 0xA1:
            raise EncodingError(f"{ch!r} has no JIS X 0208 form, so no book can hold it")
        out += bytes(b & 0x7F for b in euc)
    return bytes(out)


@lru_cache(maxsize=4096)
def jis_char(row: int, cell: int) -> str:
    try:
        return bytes((row | 0x80, cell | 0x80)).decode("euc_jp")
    except UnicodeDecodeError:
        return GETA


def _narrow(ch: str) -> str:
    if ch == "\u3000":
        return " "
    if "\uff01" <= ch <= "\uff5e":
        return chr(ord(ch) - 0xFF01 + 0x21)
    return ch


def title(raw: bytes) -> str:
    """A catalog title: JIS X 0208 when every byte says so, else its printable ASCII."""
    raw = raw.split(b"\0", 1)[0]
    if raw and len(raw) % 2 == 0 and all(0x21 <= b <= 0x7E for b in raw):
        chars = [jis_char(raw[i], raw[i + 1]) for i in range(0, len(raw), 2)]
        if GETA not in chars:
            return "".join(chars)
    return "".join(chr(b) if 0x20 <= b <= 0x7E else "?" for b in raw)


def bcd(data: bytes) -> int:
    value = 0
    for b in data:
        value = value * 100 + (b >> 4) * 10 + (b & 0x0F)
    return value


@dataclass
class Reference:
    """A reference as the article holds it: its kind byte, its bytes (from 0x1F to its
    end code and the target that follows some end codes), and the text it covers."""

    kind: int
    raw: bytes
    text: str
    target: Optional[Tuple[int, int]] = None  # block and offset, for links


@dataclass
class Parsed:
    text: str
    references: List[Reference] = field(default_factory=list)


# Control sequences by their second byte: total length, and for the ones that open a
# reference the end code that closes it and the bytes of target after that end code.
_FIXED = {0x09: 4, 0x41: 4, 0xE0: 4}
_OPENERS = {0x42: (2, 0x62, 6), 0x43: (2, 0x63, 6), 0x44: (12, 0x64, 6),
            0x4D: (20, 0x6D, 0), 0x4A: (18, 0x6A, 0), 0x48: (12, 0x68, 0)}


def parse(raw: bytes) -> Parsed:
    """Article bytes as text, with the references they hold; gaiji show as {XXXX}, the
    code in hex. A truncated sequence ends the text."""
    out: List[str] = []
    refs: List[Reference] = []
    open_ref: Optional[Tuple[int, int, int, int]] = None  # kind, start byte, text start, end code
    half = False
    i, n = 0, len(raw)
    while i + 1 < n:
        b0, b1 = raw[i], raw[i + 1]
        if b0 != ESCAPE:
            if 0x21 <= b0 <= 0x7E and 0x21 <= b1 <= 0x7E:
                ch = jis_char(b0, b1)
                out.append(_narrow(ch) if half else ch)
            elif b0 >= 0xA1:
                code = b0 << 8 | b1
                out.append(f"{{{code:04X}}}")
            i += 2
            continue
        length = _FIXED.get(b1, 2)
        if b1 == 0x03:
            break
        elif b1 == 0x04:
            half = True
        elif b1 == 0x05:
            half = False
        elif b1 == 0x0A:
            out.append("\n")
        elif b1 in _OPENERS:
            length = _OPENERS[b1][0]
            open_ref = (b1, i, len("".join(out)), _OPENERS[b1][1])
            out = ["".join(out)]
        elif open_ref and b1 == open_ref[3]:
            kind, start, text_at, _ = open_ref
            length = 2 + _OPENERS[kind][2]
            if i + length > n:
                break
            body = raw[start:i + length]
            target = None
            if kind in (0x42, 0x43):
                target = (bcd(raw[i + 2:i + 6]), bcd(raw[i + 6:i + 8]))
            refs.append(Reference(kind, bytes(body), "".join(out)[text_at:], target))
            open_ref = None
        if i + length > n:
            break
        i += length
    return Parsed("".join(out), refs)


def link_reference(block: int, offset: int) -> bytes:
    """A link reference to a block and offset, as article text carries one."""
    digits = f"{block:08d}{offset:04d}"
    if len(digits) != 12:
        raise ValueError(f"no link can point at block {block}, offset {offset}")
    return bytes((0x1F, 0x42, 0x21, 0x21, 0x1F, 0x62)) + bytes.fromhex(digits)
