#include "make_command.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "make_input.h"
#include "writer/book_writer.h"

namespace tomeshelf::cli {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using writer::Entry;
using writer::KeyKind;
using writer::Paragraph;

const char kUsage[] =
    "usage: tomeshelf make SOURCE DISC [--title TEXT] [--name DIR] [--type N] [--menu FILE] [--force]\n"
    "  SOURCE  .tsv (headword<TAB>reading<TAB>text) or .jsonl (one entry object a line)\n"
    "  DISC    the directory to write; an existing one only with --force\n";

struct Options {
  fs::path source, disc, menu;
  writer::BookOptions book;
  bool force = false;
};

std::string DefaultName(const fs::path& source) {
  std::string name;
  for (char c : source.stem().string()) {
    if (std::isalnum(static_cast<unsigned char>(c)) && name.size() < 8) {
      name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return name.empty() ? "BOOK" : name;
}

std::string ParseOptions(int argc, char** argv, Options& o) {
  std::vector<std::string> positional;
  bool named = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool takesValue = a == "--title" || a == "--name" || a == "--type" || a == "--menu";
    if (takesValue && i + 1 >= argc) return a + " needs a value";
    if (a == "--title") o.book.title = argv[++i];
    else if (a == "--name") { o.book.directory = argv[++i]; named = true; }
    else if (a == "--type") {
      const std::string v = argv[++i];
      char* end = nullptr;
      const unsigned long t = std::strtoul(v.c_str(), &end, 0);
      if (v.empty() || *end != '\0' || t > 0xFF) return "--type takes a number from 0 to 255";
      o.book.type = static_cast<uint8_t>(t);
    } else if (a == "--menu") o.menu = argv[++i];
    else if (a == "--force") o.force = true;
    else if (a.rfind("--", 0) == 0) return "unknown option " + a;
    else positional.push_back(a);
  }
  if (positional.size() != 2) return "give SOURCE and DISC";
  o.source = positional[0];
  o.disc = positional[1];
  if (!named) o.book.directory = DefaultName(o.source);
  if (o.book.title.empty()) o.book.title = o.source.stem().string();
  const std::string& d = o.book.directory;
  bool ok = !d.empty() && d.size() <= 8;
  for (char c : d) ok = ok && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
  if (!ok) return "--name takes 1 to 8 upper-case letters, digits or _";
  return "";
}

// "[[word]]" and "[[word|label]]" in a paragraph become links.
Paragraph ParseParagraph(const std::string& text) {
  Paragraph p;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find("[[", at);
    const size_t close = open == std::string::npos ? open : text.find("]]", open + 2);
    if (close == std::string::npos) {
      p.push_back({text.substr(at), ""});
      break;
    }
    if (open > at) p.push_back({text.substr(at, open - at), ""});
    const std::string inside = text.substr(open + 2, close - open - 2);
    const size_t bar = inside.find('|');
    const std::string target = inside.substr(0, bar);
    p.push_back({bar == std::string::npos ? inside : inside.substr(bar + 1), target});
    at = close + 2;
  }
  return p;
}

class SourceReader {
 public:
  SourceReader(const fs::path& dir, const std::string& name, writer::BookWriter& w) : w_(w), dir_(dir), name_(name) {}

  std::string Read(std::istream& in, bool jsonl) {
    // Gaiji first, so that text before the entry that defines a character gets its code too.
    if (jsonl) {
      if (std::string p = Lines(in, [&](const std::string& line, const std::string& where) {
            return line.find("\"gaiji\"") == std::string::npos ? std::string() : JsonLine(line, where, true);
          });
          !p.empty()) {
        return p;
      }
      in.clear();
      in.seekg(0);
    }
    return Lines(in, [&](const std::string& line, const std::string& where) {
      return jsonl ? JsonLine(line, where, false) : TsvLine(line, where);
    });
  }

 private:
  template <typename Each>
  std::string Lines(std::istream& in, Each each) {
    std::string line;
    for (size_t n = 1; std::getline(in, line); ++n) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      if (std::string p = each(line, name_ + ":" + std::to_string(n)); !p.empty()) return p;
    }
    return "";
  }

  std::string TsvLine(const std::string& line, const std::string& where) {
    std::vector<std::string> fields;
    for (size_t at = 0;;) {
      const size_t tab = line.find('\t', at);
      fields.push_back(line.substr(at, tab == std::string::npos ? tab : tab - at));
      if (tab == std::string::npos) break;
      at = tab + 1;
    }
    if (fields.size() != 3) return where + ": fields: expected headword<TAB>reading<TAB>text";
    if (fields[0].empty()) return where + ": headword: empty";
    Entry e;
    e.where = where;
    e.keys.push_back({fields[0], std::nullopt});
    if (!fields[1].empty()) {
      e.keys.push_back({fields[1], KeyKind::kKana});
      e.heading = fields[1] + "【" + fields[0] + "】";
    }
    std::string text;
    for (size_t i = 0; i < fields[2].size(); ++i) {
      const char c = fields[2][i];
      if (c == '\\' && i + 1 < fields[2].size()) {
        const char next = fields[2][++i];
        text += next == 'n' ? '\n' : next == 't' ? '\t' : next;
      } else {
        text += c;
      }
    }
    for (size_t at = 0; at <= text.size();) {
      const size_t nl = std::min(text.find('\n', at), text.size());
      e.text.push_back({{text.substr(at, nl - at), ""}});
      at = nl + 1;
    }
    return w_.Add(e);
  }

  std::string File(const json& v, const std::string& where, const char* field, std::string& caption, fs::path& file) {
    if (v.is_string()) {
      file = dir_ / v.get<std::string>();
      return "";
    }
    if (!v.is_object() || !v.contains("file") || !v["file"].is_string()) {
      return where + ": " + field + ": expected a file name or {\"file\": ..., \"caption\": ...}";
    }
    file = dir_ / v["file"].get<std::string>();
    if (v.contains("caption") && v["caption"].is_string()) caption = v["caption"].get<std::string>();
    return "";
  }

  std::string Gaiji(const json& v, const std::string& where) {
    if (!v.is_object()) return where + ": gaiji: expected {\"character\": \"file.pbm\" or [files]}";
    for (const auto& [character, files] : v.items()) {
      std::vector<writer::Glyph> glyphs;
      for (const json& f : files.is_array() ? files : json::array({files})) {
        if (!f.is_string()) return where + ": gaiji: expected PBM file names";
        writer::Glyph g;
        if (std::string p = ReadGlyph(dir_ / f.get<std::string>(), g); !p.empty()) return where + ": gaiji: " + p;
        glyphs.push_back(std::move(g));
      }
      if (std::string p = w_.DefineGaiji(character, glyphs, where); !p.empty()) return p;
    }
    return "";
  }

  std::string JsonLine(const std::string& line, const std::string& where, bool gaijiOnly) {
    const json j = json::parse(line, nullptr, false);
    if (j.is_discarded()) return where + ": the line is not valid JSON";
    if (!j.is_object()) return where + ": expected one JSON object";
    if (gaijiOnly) return j.contains("gaiji") ? Gaiji(j["gaiji"], where) : "";
    Entry e;
    e.where = where;
    for (const auto& [field, v] : j.items()) {
      const std::string bad = where + ": " + field + ": ";
      if (field == "keys") {
        for (const json& k : v.is_array() ? v : json::array({v})) {
          if (k.is_string()) {
            e.keys.push_back({k.get<std::string>(), std::nullopt});
            continue;
          }
          if (!k.is_object() || !k.contains("key") || !k["key"].is_string()) return bad + "expected strings or {\"key\": ..., \"kind\": ...}";
          writer::Key key{k["key"].get<std::string>(), std::nullopt};
          if (k.contains("kind")) {
            const std::string kind = k["kind"].is_string() ? k["kind"].get<std::string>() : "";
            if (kind == "kana") key.kind = KeyKind::kKana;
            else if (kind == "written") key.kind = KeyKind::kWritten;
            else if (kind == "alphabet") key.kind = KeyKind::kAlphabet;
            else return bad + "kind is kana, written or alphabet";
          }
          e.keys.push_back(std::move(key));
        }
      } else if (field == "heading") {
        if (!v.is_string()) return bad + "expected a string";
        e.heading = v.get<std::string>();
      } else if (field == "text") {
        for (const json& para : v.is_array() ? v : json::array({v})) {
          if (para.is_string()) {
            e.text.push_back(ParseParagraph(para.get<std::string>()));
            continue;
          }
          Paragraph p;
          for (const json& piece : para.is_array() ? para : json::array({para})) {
            if (piece.is_string()) {
              p.push_back({piece.get<std::string>(), ""});
            } else if (piece.is_object() && piece.contains("link") && piece["link"].is_string()) {
              const std::string target = piece["link"].get<std::string>();
              const bool labelled = piece.contains("label") && piece["label"].is_string();
              p.push_back({labelled ? piece["label"].get<std::string>() : target, target});
            } else {
              return bad + "expected strings and {\"link\": headword}";
            }
          }
          e.text.push_back(std::move(p));
        }
      } else if (field == "picture" || field == "sound") {
        std::string caption;
        fs::path file;
        if (std::string p = File(v, where, field.c_str(), caption, file); !p.empty()) return p;
        if (field == "picture") {
          e.picture.emplace();
          e.picture->caption = caption;
          if (std::string p = ReadPicture(file, *e.picture); !p.empty()) return bad + p;
        } else {
          e.sound.emplace();
          e.sound->caption = caption;
          if (std::string p = ReadSound(file, *e.sound); !p.empty()) return bad + p;
        }
      } else if (field != "gaiji") {
        return bad + "unknown field";
      }
    }
    return w_.Add(e);
  }

  writer::BookWriter& w_;
  fs::path dir_;
  std::string name_;
};

std::string ReadMenu(const fs::path& file, writer::BookWriter& w) {
  std::ifstream in(file);
  if (!in) return "cannot read " + file.string();
  std::vector<std::pair<std::string, std::string>> items;
  std::string line;
  for (size_t n = 1; std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) items.emplace_back(line, file.filename().string() + ":" + std::to_string(n));
  }
  w.SetMenu(std::move(items));
  return "";
}

// The whole book into `dir`.
std::string Write(const Options& o, const fs::path& dir, size_t& entries, size_t& substituted,
                  std::vector<std::string>& places) {
  std::ifstream in(o.source, std::ios::binary);
  if (!in) return "cannot read " + o.source.string();
  const std::string ext = o.source.extension().string();
  if (ext != ".tsv" && ext != ".jsonl") return o.source.string() + ": the source must be .tsv or .jsonl";
  writer::BookWriter w(dir, o.book);
  if (std::string p = ReadSource(in, ext == ".jsonl", o.source.parent_path(), o.source.filename().string(), w);
      !p.empty()) {
    return p;
  }
  if (!o.menu.empty()) {
    if (std::string p = ReadMenu(o.menu, w); !p.empty()) return p;
  }
  if (std::string p = w.Finish(); !p.empty()) return p;
  entries = w.entries();
  substituted = w.encoder().substituted();
  places = w.encoder().places();
  return "";
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tomeshelf make: %s\n", message.c_str());
  return 1;
}

}  // namespace

std::string ReadSource(std::istream& in, bool jsonl, const fs::path& dir, const std::string& name,
                       writer::BookWriter& w) {
  return SourceReader(dir, name, w).Read(in, jsonl);
}

int RunMake(int argc, char** argv) {
  Options o;
  if (std::string p = ParseOptions(argc, argv, o); !p.empty()) {
    std::fprintf(stderr, "tomeshelf make: %s\n%s", p.c_str(), kUsage);
    return 2;
  }
  std::error_code ec;
  if (fs::exists(o.disc, ec) && !o.force) return Fail(o.disc.string() + ": already there (--force replaces it)");
  // Written beside DISC and renamed into place, so that a failure leaves nothing behind.
  const fs::path target = fs::absolute(o.disc, ec);
  const fs::path temp = target.parent_path() /
                        ("." + target.filename().string() + ".tmp" + std::to_string(std::random_device{}()));
  size_t entries = 0, substituted = 0;
  std::vector<std::string> places;
  std::string problem;
  try {
    fs::create_directories(temp);
    problem = Write(o, temp, entries, substituted, places);
    if (problem.empty()) {
      if (o.force) fs::remove_all(target);
      fs::rename(temp, target);
    }
  } catch (const std::exception& e) {
    problem = e.what();
  }
  if (!problem.empty()) {
    fs::remove_all(temp, ec);
    return Fail(problem);
  }
  std::printf("tomeshelf make: %zu entries written to %s\n", entries, o.disc.string().c_str());
  if (substituted > 0) {
    std::string first;
    for (const std::string& p : places) first += "\n  " + p;
    std::fprintf(stderr, "tomeshelf make: %zu characters have no JIS X 0208 form and no gaiji picture; "
                 "written as 〓. First at:%s\n", substituted, first.c_str());
  }
  return 0;
}

}  // namespace tomeshelf::cli
