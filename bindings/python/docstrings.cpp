#include "docstrings.h"

#include <stdexcept>

namespace vellum::python {
namespace {

// One paragraph or list item on its way to text.
struct Block {
    std::string bullet;  // "- " for a list item
    std::string text;
};

std::string_view Entity(std::string_view name) {
    if (name == "lt") return "<";
    if (name == "gt") return ">";
    if (name == "amp") return "&";
    if (name == "quot") return "\"";
    if (name == "apos" || name == "#39") return "'";
    if (name == "nbsp") return " ";
    return {};
}

std::string TagName(std::string_view tag) {
    std::string name;
    for (char c : tag.substr(tag.starts_with('/') ? 1 : 0)) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '>' || c == '/') break;
        name += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return name;
}

// Splits the markup into blocks at paragraph and list boundaries; inline
// elements (links, code) keep only their text.
std::vector<Block> Blocks(std::string_view html) {
    std::vector<Block> blocks(1);
    const auto open = [&](std::string bullet) {
        if (!blocks.back().text.empty() || !blocks.back().bullet.empty()) blocks.emplace_back();
        blocks.back().bullet = std::move(bullet);
    };
    for (std::size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        const std::size_t close = c == '<' || c == '&' ? html.find(c == '<' ? '>' : ';', i) : std::string_view::npos;
        if (c == '<' && close != std::string_view::npos) {
            const std::string name = TagName(html.substr(i + 1, close - i - 1));
            if (name == "li" && html[i + 1] != '/') open("- ");
            else if (name == "p" || name == "ul" || name == "ol" || name == "li" || name == "br") open("");
            i = close;
        } else if (c == '&' && close != std::string_view::npos && !Entity(html.substr(i + 1, close - i - 1)).empty()) {
            blocks.back().text += Entity(html.substr(i + 1, close - i - 1));
            i = close;
        } else {
            blocks.back().text += c;
        }
    }
    return blocks;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

// The words of `text` in lines of at most `width` columns (longer words
// stand alone), the first line after `first`, the others indented to match.
std::string Wrap(std::string_view first, std::string_view text, std::size_t width) {
    const std::string indent(first.size(), ' ');
    std::string result(first);
    std::size_t column = first.size();
    bool lineEmpty = true;
    for (const std::string& word : Words(text)) {
        if (!lineEmpty && column + 1 + word.size() > width) {
            result += "\n" + indent;
            column = indent.size();
            lineEmpty = true;
        }
        if (!lineEmpty) {
            result += ' ';
            ++column;
        }
        result += word;
        column += word.size();
        lineEmpty = false;
    }
    return result;
}

void AddSection(std::string& doc, const std::string& text) {
    if (text.empty()) return;
    if (!doc.empty()) doc += "\n\n";
    doc += text;
}

}  // namespace

std::string HtmlToText(std::string_view html, std::size_t width) {
    std::string text;
    for (const Block& block : Blocks(html)) {
        if (Words(block.text).empty()) continue;
        AddSection(text, Wrap(block.bullet, block.text, width));
    }
    return text;
}

std::string Docstring(const manual::MemberDoc& doc) {
    std::string text = HtmlToText(doc.summary);
    std::string arguments;
    for (const auto& [name, meaning] : doc.params) {
        if (!arguments.empty()) arguments += "\n";
        arguments += Wrap(name + ": ", HtmlToText(meaning, 1000), 76);
    }
    AddSection(text, arguments);
    if (!doc.result.empty()) AddSection(text, Wrap("Returns: ", HtmlToText(doc.result, 1000), 76));
    if (!doc.value.empty()) AddSection(text, Wrap("Value: ", HtmlToText(doc.value, 1000), 76));
    AddSection(text, HtmlToText(doc.behaviour));
    return text;
}

std::string DocTableSource(const std::vector<manual::MemberDoc>& docs) {
    constexpr std::string_view kClose = ")vellumdoc\"";
    std::string source = "// Generated at build time from docs/manual-src/members.txt; do not edit.\n";
    for (const manual::MemberDoc& doc : docs) {
        const std::string text = Docstring(doc);
        if (text.find(kClose) != std::string::npos || doc.name.find('"') != std::string::npos) {
            throw std::runtime_error("the description of " + doc.name + " cannot be quoted");
        }
        source += "{\"" + doc.name + "\", R\"vellumdoc(" + text + ")vellumdoc\"},\n";
    }
    return source;
}

}  // namespace vellum::python
