"""One-bit grey PNG files with only zlib and struct."""

from __future__ import annotations

import struct
import zlib
from typing import Sequence


def _chunk(kind: bytes, data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def bilevel_png(width: int, height: int, rows: Sequence[bytes]) -> bytes:
    """A PNG of packed rows, most significant bit leftmost, 1 white and 0 black."""
    row_bytes = (width + 7) // 8
    scanlines = b"".join(b"\0" + bytes(row[:row_bytes]).ljust(row_bytes, b"\xff") for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 1, 0, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) +
            _chunk(b"IDAT", zlib.compress(scanlines)) + _chunk(b"IEND", b""))
