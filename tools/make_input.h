// The media files `tomeshelf make` takes: pictures (BMP, JPEG, PBM), sound (PCM wave) and
// gaiji glyphs (PBM), each turned into what the writer stores. Each returns an empty string
// or a message for the user.
#ifndef TOMESHELF_TOOLS_MAKE_INPUT_H_
#define TOMESHELF_TOOLS_MAKE_INPUT_H_

#include <filesystem>
#include <string>

#include "writer/book_writer.h"

namespace tomeshelf::cli {

// A BMP or JPEG file as a colour picture, a PBM as a monochrome one (its width rounded up
// to a whole byte, the added columns blank).
std::string ReadPicture(const std::filesystem::path& file, writer::Picture& picture);
// A wave file of 8- or 16-bit PCM: stored as its format and data chunks.
std::string ReadSound(const std::filesystem::path& file, writer::Sound& sound);
// A PBM 16, 24, 30 or 48 dots high; half width when at most half as wide as high.
std::string ReadGlyph(const std::filesystem::path& file, writer::Glyph& glyph);

}  // namespace tomeshelf::cli

#endif  // TOMESHELF_TOOLS_MAKE_INPUT_H_
