#include "pdf_structure.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "pdf_tokens.h"

namespace vellum::test {
namespace {

using pdf::InflateStream;
using pdf::IsDelimiter;
using pdf::IsWhite;
using pdf::Lexer;
using pdf::Token;
using pdf::WholeNumber;

// The whole number right after the name `key` in a token list.
std::optional<std::int64_t> ValueAfter(const std::vector<Token>& tokens, std::string_view key) {
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Kind::Name && tokens[i].text == key) return WholeNumber(tokens[i + 1]);
    }
    return std::nullopt;
}

bool HasNamePair(const std::vector<Token>& tokens, std::string_view key, std::string_view value) {
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Kind::Name && tokens[i].text == key &&
            tokens[i + 1].kind == Token::Kind::Name && tokens[i + 1].text == value) {
            return true;
        }
    }
    return false;
}

struct Object {
    std::vector<Token> dictionary;  // every token before "stream" or "endobj"
    std::string_view stream;
    bool hasStream = false;
};

class Checker {
public:
    explicit Checker(std::string_view file) : file_(file) {}

    std::vector<std::string> Run() {
        if (file_.substr(0, 5) != "%PDF-") Problem("no %PDF- header");
        const auto xref = pdf::ReadCrossReference(file_, problems_);
        if (!xref) return problems_;
        size_ = xref->size;
        offsets_ = xref->offsets;
        ReadTrailer(xref->end);
        for (const auto& [number, offset] : offsets_) ReadObject(number, offset);
        CheckFraming(xref->tableOffset);
        for (const std::int64_t number : contents_) CheckContentStream(number);
        return problems_;
    }

private:
    void Problem(std::string what) { problems_.push_back(std::move(what)); }

    void ReadTrailer(std::size_t at) {
        const std::size_t keyword = file_.find("trailer", at);
        if (keyword == std::string_view::npos) return Problem("no trailer");
        std::vector<Token> tokens;
        Lexer lexer(file_.substr(keyword + 7), "trailer", problems_);
        while (auto token = lexer.Next()) {
            if (token->kind == Token::Kind::Keyword && token->text == "startxref") break;
            tokens.push_back(*token);
        }
        if (ValueAfter(tokens, "Size") != size_) Problem("trailer /Size differs from the cross-reference table");
        encrypted_ = ValueAfter(tokens, "Encrypt").has_value();
        CheckReferences(tokens, "trailer");
        if (!ValueAfter(tokens, "Root")) Problem("trailer has no /Root");
    }

    void ReadObject(std::int64_t number, std::uint64_t offset) {
        const std::string where = "object " + std::to_string(number);
        const std::string head = std::to_string(number) + " 0 obj";
        if (offset >= file_.size() || file_.substr(offset, head.size()) != head ||
            (offset + head.size() < file_.size() && !IsWhite(file_[offset + head.size()]) &&
             !IsDelimiter(file_[offset + head.size()]))) {
            return Problem(where + ": its cross-reference offset " + std::to_string(offset) +
                           " does not point at \"" + head + "\"");
        }
        Object object;
        const std::size_t bodyStart = offset + head.size();
        Lexer lexer(file_.substr(bodyStart), where, problems_);
        std::optional<std::size_t> end;
        while (auto token = lexer.Next()) {
            if (token->kind == Token::Kind::Keyword && token->text == "endobj") {
                end = bodyStart + lexer.Position();
                break;
            }
            if (token->kind == Token::Kind::Keyword && token->text == "stream") {
                end = ReadStream(where, object, bodyStart + lexer.Position());
                break;
            }
            if (token->kind == Token::Kind::Keyword && token->text == "obj") {
                return Problem(where + ": a second \"obj\" before \"endobj\"");
            }
            object.dictionary.push_back(*token);
        }
        if (!end) return Problem(where + ": not closed by \"endobj\"");
        ends_[number] = *end;
        CheckReferences(object.dictionary, where);
        CheckObjectKinds(number, where, object);
    }

    // The stream's bytes are /Length long, then "endstream" and "endobj".
    std::optional<std::size_t> ReadStream(const std::string& where, Object& object, std::size_t afterKeyword) {
        const auto length = ValueAfter(object.dictionary, "Length");
        if (!length || *length < 0) {
            Problem(where + ": a stream without a direct /Length");
            return std::nullopt;
        }
        std::size_t at = afterKeyword;
        if (file_.substr(at, 2) == "\r\n") {
            at += 2;
        } else if (file_.substr(at, 1) == "\n") {
            at += 1;
        } else {
            Problem(where + ": \"stream\" not followed by a line end");
            return std::nullopt;
        }
        if (at + static_cast<std::size_t>(*length) > file_.size()) {
            Problem(where + ": stream runs past the end of the file");
            return std::nullopt;
        }
        object.stream = file_.substr(at, static_cast<std::size_t>(*length));
        object.hasStream = true;
        at += static_cast<std::size_t>(*length);
        while (at < file_.size() && IsWhite(file_[at])) ++at;
        if (file_.substr(at, 9) != "endstream") {
            Problem(where + ": /Length does not end at \"endstream\"");
            return std::nullopt;
        }
        at += 9;
        while (at < file_.size() && IsWhite(file_[at])) ++at;
        if (file_.substr(at, 6) != "endobj") {
            Problem(where + ": \"endstream\" not followed by \"endobj\"");
            return std::nullopt;
        }
        return at + 6;
    }

    void CheckReferences(const std::vector<Token>& tokens, const std::string& where) {
        for (std::size_t i = 2; i < tokens.size(); ++i) {
            if (tokens[i].kind != Token::Kind::Keyword || tokens[i].text != "R") continue;
            const auto number = WholeNumber(tokens[i - 2]);
            const auto generation = WholeNumber(tokens[i - 1]);
            if (!number || generation != 0 || offsets_.count(*number) == 0) {
                Problem(where + ": reference " + std::string(tokens[i - 2].text) + " " +
                        std::string(tokens[i - 1].text) + " R names no object of the file");
            }
        }
    }

    void CheckObjectKinds(std::int64_t number, const std::string& where, const Object& object) {
        for (std::size_t i = 0; i + 1 < object.dictionary.size(); ++i) {
            if (object.dictionary[i].kind == Token::Kind::Name && object.dictionary[i].text == "Contents") {
                NoteContents(object.dictionary, i + 1);
            }
        }
        if (HasNamePair(object.dictionary, "Subtype", "Image")) {
            const auto width = ValueAfter(object.dictionary, "Width");
            const auto height = ValueAfter(object.dictionary, "Height");
            if (!width || !height || *width < 1 || *height < 1) Problem(where + ": an image smaller than 1x1");
            if (!object.hasStream || object.stream.empty()) Problem(where + ": an image without data");
        }
        // Encrypted stream data is checked by readers that hold the password.
        if (object.hasStream && !encrypted_ && HasNamePair(object.dictionary, "Filter", "FlateDecode")) {
            auto inflated = InflateStream(object.stream);
            if (!inflated) return Problem(where + ": its FlateDecode stream does not inflate");
            inflated_[number] = std::move(*inflated);
        }
    }

    // The streams a page's /Contents names: one reference, or an array of them.
    void NoteContents(const std::vector<Token>& tokens, std::size_t at) {
        const bool array = tokens[at].kind == Token::Kind::Punctuation && tokens[at].text == "[";
        for (std::size_t i = array ? at + 1 : at; i + 2 < tokens.size(); i += 3) {
            const auto target = WholeNumber(tokens[i]);
            if (!target || tokens[i + 2].kind != Token::Kind::Keyword || tokens[i + 2].text != "R") return;
            contents_.insert(*target);
            if (!array) return;
        }
    }

    // Objects may not overlap one another or the cross-reference table.
    void CheckFraming(std::size_t xref) {
        std::vector<std::pair<std::uint64_t, std::int64_t>> byOffset;
        for (const auto& [number, offset] : offsets_) byOffset.emplace_back(offset, number);
        std::sort(byOffset.begin(), byOffset.end());
        for (std::size_t i = 0; i < byOffset.size(); ++i) {
            const auto end = ends_.find(byOffset[i].second);
            if (end == ends_.end()) continue;
            const std::uint64_t next = i + 1 < byOffset.size() ? byOffset[i + 1].first : xref;
            if (end->second > next) Problem("object " + std::to_string(byOffset[i].second) + " overlaps what follows");
        }
    }

    void CheckContentStream(std::int64_t number) {
        const auto inflated = inflated_.find(number);
        if (inflated == inflated_.end()) return;
        const std::string where = "content stream " + std::to_string(number);
        Lexer lexer(inflated->second, where, problems_);
        // Readers keep a stack of saved graphics states, which a text object
        // may not change, and text objects do not nest.
        std::int64_t saved = 0;
        bool inText = false;
        while (const auto token = lexer.Next()) {
            if (token->kind != Token::Kind::Keyword) continue;
            const std::string_view op = token->text;
            if ((op == "q" || op == "Q") && inText) Problem(where + ": " + std::string(op) + " inside a text object");
            if (op == "q") ++saved;
            if (op == "Q" && --saved < 0) {
                Problem(where + ": Q without a saved graphics state");
                saved = 0;
            }
            if (op == "BT" && std::exchange(inText, true)) Problem(where + ": BT inside a text object");
            if (op == "ET" && !std::exchange(inText, false)) Problem(where + ": ET without BT");
        }
        if (saved > 0) Problem(where + ": " + std::to_string(saved) + " saved graphics state(s) left unrestored");
        if (inText) Problem(where + ": a text object left open");
    }

    std::string_view file_;
    std::vector<std::string> problems_;
    std::int64_t size_ = 0;
    bool encrypted_ = false;
    std::map<std::int64_t, std::uint64_t> offsets_;
    std::map<std::int64_t, std::size_t> ends_;
    std::map<std::int64_t, std::string> inflated_;
    std::set<std::int64_t> contents_;
};

}  // namespace

std::vector<std::string> PdfStructureProblems(std::string_view file) { return Checker(file).Run(); }

std::string DescribeProblems(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& problem : problems) text += problem + "\n";
    return text;
}

}  // namespace vellum::test
