#include "command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tomeshelf::cli {

namespace {

#ifndef TOMESHELF_SAMPLE_DISC
#define TOMESHELF_SAMPLE_DISC "sample"
#endif

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

std::string Arguments::Get(const std::string& name, const std::string& fallback) const {
  const auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

Arguments ParseArguments(int argc, char** argv, int first, const std::vector<std::string>& switches,
                         const std::vector<std::string>& valued, std::string& error) {
  Arguments args;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) {
      args.positional.push_back(arg);
      continue;
    }
    std::string value;
    const size_t eq = arg.find('=');
    const bool inlineValue = eq != std::string::npos;
    if (inlineValue) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (arg == "-h") arg = "--help";
    if (Contains(switches, arg) || arg == "--help") {
      if (inlineValue) error = arg + " takes no value";
      args.options[arg] = "";
    } else if (Contains(valued, arg)) {
      if (!inlineValue) {
        if (i + 1 >= argc) {
          error = arg + " needs a value";
          return args;
        }
        value = argv[++i];
      }
      args.options[arg] = value;
    } else {
      error = "unknown option " + arg;
      return args;
    }
  }
  return args;
}

std::optional<std::string> TakeDisc(Arguments& args) {
  std::error_code ec;
  if (!args.positional.empty()) {
    const std::string first = args.positional[0];
    if (std::filesystem::is_directory(first, ec)) {
      args.positional.erase(args.positional.begin());
      return first;
    }
    if (first.find('/') != std::string::npos) {  // meant as a disc, not a word
      Fail("no such disc directory: " + first);
      return std::nullopt;
    }
  }
  return TOMESHELF_SAMPLE_DISC;
}

std::optional<int32_t> BookOption(const Arguments& args) {
  const std::string text = args.Get("--book", "0");
  if (text.empty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), ::isdigit)) {
    Fail("--book takes a book number from 0 (see the books command)");
    return std::nullopt;
  }
  return std::stoi(text);
}

std::optional<Reading> Prepare(int argc, char** argv, const char* usage,
                               std::vector<std::string> switches,
                               std::vector<std::string> valued, int& status) {
  std::string error;
  switches.push_back("--json");
  valued.push_back("--book");
  Reading r{ParseArguments(argc, argv, 2, switches, valued, error), "", 0};
  if (r.args.Has("--help")) {
    std::fputs(usage, stdout);
    status = 0;
    return std::nullopt;
  }
  if (!error.empty()) {
    status = Fail(error);
    return std::nullopt;
  }
  const auto disc = TakeDisc(r.args);
  if (!disc) {
    status = 1;
    return std::nullopt;
  }
  r.disc = *disc;
  const auto book = BookOption(r.args);
  if (!book) {
    status = 2;
    return std::nullopt;
  }
  r.book = *book;
  return r;
}


int Fail(const std::string& message) {
  std::fprintf(stderr, "tomeshelf: %s\n", message.c_str());
  return 1;
}

int Usage(const char* usage) {
  std::fputs(usage, stderr);
  return 2;
}

int Failed(const present::Error& error) { return Fail(error.message); }

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    Fail("could not write " + path);
    return false;
  }
  return true;
}

}  // namespace tomeshelf::cli
