#include "writer/article_builder.h"

namespace tomeshelf::writer {

namespace {
constexpr uint8_t kArticleStartCode = 0x41;
constexpr uint8_t kArticleStartParameter = 0x01;
constexpr uint8_t kTextEndCode = 0x03;
constexpr uint8_t kLineBreakCode = 0x0A;
constexpr uint8_t kLinkStart = 0x42;
constexpr uint8_t kLinkEnd = 0x62;
constexpr uint8_t kMenuStart = 0x43;
constexpr uint8_t kMenuEnd = 0x63;
constexpr uint8_t kMenuAreaCode = 0x01;
// JIS X 0208 rows and cells run from 0x21 to 0x7E.
constexpr uint32_t kFirstCode = 0x21;
constexpr uint32_t kCodesPerRow = 94;
constexpr uint32_t kFirstRow = 0x30;  // the kanji rows
constexpr uint32_t kRows = 40;
}  // namespace

Bytes ArticleStart(uint8_t parameter) {
  return {kControl, kArticleStartCode, kArticleStartParameter, parameter};
}

Bytes TextEnd() { return {kControl, kTextEndCode}; }

Bytes LineBreak() { return {kControl, kLineBreakCode}; }

Bytes Chars(size_t n, uint32_t seed) {
  Bytes out;
  out.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t k = static_cast<uint32_t>(i) + seed * 7919;
    out.push_back(static_cast<uint8_t>(kFirstRow + (k / kCodesPerRow) % kRows));
    out.push_back(static_cast<uint8_t>(kFirstCode + k % kCodesPerRow));
  }
  return out;
}

Bytes ReferenceBytes(uint8_t startCode, uint8_t endCode, const Bytes& label, uint32_t block,
                     uint32_t offset) {
  return Join({{kControl, startCode}, label, {kControl, endCode}, Bcd(block, 4), Bcd(offset, 2)});
}

Bytes LinkTo(uint32_t fileOffset, const Bytes& label) {
  return ReferenceBytes(kLinkStart, kLinkEnd, label, fileOffset / kBlock + 1, fileOffset % kBlock);
}

Bytes MenuLinkTo(uint32_t fileOffset, const Bytes& label) {
  return ReferenceBytes(kMenuStart, kMenuEnd, label, fileOffset / kBlock + 1, fileOffset % kBlock);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

ArticleWriter ArticleWriter::InBlocks(TextFileBuilder& file, uint32_t n) {
  return ArticleWriter(file, Offset(file.ReserveBlocks(n)));
}

uint32_t ArticleWriter::Article(const Bytes& body, uint8_t parameter) {
  const uint32_t start = Raw(ArticleStart(parameter));
  Raw(body);
  return start;
}

uint32_t ArticleWriter::Heading(const Bytes& text) {
  const uint32_t start = Raw(text);
  Raw(LineBreak());
  return start;
}

uint32_t ArticleWriter::Raw(const Bytes& bytes) {
  const uint32_t start = at_;
  file_.Put(at_, bytes);
  at_ += static_cast<uint32_t>(bytes.size());
  return start;
}

void AddMenuArea(TextFileBuilder& file, uint32_t startBlock) {
  file.AddIndexEntry({kMenuAreaCode, startBlock});
}

}  // namespace tomeshelf::writer
