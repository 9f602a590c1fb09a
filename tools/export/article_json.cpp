#include <algorithm>
#include <cstdio>
#include <fstream>

#include "export/export.h"
#include "jis_text.h"
#include "text/reference.h"
#include "text/scan.h"

namespace tomeshelf::exporter {

namespace {

using nlohmann::json;

constexpr uint8_t kHalfStart = 0x04;
constexpr uint8_t kHalfEnd = 0x05;
constexpr uint8_t kMonoPicture = 0x44, kMonoPictureEnd = 0x64;
constexpr size_t kMonoPictureSize = 12;
constexpr uint8_t kColourPicture = 0x4D, kColourPictureEnd = 0x6D;
constexpr size_t kColourPictureSize = 20, kColourAddressAt = 14;
constexpr uint8_t kSoundData = 0x4A, kSoundDataEnd = 0x6A;
constexpr size_t kSoundDataSize = 18, kSoundStartAt = 6, kSoundEndAt = 12;
constexpr uint8_t kSecondSound = 0x48, kSecondSoundEnd = 0x68;
constexpr size_t kSecondSoundSize = 12;
// External characters of the half-width fonts are numbered below this first byte.
constexpr uint8_t kFirstFullWidthGaijiRow = 0xB0;
constexpr uint8_t kFirstGaijiRow = 0xA1;
constexpr char kGeta[] = "\u3013";

std::string Utf8(uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

class ArticleBuilder {
 public:
  ArticleBuilder(const std::vector<uint8_t>& raw, const ArticleContext& context)
      : raw_(raw), context_(context) {}

  json Build() {
    const size_t n = raw_.size();
    size_t i = 0;
    while (i + 1 < n) {
      const uint8_t b0 = raw_[i];
      const uint8_t b1 = raw_[i + 1];
      if (b0 != kEscape) {
        if (b0 >= kFirstGaijiRow) {
          Gaiji(static_cast<uint16_t>(b0 << 8 | b1));
        } else {
          Keep(b0, b1);
        }
        i += 2;
        continue;
      }
      std::optional<size_t> next = i + 2;
      switch (b1) {
        case kTextEndCode: next.reset(); break;
        case kHalfStart: half_ = true; Keep(b0, b1); break;
        case kHalfEnd: half_ = false; Keep(b0, b1); break;
        case kLinkStartCode:
        case kMenuStartCode: LinkStart(); break;
        case kLinkEndCode:
        case kMenuEndCode: next = LinkEnd(i); break;
        case kMonoPicture: next = Media(i, kMonoPictureSize, kMonoPictureEnd, pictures_); break;
        case kColourPicture: next = Media(i, kColourPictureSize, kColourPictureEnd, pictures_); break;
        case kSoundData: next = Media(i, kSoundDataSize, kSoundDataEnd, sounds_); break;
        case kSecondSound: next = Media(i, kSecondSoundSize, kSecondSoundEnd, sounds_); break;
        default: Keep(b0, b1); break;
      }
      if (!next) break;
      i = *next;
    }
    Flush();
    return json{{"text", std::move(runs_)}, {"pictures", std::move(pictures_)},
                {"sounds", std::move(sounds_)}};
  }

 private:
  // Bytes for the renderer; a run that begins inside a half-width stretch says so first.
  void Keep(uint8_t b0, uint8_t b1) {
    if (pending_.empty() && half_) {
      pending_.push_back(kEscape);
      pending_.push_back(kHalfStart);
    }
    pending_.push_back(b0);
    pending_.push_back(b1);
  }

  void Flush() {
    if (pending_.empty()) return;
    AppendText(cli::RenderText(pending_, cli::RenderOptions{false}));
    pending_.clear();
  }

  void AppendText(const std::string& text) {
    if (text.empty()) return;
    if (runs_.size() > barrier_ && runs_.back().is_string()) {
      runs_.back().get_ref<std::string&>() += text;
    } else {
      runs_.push_back(text);
    }
  }

  void Gaiji(uint16_t code) {
    const bool halfWidth = (code >> 8) < kFirstFullWidthGaijiRow;
    if (context_.gaiji) {
      const auto mapped = context_.gaiji->find(GaijiKey(code, halfWidth));
      if (mapped != context_.gaiji->end()) {
        Flush();
        AppendText(mapped->second);
        return;
      }
    }
    Flush();
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", code);
    runs_.push_back(json{{"gaiji", hex}, {"width", halfWidth ? "half" : "full"}});
  }

  void LinkStart() {
    Flush();
    barrier_ = runs_.size();
    inLink_ = true;
  }

  std::optional<size_t> LinkEnd(size_t at) {
    if (at + kEndPairSize + kBcdAddressSize > raw_.size()) return std::nullopt;
    Flush();
    const int32_t target = DecodeBcdAddress(&raw_[at + kEndPairSize]).FileOffset();
    if (inLink_) {
      const auto first = runs_.begin() + static_cast<std::ptrdiff_t>(barrier_);
      json label = json::array();
      for (auto it = first; it != runs_.end(); ++it) label.push_back(std::move(*it));
      runs_.erase(first, runs_.end());
      json link{{"text", PlainText(json{{"text", label}})}, {"link", nullptr}};
      const auto& offsets = *context_.entryOffsets;
      const auto hit = std::lower_bound(offsets.begin(), offsets.end(), target);
      if (hit != offsets.end() && *hit == target) {
        link["link"] = hit - offsets.begin() + 1;
      } else {
        link["position"] = PositionText(target);
      }
      runs_.push_back(std::move(link));
      barrier_ = runs_.size();
      inLink_ = false;
    }
    return at + kEndPairSize + kBcdAddressSize;
  }

  // A picture or sound reference: its fixed part, a caption, then the end pair (a mono
  // picture's end pair carries its data's position).
  std::optional<size_t> Media(size_t at, size_t fixed, uint8_t endCode, json& list) {
    if (at + fixed > raw_.size()) return std::nullopt;
    const uint8_t* ref = &raw_[at];
    size_t end = at + fixed;
    while (end + 1 < raw_.size() && !(raw_[end] == kEscape && raw_[end + 1] == endCode)) ++end;
    if (end + 1 >= raw_.size()) return std::nullopt;
    json item{{"caption", cli::RenderText({raw_.begin() + static_cast<std::ptrdiff_t>(at + fixed),
                                           raw_.begin() + static_cast<std::ptrdiff_t>(end)},
                                          cli::RenderOptions{false})}};
    size_t next = end + kEndPairSize;
    switch (ref[1]) {
      case kMonoPicture:
        if (next + kBcdAddressSize > raw_.size()) return std::nullopt;
        item["position"] = PositionText(DecodeBcdAddress(&raw_[next]).FileOffset());
        next += kBcdAddressSize;
        break;
      case kColourPicture:
        item["position"] = PositionText(DecodeBcdAddress(ref + kColourAddressAt).FileOffset());
        break;
      case kSoundData:
        item["position"] = PositionText(DecodeBcdAddress(ref + kSoundStartAt).FileOffset());
        item["end"] = PositionText(DecodeBcdAddress(ref + kSoundEndAt).FileOffset());
        break;
      default:
        break;
    }
    list.push_back(std::move(item));
    return next;
  }

  const std::vector<uint8_t>& raw_;
  const ArticleContext& context_;
  json runs_ = json::array();
  json pictures_ = json::array();
  json sounds_ = json::array();
  std::vector<uint8_t> pending_;
  bool half_ = false;
  bool inLink_ = false;
  size_t barrier_ = 0;  // text after a link or gaiji starts a new run
};

}  // namespace

uint32_t GaijiKey(uint16_t code, bool half) { return (half ? 0x10000u : 0u) | code; }

std::optional<GaijiMap> LoadGaijiMap(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  GaijiMap map;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    if (tab != 5 || (line[0] != 'h' && line[0] != 'z')) continue;
    const auto code = static_cast<uint16_t>(std::strtoul(line.substr(1, 4).c_str(), nullptr, 16));
    std::string text;
    for (size_t at = line.find('u', tab); at != std::string::npos; at = line.find('u', at + 1)) {
      char* end = nullptr;
      const unsigned long cp = std::strtoul(line.c_str() + at + 1, &end, 16);
      if (end == line.c_str() + at + 1 || cp == 0 || cp > 0x10FFFF) break;
      text += Utf8(static_cast<uint32_t>(cp));
    }
    if (!text.empty()) map[GaijiKey(code, line[0] == 'h')] = text;
  }
  return map;
}

json ArticleJson(const std::vector<uint8_t>& raw, const ArticleContext& context) {
  return ArticleBuilder(raw, context).Build();
}

std::string PlainText(const json& article) {
  std::string out;
  for (const json& run : article.at("text")) {
    if (run.is_string()) {
      out += run.get_ref<const std::string&>();
    } else if (run.contains("link")) {
      out += run.at("text").get_ref<const std::string&>();
    } else {
      out += kGeta;
    }
  }
  return out;
}

}  // namespace tomeshelf::exporter
