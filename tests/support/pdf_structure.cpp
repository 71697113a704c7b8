#include "pdf_structure.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace vellum::test {
namespace {

// Inflated streams beyond this are reported rather than held.
constexpr std::size_t kLargestInflatedStream = std::size_t{1} << 30;

bool IsWhite(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0'; }
bool IsDelimiter(char c) { return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }
bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

struct Token {
    enum class Kind { Number, Name, Keyword, String, Punctuation };
    Kind kind;
    std::string_view text;  // a name without its slash, a string without its brackets
};

// Splits PDF syntax into tokens, noting what a reader could not accept.
class Lexer {
public:
    Lexer(std::string_view text, std::string where, std::vector<std::string>& problems)
        : text_(text), where_(std::move(where)), problems_(problems) {}

    std::size_t Position() const { return at_; }

    std::optional<Token> Next() {
        SkipWhiteAndComments();
        if (at_ >= text_.size()) return std::nullopt;
        const char c = text_[at_];
        if (c == '(') return LiteralString();
        if (c == '<' && Peek(1) == '<') return Punctuation(2);
        if (c == '>' && Peek(1) == '>') return Punctuation(2);
        if (c == '<') return HexString();
        if (c == '[' || c == ']' || c == '{' || c == '}') return Punctuation(1);
        if (c == '/') return Name();
        if (c == ')' || c == '>') {
            Problem(std::string("stray '") + c + "'");
            return Punctuation(1);
        }
        return Regular();
    }

private:
    char Peek(std::size_t ahead) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }

    void Problem(const std::string& what) {
        problems_.push_back(where_ + ", byte " + std::to_string(at_) + ": " + what);
    }

    void SkipWhiteAndComments() {
        while (at_ < text_.size()) {
            if (IsWhite(text_[at_])) {
                ++at_;
            } else if (text_[at_] == '%') {
                while (at_ < text_.size() && text_[at_] != '\r' && text_[at_] != '\n') ++at_;
            } else {
                break;
            }
        }
    }

    Token Punctuation(std::size_t length) {
        const Token token{Token::Kind::Punctuation, text_.substr(at_, length)};
        at_ += length;
        return token;
    }

    Token LiteralString() {
        const std::size_t start = ++at_;
        int depth = 1;
        while (at_ < text_.size() && depth > 0) {
            const char c = text_[at_++];
            if (c == '\\') {
                ++at_;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')') {
                --depth;
            }
        }
        if (depth > 0) Problem("unterminated string");
        return {Token::Kind::String, text_.substr(start, at_ - start - (depth == 0 ? 1 : 0))};
    }

    Token HexString() {
        const std::size_t start = ++at_;
        while (at_ < text_.size() && text_[at_] != '>') {
            if (!IsHexDigit(text_[at_]) && !IsWhite(text_[at_])) {
                Problem("bad character in a hex string");
                break;
            }
            ++at_;
        }
        if (at_ >= text_.size()) Problem("unterminated hex string");
        const Token token{Token::Kind::String, text_.substr(start, at_ - start)};
        if (at_ < text_.size()) ++at_;
        return token;
    }

    Token Name() {
        const std::size_t start = ++at_;
        while (at_ < text_.size() && !IsWhite(text_[at_]) && !IsDelimiter(text_[at_])) {
            if (text_[at_] == '#') {
                if (!IsHexDigit(Peek(1)) || !IsHexDigit(Peek(2))) {
                    Problem("'#' in a name without two hex digits");
                } else if (Peek(1) == '0' && Peek(2) == '0') {
                    Problem("#00 in a name");
                }
            }
            ++at_;
        }
        return {Token::Kind::Name, text_.substr(start, at_ - start)};
    }

    Token Regular() {
        const std::size_t start = at_;
        while (at_ < text_.size() && !IsWhite(text_[at_]) && !IsDelimiter(text_[at_])) ++at_;
        const std::string_view word = text_.substr(start, at_ - start);
        if (!LooksNumeric(word)) return {Token::Kind::Keyword, word};
        CheckNumber(word);
        return {Token::Kind::Number, word};
    }

    static bool LooksNumeric(std::string_view word) {
        return !word.empty() && (std::isdigit(static_cast<unsigned char>(word[0])) != 0 || word[0] == '-' ||
                                 word[0] == '+' || word[0] == '.');
    }

    void CheckNumber(std::string_view word) {
        std::size_t i = word[0] == '-' || word[0] == '+' ? 1 : 0;
        std::size_t digits = 0;
        bool point = false;
        for (; i < word.size(); ++i) {
            if (word[i] == '.' && !point) {
                point = true;
            } else if (std::isdigit(static_cast<unsigned char>(word[i])) != 0) {
                ++digits;
            } else {
                Problem("malformed number '" + std::string(word.substr(0, 40)) + "'");
                return;
            }
        }
        if (digits == 0) {
            Problem("malformed number '" + std::string(word) + "'");
            return;
        }
        const std::string_view magnitude = word[0] == '-' || word[0] == '+' ? word.substr(1) : word;
        double value = 0;
        const auto result = std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), value);
        if (result.ec == std::errc::result_out_of_range || !(value <= kLargestReaderNumber)) {
            Problem("number beyond what readers accept: " + std::string(word.substr(0, 40)) +
                    (word.size() > 40 ? "..." : ""));
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string where_;
    std::vector<std::string>& problems_;
};

std::optional<std::int64_t> WholeNumber(const Token& token) {
    if (token.kind != Token::Kind::Number) return std::nullopt;
    std::int64_t value = 0;
    const auto result = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
    if (result.ec != std::errc() || result.ptr != token.text.data() + token.text.size()) return std::nullopt;
    return value;
}

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

std::optional<std::string> InflateStream(std::string_view data) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    std::string out;
    char buffer[1 << 15];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    int status = Z_OK;
    while (status == Z_OK && out.size() <= kLargestInflatedStream) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return std::nullopt;
    return out;
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
        const auto xref = XrefOffset();
        if (!xref) return problems_;
        if (!ReadXref(*xref)) return problems_;
        for (const auto& [number, offset] : offsets_) ReadObject(number, offset);
        CheckFraming(*xref);
        for (const std::int64_t number : contents_) CheckContentStream(number);
        return problems_;
    }

private:
    void Problem(std::string what) { problems_.push_back(std::move(what)); }

    std::optional<std::size_t> XrefOffset() {
        std::string_view tail = file_;
        while (!tail.empty() && IsWhite(tail.back())) tail.remove_suffix(1);
        if (tail.size() < 5 || tail.substr(tail.size() - 5) != "%%EOF") Problem("no %%EOF at the end");
        const std::size_t keyword = file_.rfind("startxref");
        if (keyword == std::string_view::npos) {
            Problem("no startxref");
            return std::nullopt;
        }
        std::size_t at = keyword + 9;
        while (at < file_.size() && IsWhite(file_[at])) ++at;
        std::size_t value = 0;
        const auto result = std::from_chars(file_.data() + at, file_.data() + file_.size(), value);
        if (result.ec != std::errc() || value >= file_.size() || file_.substr(value, 4) != "xref") {
            Problem("startxref does not point at the cross-reference table");
            return std::nullopt;
        }
        return value;
    }

    bool ReadXref(std::size_t xref) {
        std::vector<std::string> lexProblems;
        Lexer lexer(file_.substr(xref + 4), "cross-reference table", lexProblems);
        const auto first = lexer.Next();
        const auto count = lexer.Next();
        if (!first || !count || WholeNumber(*first) != 0 || !WholeNumber(*count) || *WholeNumber(*count) < 1) {
            Problem("cross-reference table does not start with \"0 count\"");
            return false;
        }
        size_ = *WholeNumber(*count);
        std::size_t at = xref + 4 + lexer.Position();
        while (at < file_.size() && IsWhite(file_[at])) ++at;
        if (at + static_cast<std::size_t>(size_) * 20 > file_.size()) {
            Problem("cross-reference table runs past the end of the file");
            return false;
        }
        for (std::int64_t number = 0; number < size_; ++number, at += 20) {
            const std::string_view entry = file_.substr(at, 20);
            std::uint64_t offset = 0;
            const bool wellFormed = std::from_chars(entry.data(), entry.data() + 10, offset).ptr == entry.data() + 10 &&
                                    entry[10] == ' ' && entry[16] == ' ' && IsWhite(entry[18]) && IsWhite(entry[19]);
            if (!wellFormed) {
                Problem("cross-reference entry " + std::to_string(number) + " is malformed");
                return false;
            }
            if (entry[17] == 'n') {
                offsets_[number] = offset;
            } else if (number != 0 && entry[17] != 'f') {
                Problem("cross-reference entry " + std::to_string(number) + " is neither n nor f");
            }
        }
        ReadTrailer(at);
        return true;
    }

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
                if (const auto target = WholeNumber(object.dictionary[i + 1])) contents_.insert(*target);
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
        Lexer lexer(inflated->second, "content stream " + std::to_string(number), problems_);
        while (lexer.Next()) {
        }
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
