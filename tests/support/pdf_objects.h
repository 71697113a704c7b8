// PDF objects as a reader sees them, for checks that follow references
// (the tagged-structure checker): values parsed from tokens, a file's
// objects found through its cross-reference table, stream data inflated.
// Lenient: what cannot be parsed reads as null, since the structural checker
// (pdf_structure.h) is the one that reports damaged syntax.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf_tokens.h"

namespace vellum::test::pdf {

struct Value {
    enum class Kind { Null, Boolean, Number, Name, String, Array, Dictionary, Reference, Keyword };
    Kind kind = Kind::Null;
    std::string_view text;               // a number's, name's (no slash), string's or keyword's text
    std::int64_t reference = 0;          // the object number a reference names
    std::vector<Value> items;            // an array's elements, a dictionary's values
    std::vector<std::string_view> keys;  // a dictionary's keys, parallel to items

    // The entry under `key` of a dictionary; null for anything else.
    const Value& Get(std::string_view key) const;
    std::optional<std::int64_t> Integer() const;
    bool IsName(std::string_view name) const { return kind == Kind::Name && text == name; }
    bool IsKeyword(std::string_view word) const { return kind == Kind::Keyword && text == word; }
};

// Values one after another from PDF text: object bodies and content
// streams. A keyword other than true, false and null (an operator, "obj",
// "stream") comes back as a Keyword value.
class ValueReader {
public:
    explicit ValueReader(std::string_view text);
    ValueReader(const ValueReader&) = delete;  // the lexer reports into this one's ignored_
    ValueReader& operator=(const ValueReader&) = delete;

    std::optional<Value> Next();
    // Just past the last token taken (exact after a keyword).
    std::size_t Position() const { return consumed_; }
    // Continues reading at `offset` (after an inline image's data).
    void SkipTo(std::size_t offset);

private:
    std::optional<Token> Take();
    const Token* Peek(std::size_t ahead);
    Value Parse(const Token& first, int depth);
    Value ParseArray(int depth);
    Value ParseDictionary(int depth);

    std::string_view text_;
    std::vector<std::string> ignored_;  // lexical problems: pdf_structure's to report
    std::optional<Lexer> lexer_;
    std::deque<Token> ahead_;
    std::size_t consumed_ = 0;
};

class ObjectFile {
public:
    explicit ObjectFile(std::string_view file);

    bool Readable() const { return readable_; }
    const Value& Trailer() const { return trailer_; }
    // The value of object `number`; null when the file has no such object.
    const Value& Get(std::int64_t number);
    // `value` itself, or the value of the object it refers to.
    const Value& Resolve(const Value& value);
    // A stream object's data, inflated where it is FlateDecode; nullopt for
    // no stream, another filter or damaged data.
    std::optional<std::string> StreamData(std::int64_t number);

private:
    struct Stored {
        Value value;
        std::string_view stream;
        bool hasStream = false;
    };
    const Stored& Load(std::int64_t number);
    void ReadStream(Stored& stored, std::size_t afterKeyword);

    std::string_view file_;
    bool readable_ = false;
    Value trailer_;
    std::map<std::int64_t, std::uint64_t> offsets_;
    std::map<std::int64_t, Stored> objects_;
};

}  // namespace vellum::test::pdf
