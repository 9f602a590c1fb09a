// tomeshelf export: every entry of a book, once, with the keys and headings that lead to
// it and its article, as JSON lines or as a Yomitan dictionary.
#ifndef TOMESHELF_TOOLS_EXPORT_EXPORT_H_
#define TOMESHELF_TOOLS_EXPORT_EXPORT_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "book/open_book.h"
#include "media/gaiji_fonts.h"
#include "present/document.h"

namespace tomeshelf::exporter {

enum class IndexKind : uint8_t { kKana, kWritten, kAlphabet };
const char* IndexKindName(IndexKind kind);

struct EntryKey {
  std::vector<uint8_t> jis;  // in reading order, as the index holds it
  IndexKind kind = IndexKind::kKana;
};

// One article of the book and everything that leads to it.
struct Entry {
  int32_t textOffset = 0;
  std::vector<EntryKey> keys;
  std::vector<int32_t> headingOffsets;
};

// Something that could not be read, by its file offset.
struct Problem {
  int32_t fileOffset = 0;
  std::string what;
};

std::string PositionText(int32_t fileOffset);  // "block:offset"

// Entries in book order (by article position) and what the walk had to skip.
struct Collected {
  std::vector<Entry> entries;
  std::vector<Problem> problems;
};

// Walks every word index of the book, both directions, and gathers its entries.
Collected CollectEntries(OpenBook& book);

enum class ArticleRead { kWhole, kCut, kFailed };
// The article at a file offset, up to the marker that ends it or the end of the file.
ArticleRead ReadArticle(OpenBook& book, int32_t offset, std::vector<uint8_t>& out);
// The raw heading at a file offset, cut before its line break.
std::optional<std::vector<uint8_t>> ReadHeadingAt(OpenBook& book, int32_t offset);

struct ArticleContext {
  const present::GaijiMap* gaiji = nullptr;
  const std::vector<int32_t>* entryOffsets = nullptr;  // sorted; entry id = index + 1
};

// The article as {"text": document, "pictures": [...], "sounds": [...]}: the document of
// present::ToJson with mapped gaiji merged into the text, unmapped ones as
// {"type": "gaiji", "gaiji": "A121", "width": "half"} and every link given the id of the
// entry it leads to as "entry" (null when it leads to none); pictures and sounds are the
// document's picture and sound items.
nlohmann::json ArticleJson(const std::vector<uint8_t>& raw, const ArticleContext& context);
// A heading or key as one line of text.
std::string LineText(const std::vector<uint8_t>& raw, const present::GaijiMap& gaiji);

// An external character drawn from the book's fonts, for books read where it has no
// Unicode form.
struct GaijiImage {
  std::vector<uint8_t> png;
  uint32_t width = 0;
  uint32_t height = 0;
};
// The smallest glyph of the code the book's fonts hold, as a PNG; nullopt when none does.
std::optional<GaijiImage> GaijiPng(GaijiFonts& fonts, uint16_t code, bool half);

// Reads every entry's headings and article and hands its record to the sink, in book order.
// Articles that cannot be read are reported and their entries left out.
using RecordSink = std::function<bool(const nlohmann::json& record)>;
struct ExportRun {
  OpenBook* book = nullptr;
  const Collected* collected = nullptr;
  const present::GaijiMap* gaiji = nullptr;
  bool progress = false;
};
std::vector<Problem> ExportRecords(const ExportRun& run, const RecordSink& sink);

// A Yomitan dictionary zip, built bank by bank; banks wait in a temporary directory.
// Definitions are plain text, or structured content with images of the external
// characters that have no mapping, when the book's fonts draw them.
class YomitanWriter {
 public:
  static constexpr size_t kTermsPerBank = 10000;
  YomitanWriter(std::string path, std::string title, GaijiFonts* fonts = nullptr);
  ~YomitanWriter();
  YomitanWriter(const YomitanWriter&) = delete;
  YomitanWriter& operator=(const YomitanWriter&) = delete;

  bool Add(const nlohmann::json& record);
  // Writes the zip; false with a message when it could not be written.
  bool Finish(std::string& error);

 private:
  bool FlushBank();
  // Structured content when it shows an image, else plain text.
  nlohmann::json Definition(const nlohmann::json& record);
  void AppendContent(const nlohmann::json& items, nlohmann::json& out, bool& drawn);
  struct ImageFile {
    std::string zipPath;  // empty when the fonts cannot draw the code
    uint32_t width = 0;
    uint32_t height = 0;
  };
  // The image of an unmapped external character item, written on first use.
  const ImageFile& Image(const nlohmann::json& gaiji);

  std::string path_;
  GaijiFonts* fonts_;
  std::unordered_map<std::string, ImageFile> images_;  // by "h"/"z" and the code
  std::vector<std::pair<std::string, std::string>> imageFiles_;  // file, zip path
  std::string title_;
  std::string tempDir_;
  nlohmann::json bank_ = nlohmann::json::array();
  std::vector<std::string> bankFiles_;
};

// `tomeshelf export DISC [--book N] --format jsonl|yomitan [-o FILE] [--gaiji-map FILE]`;
// argv as main's. 0 when every entry was exported, 1 when something was skipped.
int RunExport(int argc, char** argv);

}  // namespace tomeshelf::exporter

#endif  // TOMESHELF_TOOLS_EXPORT_EXPORT_H_
