// `tomeshelf make SOURCE DISC [--title TEXT] [--name DIR] [--type N] [--menu FILE] [--force]`:
// a word list in UTF-8 (.tsv or .jsonl) becomes an EPWING disc.
#ifndef TOMESHELF_TOOLS_MAKE_COMMAND_H_
#define TOMESHELF_TOOLS_MAKE_COMMAND_H_

namespace tomeshelf::cli {

// argv[0] is the command's own name. Returns the process's exit status.
int RunMake(int argc, char** argv);

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_MAKE_COMMAND_H_
