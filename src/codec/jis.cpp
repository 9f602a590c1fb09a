#include "codec/jis.h"

#include <iconv.h>

namespace tomeshelf::codec {

namespace {

constexpr uint8_t kEucHigh = 0x80;

// One iconv conversion, opened once and reset before each use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::optional<std::string> Convert(const std::string& in) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

Converter& ToEuc() {
  static Converter c("EUC-JP", "UTF-8");
  return c;
}

Converter& FromEuc() {
  static Converter c("UTF-8", "EUC-JP");
  return c;
}

// The full-width form of a printable ASCII character, as UTF-8.
std::string FullWidth(char c) {
  if (c == ' ') return "\u3000";
  if (c == '-') return "\u2212";
  const unsigned cp = 0xFF01u + static_cast<unsigned>(c - '!');
  std::string s;
  s += static_cast<char>(0xE0 | (cp >> 12));
  s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  s += static_cast<char>(0x80 | (cp & 0x3F));
  return s;
}

}  // namespace

std::optional<std::vector<uint8_t>> Utf8ToJis(const std::string& utf8) {
  std::string wide;
  for (char c : utf8) {
    wide += (c >= ' ' && c <= '~') ? FullWidth(c) : std::string(1, c);
  }
  auto euc = ToEuc().Convert(wide);
  if (!euc || euc->size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> jis;
  for (size_t i = 0; i < euc->size(); i += 2) {
    const auto hi = static_cast<uint8_t>((*euc)[i]);
    const auto lo = static_cast<uint8_t>((*euc)[i + 1]);
    if (hi < 0xA1 || lo < 0xA1) return std::nullopt;
    jis.push_back(static_cast<uint8_t>(hi - kEucHigh));
    jis.push_back(static_cast<uint8_t>(lo - kEucHigh));
  }
  return jis;
}

std::string JisToUtf8(uint8_t row, uint8_t cell) {
  const char euc[2] = {static_cast<char>(row | kEucHigh), static_cast<char>(cell | kEucHigh)};
  return FromEuc().Convert(std::string(euc, 2)).value_or("");
}

}  // namespace tomeshelf::codec
