"""Exceptions raised by the tomeshelf package."""

from __future__ import annotations


class TomeshelfError(Exception):
    """Base class of every error this package raises."""


class LibraryNotFound(TomeshelfError, OSError):
    """The Tomeshelf shared library could not be found or loaded."""


class DiscNotFound(TomeshelfError, FileNotFoundError):
    """The path holds no readable CATALOGS file."""


class DiscInUse(TomeshelfError, RuntimeError):
    """Another Disc is open: the library holds one disc per process."""


class BookNotOpened(TomeshelfError, OSError):
    """The book's files could not be opened."""


class BookClosed(TomeshelfError, RuntimeError):
    """The Book (or its Disc) was closed, or another book of the disc was opened since."""


class BookChanged(TomeshelfError, OSError):
    """A read of the book failed: its files changed or went away since it was opened."""


class NotInBook(TomeshelfError, LookupError):
    """The book does not hold what was asked for (a menu, a gaiji, a picture ...)."""


class EncodingError(TomeshelfError, ValueError):
    """The text has a character that books cannot hold (no JIS X 0208 form)."""
