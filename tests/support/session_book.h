// One small book that holds a piece of everything the exports reach (a word index with
// headings, articles that link to each other, a menu, both kinds of picture, sound, two
// gaiji fonts) and the bytes a caller hands back for each, for tests and fuzzer seeds that
// drive a whole session.
#ifndef TOMESHELF_TESTS_SUPPORT_SESSION_BOOK_H_
#define TOMESHELF_TESTS_SUPPORT_SESSION_BOOK_H_

#include <cstdint>
#include <string>

#include "support/writer.h"

namespace tomeshelf::testing {

struct SessionBook {
  BookFiles files;     // directory "DICT"
  Bytes word;          // a search word with several hits, zero-terminated
  Bytes link;          // a link reference to the second article
  Bytes mono;          // a monochrome picture reference
  Bytes colour;        // a colour picture reference
  Bytes sound;         // a sound data reference
  uint16_t gaiji = 0;  // the first code of both fonts
};

SessionBook MakeSessionBook();

// The book written to a scratch directory, as callers of the exports open it.
struct SessionDisc {
  SessionDisc();
  TempDir dir;
  SessionBook book = MakeSessionBook();
  std::string root;  // the directory as OpenEpwing takes it
};

}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SUPPORT_SESSION_BOOK_H_
