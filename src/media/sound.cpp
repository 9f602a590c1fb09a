#include "media/sound.h"

#include <limits>
#include <span>

#include "book/open_book.h"
#include "media/caption.h"
#include "text/reference.h"

namespace tomeshelf {

namespace {

constexpr size_t kKindAt = 1;
constexpr size_t kSoundKindAt = 3;
constexpr uint8_t kLowHalf = 0x0F;
constexpr uint32_t kHalfBits = 4;
constexpr size_t kFormatAt = 4;
constexpr size_t kStartAt = 6;
constexpr size_t kEndAt = 12;
constexpr size_t kDataCaptionAt = 18;
// The value layout of a 0x48 reference, from its base byte; the caption follows it.
constexpr std::array<size_t, 5> kValueAt = {0, 2, 3, 6, 7};
constexpr size_t kValuesCaptionAt = 10;
constexpr size_t kValuesBase = 2;
constexpr int32_t kValueBcdBytes = 1;

// Record kinds.
constexpr uint8_t kRecordValues = 0;

uint8_t LowHalf(uint8_t b) { return static_cast<uint8_t>(b & kLowHalf); }
uint8_t HighHalf(uint8_t b) { return static_cast<uint8_t>(b >> kHalfBits); }

Status ReadValues(const uint8_t* reference, size_t base, uint8_t endCode, SoundProp& prop) {
  if (!CopyCaption(reference, base + kValuesCaptionAt, endCode, kMaxSoundCaption, prop.caption)) {
    return Status::kRefused;
  }
  prop.kind = kRecordValues;
  for (size_t v = 0; v < kValueAt.size(); ++v) {
    prop.values[v] = static_cast<uint8_t>(DecodeBcd(reference + base + kValueAt[v], kValueBcdBytes));
  }
  return Status::kOk;
}

}  // namespace

Status ReadSoundProp(const uint8_t* reference, SoundProp& prop) {
  if (reference[0] != kEscape) return Status::kRefused;
  if (reference[kKindAt] == kSoundValues) {
    return ReadValues(reference, kValuesBase, kSoundValuesEnd, prop);
  }
  if (reference[kKindAt] != kSoundData) return Status::kRefused;

  const uint8_t soundKind = LowHalf(reference[kSoundKindAt]);
  if (soundKind != kSoundInTextFile) {
    // Read as the values of a 0x48 reference one byte further on; its caption still ends
    // at this reference's own end code.
    return ReadValues(reference, kSoundKindAt, kSoundDataEnd, prop);
  }
  if (!CopyCaption(reference, kDataCaptionAt, kSoundDataEnd, kMaxSoundCaption, prop.caption)) {
    return Status::kRefused;
  }
  prop.kind = soundKind;
  // Halves of byte 4 go low first, those of byte 5 high first.
  prop.format[0] = LowHalf(reference[kFormatAt]);
  prop.format[1] = HighHalf(reference[kFormatAt]);
  prop.format[2] = HighHalf(reference[kFormatAt + 1]);
  prop.format[3] = LowHalf(reference[kFormatAt + 1]);
  return Status::kOk;
}

Sized PrepareSound(const uint8_t* reference, PendingRead& pending) {
  if (reference[0] != kEscape || reference[kKindAt] != kSoundData ||
      LowHalf(reference[kSoundKindAt]) != kSoundInTextFile) {
    return Sized::Fail(Status::kRefused);
  }
  const BlockAddress start = DecodeBcdAddress(reference + kStartAt);
  const BlockAddress end = DecodeBcdAddress(reference + kEndAt);
  const int64_t bytes = (int64_t{end.block} - int64_t{start.block}) * kBlockSize +
                        int64_t{end.offset} - int64_t{start.offset};
  if (bytes < 0 || bytes > std::numeric_limits<int32_t>::max()) {
    pending = PendingRead{};
    return Sized::Fail(Status::kRefused);
  }
  pending = PendingRead{static_cast<uint32_t>(bytes), start.FileOffset()};
  if (pending.offset < 0) return Sized::Fail(Status::kIoError);
  return Sized::Of(static_cast<int32_t>(bytes));
}

Sized ReadSound(OpenBook& book, uint8_t* buffer, PendingRead& pending) {
  if (pending.bytes == 0) return Sized::Fail(Status::kRefused);
  const auto got = book.Read(pending.offset, std::span<uint8_t>(buffer, pending.bytes),
                             ReadOrder::kCheckFirst);
  if (!got) return Sized::Fail(Status::kIoError);
  pending = PendingRead{};
  return Sized::Of(static_cast<int32_t>(*got));
}

}  // namespace tomeshelf
