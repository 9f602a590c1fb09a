// The few control sequences of article text that bound articles, and the scanners that
// find them in one piece of text. A scanner sees only the bytes a read delivered: a
// sequence cut by the end of the piece is not recognised in it, nor in the next one.
#ifndef TOMESHELF_TEXT_SCAN_H_
#define TOMESHELF_TEXT_SCAN_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "text/reference.h"

namespace tomeshelf {

// 0x1F 0x41 0x01 opens every article; the parameter byte after it is not compared.
inline constexpr uint8_t kArticleStartCode = 0x41;
inline constexpr uint8_t kArticleStartParameter = 0x01;
inline constexpr size_t kArticleStartSize = 3;
// 0x1F 0x03 ends the text of an article.
inline constexpr uint8_t kTextEndCode = 0x03;
inline constexpr size_t kTextEndSize = 2;

// The offset of the article start marker that ends the article being read, or nullopt.
// Every marker met while startSeen is 0 is taken as the article's own start and sets it
// to 1, so the caller keeps startSeen across the pieces of one article.
std::optional<size_t> FindHitArticleEnd(std::span<const uint8_t> piece, int32_t& startSeen);

// The offset of the text end marker, or of the article start marker that opens the next
// article, or nullopt. In a first piece (continuing false) the first article start marker
// is the article's own; in a continuing piece any marker ends the article.
std::optional<size_t> FindArticleEnd(std::span<const uint8_t> piece, bool continuing);

// The offset of the last article start marker in the piece, or nullopt.
std::optional<size_t> FindLastArticleStart(std::span<const uint8_t> piece);

}  // namespace tomeshelf

#endif  // TOMESHELF_TEXT_SCAN_H_
