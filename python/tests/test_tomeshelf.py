"""The package on the sample book: a Japanese-English dictionary of twelve words with kana,
written-form and alphabet indexes both ways, links, a menu, gaiji, a picture and a sound."""

import random
import shutil
import struct
import time
import zlib
from concurrent.futures import ThreadPoolExecutor

import pytest

import tomeshelf


def test_books_of_the_disc_and_the_menu(disc):
    [info] = disc.books
    assert (info.title, info.type, info.usable, info.has_menu) == (
        "Ｔｏｍｅｓｈｅｌｆ　Ｓａｍｐｌｅ　Ｄｉｃｔｉｏｎａｒｙ", 0, True, True)
    assert set(info.indexes) == {"kana", "written", "alphabet", "kana-backward",
                                 "written-backward", "alphabet-backward"}
    menu = disc.open().menu()
    assert menu.text.startswith("目次\nあい\n")
    assert len(menu.links) == 12 and {link.kind for link in menu.links} == {"menu"}
    assert menu.links[2].follow().text.startswith("ねこ【猫】")


@pytest.mark.parametrize("word, mode, headings", [
    ("猫", "exact", ["ねこ【猫】"]),
    ("ほ", "forward", ["ほし【星】", "ほん【本】"]),
    ("er", "backward", ["かわ【川】", "みず【水】"]),
    ("ぞう", "exact", []),
])
def test_search_in_every_mode(book, word, mode, headings):
    assert sorted(hit.heading for hit in book.search(word, mode=mode)) == headings


def test_article_links_and_a_hit_read_after_another_search(book):
    [cat] = book.search("ねこ")
    book.search("いぬ")  # replaces the library's hit list; the earlier hit still reads its own
    assert cat.article().rstrip("\n") == "ねこ【猫】\ncat, a small animal that likes to sleep\n→いぬ"
    [link] = cat.links
    assert (link.label, link.kind) == ("いぬ", "link")
    assert link.follow().text.startswith("いぬ【犬】\ndog")


def _png_size(png):
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    width, height, depth = struct.unpack(">IIB", png[16:25])
    raw = zlib.decompress(png[png.index(b"IDAT") + 4:])
    assert len(raw) == height * (1 + (width + 7) // 8)
    return width, height


def test_gaiji_picture_and_sound(book):
    [star] = book.search("ほし")
    assert "{B121}" in star.article()
    for code, width, columns in ((0xB121, "full", 16), (0xA121, "half", 8)):
        bits = book.gaiji_bits(code, 16, width)
        assert len(bits) == 16 and {len(row) for row in bits} == {columns}
        assert 0 < sum(map(sum, bits)) < 16 * columns
        assert _png_size(book.gaiji(code, size=16, width=width)) == (columns, 16)
    [sea], [dog] = book.search("うみ"), book.search("いぬ")
    [picture], [sound] = sea.pictures, dog.sounds
    assert (picture.format, picture.width, picture.height) == ("png", 32, 32)
    assert _png_size(picture.data) == (32, 32)
    assert sound.format == "raw" and len(sound.data) > 0 and len(sound.parameters) == 4
    assert dog.pictures == [] and sea.sounds == []


def test_threads_share_the_book(book):
    with ThreadPoolExecutor(4) as pool:
        words = ("ねこ", "いぬ", "うみ", "ほし") * 10
        assert all(pool.map(lambda w: book.search(w)[0].article().startswith(w + "【"), words))


def test_errors_are_exceptions_with_reasons(sample, tmp_path):
    with pytest.raises(tomeshelf.DiscNotFound, match="no CATALOGS"):
        tomeshelf.Disc(tmp_path)
    with tomeshelf.Disc(sample) as disc:
        with pytest.raises(tomeshelf.DiscInUse, match="one disc per process"):
            tomeshelf.Disc(sample)
        book = disc.open()
        for call, error, reason in [
                (lambda: book.search("😀"), tomeshelf.EncodingError, ""),
                (lambda: book.search("ね", mode="middle"), ValueError, "mode"),
                (lambda: book.search("ね*"), ValueError, "asterisk"),
                (lambda: book.gaiji(0xB021), tomeshelf.NotInBook, "no gaiji B021"),
                (lambda: book.gaiji(0xA121, size=24, width="half"), tomeshelf.NotInBook,
                 "no half-width gaiji font of 24"),
                (lambda: disc.open(1), IndexError, "")]:
            with pytest.raises(error, match=reason):
                call()
        hit = book.search("ねこ")[0]
        disc.open(0)
        with pytest.raises(tomeshelf.BookClosed, match="another book"):
            hit.article()
    with pytest.raises(tomeshelf.BookClosed):
        book.search("ねこ")

    copy = shutil.copytree(sample, tmp_path / "disc")
    with tomeshelf.Disc(copy) as disc:
        book = disc.open()
        with open(copy / "SAMPLE" / "DATA" / "HONMON", "ab") as f:
            f.write(b"\0" * 2048)
        time.sleep(0.05)  # the library's watcher sees a change within a millisecond or so
        with pytest.raises(tomeshelf.BookChanged, match="changed or removed"):
            book.search("ねこ")


def test_damaged_text_never_raises():
    from tomeshelf._text import parse
    rng = random.Random(15)
    for _ in range(300):
        raw = bytes(rng.choice((0x1F, 0x42, 0x62, 0x4A, 0x6A, 0x44, 0x03, 0x24, 0xA1, 0x00))
                    for _ in range(rng.randrange(40)))
        for ref in parse(raw).references:  # each a piece of the input, from its escape byte
            assert ref.raw in raw and ref.raw[:1] == b"\x1f"
