#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>

#include "api/library.h"
#include "catalog/book_entry.h"
#include "export/export.h"
#include "present/media.h"

namespace tomeshelf::exporter {

namespace {

const char kUsage[] =
    "usage: tomeshelf export DISC [--book N] --format jsonl|yomitan [-o FILE] [--gaiji-map FILE]\n";

int Fail(const std::string& what) {
  std::fprintf(stderr, "tomeshelf: %s\n", what.c_str());
  return 1;
}

struct Arguments {
  std::string disc;
  int32_t book = -1;  // the first usable book
  std::string format;
  std::string output;
  std::string gaijiMap;
};

bool Parse(int argc, char** argv, Arguments& args) {
  if (argc < 3) return false;
  args.disc = argv[2];
  for (int i = 3; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (option == "--book") {
      args.book = std::atoi(value.c_str());
    } else if (option == "--format") {
      args.format = value;
    } else if (option == "-o") {
      args.output = value;
    } else if (option == "--gaiji-map") {
      args.gaijiMap = value;
    } else {
      return false;
    }
  }
  return args.format == "jsonl" || args.format == "yomitan";
}

}  // namespace

int RunExport(int argc, char** argv) {
  Arguments args;
  if (!Parse(argc, argv, args)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (args.format == "yomitan" && args.output.empty()) return Fail("a Yomitan export needs -o FILE.zip");
  Library& library = ProcessLibrary();
  struct CloseCatalog {
    Library& library;
    ~CloseCatalog() { library.CloseEpwing(); }
  } closeCatalog{library};
  if (library.OpenEpwing(args.disc.c_str()) != TOMESHELF_OK) {
    return Fail("no CATALOGS found under the disc path");
  }
  Catalog& catalog = *library.catalog();
  BookEntry entry;
  int32_t chosen = args.book;
  if (chosen < 0) {
    for (chosen = 0; chosen < catalog.EntryCount() && !catalog.GetEntry(chosen, entry); ++chosen) {
    }
  }
  if (!catalog.GetEntry(chosen, entry)) return Fail("the disc has no such usable book");
  OpenBook book(library.platform());
  if (book.OpenFiles(entry.bookPath) != Status::kOk) return Fail("the book could not be opened");
  // The maps the viewer uses, then the one named here, which wins.
  present::GaijiMap gaiji;
  std::vector<std::string> mapProblems;
  present::ReadBookGaijiMaps(args.disc, entry.bookPath, gaiji, mapProblems);
  if (!args.gaijiMap.empty() && !present::ReadGaijiMapFile(args.gaijiMap, gaiji, mapProblems)) {
    return Fail("the gaiji map could not be read: " + args.gaijiMap);
  }
  for (const std::string& p : mapProblems) {
    std::fprintf(stderr, "tomeshelf: gaiji map line skipped: %s\n", p.c_str());
  }

  const Collected collected = CollectEntries(book);
  const bool progress = isatty(STDERR_FILENO) != 0;
  ExportRun run{&book, &collected, &gaiji, progress};
  std::vector<Problem> problems = collected.problems;
  std::vector<Problem> more;
  size_t written = 0;
  if (args.format == "jsonl") {
    std::ofstream file;
    if (!args.output.empty()) {
      file.open(args.output, std::ios::binary);
      if (!file) return Fail("the output could not be created: " + args.output);
    }
    std::ostream& out = args.output.empty() ? std::cout : file;
    more = ExportRecords(run, [&](const nlohmann::json& record) {
      out << record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
      ++written;
      return static_cast<bool>(out);
    });
    out.flush();
    if (!out) return Fail("the output could not be written");
  } else {
    GaijiFonts fonts;
    fonts.OpenGaijiFonts(library.platform(), entry.gaijiPath, entry.fontNames.data());
    YomitanWriter writer(args.output, present::TitleText(entry.title.data()), &fonts);
    more = ExportRecords(run, [&](const nlohmann::json& record) {
      ++written;
      return writer.Add(record);
    });
    std::string error;
    const bool finished = writer.Finish(error);
    fonts.CloseGaijiFonts();
    if (!finished) return Fail(error);
  }
  problems.insert(problems.end(), more.begin(), more.end());
  for (const Problem& p : problems) {
    std::fprintf(stderr, "tomeshelf: skipped at %s: %s\n", PositionText(p.fileOffset).c_str(),
                 p.what.c_str());
  }
  std::fprintf(stderr, "tomeshelf: %zu of %zu entries exported%s\n", written, collected.entries.size(),
               problems.empty() ? "" : ", with the problems above");
  return problems.empty() ? 0 : 1;
}

}  // namespace tomeshelf::exporter
