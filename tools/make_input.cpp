#include "make_input.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

#include "writer/media_builder.h"

namespace tomeshelf::cli {

namespace {

using writer::Bytes;

bool Load(const std::filesystem::path& file, Bytes& out) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  const std::streamoff size = in.tellg();
  if (!in || size < 0) return false;
  out.resize(static_cast<size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(out.data()), size);
  return static_cast<bool>(in);
}

uint32_t Le(const Bytes& b, size_t at, size_t n) {
  uint32_t v = 0;
  for (size_t i = n; i-- > 0;) v = v << 8 | b[at + i];
  return v;
}

// A PBM (P4 binary or P1 plain) as rows of whole bytes, 1 = ink.
bool ParsePbm(const Bytes& b, uint32_t& width, uint32_t& height, Bytes& rows) {
  if (b.size() < 2 || b[0] != 'P' || (b[1] != '4' && b[1] != '1')) return false;
  const bool plain = b[1] == '1';
  size_t at = 2;
  auto number = [&](uint32_t& v) {
    while (at < b.size() && (std::isspace(b[at]) || b[at] == '#')) {
      if (b[at] == '#') {
        while (at < b.size() && b[at] != '\n') ++at;
      } else {
        ++at;
      }
    }
    if (at >= b.size() || !std::isdigit(b[at])) return false;
    uint64_t n = 0;
    while (at < b.size() && std::isdigit(b[at]) && n < 100000) n = n * 10 + (b[at++] - '0');
    v = static_cast<uint32_t>(n);
    return n > 0 && n < 100000;
  };
  if (!number(width) || !number(height)) return false;
  const size_t rowBytes = (width + 7) / 8;
  rows.assign(rowBytes * height, 0);
  if (!plain) {
    ++at;  // the one whitespace byte before the raster
    if (b.size() < at + rows.size()) return false;
    std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(at), rows.size(), rows.begin());
    return true;
  }
  for (size_t pixel = 0; pixel < size_t{width} * height; ++pixel) {
    while (at < b.size() && b[at] != '0' && b[at] != '1') ++at;
    if (at >= b.size()) return false;
    if (b[at++] == '1') rows[pixel / width * rowBytes + pixel % width / 8] |= static_cast<uint8_t>(0x80 >> (pixel % width % 8));
  }
  return true;
}

}  // namespace

std::string ReadPicture(const std::filesystem::path& file, writer::Picture& picture) {
  Bytes b;
  if (!Load(file, b)) return "cannot read " + file.string();
  const bool bmp = b.size() > 2 && b[0] == 'B' && b[1] == 'M';
  const bool jpeg = b.size() > 2 && b[0] == 0xFF && b[1] == 0xD8;
  if (bmp || jpeg) {
    picture.colour = true;
    picture.data = std::move(b);
    return "";
  }
  picture.colour = false;
  if (!ParsePbm(b, picture.width, picture.height, picture.data)) {
    return file.string() + " is not a BMP, JPEG or PBM picture";
  }
  picture.width = (picture.width + 7) / 8 * 8;
  return "";
}

std::string ReadSound(const std::filesystem::path& file, writer::Sound& sound) {
  Bytes b;
  if (!Load(file, b)) return "cannot read " + file.string();
  const std::string bad = file.string() + " is not a wave file of 8- or 16-bit PCM";
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) return bad;
  Bytes format, data;
  for (size_t at = 12; at + 8 <= b.size();) {
    const uint32_t n = Le(b, at + 4, 4);
    if (n > b.size() - at - 8) return bad;
    const Bytes chunk(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 8 + n));
    if (std::memcmp(&b[at], "fmt ", 4) == 0) format = chunk;
    if (std::memcmp(&b[at], "data", 4) == 0) data = chunk;
    at += 8 + n + n % 2;
  }
  if (format.size() < 24 || data.size() <= 8 || Le(format, 8, 2) != 1) return bad;
  const uint32_t bits = Le(format, 22, 2);
  if (bits != 8 && bits != 16) return bad;
  sound.data = format;
  sound.data.insert(sound.data.end(), data.begin(), data.end());
  return "";
}

std::string ReadGlyph(const std::filesystem::path& file, writer::Glyph& glyph) {
  Bytes b, rows;
  uint32_t width = 0, height = 0;
  if (!Load(file, b)) return "cannot read " + file.string();
  if (!ParsePbm(b, width, height, rows)) return file.string() + " is not a PBM picture";
  glyph.size = height;
  glyph.fullWidth = width * 2 > height;
  const uint32_t rowBytes = writer::FontShape{glyph.fullWidth, height}.RowBytes();
  const uint32_t pbmRow = (width + 7) / 8;
  if (pbmRow > rowBytes) return file.string() + ": a glyph " + std::to_string(height) + " dots high is too wide";
  glyph.rows.assign(size_t{rowBytes} * height, 0);
  for (uint32_t r = 0; r < height; ++r) {
    std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(r * pbmRow), pbmRow,
                glyph.rows.begin() + static_cast<std::ptrdiff_t>(r * rowBytes));
  }
  return "";
}

}  // namespace tomeshelf::cli
