// The three faces of a document: terminal text, JSON and HTML.
#include <string>

#include "present/document.h"

namespace tomeshelf::present {

namespace {

using Type = Item::Type;

void Terminal(const std::vector<Item>& items, bool codes, std::string& out) {
  for (const Item& item : items) {
    switch (item.type) {
      case Type::kText: out += item.text; break;
      case Type::kGaiji:
        if (!item.text.empty()) {
          out += item.text;
        } else if (codes) {
          out += '{';
          out += item.gaiji.ToString();
          out += '}';
        } else {
          out += "\u3013";
        }
        break;
      case Type::kLink:
        out += '[';
        Terminal(item.inner, codes, out);
        out += "](" + (item.located ? item.at.ToString() : std::string("?")) + ")";
        break;
      case Type::kPicture:
        out += item.colour ? "[colour picture" : "[picture";
        if (!item.inner.empty()) out += ' ';
        Terminal(item.inner, codes, out);
        out += item.located ? "](" + item.at.ToString() + ")" : "]";
        break;
      case Type::kSound:
        out += "[sound";
        if (!item.inner.empty()) out += ' ';
        Terminal(item.inner, codes, out);
        out += item.located ? "](" + item.at.ToString() + ")" : "]";
        break;
    }
  }
}

nlohmann::json Json(const std::vector<Item>& items, const JsonHook& hook) {
  nlohmann::json out = nlohmann::json::array();
  for (const Item& item : items) {
    nlohmann::json j;
    switch (item.type) {
      case Type::kText:
        j = {{"type", "text"}, {"text", item.text}, {"half", item.half}, {"emphasis", item.emphasis}};
        break;
      case Type::kGaiji:
        j = {{"type", "gaiji"}, {"code", item.gaiji.ToString()}};
        if (!item.text.empty()) j["text"] = item.text;
        break;
      case Type::kLink:
        j = {{"type", "link"}, {"menu", item.menu}, {"label", Json(item.inner, hook)}};
        if (item.located) j["at"] = item.at.ToString();
        break;
      case Type::kPicture:
        j = {{"type", "picture"}, {"colour", item.colour}, {"caption", Json(item.inner, hook)}};
        if (item.located) j["at"] = item.at.ToString();
        if (!item.colour) {
          j["width"] = item.width;
          j["height"] = item.height;
        }
        break;
      case Type::kSound:
        j = {{"type", "sound"}, {"caption", Json(item.inner, hook)}};
        if (item.located) {
          j["at"] = item.at.ToString();
          j["end"] = item.end.ToString();
          j["format"] = item.soundFormat;
        }
        break;
    }
    if (hook) hook(item, j);
    out.push_back(std::move(j));
  }
  return out;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

void Html(const std::vector<Item>& items, const std::string& book, std::string& out) {
  for (const Item& item : items) {
    switch (item.type) {
      case Type::kText: {
        std::string text = Escape(item.text);
        if (item.half) text = "<span class=\"half\">" + text + "</span>";
        if (item.emphasis) text = "<b>" + text + "</b>";
        out += text;
        break;
      }
      case Type::kGaiji: {
        const std::string code = item.gaiji.ToString();
        if (!item.text.empty()) {
          out += "<span class=\"gaiji\" title=\"" + code + "\">" + Escape(item.text) + "</span>";
        } else {
          out += "<img class=\"gaiji\" alt=\"\u3013\" title=\"" + code + "\" src=\"api/gaiji/" +
                 code + ".png?" + book + "\">";
        }
        break;
      }
      case Type::kLink:
        if (item.located) {
          out += "<a class=\"link\" href=\"#/article?at=" + item.at.ToString() + "&amp;" + book +
                 "\">";
        } else {
          out += "<a class=\"link\">";
        }
        Html(item.inner, book, out);
        out += "</a>";
        break;
      case Type::kPicture: {
        out += "<figure>";
        if (item.located) {
          std::string src = "api/picture?at=" + item.at.ToString() + "&amp;" + book;
          src += item.colour ? "&amp;colour=1"
                             : "&amp;width=" + std::to_string(item.width) +
                                   "&amp;height=" + std::to_string(item.height);
          out += "<img class=\"picture\" alt=\"picture\" src=\"" + src + "\">";
        }
        if (!item.inner.empty()) {
          out += "<figcaption>";
          Html(item.inner, book, out);
          out += "</figcaption>";
        }
        out += "</figure>";
        break;
      }
      case Type::kSound:
        out += "<span class=\"sound\">";
        if (item.located) {
          out += "<audio controls preload=\"none\" src=\"api/sound?at=" + item.at.ToString() +
                 "&amp;end=" + item.end.ToString() + "&amp;format=" + item.soundFormat + "&amp;" +
                 book + "\"></audio>";
        }
        Html(item.inner, book, out);
        out += "</span>";
        break;
    }
  }
}

}  // namespace

std::string ToTerminal(const Document& doc, bool gaijiCodes) {
  std::string out;
  for (size_t i = 0; i < doc.paragraphs.size(); ++i) {
    if (i > 0) out += '\n';
    out += std::string(static_cast<size_t>(doc.paragraphs[i].indent) * 2, ' ');
    Terminal(doc.paragraphs[i].items, gaijiCodes, out);
  }
  return out;
}

nlohmann::json ToJson(const Document& doc, const JsonHook& hook) {
  nlohmann::json paragraphs = nlohmann::json::array();
  for (const Paragraph& p : doc.paragraphs) {
    paragraphs.push_back({{"indent", p.indent}, {"items", Json(p.items, hook)}});
  }
  return {{"version", 1}, {"paragraphs", std::move(paragraphs)}};
}

std::string ToHtml(const Document& doc, const std::string& bookQuery) {
  std::string out;
  for (const Paragraph& p : doc.paragraphs) {
    out += "<p style=\"margin-left:" + std::to_string(p.indent) + "em\">";
    Html(p.items, Escape(bookQuery), out);
    out += "</p>\n";
  }
  return out;
}

}  // namespace tomeshelf::present
