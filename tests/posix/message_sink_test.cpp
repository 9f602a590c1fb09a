#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

std::vector<std::string>& Received() {
  static std::vector<std::string> messages;
  return messages;
}

TEST(MessageSinkTest, ProgramSinkReplacesStandardErrorUntilReset) {
  Received().clear();
  TomeshelfSetMessageSink([](const char* m) { Received().emplace_back(m); });
  ::testing::internal::CaptureStderr();
  SystemPlatform().ShowMessage("The file is not closed");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Received(), std::vector<std::string>{"The file is not closed"});

  TomeshelfSetMessageSink(nullptr);
  ::testing::internal::CaptureStderr();
  SystemPlatform().ShowMessage("The file is not closed");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("The file is not closed\n"),
            std::string::npos);
  EXPECT_EQ(Received().size(), 1u);
}

}  // namespace
}  // namespace tomeshelf
