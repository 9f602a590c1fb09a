// books, search, show, follow, menu.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "command_line.h"
#include "commands.h"

namespace tomeshelf::cli {

namespace {

using present::Article;
using present::Error;
using present::Position;
using present::Session;

constexpr size_t kListLimit = 1000;

const char kBooksUsage[] =
    "usage: tomeshelf books [DISC] [--json]\n"
    "  the books the disc's CATALOGS names: title, type, word indexes, menu, gaiji fonts\n";
const char kSearchUsage[] =
    "usage: tomeshelf search [DISC] WORD [--mode exact|forward|backward] [--strict] [--book N] [--json]\n"
    "  the headings of the hits and where their articles are (BLOCK:OFFSET). WORD* begins\n"
    "  with WORD, *WORD ends with it. A word that finds nothing is tried upper-cased,\n"
    "  lower-cased, in the other kana and in the other width; --strict only as typed\n";
const char kShowUsage[] =
    "usage: tomeshelf show [DISC] WORD [HIT] [--next|--prev] [--strict] [--book N] [--json] [--gaiji=codes]\n"
    "  the article of a hit (default the first); --next and --prev the one after or before\n";
const char kFollowUsage[] =
    "usage: tomeshelf follow [DISC] BLOCK:OFFSET [--book N] [--json] [--gaiji=codes]\n"
    "  the article at a place, as links show it: [label](BLOCK:OFFSET)\n";
const char kMenuUsage[] =
    "usage: tomeshelf menu [DISC] [--book N] [--json] [--gaiji=codes]\n"
    "  the book's menu\n";

void PrintJson(const nlohmann::json& j) { std::printf("%s\n", j.dump(2).c_str()); }

nlohmann::json OptionalAt(const std::optional<Position>& p) {
  return p ? nlohmann::json(p->ToString()) : nlohmann::json(nullptr);
}

int PrintArticle(const Article& article, const Arguments& args) {
  if (args.Has("--json")) {
    PrintJson({{"at", article.at.ToString()},
               {"previous", OptionalAt(article.previous)},
               {"next", OptionalAt(article.next)},
               {"document", present::ToJson(article.document)}});
  } else {
    std::printf("%s\n", present::ToTerminal(article.document, args.Get("--gaiji") == "codes").c_str());
  }
  return 0;
}

present::SearchMode ModeOf(const std::string& text, bool& ok) {
  ok = true;
  if (text == "exact") return present::SearchMode::kExact;
  if (text == "forward") return present::SearchMode::kForward;
  if (text == "backward") return present::SearchMode::kBackward;
  ok = false;
  return present::SearchMode::kExact;
}

}  // namespace

int RunBooks(int argc, char** argv) {
  int status = 0;
  auto r = Prepare(argc, argv, kBooksUsage, {}, {}, status);
  if (!r) return status;
  if (!r->args.positional.empty()) return Fail("no such disc directory: " + r->args.positional[0]);
  Error error;
  const auto books = present::ListBooks(r->disc, error);
  if (error) return Failed(error);
  if (r->args.Has("--json")) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& b : books) {
      list.push_back({{"book", b.index}, {"title", b.title}, {"type", b.type}, {"path", b.path},
                      {"usable", b.usable}, {"indexes", b.indexes}, {"menu", b.menu},
                      {"fonts", b.fonts}});
    }
    PrintJson({{"disc", r->disc}, {"books", list}});
    return 0;
  }
  for (const auto& b : books) {
    std::string indexes;
    for (const auto& i : b.indexes) indexes += (indexes.empty() ? "" : ", ") + i;
    std::string fonts;
    for (const auto& f : b.fonts) fonts += (fonts.empty() ? "" : " ") + f;
    std::printf("%d  %s%s\n   type 0x%02X  %s\n   indexes: %s\n   menu: %s   gaiji fonts: %s\n",
                b.index, b.title.c_str(), b.usable ? "" : "  (not a type this program reads)",
                b.type, b.path.c_str(), indexes.empty() ? "none" : indexes.c_str(),
                b.menu ? "yes" : "no", fonts.empty() ? "none" : fonts.c_str());
  }
  return 0;
}

int RunSearch(int argc, char** argv) {
  int status = 0;
  auto r = Prepare(argc, argv, kSearchUsage, {"--strict"}, {"--mode"}, status);
  if (!r) return status;
  if (r->args.positional.size() != 1) return Usage(kSearchUsage);
  bool ok = false;
  const auto mode = ModeOf(r->args.Get("--mode", "exact"), ok);
  if (!ok) return Fail("--mode is exact, forward or backward");
  Session session(r->disc, r->book);
  Error error;
  const auto result = session.Search(r->args.positional[0], mode, r->args.Has("--strict"),
                                     kListLimit, error);
  if (error) return Failed(error);
  if (r->args.Has("--json")) {
    nlohmann::json hits = nlohmann::json::array();
    for (const auto& h : result.hits) hits.push_back({{"heading", h.heading}, {"at", h.at.ToString()}});
    PrintJson({{"query", r->args.positional[0]}, {"spelling", result.spelling},
               {"how", result.how}, {"total", result.total}, {"hits", hits}});
    return 0;
  }
  if (result.total == 0) {
    std::printf("no hits\n");
    return 1;
  }
  if (result.how != "as typed") {
    std::printf("(no hits as typed; found as \"%s\", %s)\n", result.spelling.c_str(), result.how.c_str());
  }
  for (size_t i = 0; i < result.hits.size(); ++i) {
    std::printf("%zu  %s  (%s)\n", i, result.hits[i].heading.c_str(), result.hits[i].at.ToString().c_str());
  }
  if (result.hits.size() < static_cast<size_t>(result.total)) {
    std::printf("... %d hits in all\n", result.total);
  }
  return 0;
}

int RunShow(int argc, char** argv) {
  int status = 0;
  auto r = Prepare(argc, argv, kShowUsage, {"--strict", "--next", "--prev"}, {"--gaiji"}, status);
  if (!r) return status;
  const auto& pos = r->args.positional;
  if (pos.empty() || pos.size() > 2) return Usage(kShowUsage);
  int hit = 0;
  if (pos.size() == 2) {
    if (pos[1].empty() || pos[1].size() > 6 || pos[1].find_first_not_of("0123456789") != std::string::npos) {
      return Fail("HIT is a hit number from 0");
    }
    hit = std::stoi(pos[1]);
  }
  Session session(r->disc, r->book);
  Error error;
  const auto result = session.Search(pos[0], present::SearchMode::kExact, r->args.Has("--strict"),
                                     static_cast<size_t>(hit) + 1, error);
  if (error) return Failed(error);
  if (result.total == 0) return Fail("no hits for " + pos[0]);
  if (static_cast<size_t>(hit) >= result.hits.size()) {
    return Fail("no hit " + std::to_string(hit) + ": " + pos[0] + " has " +
                std::to_string(result.total));
  }
  if (result.how != "as typed" && !r->args.Has("--json")) {
    std::fprintf(stderr, "tomeshelf: no hits as typed; found as \"%s\" (%s)\n",
                 result.spelling.c_str(), result.how.c_str());
  }
  Article article = session.Read(result.hits[static_cast<size_t>(hit)].at, error);
  if (error) return Failed(error);
  if (r->args.Has("--next") || r->args.Has("--prev")) {
    const bool next = r->args.Has("--next");
    const auto to = next ? article.next : article.previous;
    if (!to) return Fail(next ? "this is the last article" : "this is the first article");
    article = session.Read(*to, error);
    if (error) return Failed(error);
  }
  return PrintArticle(article, r->args);
}

int RunFollow(int argc, char** argv) {
  int status = 0;
  auto r = Prepare(argc, argv, kFollowUsage, {}, {"--gaiji"}, status);
  if (!r) return status;
  if (r->args.positional.size() != 1) return Usage(kFollowUsage);
  const auto at = Position::Parse(r->args.positional[0]);
  if (!at) return Fail("give the place as BLOCK:OFFSET (block from 1, offset below 2048)");
  Session session(r->disc, r->book);
  Error error;
  const Article article = session.Read(*at, error);
  if (error) return Failed(error);
  return PrintArticle(article, r->args);
}

int RunMenu(int argc, char** argv) {
  int status = 0;
  auto r = Prepare(argc, argv, kMenuUsage, {}, {"--gaiji"}, status);
  if (!r) return status;
  if (!r->args.positional.empty()) return Usage(kMenuUsage);
  Session session(r->disc, r->book);
  Error error;
  const Article article = session.Menu(error);
  if (error) return Failed(error);
  return PrintArticle(article, r->args);
}

}  // namespace tomeshelf::cli
