from pathlib import Path
from typing import Iterator

import pytest

import tomeshelf


@pytest.fixture(scope="session")
def sample() -> Path:
    return tomeshelf.sample_path()


@pytest.fixture
def disc(sample: Path) -> Iterator[tomeshelf.Disc]:
    with tomeshelf.Disc(sample) as d:
        yield d


@pytest.fixture
def book(disc: tomeshelf.Disc) -> tomeshelf.Book:
    return disc.open(0)
