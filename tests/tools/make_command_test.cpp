// `tomeshelf make` refuses bad input with one message naming file, line and field, and
// leaves nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "make_command.h"
#include "support/temp_dir.h"

namespace tomeshelf::cli {
namespace {

namespace fs = std::filesystem;

// The source's file name in a scratch directory, its lines and a part of the message.
const std::tuple<const char*, const char*, const char*> kBadInputs[] = {
    {"w.jsonl", "{\"keys\": [\"cat\"]}\n{\"keys\": [\"dog\"], \"colour\": 1}\n", "w.jsonl:2: colour: unknown field"},
    {"w.jsonl", "{\"keys\": [\"cat\"\n", "w.jsonl:1: the line is not valid JSON"},
    {"w.jsonl", "{\"keys\": [\"cat\"], \"text\": [\"see [[nothing]]\"]}\n",
     "w.jsonl:1: text: no entry has the headword \"nothing\""},
    {"w.jsonl", "{\"keys\": [\"cat\"], \"picture\": \"missing.bmp\"}\n", "w.jsonl:1: picture: cannot read"},
    {"w.jsonl", "{\"keys\": [\"cat\"], \"picture\": \"w.jsonl\"}\n", "w.jsonl:1: picture: "},
    {"w.jsonl", "{\"keys\": [\"cat\", \"!?\"]}\n", "w.jsonl:1: keys: \"!?\" is empty after normalisation"},
    {"w.tsv", "cat\tねこ\tthe animal\ndog\tいぬ\n", "w.tsv:2: fields: expected headword<TAB>reading<TAB>text"},
    {"w.tsv", "cat\tねこ\tthe animal\n", "already there"},
};

TEST(MakeCommandTest, BadInputIsNamedAndLeavesNothingBehind) {
  for (const auto& [name, lines, message] : kBadInputs) {
    testing::TempDir dir;
    std::ofstream(dir.path() / name) << lines;
    const bool existing = std::string(message) == "already there";
    if (existing) fs::create_directory(dir.path() / "disc");
    std::string source = (dir.path() / name).string(), disc = (dir.path() / "disc").string();
    std::vector<char*> argv{const_cast<char*>("make"), source.data(), disc.data()};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunMake(static_cast<int>(argv.size()), argv.data()), 1) << message;
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(message), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), existing ? 2 : 1) << message;
  }
}

}  // namespace
}  // namespace tomeshelf::cli
