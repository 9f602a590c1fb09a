// The program's commands; each takes the whole argv (argv[1] is its name) and returns the
// exit status.
#ifndef TOMESHELF_TOOLS_COMMANDS_H_
#define TOMESHELF_TOOLS_COMMANDS_H_

namespace tomeshelf::cli {

int RunBooks(int argc, char** argv);
int RunSearch(int argc, char** argv);
int RunShow(int argc, char** argv);
int RunFollow(int argc, char** argv);
int RunMenu(int argc, char** argv);
int RunGaiji(int argc, char** argv);
int RunPicture(int argc, char** argv);
int RunSound(int argc, char** argv);
int RunServe(int argc, char** argv);

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_COMMANDS_H_
