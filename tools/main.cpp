// tomeshelf: read EPWING books from the command line, or in the browser with serve.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "export/export.h"
#include "make_command.h"

namespace {

using namespace tomeshelf::cli;

struct Command {
  const char* name;
  int (*run)(int, char**);
  const char* summary;
};

// One entry per command.
const Command kCommands[] = {
    {"books", RunBooks, "the books on a disc, with their indexes, menu and fonts"},
    {"search", RunSearch, "the headings of the hits of a word"},
    {"show", RunShow, "the article of a hit, or the one after or before it"},
    {"follow", RunFollow, "the article a link points to (BLOCK:OFFSET)"},
    {"menu", RunMenu, "the book's menu"},
    {"gaiji", RunGaiji, "an external character as PNG, or drawn on the terminal"},
    {"picture", RunPicture, "save the pictures of an article"},
    {"sound", RunSound, "save the sound of an article as WAV"},
    {"serve", RunServe, "read the books in a web browser"},
    {"make", [](int argc, char** argv) { return RunMake(argc - 1, argv + 1); },
     "write a book from a UTF-8 word list (.tsv or .jsonl)"},
    {"export", tomeshelf::exporter::RunExport, "a whole book as JSON lines or a Yomitan dictionary"},
};

int Help(FILE* out) {
  std::fputs("usage: tomeshelf COMMAND [DISC] [ARGS] [--book N] [--json]\n\ncommands:\n", out);
  for (const Command& c : kCommands) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
  std::fputs("\nDISC is the directory that holds CATALOGS (a mounted disc or a copy); without one\n"
             "the bundled sample book is read. `tomeshelf COMMAND --help` tells more.\n", out);
  return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Help(stderr);
  if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
    return Help(stdout);
  }
  for (const Command& c : kCommands) {
    if (!std::strcmp(argv[1], c.name)) return c.run(argc, argv);
  }
  std::fprintf(stderr, "tomeshelf: no command %s (tomeshelf --help lists them)\n", argv[1]);
  return 2;
}
