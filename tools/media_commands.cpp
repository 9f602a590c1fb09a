// gaiji, picture, sound.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "command_line.h"
#include "commands.h"
#include "tomeshelf/tomeshelf.h"

namespace tomeshelf::cli {

namespace {

using present::Error;
using present::Item;
using present::Position;
using present::Session;

const char kGaijiUsage[] =
    "usage: tomeshelf gaiji [DISC] CODE [--size 16|24|30|48] [--half|--full] [-o GLYPH.png] [--book N]\n"
    "  an external character (CODE in hex, e.g. A121, or hA121 / zB021) as a PNG file, or\n"
    "  drawn on the terminal without -o\n";
const char kPictureUsage[] =
    "usage: tomeshelf picture [DISC] (WORD [HIT] | --at BLOCK:OFFSET) [-o DIRECTORY] [--book N]\n"
    "  saves the pictures of an article: monochrome ones as PNG, colour ones as stored\n";
const char kSoundUsage[] =
    "usage: tomeshelf sound [DISC] (WORD [HIT] | --at BLOCK:OFFSET) [-o DIRECTORY] [--book N]\n"
    "  saves the sound of an article as WAV files\n";

// The article a media command names: WORD [HIT] or --at.
std::optional<present::Article> ArticleOf(Session& session, const Reading& r, const char* usage,
                                          int& status) {
  const auto& pos = r.args.positional;
  Error error;
  present::Article article;
  if (r.args.Has("--at")) {
    const auto at = Position::Parse(r.args.Get("--at"));
    if (!at || !pos.empty()) {
      status = at ? Usage(usage) : Fail("give the place as BLOCK:OFFSET");
      return std::nullopt;
    }
    article = session.Read(*at, error);
  } else {
    if (pos.empty() || pos.size() > 2 ||
        (pos.size() == 2 && (pos[1].empty() || pos[1].size() > 6 ||
                             pos[1].find_first_not_of("0123456789") != std::string::npos))) {
      status = Usage(usage);
      return std::nullopt;
    }
    const size_t hit = pos.size() == 2 ? std::stoul(pos[1]) : 0;
    const auto found = session.Search(pos[0], present::SearchMode::kExact, false, hit + 1, error);
    if (!error && hit >= found.hits.size()) error = {present::Failure::kNotFound, "no such hit for " + pos[0]};
    if (!error) article = session.Read(found.hits[hit].at, error);
  }
  if (error) {
    status = Failed(error);
    return std::nullopt;
  }
  return article;
}

void Collect(const std::vector<Item>& items, Item::Type type, std::vector<const Item*>& out) {
  for (const Item& item : items) {
    if (item.type == type && item.located) out.push_back(&item);
  }
}

int SaveMedia(int argc, char** argv, const char* usage, Item::Type type) {
  int status = 0;
  auto r = Prepare(argc, argv, usage, {}, {"--at", "-o"}, status);
  if (!r) return status;
  Session session(r->disc, r->book);
  const auto article = ArticleOf(session, *r, usage, status);
  if (!article) return status;
  std::vector<const Item*> items;
  for (const auto& p : article->document.paragraphs) Collect(p.items, type, items);
  if (items.empty()) {
    return Fail(type == Item::Type::kSound ? "the article has no sound" : "the article has no picture");
  }
  const std::string dir = r->args.Get("-o", ".");
  nlohmann::json saved = nlohmann::json::array();
  for (size_t i = 0; i < items.size(); ++i) {
    const Item& item = *items[i];
    Error error;
    present::Binary data;
    if (type == Item::Type::kSound) {
      data = session.Sound(item.at, item.end, item.soundFormat, error);
    } else if (item.colour) {
      data = session.ColourPicture(item.at, error);
    } else {
      data = session.MonoPicture(item.at, item.width, item.height, error);
    }
    if (error) return Failed(error);
    const std::string ext = data.mime == "image/png"    ? ".png"
                            : data.mime == "image/jpeg" ? ".jpg"
                            : data.mime == "image/bmp"  ? ".bmp"
                            : data.mime == "audio/wav"  ? ".wav"
                                                        : ".bin";
    const std::string path = dir + "/" + (type == Item::Type::kSound ? "sound-" : "picture-") +
                             std::to_string(item.at.block) + "-" + std::to_string(item.at.offset) + ext;
    if (!WriteFile(path, data.bytes)) return 1;
    saved.push_back({{"file", path}, {"type", data.mime}, {"bytes", data.bytes.size()}});
    if (!r->args.Has("--json")) std::printf("%s (%s, %zu bytes)\n", path.c_str(), data.mime.c_str(), data.bytes.size());
  }
  if (r->args.Has("--json")) std::printf("%s\n", nlohmann::json{{"saved", saved}}.dump(2).c_str());
  return 0;
}

}  // namespace

int RunGaiji(int argc, char** argv) {
  int status = 0;
  auto r = Prepare(argc, argv, kGaijiUsage, {"--half", "--full"}, {"--size", "-o"}, status);
  if (!r) return status;
  if (r->args.positional.size() != 1) return Usage(kGaijiUsage);
  std::string code = r->args.positional[0];
  present::GaijiKey key;
  key.width = r->args.Has("--full") ? 'z' : 'h';
  if (code.size() == 5 && (code[0] == 'h' || code[0] == 'z')) {
    key.width = code[0];
    code = code.substr(1);
  } else if (!r->args.Has("--half") && !r->args.Has("--full") && code.size() == 4 &&
             std::stoul("0" + code.substr(0, 2), nullptr, 16) >= 0xB0) {
    key.width = 'z';
  }
  if (code.size() != 4 || code.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return Fail("CODE is four hex digits, such as A121");
  }
  key.code = static_cast<uint16_t>(std::stoul(code, nullptr, 16));
  const std::string sizeText = r->args.Get("--size", "16");
  if (sizeText != "16" && sizeText != "24" && sizeText != "30" && sizeText != "48") {
    return Fail("--size is 16, 24, 30 or 48");
  }
  Session session(r->disc, r->book);
  Error error;
  const auto png = session.Glyph(key, std::stoi(sizeText), error);
  if (error) return Failed(error);
  if (r->args.Has("-o")) return WriteFile(r->args.Get("-o"), png.bytes) ? 0 : 1;
  // No file: draw it with the same bitmap the PNG holds, read back from the library.
  TomeshelfBitmapObject object{nullptr, nullptr};
  for (const int32_t width : {key.width == 'h' ? 0 : 1, key.width == 'h' ? 1 : 0}) {
    if (!object.bitmap) epwExCode2Bmp(key.code, std::stoi(sizeText), width, 0, 0, 0, 0xFFFFFF, &object);
  }
  if (!object.bitmap) return Fail("the book has no glyph of that size; try --size 16 or -o FILE");
  const TomeshelfBitmap& bmp = *object.bitmap;
  for (int32_t y = 0; y < bmp.height; ++y) {
    for (int32_t x = 0; x < bmp.width; ++x) {
      const bool ink = !(bmp.bits[y * bmp.stride + x / 8] & (0x80 >> (x % 8)));
      std::fputs(ink ? "\u2588\u2588" : "  ", stdout);
    }
    std::fputc('\n', stdout);
  }
  TomeshelfFreeBitmap(object.bitmap);
  return 0;
}

int RunPicture(int argc, char** argv) { return SaveMedia(argc, argv, kPictureUsage, Item::Type::kPicture); }

int RunSound(int argc, char** argv) { return SaveMedia(argc, argv, kSoundUsage, Item::Type::kSound); }

}  // namespace tomeshelf::cli
