#include "present/media.h"

#include <png.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "present/spelling.h"

namespace tomeshelf::present {

namespace {

constexpr int32_t kMaxSide = 8192;

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

bool ParseHex(const std::string& s, size_t digitsMin, size_t digitsMax, uint32_t& out) {
  if (s.size() < digitsMin || s.size() > digitsMax) return false;
  out = 0;
  for (const char c : s) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    out = out * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                               ? c - '0'
                                               : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
  }
  return true;
}

// "u00E0" or "u0061,u0301" as UTF-8; empty when malformed.
std::string ParseCodePoints(const std::string& value) {
  std::u32string text;
  size_t start = 0;
  while (start <= value.size()) {
    const size_t comma = std::min(value.find(',', start), value.size());
    const std::string one = Trim(value.substr(start, comma - start));
    uint32_t cp = 0;
    if (one.size() < 2 || (one[0] != 'u' && one[0] != 'U') || !ParseHex(one.substr(1), 4, 6, cp) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0) {
      return "";
    }
    text += static_cast<char32_t>(cp);
    start = comma + 1;
  }
  return EncodeUtf8(text);
}

}  // namespace

void ReadGaijiMap(const std::string& text, const std::string& name, GaijiMap& map,
                  std::vector<std::string>& problems) {
  size_t lineNo = 0;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    line = Trim(line);
    if (line.empty()) continue;
    auto fail = [&](const char* what) {
      problems.push_back(name + ":" + std::to_string(lineNo) + ": " + what);
    };
    const size_t gap = line.find_first_of(" \t");
    if (gap == std::string::npos) {
      fail("expected a code and its Unicode text");
      continue;
    }
    const std::string key = line.substr(0, gap);
    const std::string value = Trim(line.substr(gap));
    uint32_t code = 0;
    const char width = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
    if ((width != 'h' && width != 'z') || !ParseHex(key.substr(1), 4, 4, code)) {
      fail("the code is not h or z and four hex digits");
      continue;
    }
    const std::string utf8 = ParseCodePoints(value);
    if (utf8.empty()) {
      fail("the text is not u and hex digits, separated by commas");
      continue;
    }
    map[GaijiKey{width, static_cast<uint16_t>(code)}] = utf8;
  }
}

std::vector<std::string> GaijiMapPaths(const std::string& discRoot, const std::string& bookDir) {
  std::string lower = bookDir;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::vector<std::string> dirs = {discRoot, discRoot + "/gaiji"};
  if (const char* dir = std::getenv("TOMESHELF_GAIJI_DIR"); dir && *dir) {
    dirs.emplace_back(dir);
  } else if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    dirs.push_back(std::string(config) + "/tomeshelf/gaiji");
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    dirs.push_back(std::string(home) + "/.config/tomeshelf/gaiji");
  }
  std::vector<std::string> out;
  for (const std::string& dir : dirs) {
    out.push_back(dir + "/" + bookDir + ".map");
    if (lower != bookDir) out.push_back(dir + "/" + lower + ".map");
  }
  return out;
}

bool ReadGaijiMapFile(const std::string& path, GaijiMap& map, std::vector<std::string>& problems) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  ReadGaijiMap(text.str(), path, map, problems);
  return true;
}

void ReadBookGaijiMaps(const std::string& discRoot, const std::string& bookPath, GaijiMap& map,
                       std::vector<std::string>& problems) {
  const std::string bookDir = bookPath.substr(bookPath.find_last_of('\\') + 1);
  for (const std::string& path : GaijiMapPaths(discRoot, bookDir)) {
    ReadGaijiMapFile(path, map, problems);
  }
}

std::vector<uint8_t> EncodeBitsPng(int32_t width, int32_t height, int32_t stride,
                                   const uint8_t* bits, size_t bitBytes, bool inkIsOne,
                                   bool transparentPaper) {
  std::vector<uint8_t> out;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || stride <= 0 ||
      static_cast<size_t>(stride) * static_cast<size_t>(height) > bitBytes) {
    return out;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return out;
  png_infop info = png_create_info_struct(png);
  struct Guard {
    png_structp* png;
    png_infop* info;
    ~Guard() { png_destroy_write_struct(png, info); }
  } guard{&png, &info};
  if (!info) return out;
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  std::vector<uint8_t> row(rowBytes);
  if (setjmp(png_jmpbuf(png))) {
    out.clear();
    return out;
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* sink = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        sink->insert(sink->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 1,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color_16 paper{};
  paper.gray = 1;
  if (transparentPaper) png_set_tRNS(png, info, nullptr, 0, &paper);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = bits + static_cast<size_t>(y) * static_cast<size_t>(stride);
    // In a 1-bit grey PNG, 0 is black: ink must end up 0.
    for (size_t x = 0; x < rowBytes; ++x) row[x] = inkIsOne ? static_cast<uint8_t>(~src[x]) : src[x];
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  return out;
}

std::vector<uint8_t> WavFromSound(const std::vector<uint8_t>& data, const std::string& format) {
  if (data.size() >= 12 && std::equal(data.begin(), data.begin() + 4, "RIFF")) return data;
  const bool stereo = format.size() == 4 && (format[0] - '0') % 2 == 1;
  const bool eightBit = format.size() == 4 && (format[1] - '0') % 2 == 1;
  const uint32_t channels = stereo ? 2 : 1, bits = eightBit ? 8 : 16, rate = 44100;
  const uint32_t align = channels * bits / 8;
  const auto size = static_cast<uint32_t>(data.size() - data.size() % align);
  std::vector<uint8_t> out;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
  tag("RIFF");
  put(36 + size, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * align, 4);
  put(align, 2);
  put(bits, 2);
  tag("data");
  put(size, 4);
  out.insert(out.end(), data.begin(), data.begin() + size);
  return out;
}

std::string PictureMime(const std::vector<uint8_t>& data) {
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return "image/bmp";
  if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8) return "image/jpeg";
  if (data.size() >= 4 && data[0] == 0x89 && data[1] == 'P') return "image/png";
  return "application/octet-stream";
}

}  // namespace tomeshelf::present
