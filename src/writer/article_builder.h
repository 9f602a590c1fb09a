// Article text as a book stores it: start markers, two-byte characters, control sequences
// and references, written one after another into a TextFileBuilder. Like the book builder
// it writes the format from its description and shares no code with the library.
#ifndef TOMESHELF_WRITER_ARTICLE_BUILDER_H_
#define TOMESHELF_WRITER_ARTICLE_BUILDER_H_

#include <cstdint>
#include <initializer_list>

#include "writer/book_builder.h"

namespace tomeshelf::writer {

inline constexpr uint8_t kControl = 0x1F;

// 0x1F 0x41 0x01 and the parameter byte that opens an article.
Bytes ArticleStart(uint8_t parameter = 0x00);
// 0x1F 0x03.
Bytes TextEnd();
// 0x1F 0x0A.
Bytes LineBreak();
// n two-byte JIS characters, none holding 0x1F; `seed` varies them so that text from two
// places of a book never looks alike.
Bytes Chars(size_t n, uint32_t seed = 0);
// A link (0x1F 0x42 ... 0x1F 0x62) or menu (0x1F 0x43 ... 0x1F 0x63) reference to a file
// offset: the label, then the target's block and offset in packed BCD.
Bytes LinkTo(uint32_t fileOffset, const Bytes& label = Chars(2));
Bytes MenuLinkTo(uint32_t fileOffset, const Bytes& label = Chars(2));
// The same from a block address, for targets no offset can name (block 0, say).
Bytes ReferenceBytes(uint8_t startCode, uint8_t endCode, const Bytes& label, uint32_t block,
                     uint32_t offset);
Bytes Join(std::initializer_list<Bytes> parts);

// Writes text into a TextFileBuilder from a starting file offset onwards.
class ArticleWriter {
 public:
  ArticleWriter(TextFileBuilder& file, uint32_t fileOffset) : file_(file), at_(fileOffset) {}
  // Starts at the first byte of n fresh blocks of the file.
  static ArticleWriter InBlocks(TextFileBuilder& file, uint32_t n);

  // An article: its start marker, then the body. Returns the article's file offset.
  uint32_t Article(const Bytes& body, uint8_t parameter = 0x00);
  // A heading: the text, then a line break. Returns its file offset.
  uint32_t Heading(const Bytes& text);
  // Bytes as they are. Returns their file offset.
  uint32_t Raw(const Bytes& bytes);
  // Goes on at a later file offset; the gap is left as it is (zero bytes unless written).
  void SkipTo(uint32_t fileOffset) { at_ = fileOffset; }

 private:
  TextFileBuilder& file_;
  uint32_t at_;
};

// Names the menu area, starting at a block, in the index table.
void AddMenuArea(TextFileBuilder& file, uint32_t startBlock);

}  // namespace tomeshelf::writer

#endif  // TOMESHELF_WRITER_ARTICLE_BUILDER_H_
