// The viewer's request handling on the sample book, without a socket: the input is a
// request target (path and query string), decoded and routed as the server does. Every
// answer is a status the viewer means to give, and a JSON answer is valid JSON.
#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "make_command.h"
#include "serve/viewer.h"
#include "support/temp_dir.h"

namespace {

using tomeshelf::cli::Viewer;

struct Sample {
  tomeshelf::testing::TempDir dir;
  std::unique_ptr<Viewer> viewer;
  std::vector<std::pair<std::regex, Viewer::Handler>> routes;
};

Sample sample;  // lives as long as the process, as a server's viewer does

void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::fprintf(stderr, "viewer_fuzzer: %s\n", what.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string disc = (sample.dir.path() / "sample").string();
  std::string args[] = {"make", TOMESHELF_MEDIA_DIR "/sample.jsonl", disc, "--name", "SAMPLE",
                        "--menu", TOMESHELF_MEDIA_DIR "/sample_menu.txt"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  Check(tomeshelf::cli::RunMake(static_cast<int>(argv.size()), argv.data()) == 0, "no sample disc");
  tomeshelf::present::Error error;
  sample.viewer = std::make_unique<Viewer>(std::vector<std::string>{disc}, error);
  Check(!error, "the sample disc does not open");
  for (auto& route : sample.viewer->Routes()) {
    sample.routes.emplace_back(std::regex(route.pattern), std::move(route.handler));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string target(reinterpret_cast<const char*>(data), size);
  target = target.substr(0, target.find('#'));
  const size_t mark = target.find('?');
  if (mark != std::string::npos && target.find('?', mark + 1) != std::string::npos) return 0;
  httplib::Request req;
  req.method = "GET";
  req.target = target;
  req.path = httplib::detail::decode_url(target.substr(0, mark), false);
  if (mark != std::string::npos) httplib::detail::parse_query_text(target.substr(mark + 1), req.params);
  httplib::Response res;
  for (auto& [pattern, handler] : sample.routes) {
    if (std::regex_match(req.path, req.matches, pattern)) {
      handler(req, res);
      break;
    }
  }
  if (res.status == -1) return 0;  // no route: the server's own 404
  Check(res.status == 200 || res.status == 400 || res.status == 404 || res.status == 503,
        "status " + std::to_string(res.status) + " for " + target + ": " + res.body);
  if (res.get_header_value("Content-Type").starts_with("application/json")) {
    Check(!nlohmann::json::parse(res.body, nullptr, false).is_discarded(), "not JSON: " + res.body);
  }
  return 0;
}
