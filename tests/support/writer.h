// What tests take from the writer: its builders, under the tests' own namespace too, and the
// test-only scratch directory.
#ifndef TOMESHELF_TESTS_SUPPORT_WRITER_H_
#define TOMESHELF_TESTS_SUPPORT_WRITER_H_

#include "support/temp_dir.h"
#include "writer/article_builder.h"
#include "writer/book_builder.h"
#include "writer/index_builder.h"
#include "writer/media_builder.h"

namespace tomeshelf::testing {
using namespace tomeshelf::writer;  // NOLINT: tests name builder parts as testing::X
}  // namespace tomeshelf::testing

#endif  // TOMESHELF_TESTS_SUPPORT_WRITER_H_
