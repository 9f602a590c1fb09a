// The web viewer: the JSON API and the page, served over HTTP. Every library call is made
// under one mutex; each request names the book and position it reads, so no client moves
// another's place. Parameters are checked before any call (400 with a JSON error); no file
// path comes from a request.
#ifndef TOMESHELF_TOOLS_SERVE_VIEWER_H_
#define TOMESHELF_TOOLS_SERVE_VIEWER_H_

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "present/session.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}

namespace tomeshelf::cli {

class Viewer {
 public:
  // Lists the books of the discs; error is set when a disc cannot be read.
  Viewer(std::vector<std::string> discs, present::Error& error);
  ~Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  struct Route {
    std::string pattern;  // matched against the whole decoded path, first match wins
    Handler handler;
  };
  // Every GET route in the order a server tries them; callable without a server.
  std::vector<Route> Routes();
  // Adds the routes to a server.
  void Install(httplib::Server& server);

 private:
  struct Book {
    std::string disc;
    present::BookSummary summary;
  };
  // The session of a book, opened (or reopened) under the lock.
  present::Session& SessionFor(size_t book);

  std::vector<std::string> discs_;
  std::vector<Book> books_;  // the usable books of every disc, in order
  std::mutex mutex_;
  std::unique_ptr<present::Session> session_;
  size_t sessionBook_ = 0;
};

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_SERVE_VIEWER_H_
