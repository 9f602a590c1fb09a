#include "media/picture.h"

#include <limits>
#include <span>

#include "base/bytes.h"
#include "book/open_book.h"
#include "media/caption.h"
#include "text/reference.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf {

namespace {

constexpr size_t kKindAt = 1;
constexpr size_t kFirstDimensionAt = 4;
constexpr size_t kSecondDimensionAt = 8;
constexpr int32_t kDimensionBcdBytes = 4;
constexpr size_t kMonoCaptionAt = 12;
constexpr size_t kColourAddressAt = 14;
constexpr size_t kColourCaptionAt = 20;
constexpr size_t kEndCodeSize = 2;
// A colour picture's data: 4 bytes not read, the little-endian length, then the file.
constexpr uint32_t kColourLengthAt = 4;
constexpr uint32_t kColourFileAt = 8;
constexpr size_t kLengthSize = 4;
// The caller's monochrome header: the first dimension, then the second.
constexpr size_t kSecondDimensionOut = 4;
constexpr uint32_t kBitsPerByte = 8;

int32_t Advance(int32_t offset, uint32_t by) {
  return static_cast<int32_t>(static_cast<uint32_t>(offset) + by);
}

Sized PrepareMono(const uint8_t* reference, char* caption, PendingRead& pending) {
  const uint64_t pixels = uint64_t{static_cast<uint32_t>(DecodeBcd(reference + kFirstDimensionAt,
                                                                   kDimensionBcdBytes))} *
                          static_cast<uint32_t>(DecodeBcd(reference + kSecondDimensionAt,
                                                          kDimensionBcdBytes));
  if (pixels > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    pending = PendingRead{};
    return Sized::Fail(Status::kRefused);
  }
  const auto captionBytes =
      CopyCaption(reference, kMonoCaptionAt, kMonoPictureEnd, kUnboundedCaption, caption);
  if (!captionBytes) return Sized::Fail(Status::kRefused);
  const size_t end = kMonoCaptionAt + *captionBytes;
  const BlockAddress data = DecodeBcdAddress(reference + end + kEndCodeSize);
  pending = PendingRead{static_cast<uint32_t>(pixels / kBitsPerByte), data.FileOffset(),
                        kMonoPicture};
  return Sized::Of(static_cast<int32_t>(pending.bytes + kMonoHeaderSize));
}

Sized PrepareColour(OpenBook& book, const uint8_t* reference, char* caption,
                    PendingRead& pending) {
  if (!CopyCaption(reference, kColourCaptionAt, kColourPictureEnd, kUnboundedCaption, caption)) {
    return Sized::Fail(Status::kRefused);
  }
  const int32_t data = DecodeBcdAddress(reference + kColourAddressAt).FileOffset();
  std::array<uint8_t, kLengthSize> length{};
  const auto got = book.Read(Advance(data, kColourLengthAt), length, ReadOrder::kCheckFirst);
  if (!got || *got < length.size()) return Sized::Fail(Status::kIoError);
  const uint32_t bytes = ReadLe32(length.data());
  // A length the result cannot carry would read as an error code.
  if (bytes > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
    return Sized::Fail(Status::kDamaged);
  }
  pending = PendingRead{bytes, Advance(data, kColourFileAt), kColourPicture};
  return Sized::Of(static_cast<int32_t>(bytes));
}

}  // namespace

Sized PrepareImage(OpenBook& book, const uint8_t* reference, char* caption,
                   PendingRead& pending) {
  if (reference[0] != kEscape) return Sized::Fail(Status::kRefused);
  switch (reference[kKindAt]) {
    case kMonoPicture: return PrepareMono(reference, caption, pending);
    case kColourPicture: return PrepareColour(book, reference, caption, pending);
    default: return Sized::Fail(Status::kRefused);
  }
}

Sized ReadImage(OpenBook& book, const uint8_t* reference, uint8_t* buffer, int32_t& kind,
                PendingRead& pending) {
  // A reference of the other kind would read a colour file as bits, or bits as a file.
  if (pending.bytes == 0 || reference[0] != kEscape || reference[kKindAt] != pending.kind) {
    return Sized::Fail(Status::kRefused);
  }
  std::optional<size_t> got;
  if (reference[kKindAt] == kMonoPicture) {
    kind = TOMESHELF_IMAGE_MONOCHROME;
    WriteLe32(buffer, static_cast<uint32_t>(DecodeBcd(reference + kFirstDimensionAt,
                                                      kDimensionBcdBytes)));
    WriteLe32(buffer + kSecondDimensionOut, static_cast<uint32_t>(DecodeBcd(
                                        reference + kSecondDimensionAt, kDimensionBcdBytes)));
    got = book.Read(pending.offset, std::span<uint8_t>(buffer + kMonoHeaderSize, pending.bytes),
                    ReadOrder::kSeekFirst);
  } else if (reference[kKindAt] == kColourPicture) {
    kind = TOMESHELF_IMAGE_COLOUR;
    got = book.Read(pending.offset, std::span<uint8_t>(buffer, pending.bytes),
                    ReadOrder::kCheckFirst);
  } else {
    return Sized::Fail(Status::kRefused);
  }
  if (!got) return Sized::Fail(Status::kIoError);
  pending = PendingRead{};
  return Sized::Of(static_cast<int32_t>(*got));
}

}  // namespace tomeshelf
