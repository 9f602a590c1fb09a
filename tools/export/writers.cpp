#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <zip.h>

#include "export/export.h"

namespace tomeshelf::exporter {

namespace {

using nlohmann::json;

constexpr size_t kProgressEvery = 1000;
constexpr int kYomitanFormat = 3;
// Banks are stamped with a fixed time so that the same book gives the same zip.
constexpr time_t kZipTime = 315532800;  // 1980-01-01, the first time a zip can hold

std::string KeyText(const std::vector<uint8_t>& jis, const present::GaijiMap& gaiji) {
  // Keys show full-width Latin and digits as ASCII, as people type them: read them as a
  // half-width stretch.
  std::vector<uint8_t> bytes;
  bytes.reserve(jis.size() + 2);
  bytes.push_back(0x1F);
  bytes.push_back(0x04);
  for (uint8_t b : jis) bytes.push_back(b);  // not insert: GCC 12 warns falsely on it here
  return LineText(bytes, gaiji);
}

// Structured content flattened for a definition that needs no image.
void AppendPlain(const json& content, std::string& out) {
  for (const json& node : content) {
    if (node.is_string()) {
      out += node.get_ref<const std::string&>();
    } else if (node.at("tag") == "br") {
      out += '\n';
    } else {
      AppendPlain(json::array({node.at("content")}), out);
    }
  }
}

void ShowProgress(size_t done, size_t total) {
  std::fprintf(stderr, "\rexport: %zu of %zu entries", done, total);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

std::vector<Problem> ExportRecords(const ExportRun& run, const RecordSink& sink) {
  std::vector<Problem> problems;
  const auto& entries = run.collected->entries;
  std::vector<int32_t> offsets;
  offsets.reserve(entries.size());
  for (const Entry& e : entries) offsets.push_back(e.textOffset);
  const ArticleContext context{run.gaiji, &offsets};

  std::vector<uint8_t> raw;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (run.progress && i % kProgressEvery == 0) ShowProgress(i, entries.size());
    const Entry& entry = entries[i];
    const ArticleRead read = ReadArticle(*run.book, entry.textOffset, raw);
    if (read == ArticleRead::kFailed) {
      problems.push_back({entry.textOffset, "article unreadable; entry skipped"});
      continue;
    }
    if (read == ArticleRead::kCut) problems.push_back({entry.textOffset, "article cut at 1 MiB"});

    json record = ArticleJson(raw, context);
    record["id"] = i + 1;
    record["position"] = PositionText(entry.textOffset);
    json keys = json::array();
    for (const EntryKey& key : entry.keys) {
      keys.push_back(json{{"key", KeyText(key.jis, *run.gaiji)}, {"index", IndexKindName(key.kind)}});
    }
    record["keys"] = std::move(keys);
    json headings = json::array();
    for (int32_t at : entry.headingOffsets) {
      const auto heading = ReadHeadingAt(*run.book, at);
      if (!heading) {
        problems.push_back({at, "heading unreadable"});
        continue;
      }
      std::string text = LineText(*heading, *run.gaiji);
      if (std::find(headings.begin(), headings.end(), text) == headings.end()) {
        headings.push_back(std::move(text));
      }
    }
    record["headings"] = std::move(headings);
    if (!sink(record)) {
      problems.push_back({entry.textOffset, "output could not be written; export stopped"});
      break;
    }
  }
  if (run.progress) ShowProgress(entries.size(), entries.size());
  return problems;
}

YomitanWriter::YomitanWriter(std::string path, std::string title, GaijiFonts* fonts)
    : path_(std::move(path)), fonts_(fonts), title_(std::move(title)) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tomeshelf-export-XXXXXX").string();
  if (mkdtemp(pattern.data())) tempDir_ = pattern;
}

YomitanWriter::~YomitanWriter() {
  if (tempDir_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(tempDir_, ignored);
}

bool YomitanWriter::Add(const json& record) {
  std::vector<std::string> kana, written, alphabet;
  for (const json& key : record.at("keys")) {
    const std::string& index = key.at("index").get_ref<const std::string&>();
    auto& list = index == "kana" ? kana : index == "written" ? written : alphabet;
    list.push_back(key.at("key").get<std::string>());
  }
  // The written form is the expression and the kana its reading, where the book has both.
  std::vector<std::pair<std::string, std::string>> terms;
  if (!written.empty()) {
    for (const auto& w : written) {
      if (kana.empty()) terms.emplace_back(w, "");
      for (const auto& k : kana) terms.emplace_back(w, k);
    }
  } else {
    for (const auto& k : kana) terms.emplace_back(k, "");
  }
  for (const auto& a : alphabet) terms.emplace_back(a, "");

  const json definitions = json::array({Definition(record)});
  for (auto& [expression, reading] : terms) {
    bank_.push_back(json::array({expression, reading, "", "", 0, definitions,
                                 record.at("id"), ""}));
    if (bank_.size() >= kTermsPerBank && !FlushBank()) return false;
  }
  return true;
}

json YomitanWriter::Definition(const json& record) {
  json content = json::array();
  bool drawn = false;
  for (const json& paragraph : record.at("text").at("paragraphs")) {
    json line = json::array();
    AppendContent(paragraph.at("items"), line, drawn);
    if (line.empty()) continue;  // a paragraph of a picture or sound only
    if (!content.empty()) content.push_back(json{{"tag", "br"}});
    for (json& node : line) content.push_back(std::move(node));
  }
  if (drawn) return json{{"type", "structured-content"}, {"content", std::move(content)}};
  std::string plain;
  AppendPlain(content, plain);
  return plain;
}

// Pictures and sounds are left to the record's lists; a link shows its label.
void YomitanWriter::AppendContent(const json& items, json& out, bool& drawn) {
  for (const json& item : items) {
    const std::string& type = item.at("type").get_ref<const std::string&>();
    if (type == "text" && item.at("emphasis").get<bool>()) {
      out.push_back(json{{"tag", "span"},
                         {"style", {{"fontWeight", "bold"}}},
                         {"content", item.at("text")}});
    } else if (type == "text") {
      out.push_back(item.at("text"));
    } else if (type == "link") {
      AppendContent(item.at("label"), out, drawn);
    } else if (type != "gaiji") {
      continue;
    } else if (const ImageFile& image = Image(item); !image.zipPath.empty()) {
      drawn = true;
      // One em high, as wide as the glyph's proportions make it.
      out.push_back(json{{"tag", "img"},
                         {"path", image.zipPath},
                         {"height", 1.0},
                         {"width", double(image.width) / double(image.height)},
                         {"sizeUnits", "em"},
                         {"collapsible", false},
                         {"collapsed", false},
                         {"background", false},
                         {"verticalAlign", "middle"}});
    } else {
      out.push_back("\u3013");
    }
  }
}

const YomitanWriter::ImageFile& YomitanWriter::Image(const json& gaiji) {
  const bool half = gaiji.at("width") == "half";
  const std::string name = (half ? "h" : "z") + gaiji.at("gaiji").get<std::string>();
  auto [it, fresh] = images_.try_emplace(name);
  if (!fresh || !fonts_ || tempDir_.empty()) return it->second;
  const auto code = static_cast<uint16_t>(std::stoul(name.substr(1), nullptr, 16));
  const auto image = GaijiPng(*fonts_, code, half);
  if (!image) return it->second;
  const std::string file = tempDir_ + "/" + name + ".png";
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(image->png.data()),
            static_cast<std::streamsize>(image->png.size()));
  if (!out.flush()) return it->second;
  it->second = ImageFile{"gaiji/" + name + ".png", image->width, image->height};
  imageFiles_.emplace_back(file, it->second.zipPath);
  return it->second;
}

bool YomitanWriter::FlushBank() {
  if (bank_.empty()) return true;
  if (tempDir_.empty()) return false;
  const std::string file =
      tempDir_ + "/term_bank_" + std::to_string(bankFiles_.size() + 1) + ".json";
  std::ofstream out(file, std::ios::binary);
  out << bank_.dump();
  bank_ = json::array();
  bankFiles_.push_back(file);
  return static_cast<bool>(out.flush());
}

bool YomitanWriter::Finish(std::string& error) {
  if (!FlushBank()) {
    error = "the term banks could not be written to a temporary directory";
    return false;
  }
  int code = 0;
  zip_t* zip = zip_open(path_.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!zip) {
    error = "the zip could not be created: " + path_;
    return false;
  }
  const std::string index = json{{"title", title_},
                                 {"revision", "1"},
                                 {"format", kYomitanFormat},
                                 {"sequenced", true},
                                 {"description", "Exported by tomeshelf"}}
                                .dump();
  bool ok = true;
  auto add = [&](const std::string& name, zip_source_t* source) {
    if (!source) {
      ok = false;
      return;
    }
    const zip_int64_t at = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (at < 0) {
      zip_source_free(source);
      ok = false;
      return;
    }
    zip_file_set_mtime(zip, static_cast<zip_uint64_t>(at), kZipTime, 0);
  };
  add("index.json", zip_source_buffer(zip, index.data(), index.size(), 0));
  for (size_t i = 0; i < bankFiles_.size(); ++i) {
    add("term_bank_" + std::to_string(i + 1) + ".json",
        zip_source_file(zip, bankFiles_[i].c_str(), 0, -1));
  }
  for (const auto& [file, name] : imageFiles_) {
    add(name, zip_source_file(zip, file.c_str(), 0, -1));
  }
  if (!ok || zip_close(zip) != 0) {
    zip_discard(zip);
    error = "the zip could not be written: " + path_;
    return false;
  }
  return true;
}

}  // namespace tomeshelf::exporter
