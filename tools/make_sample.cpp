// Writes the bundled sample disc with the book builder, so the program can be tried with
// no disc at hand.
#include <cstdio>

#include "support/book_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample DIRECTORY\n");
    return 2;
  }
  using namespace tomeshelf::testing;
  BookFiles book;
  book.entry = {0x00, "Tomeshelf Sample Dictionary", "SAMPLE", {}};
  TextFileBuilder text;
  book.honmon = text.Build();
  WriteDisc(argv[1], {book});
  return 0;
}
