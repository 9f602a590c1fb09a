#include "serve/viewer.h"

#include <httplib.h>

#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>

#include "serve/web_files.h"

namespace tomeshelf::cli {

namespace {

using nlohmann::json;
using present::Error;
using present::Failure;
using present::Position;

constexpr size_t kMaxQueryBytes = 256;
constexpr size_t kHitLimit = 100;

// A request refused before any library call.
struct BadRequest {
  std::string message;
};

// Text from a disc or its path may not be UTF-8: such bytes become U+FFFD, not a failure.
void SendJson(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json; charset=utf-8");
}

bool IsUtf8(const std::string& text) {
  try {
    static_cast<void>(json(text).dump());
    return true;
  } catch (const json::type_error&) {
    return false;
  }
}

void SendError(httplib::Response& res, int status, const std::string& message) {
  SendJson(res, status, {{"error", message}});
}

int StatusOf(const Error& error) {
  switch (error.kind) {
    case Failure::kNotFound: return 404;
    case Failure::kRefused: return 400;
    default: return 503;
  }
}

std::string Param(const httplib::Request& req, const char* name, const char* fallback = nullptr) {
  if (!req.has_param(name)) {
    if (fallback) return fallback;
    throw BadRequest{std::string("missing parameter ") + name};
  }
  if (req.get_param_value_count(name) != 1) throw BadRequest{std::string("repeated parameter ") + name};
  std::string value = req.get_param_value(name);
  if (value.size() > kMaxQueryBytes) throw BadRequest{std::string(name) + " is too long"};
  return value;
}

uint32_t Number(const std::string& name, const std::string& text, uint32_t lo, uint32_t hi) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
    throw BadRequest{name + " is not a number"};
  }
  const auto v = static_cast<uint32_t>(std::stoul(text));
  if (v < lo || v > hi) {
    throw BadRequest{name + " is out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")"};
  }
  return v;
}

Position At(const httplib::Request& req, const char* name) {
  const auto at = Position::Parse(Param(req, name));
  if (!at) throw BadRequest{std::string(name) + " is not BLOCK:OFFSET"};
  return *at;
}

json OptionalAt(const std::optional<Position>& p) { return p ? json(p->ToString()) : json(nullptr); }

const WebFile* FindWebFile(const std::string& name) {
  for (size_t i = 0; i < kWebFileCount; ++i) {
    if (name == kWebFiles[i].name) return &kWebFiles[i];
  }
  return nullptr;
}

const char* MimeOf(const std::string& name) {
  if (name.ends_with(".html")) return "text/html; charset=utf-8";
  if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
  if (name.ends_with(".css")) return "text/css; charset=utf-8";
  return "application/octet-stream";
}

}  // namespace

Viewer::Viewer(std::vector<std::string> discs, Error& error) : discs_(std::move(discs)) {
  for (const std::string& disc : discs_) {
    for (auto& summary : present::ListBooks(disc, error)) {
      if (summary.usable) books_.push_back({disc, std::move(summary)});
    }
    if (error) return;
  }
  if (books_.empty()) error = {Failure::kNotFound, "the discs hold no book this program reads"};
}

Viewer::~Viewer() = default;

present::Session& Viewer::SessionFor(size_t book) {
  if (!session_ || sessionBook_ != book) {
    session_.reset();
    session_ = std::make_unique<present::Session>(books_[book].disc, books_[book].summary.index);
    sessionBook_ = book;
  }
  return *session_;
}

void Viewer::Install(httplib::Server& server) {
  server.set_payload_max_length(4096);
  for (Route& r : Routes()) server.Get(r.pattern, std::move(r.handler));
}

std::vector<Viewer::Route> Viewer::Routes() {
  std::vector<Route> routes;
  // Every API route: parameters checked, then the library called under the lock.
  auto route = [this, &routes](const char* pattern, auto handler) {
    routes.push_back({pattern, [this, handler](const httplib::Request& req, httplib::Response& res) {
      try {
        const size_t book = Number("book", Param(req, "book", "0"), 0,
                                   static_cast<uint32_t>(books_.size() - 1));
        const auto started = std::chrono::steady_clock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        handler(req, res, SessionFor(book), "book=" + std::to_string(book));
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - started;
        res.set_header("Server-Timing", "library;dur=" + std::to_string(spent.count()));
      } catch (const BadRequest& bad) {
        SendError(res, 400, bad.message);
      } catch (const std::exception& e) {
        SendError(res, 500, e.what());
      }
    }});
  };
  auto fail = [](httplib::Response& res, const Error& error) { SendError(res, StatusOf(error), error.message); };

  routes.push_back({"/api/books", [this](const httplib::Request&, httplib::Response& res) {
    json list = json::array();
    for (size_t i = 0; i < books_.size(); ++i) {
      const auto& b = books_[i].summary;
      list.push_back({{"book", i}, {"title", b.title}, {"disc", books_[i].disc}, {"path", b.path},
                      {"indexes", b.indexes}, {"menu", b.menu}, {"fonts", b.fonts}});
    }
    SendJson(res, 200, {{"books", list}});
  }});

  route("/api/search", [fail](const httplib::Request& req, httplib::Response& res,
                              present::Session& session, const std::string&) {
    const std::string q = Param(req, "q");
    const std::string modeText = Param(req, "mode", "exact");
    const std::string strict = Param(req, "strict", "0");
    if (q.empty()) throw BadRequest{"q is empty"};
    if (!IsUtf8(q)) throw BadRequest{"q is not UTF-8"};
    present::SearchMode mode;
    if (modeText == "exact") mode = present::SearchMode::kExact;
    else if (modeText == "forward") mode = present::SearchMode::kForward;
    else if (modeText == "backward") mode = present::SearchMode::kBackward;
    else throw BadRequest{"mode is exact, forward or backward"};
    if (strict != "0" && strict != "1") throw BadRequest{"strict is 0 or 1"};
    Error error;
    const auto result = session.Search(q, mode, strict == "1", kHitLimit, error);
    if (error) return fail(res, error);
    json hits = json::array();
    for (const auto& h : result.hits) hits.push_back({{"heading", h.heading}, {"at", h.at.ToString()}});
    SendJson(res, 200, {{"query", q}, {"mode", modeText}, {"spelling", result.spelling},
                        {"how", result.how}, {"total", result.total}, {"hits", hits}});
  });

  auto article = [fail](httplib::Response& res, const present::Article& a, const Error& error,
                        const std::string& book) {
    if (error) return fail(res, error);
    SendJson(res, 200, {{"at", a.at.ToString()}, {"previous", OptionalAt(a.previous)},
                        {"next", OptionalAt(a.next)}, {"title", a.document.paragraphs.empty() ? "" :
                            present::Document{{a.document.paragraphs.front()}}.PlainText()},
                        {"document", present::ToJson(a.document)},
                        {"html", present::ToHtml(a.document, book)}});
  };
  route("/api/article", [article](const httplib::Request& req, httplib::Response& res,
                                  present::Session& session, const std::string& book) {
    const Position at = At(req, "at");
    Error error;
    const auto a = session.Read(at, error);
    article(res, a, error, book);
  });
  route("/api/menu", [article](const httplib::Request&, httplib::Response& res,
                               present::Session& session, const std::string& book) {
    Error error;
    const auto a = session.Menu(error);
    article(res, a, error, book);
  });

  auto binary = [fail](httplib::Response& res, const present::Binary& data, const Error& error) {
    if (error) return fail(res, error);
    if (data.bytes.empty()) return SendError(res, 404, "nothing to show there");
    res.set_header("Cache-Control", "max-age=300");
    res.set_content(reinterpret_cast<const char*>(data.bytes.data()), data.bytes.size(), data.mime.c_str());
  };
  route(R"(/api/gaiji/([hz][0-9A-Fa-f]{4})\.png)",
        [binary](const httplib::Request& req, httplib::Response& res, present::Session& session,
                 const std::string&) {
          const std::string code = req.matches[1];
          const std::string size = Param(req, "size", "16");
          if (size != "16" && size != "24" && size != "30" && size != "48") {
            throw BadRequest{"size is 16, 24, 30 or 48"};
          }
          Error error;
          const auto png = session.Glyph(
              {code[0], static_cast<uint16_t>(std::stoul(code.substr(1), nullptr, 16))},
              std::stoi(size), error);
          binary(res, png, error);
        });
  route("/api/picture", [binary](const httplib::Request& req, httplib::Response& res,
                                 present::Session& session, const std::string&) {
    const Position at = At(req, "at");
    Error error;
    if (Param(req, "colour", "0") == "1") {
      binary(res, session.ColourPicture(at, error), error);
      return;
    }
    const uint32_t width = Number("width", Param(req, "width"), 1, 8192);
    const uint32_t height = Number("height", Param(req, "height"), 1, 8192);
    const auto png = session.MonoPicture(at, width, height, error);
    binary(res, png, error);
  });
  route("/api/sound", [binary](const httplib::Request& req, httplib::Response& res,
                               present::Session& session, const std::string&) {
    const Position at = At(req, "at");
    const Position end = At(req, "end");
    const std::string format = Param(req, "format", "0000");
    if (format.size() != 4 || format.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      throw BadRequest{"format is four hex digits"};
    }
    if (end.FileOffset() <= at.FileOffset()) throw BadRequest{"end comes before at"};
    Error error;
    const auto wav = session.Sound(at, end, format, error);
    binary(res, wav, error);
  });

  routes.push_back({"/api/.*", [](const httplib::Request&, httplib::Response& res) {
    SendError(res, 404, "no such API route");
  }});
  routes.push_back({R"(/([a-z]+\.(html|js|css))?)", [](const httplib::Request& req, httplib::Response& res) {
    const std::string name = req.matches[1].length() ? req.matches[1].str() : "index.html";
    const WebFile* file = FindWebFile(name);
    if (!file) return SendError(res, 404, "no such page");
    res.set_content(file->bytes.data(), file->bytes.size(), MimeOf(name));
  }});
  return routes;
}

}  // namespace tomeshelf::cli
