// What every command shares: its arguments, the disc it reads, and how it fails.
#ifndef TOMESHELF_TOOLS_COMMAND_LINE_H_
#define TOMESHELF_TOOLS_COMMAND_LINE_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "present/session.h"

namespace tomeshelf::cli {

// Options a command takes: those in valued take the next argument ("--book 1" or
// "--book=1"); the others are switches.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  bool Has(const std::string& name) const { return options.count(name) > 0; }
  std::string Get(const std::string& name, const std::string& fallback = "") const;
};

// Parses argv[first..]; on an unknown option or a missing value, error is set.
Arguments ParseArguments(int argc, char** argv, int first, const std::vector<std::string>& switches,
                         const std::vector<std::string>& valued, std::string& error);

// The disc: the first positional argument when it is a directory (taken off the list),
// else the bundled sample. nullopt, after a message, when it names a path that is no
// directory.
std::optional<std::string> TakeDisc(Arguments& args);

// "--book N" (default 0); nullopt and a message when it is not a number.
std::optional<int32_t> BookOption(const Arguments& args);

// One line on standard error; returns the exit status for a failure.
int Fail(const std::string& message);
int Usage(const char* usage);
int Failed(const present::Error& error);

// A command that reads one book: its arguments, disc and book. Prepare parses argv[2..]
// (with --json, --book and --help besides the command's own); nullopt when the command is
// done, with status set (help printed, or a message).
struct Reading {
  Arguments args;
  std::string disc;
  int32_t book = 0;
};
std::optional<Reading> Prepare(int argc, char** argv, const char* usage,
                               std::vector<std::string> switches, std::vector<std::string> valued,
                               int& status);

// Writes bytes to a file; false and a message on failure.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_COMMAND_LINE_H_
