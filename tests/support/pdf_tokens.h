// The lowest layer of the test suite's PDF readers: tokens, the
// cross-reference table and FlateDecode, shared by the structural checker
// (pdf_structure.h) and the tagged-structure checker (tagged_structure.h).
// Internal to those two; depends on nothing but zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellum::test::pdf {

bool IsWhite(char c);
bool IsDelimiter(char c);

struct Token {
    enum class Kind { Number, Name, Keyword, String, Punctuation };
    Kind kind;
    std::string_view text;  // a name without its slash, a string without its brackets
};

// Splits PDF syntax into tokens, adding to `problems` what a reader could
// not accept, each prefixed with `where` and the byte offset.
class Lexer {
public:
    Lexer(std::string_view text, std::string where, std::vector<std::string>& problems)
        : text_(text), where_(std::move(where)), problems_(problems) {}

    std::size_t Position() const { return at_; }
    std::optional<Token> Next();

private:
    char Peek(std::size_t ahead) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }
    void Problem(const std::string& what);
    void SkipWhiteAndComments();
    Token Punctuation(std::size_t length);
    Token LiteralString();
    Token HexString();
    Token Name();
    Token Regular();
    void CheckNumber(std::string_view word);

    std::string_view text_;
    std::size_t at_ = 0;
    std::string where_;
    std::vector<std::string>& problems_;
};

std::optional<std::int64_t> WholeNumber(const Token& token);

// nullopt when the stream is damaged, or inflates beyond what a test holds.
std::optional<std::string> InflateStream(std::string_view data);

struct CrossReference {
    std::size_t tableOffset = 0;                    // where "xref" stands
    std::size_t end = 0;                            // just past the last entry
    std::int64_t size = 0;                          // entries, the free head included
    std::map<std::int64_t, std::uint64_t> offsets;  // objects in use
};

// The table startxref points at, adding to `problems` what is wrong with it
// or with the end of the file; nullopt when no table can be read.
std::optional<CrossReference> ReadCrossReference(std::string_view file, std::vector<std::string>& problems);

}  // namespace vellum::test::pdf
