// The POSIX exports beyond the 29: listing every catalog record and opening any usable one,
// and the program's message sink.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/library.h"
#include "support/writer.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {
namespace {

testing::BookFiles Book(uint8_t type, const std::string& title, const std::string& directory,
                        std::vector<uint8_t> areas) {
  testing::TextFileBuilder text;
  for (uint8_t code : areas) text.AddIndexEntry(testing::IndexTableEntry{code, 2, 0, {}, 0});
  return {{type, title, directory, {}}, text.Build(), {}};
}

TEST(BookChoiceTest, EveryRecordListedAndAnyUsableOneOpens) {
  testing::TempDir disc;
  testing::WriteDisc(disc.path(), {Book(0x00, "First", "ONE", {0x90}),
                                   Book(0x60, "Index only", "IDX", {}),
                                   Book(0x10, "Third", "THREE", {0x01, 0x91, 0x71})},
                      testing::NameCase::kIso9660);  // names as such a mount shows them
  EXPECT_EQ(TomeshelfBookCount(), TOMESHELF_FAILED);
  ASSERT_EQ(OpenEpwing(disc.Windows().c_str()), TOMESHELF_OK);
  ASSERT_EQ(TomeshelfBookCount(), 3);
  struct Row { int32_t index; int32_t result; uint8_t type; const char* title; };
  for (const Row& row :
       {Row{0, TOMESHELF_OK, 0x00, "First"}, Row{1, TOMESHELF_MORE, 0x60, "Index only"},
        Row{2, TOMESHELF_OK, 0x10, "Third"}, Row{3, TOMESHELF_REFUSED, 0xEE, ""},
        Row{-1, TOMESHELF_REFUSED, 0xEE, ""}}) {
    uint8_t type = 0xEE;
    char title[TOMESHELF_TITLE_SIZE] = {};
    EXPECT_EQ(TomeshelfGetBook(row.index, &type, title), row.result) << row.index;
    EXPECT_EQ(type, row.type) << row.index;
    EXPECT_STREQ(title, row.title) << row.index;
  }
  EXPECT_EQ(TomeshelfOpenBook(1), TOMESHELF_REFUSED);
  EXPECT_EQ(TomeshelfOpenBook(3), TOMESHELF_REFUSED);
  ASSERT_EQ(TomeshelfOpenBook(2), TOMESHELF_OK);
  EXPECT_EQ(ProcessLibrary().book()->TextPath(), disc.Windows() + "\\THREE\\data\\honmon");
  uint8_t codes[2] = {};
  EXPECT_EQ(TomeshelfGetAreaCodes(codes, 2), 3);  // the count, though only two fit
  EXPECT_EQ(std::vector<uint8_t>(codes, codes + 2), (std::vector<uint8_t>{0x01, 0x91}));
  // The ordinary export still opens the lowest-indexed selected book.
  ASSERT_EQ(epwBooksOpen(), TOMESHELF_OK);
  EXPECT_EQ(ProcessLibrary().book()->TextPath(), disc.Windows() + "\\ONE\\data\\honmon");
  epwBooksClose();
  EXPECT_EQ(TomeshelfGetAreaCodes(codes, 2), TOMESHELF_FAILED);
  CloseEpwing();
}

std::vector<std::string> g_received;

TEST(MessageSinkTest, ProgramSinkReplacesStandardErrorUntilReset) {
  TomeshelfSetMessageSink([](const char* m) { g_received.emplace_back(m); });
  for (const bool sink : {true, false}) {
    ::testing::internal::CaptureStderr();
    SystemPlatform().ShowMessage("The file is not closed");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              sink ? "" : "tomeshelf: The file is not closed\n");
    TomeshelfSetMessageSink(nullptr);
  }
  EXPECT_EQ(g_received, std::vector<std::string>{"The file is not closed"});
}

}  // namespace
}  // namespace tomeshelf
