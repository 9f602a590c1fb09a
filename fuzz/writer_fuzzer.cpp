// The word list `tomeshelf make` reads, as TSV and as JSON lines: what the reader takes is
// written to a disc and read back through the library. A refusal must be a message naming
// its line; a book the writer completes must open and answer lookups.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "api/library.h"
#include "codec/jis.h"
#include "make_command.h"
#include "support/temp_dir.h"

namespace {

constexpr size_t kMaxLines = 12;
constexpr size_t kMaxLookups = 4;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "writer_fuzzer: %s\n", what);
    std::abort();
  }
}

// Opens the written disc and looks up the first fields of the first lines.
void ReadBack(const tomeshelf::testing::TempDir& disc, const std::vector<std::string>& words) {
  tomeshelf::Library lib;
  Check(lib.OpenEpwing(disc.Windows().c_str()) == TOMESHELF_OK, "a finished disc does not open");
  Check(lib.epwBooksOpen() == TOMESHELF_OK, "a finished book does not open");
  std::vector<unsigned char> item(TOMESHELF_ITEM_SIZE), text(2048);
  for (const std::string& word : words) {
    auto jis = tomeshelf::codec::Utf8ToJis(word);
    if (!jis || jis->size() > 200) continue;
    jis->insert(jis->end(), {0, 0});
    WordProperties props{};
    if (lib.epwGetWordProperties(jis->data(), &props) != TOMESHELF_OK) continue;
    for (int32_t hit = 0; hit < props.hitCount && hit < 2; ++hit) {
      WordItemRecord record{{}, item.data()};
      lib.epwGetWordItem(hit, &record);
      uint32_t count = 0;
      for (int32_t r = lib.epwGetWordContent(hit, text.data(), 64, &count), n = 0; r == TOMESHELF_MORE && n < 8; ++n) {
        r = lib.epwGetNextContentByWord(text.data(), 64, &count);
      }
    }
  }
  lib.GetMenuHead();
  lib.epwBooksClose();
  lib.CloseEpwing();
}

void Make(const std::string& source, bool jsonl, const std::vector<std::string>& words) {
  static const tomeshelf::testing::TempDir disc;
  std::error_code ec;
  std::filesystem::remove_all(disc.path() / "FUZZ", ec);
  std::filesystem::remove(disc.path() / "CATALOGS", ec);
  std::string problem;
  {
    tomeshelf::writer::BookWriter writer(disc.path(), {"Fuzz", "FUZZ", 0});
    std::istringstream in(source);
    try {
      problem = tomeshelf::cli::ReadSource(in, jsonl, TOMESHELF_MEDIA_DIR, "in", writer);
      Check(problem.empty() || problem.rfind("in:", 0) == 0, "a refusal names no line");
      if (problem.empty()) problem = writer.Finish();
    } catch (const std::filesystem::filesystem_error& e) {
      problem = e.what();
    }
  }
  if (!problem.empty()) return;
  ReadBack(disc, words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string source(reinterpret_cast<const char*>(data), size);
  // A few lines only; media named by the input stay inside the sample's directory.
  for (size_t end = 0, lines = 0; (end = source.find('\n', end)) != std::string::npos; ++end) {
    if (++lines == kMaxLines) {
      source.resize(end);
      break;
    }
  }
  // Looked up: the first field of each line, and the first strings in quotes.
  std::vector<std::string> fields, quoted;
  for (size_t at = 0; at < source.size() && fields.size() < kMaxLookups;) {
    const size_t stop = std::min(source.find('\n', at), source.size());
    fields.push_back(source.substr(at, std::min(source.find('\t', at), stop) - at));
    at = stop + 1;
  }
  for (size_t at = source.find('"'); at != std::string::npos && quoted.size() < kMaxLookups;) {
    const size_t close = source.find('"', at + 1);
    if (close == std::string::npos) break;
    quoted.push_back(source.substr(at + 1, close - at - 1));
    at = source.find('"', close + 1);
  }
  Make(source, false, fields);
  if (source.find('/') == std::string::npos && source.find("\\u") == std::string::npos) {
    Make(source, true, quoted);
  }
  return 0;
}
