#include <algorithm>

#include "export/export.h"

namespace tomeshelf::exporter {

namespace {

using nlohmann::json;
using present::Item;

// Pictures and sounds of the document, as references beside its text.
void CollectMedia(const json& items, json& pictures, json& sounds) {
  for (const json& item : items) {
    const std::string& type = item.at("type").get_ref<const std::string&>();
    if (type != "picture" && type != "sound") continue;
    json reference = item;
    reference.erase("type");
    (type == "picture" ? pictures : sounds).push_back(std::move(reference));
  }
}

}  // namespace

json ArticleJson(const std::vector<uint8_t>& raw, const ArticleContext& context) {
  const present::Document doc = present::Parse(raw, *context.gaiji, present::MappedGaiji::kText);
  const auto& offsets = *context.entryOffsets;
  json text = present::ToJson(doc, [&](const Item& item, json& j) {
    if (item.type == Item::Type::kLink) {
      j["entry"] = nullptr;
      const auto hit = std::lower_bound(offsets.begin(), offsets.end(), item.at.FileOffset());
      if (item.located && hit != offsets.end() && *hit == item.at.FileOffset()) {
        j["entry"] = hit - offsets.begin() + 1;
      }
    } else if (item.type == Item::Type::kGaiji) {
      const std::string code = item.gaiji.ToString();
      j = {{"type", "gaiji"},
           {"gaiji", code.substr(1)},
           {"width", code[0] == 'h' ? "half" : "full"}};
    }
  });
  json pictures = json::array(), sounds = json::array();
  for (const json& paragraph : text.at("paragraphs")) {
    CollectMedia(paragraph.at("items"), pictures, sounds);
  }
  return json{{"text", std::move(text)},
              {"pictures", std::move(pictures)},
              {"sounds", std::move(sounds)}};
}

std::string LineText(const std::vector<uint8_t>& raw, const present::GaijiMap& gaiji) {
  return present::Parse(raw, gaiji).PlainText();
}

}  // namespace tomeshelf::exporter
