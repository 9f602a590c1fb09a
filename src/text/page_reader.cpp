#include "text/page_reader.h"

#include "text/reference.h"

namespace tomeshelf {

Sized PageReader::GetWordCont(int32_t hit, std::span<uint8_t> buffer, uint32_t& count) {
  if (!book_.Hits().Contains(hit)) return Sized::Fail(Status::kRefused);
  state_.chunkStart = book_.Hits()[hit].textOffset;
  return ReadPage(ReadOrder::kSeekFirst, true, buffer, count);
}

Sized PageReader::GetWordContNext(std::span<uint8_t> buffer, uint32_t& count) {
  state_.chunkStart = state_.nextPos;
  return ReadPage(ReadOrder::kSeekFirst, true, buffer, count);
}

Sized PageReader::GetWordContLast(std::span<uint8_t> buffer, uint32_t& count) {
  if (state_.chunkStart < 0) return Sized::Fail(Status::kIoError);
  // The size is compared as a signed number, as callers of the 32-bit interface pass it.
  const auto size = static_cast<int32_t>(buffer.size());
  size_t length = buffer.size();
  if (state_.chunkStart < size) {
    length = static_cast<size_t>(state_.chunkStart);
    state_.chunkStart = 0;
  } else {
    state_.chunkStart = static_cast<int32_t>(static_cast<uint32_t>(state_.chunkStart) -
                                             static_cast<uint32_t>(buffer.size()));
  }
  return ReadPage(ReadOrder::kSeekFirst, true, buffer.first(length), count);
}

Sized PageReader::GetLinkContent(const uint8_t* reference, std::span<uint8_t> buffer,
                                 uint32_t& count) {
  if (reference[0] != kEscape) {
    book_.platform().ShowMessage("SuperLink Error1");
    return Sized::Fail(Status::kRefused);
  }
  const uint8_t kind = reference[kReferenceKindAt];
  if (kind != kLinkStartCode && kind != kMenuStartCode) {
    book_.platform().ShowMessage("SuperLink Error2");
    return Sized::Fail(Status::kRefused);
  }
  const auto target =
      FindReferenceTarget(reference, kind == kLinkStartCode ? kLinkEndCode : kMenuEndCode);
  if (!target) return Sized::Fail(Status::kRefused);
  state_.chunkStart = *target;
  return ReadPage(ReadOrder::kCheckFirst, false, buffer, count);
}

Sized PageReader::GetLinkContByPt(int32_t offset, std::span<uint8_t> buffer, uint32_t& count) {
  if (offset < 0) return Sized::Fail(Status::kRefused);
  state_.chunkStart = offset;
  return ReadPage(ReadOrder::kCheckFirst, false, buffer, count);
}

Sized PageReader::ReadPage(ReadOrder order, bool countInArticle, std::span<uint8_t> buffer,
                           uint32_t& count) {
  const auto got = book_.Read(state_.chunkStart, buffer, order);
  if (!got) return Sized::Fail(Status::kIoError);
  if (countInArticle) state_.articleBytesRead = static_cast<uint32_t>(*got);
  count = static_cast<uint32_t>(*got);
  state_.nextPos = OffsetAfter(state_.chunkStart, *got);
  return Sized::Of(state_.chunkStart);
}

Sized GetMenuOffset(const OpenBook& book) {
  for (const IndexEntry& entry : book.IndexTable()) {
    if (entry.Code() != kMenuArea) continue;
    const int32_t offset = BlockAddress{entry.StartBlock(), 0}.FileOffset();
    // A block of 0, or one past 2 GiB, cannot be handed out as a position.
    if (offset < 0) return Sized::Fail(Status::kNotFound);
    return Sized::Of(offset);
  }
  return Sized::Fail(Status::kNotFound);
}

}  // namespace tomeshelf
