// tomeshelf: list the books of a disc.
#include <cstdio>
#include <cstring>

#include "tomeshelf/tomeshelf.h"

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "books") != 0) {
    std::fprintf(stderr, "usage: tomeshelf books DISC\n");
    return 2;
  }
  char title[TOMESHELF_TITLE_SIZE];
  if (IsEpwBook(argv[2], title) != TOMESHELF_OK) {
    std::fprintf(stderr, "tomeshelf: no book found under %s\n", argv[2]);
    return 1;
  }
  std::printf("%s\n", title);
  return 0;
}
