// `tomeshelf make SOURCE DISC [--title TEXT] [--name DIR] [--type N] [--menu FILE] [--force]`:
// a word list in UTF-8 (.tsv or .jsonl) becomes an EPWING disc.
#ifndef TOMESHELF_TOOLS_MAKE_COMMAND_H_
#define TOMESHELF_TOOLS_MAKE_COMMAND_H_

#include <filesystem>
#include <istream>
#include <string>

#include "writer/book_writer.h"

namespace tomeshelf::cli {

// Adds a word list (TSV, or JSON lines when jsonl) to the writer. Media files it names are
// found under dir; name names the source in messages. Returns "" or the first problem.
std::string ReadSource(std::istream& in, bool jsonl, const std::filesystem::path& dir,
                       const std::string& name, writer::BookWriter& w);

// argv[0] is the command's own name. Returns the process's exit status.
int RunMake(int argc, char** argv);

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_MAKE_COMMAND_H_
