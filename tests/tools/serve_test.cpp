#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <tuple>

#include "serve/viewer.h"
#include "support/temp_dir.h"

namespace tomeshelf::cli {
namespace {

namespace fs = std::filesystem;

// A viewer on a copy of the sample disc, served on a free loopback port.
class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(TOMESHELF_SAMPLE_DISC, disc_, fs::copy_options::recursive);
    present::Error error;
    viewer_ = std::make_unique<Viewer>(std::vector<std::string>{disc_.string()}, error);
    ASSERT_FALSE(error) << error.message;
    viewer_->Install(server_);
    const int port = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port);
  }
  void TearDown() override {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }
  httplib::Result Get(const std::string& path) { return client_->Get(path); }

  testing::TempDir dir_;
  fs::path disc_ = dir_.path() / "disc";
  std::unique_ptr<Viewer> viewer_;
  httplib::Server server_;
  std::thread thread_;
  std::unique_ptr<httplib::Client> client_;
};

// Each request's status and a part of its answer's type and body. What the browser test
// shows (the page, searching, reading, following links, images, sound) is not repeated here.
TEST_F(ServeTest, RequestsAreAnsweredOrRefusedWithAReason) {
  const std::tuple<std::string, int, const char*> cases[] = {
      {"/", 200, "text/html"},
      {"/app.js", 200, "text/javascript"},
      {"/api/books", 200, "\"title\":\"Ｔｏｍｅｓｈｅｌｆ"},
      {"/api/search?q=cAT&strict=1", 200, "\"total\":0"},
      {"/api/article?at=2:586", 200, "\"code\":\"hA121\""},
      {"/api/article?at=2:202", 200, "\"next\":\"2:324\",\"previous\":\"2:56\""},
      {"/api/menu", 200, "#/article?at=2:0&amp;book=0"},
      {"/api/gaiji/hA121.png?size=24", 200, "image/png"},
      {"/api/search", 400, "missing parameter q"},
      {"/api/search?q=", 400, "q is empty"},
      {"/api/search?q=a&mode=sideways", 400, "mode is"},
      {"/api/search?q=a&q=b", 400, "repeated parameter q"},
      {"/api/search?q=a&strict=2", 400, "strict is"},
      {"/api/search?q=a&book=1", 400, "book is out of range"},  // one book only
      {"/api/search?q=a&book=-1", 400, "book is not a number"},
      {"/api/search?q=" + std::string(300, 'a'), 400, "q is too long"},
      {"/api/search?q=%F0%9F%98%80", 400, "characters that books do not hold"},
      {"/api/search?q=%E0%81%AD", 400, "q is not UTF-8"},
      {"/api/article?at=5", 400, "at is not BLOCK:OFFSET"},
      {"/api/article?at=0:0", 400, "at is not"},
      {"/api/article?at=5:2048", 400, "at is not"},
      {"/api/article?at=99999999999:0", 400, "at is not"},
      {"/api/picture?at=2:0&width=0&height=32", 400, "width is out of range"},
      {"/api/picture?at=2:0&width=32", 400, "missing parameter height"},
      {"/api/sound?at=4:952&end=3:0", 400, "end comes before at"},
      {"/api/sound?at=3:0&end=4:952&format=zz", 400, "format is four hex digits"},
      {"/api/gaiji/hA121.png?size=17", 400, "size is"},
      {"/api/gaiji/h2121.png", 404, "no glyph for h2121"},
      {"/api/gaiji/../../etc/passwd", 404, "no such API route"},
      {"/nothing.html", 404, "no such page"},
  };
  for (const auto& [path, status, part] : cases) {
    auto res = Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, status) << path << " " << res->body;
    EXPECT_NE((res->get_header_value("Content-Type") + " " + res->body).find(part), std::string::npos)
        << path << " " << res->body;
  }
}

TEST_F(ServeTest, RemovedDiscGivesAnErrorAndServingResumesWhenItIsBack) {
  ASSERT_EQ(Get("/api/search?q=cat")->status, 200);
  fs::rename(disc_, disc_.string() + ".away");
  // The library's watcher sees the change a moment later; on a loaded machine that is not at once.
  std::string gone;
  for (int i = 0; i < 500 && (gone = Get("/api/article?at=2:202")->body).find("error") == gone.npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NE(gone.find("disc"), std::string::npos);
  EXPECT_EQ(Get("/api/search?q=cat")->status, 503);
  fs::rename(disc_.string() + ".away", disc_);
  EXPECT_EQ(Get("/api/article?at=2:202")->status, 200);
}

}  // namespace
}  // namespace tomeshelf::cli
