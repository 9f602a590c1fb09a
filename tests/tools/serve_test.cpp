#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

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

TEST_F(ServeTest, EachRouteAnswers) {
  struct Case {
    const char* path;
    const char* type;
    const char* body;  // a part of the body
  };
  const Case cases[] = {
      {"/", "text/html", "<script src=\"app.js\">"},
      {"/app.js", "text/javascript", "api/search"},
      {"/api/books", "application/json", "\"title\":\"Ｔｏｍｅｓｈｅｌｆ"},
      {"/api/search?q=cAT", "application/json", "\"heading\":\"ねこ【猫】\"}],\"how\":\"upper case\""},
      {"/api/search?q=%E3%81%AD&mode=forward", "application/json", "\"at\":\"2:202\""},
      {"/api/search?q=cAT&strict=1", "application/json", "\"total\":0"},
      {"/api/article?at=2:586", "application/json", "\"code\":\"hA121\""},
      {"/api/article?at=2:202", "application/json", "\"next\":\"2:324\",\"previous\":\"2:56\""},
      {"/api/menu", "application/json", "#/article?at=2:0&amp;book=0"},
      {"/api/gaiji/hA121.png?size=24", "image/png", "PNG"},
      {"/api/picture?at=6:984&width=32&height=32", "image/png", "PNG"},
      {"/api/sound?at=5:0&end=6:984&format=0000", "audio/wav", "WAVE"},
  };
  for (const Case& c : cases) {
    auto res = Get(c.path);
    ASSERT_TRUE(res) << c.path;
    EXPECT_EQ(res->status, 200) << c.path << " " << res->body;
    EXPECT_EQ(res->get_header_value("Content-Type").rfind(c.type, 0), 0u) << c.path;
    EXPECT_NE(res->body.find(c.body), std::string::npos) << c.path;
  }
}

TEST_F(ServeTest, BadParametersAreRefusedWithAJsonError) {
  const std::pair<std::string, int> cases[] = {
      {"/api/search", 400},                              // no q
      {"/api/search?q=", 400},
      {"/api/search?q=a&mode=sideways", 400},
      {"/api/search?q=a&q=b", 400},
      {"/api/search?q=a&book=1", 400},                   // one book only
      {"/api/search?q=a&book=-1", 400},
      {"/api/search?q=" + std::string(300, 'a'), 400},
      {"/api/search?q=%F0%9F%98%80", 400},               // no JIS form
      {"/api/search?q=%E0%81%AD", 400},                  // not UTF-8
      {"/api/article?at=5", 400},
      {"/api/article?at=0:0", 400},
      {"/api/article?at=5:2048", 400},
      {"/api/article?at=99999999999:0", 400},
      {"/api/picture?at=2:0&width=0&height=32", 400},
      {"/api/picture?at=2:0&width=32", 400},
      {"/api/sound?at=4:952&end=3:0", 400},
      {"/api/sound?at=3:0&end=4:952&format=zz", 400},
      {"/api/gaiji/hA121.png?size=17", 400},
      {"/api/gaiji/h2121.png", 404},
      {"/api/gaiji/../../etc/passwd", 404},
      {"/api/nothing", 404},
  };
  for (const auto& [path, status] : cases) {
    auto res = Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, status) << path;
    EXPECT_TRUE(nlohmann::json::parse(res->body, nullptr, false).contains("error")) << path;
  }
}

TEST_F(ServeTest, RemovedDiscGivesAnErrorAndServingResumesWhenItIsBack) {
  ASSERT_EQ(Get("/api/search?q=cat")->status, 200);
  fs::rename(disc_, disc_.string() + ".away");
  // The library's watcher sees the change a moment later; on a loaded machine that is not at once.
  auto gone = Get("/api/article?at=2:202");
  for (int i = 0; i < 500 && gone->status == 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    gone = Get("/api/article?at=2:202");
  }
  EXPECT_EQ(gone->status, 503);
  EXPECT_NE(gone->body.find("disc"), std::string::npos);
  EXPECT_EQ(Get("/api/search?q=cat")->status, 503);
  fs::rename(disc_.string() + ".away", disc_);
  EXPECT_EQ(Get("/api/search?q=cat")->status, 200);
  EXPECT_EQ(Get("/api/article?at=2:202")->status, 200);
}

}  // namespace
}  // namespace tomeshelf::cli
