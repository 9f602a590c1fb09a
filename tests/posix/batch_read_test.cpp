// Batched reads of the POSIX file: each request of a batch gets exactly what ReadAt gives
// it, through the ring and in a child after fork, where the parent's ring must stay unused.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "platform/platform.h"
#include "support/writer.h"

namespace tomeshelf {
namespace {

TEST(BatchReadTest, EveryRequestAsReadAt) {
  testing::TempDir dir;
  constexpr size_t kSize = 10000;
  std::mt19937 random(5);
  testing::Bytes bytes(kSize);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  testing::WriteFile(dir.path() / "f", bytes);
  const auto file = SystemPlatform().OpenRead((dir.path() / "f").string());
  // Offsets anywhere, past the end and beyond what a read can start at; sizes up to two
  // blocks, cut at the end, empty; batches of one and of more than the ring holds.
  const auto batch = [&](uint32_t seed) {
    std::mt19937 draw(seed);
    std::vector<testing::Bytes> out(seed % 50 + 1);
    std::vector<ReadRequest> requests(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
      out[i].assign(draw() % 4097, 0xEE);
      const uint64_t offset = i % 3 == 0 ? kSize - out[i].size() / 2 : draw() % (kSize + 3000);
      requests[i] = {i == 7 ? uint64_t{1} << 63 : offset, out[i], std::nullopt};
    }
    file->ReadMany(requests);
    for (size_t i = 0; i < out.size(); ++i) {
      testing::Bytes alone(out[i].size(), 0xEE);
      if (file->ReadAt(requests[i].offset, alone) != requests[i].got || alone != out[i]) return false;
    }
    return true;
  };
  for (uint32_t seed = 0; seed < 40; ++seed) EXPECT_TRUE(batch(seed)) << seed;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(batch(45) && batch(33) ? 0 : 1);
  int status = 1;
  EXPECT_TRUE(::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(batch(46));
}

}  // namespace
}  // namespace tomeshelf
