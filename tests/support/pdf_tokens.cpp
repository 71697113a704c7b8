#include "pdf_tokens.h"

#include <zlib.h>

#include <cctype>
#include <charconv>

#include "pdf_structure.h"

namespace vellum::test::pdf {
namespace {

// Inflated streams beyond this are reported rather than held.
constexpr std::size_t kLargestInflatedStream = std::size_t{1} << 30;

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool LooksNumeric(std::string_view word) {
    return !word.empty() && (std::isdigit(static_cast<unsigned char>(word[0])) != 0 || word[0] == '-' ||
                             word[0] == '+' || word[0] == '.');
}

std::optional<std::size_t> XrefOffset(std::string_view file, std::vector<std::string>& problems) {
    std::string_view tail = file;
    while (!tail.empty() && IsWhite(tail.back())) tail.remove_suffix(1);
    if (tail.size() < 5 || tail.substr(tail.size() - 5) != "%%EOF") problems.push_back("no %%EOF at the end");
    const std::size_t keyword = file.rfind("startxref");
    if (keyword == std::string_view::npos) {
        problems.push_back("no startxref");
        return std::nullopt;
    }
    std::size_t at = keyword + 9;
    while (at < file.size() && IsWhite(file[at])) ++at;
    std::size_t value = 0;
    const auto result = std::from_chars(file.data() + at, file.data() + file.size(), value);
    if (result.ec != std::errc() || value >= file.size() || file.substr(value, 4) != "xref") {
        problems.push_back("startxref does not point at the cross-reference table");
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool IsWhite(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0'; }
bool IsDelimiter(char c) { return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }

std::optional<Token> Lexer::Next() {
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

void Lexer::Problem(const std::string& what) {
    problems_.push_back(where_ + ", byte " + std::to_string(at_) + ": " + what);
}

void Lexer::SkipWhiteAndComments() {
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

Token Lexer::Punctuation(std::size_t length) {
    const Token token{Token::Kind::Punctuation, text_.substr(at_, length)};
    at_ += length;
    return token;
}

Token Lexer::LiteralString() {
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

Token Lexer::HexString() {
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

Token Lexer::Name() {
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

Token Lexer::Regular() {
    const std::size_t start = at_;
    while (at_ < text_.size() && !IsWhite(text_[at_]) && !IsDelimiter(text_[at_])) ++at_;
    const std::string_view word = text_.substr(start, at_ - start);
    if (!LooksNumeric(word)) return {Token::Kind::Keyword, word};
    CheckNumber(word);
    return {Token::Kind::Number, word};
}

void Lexer::CheckNumber(std::string_view word) {
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

std::optional<std::int64_t> WholeNumber(const Token& token) {
    if (token.kind != Token::Kind::Number) return std::nullopt;
    std::int64_t value = 0;
    const auto result = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
    if (result.ec != std::errc() || result.ptr != token.text.data() + token.text.size()) return std::nullopt;
    return value;
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

std::optional<CrossReference> ReadCrossReference(std::string_view file, std::vector<std::string>& problems) {
    const auto xref = XrefOffset(file, problems);
    if (!xref) return std::nullopt;
    CrossReference table;
    table.tableOffset = *xref;
    std::vector<std::string> lexProblems;
    Lexer lexer(file.substr(*xref + 4), "cross-reference table", lexProblems);
    const auto first = lexer.Next();
    const auto count = lexer.Next();
    if (!first || !count || WholeNumber(*first) != 0 || !WholeNumber(*count) || *WholeNumber(*count) < 1) {
        problems.push_back("cross-reference table does not start with \"0 count\"");
        return std::nullopt;
    }
    table.size = *WholeNumber(*count);
    std::size_t at = *xref + 4 + lexer.Position();
    while (at < file.size() && IsWhite(file[at])) ++at;
    if (at + static_cast<std::size_t>(table.size) * 20 > file.size()) {
        problems.push_back("cross-reference table runs past the end of the file");
        return std::nullopt;
    }
    for (std::int64_t number = 0; number < table.size; ++number, at += 20) {
        const std::string_view entry = file.substr(at, 20);
        std::uint64_t offset = 0;
        const bool wellFormed = std::from_chars(entry.data(), entry.data() + 10, offset).ptr == entry.data() + 10 &&
                                entry[10] == ' ' && entry[16] == ' ' && IsWhite(entry[18]) && IsWhite(entry[19]);
        if (!wellFormed) {
            problems.push_back("cross-reference entry " + std::to_string(number) + " is malformed");
            return std::nullopt;
        }
        if (entry[17] == 'n') {
            table.offsets[number] = offset;
        } else if (number != 0 && entry[17] != 'f') {
            problems.push_back("cross-reference entry " + std::to_string(number) + " is neither n nor f");
        }
    }
    table.end = at;
    return table;
}

}  // namespace vellum::test::pdf
