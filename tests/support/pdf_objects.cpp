#include "pdf_objects.h"

#include <algorithm>
#include <charconv>

namespace vellum::test::pdf {
namespace {

// Deeper nesting reads as null: no file we write nests anywhere near this.
constexpr int kDeepestNesting = 64;
// References to references are followed this far, so a loop ends.
constexpr int kLongestReferenceChain = 8;

const Value& NullValue() {
    static const Value null;
    return null;
}

bool IsPunctuation(const Token& token, std::string_view text) {
    return token.kind == Token::Kind::Punctuation && token.text == text;
}

}  // namespace

const Value& Value::Get(std::string_view key) const {
    if (kind != Kind::Dictionary) return NullValue();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) return items[i];
    }
    return NullValue();
}

std::optional<std::int64_t> Value::Integer() const {
    if (kind != Kind::Number) return std::nullopt;
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

ValueReader::ValueReader(std::string_view text) : text_(text) { SkipTo(0); }

void ValueReader::SkipTo(std::size_t offset) {
    offset = std::min(offset, text_.size());
    ahead_.clear();
    consumed_ = offset;
    lexer_.emplace(text_.substr(offset), "", ignored_);
}

const Token* ValueReader::Peek(std::size_t ahead) {
    while (ahead_.size() <= ahead) {
        auto token = lexer_->Next();
        if (!token) return nullptr;
        ahead_.push_back(*token);
    }
    return &ahead_[ahead];
}

std::optional<Token> ValueReader::Take() {
    ignored_.clear();
    if (Peek(0) == nullptr) return std::nullopt;
    const Token token = ahead_.front();
    ahead_.pop_front();
    consumed_ = static_cast<std::size_t>(token.text.data() - text_.data()) + token.text.size();
    return token;
}

std::optional<Value> ValueReader::Next() {
    const auto token = Take();
    if (!token) return std::nullopt;
    return Parse(*token, 0);
}

Value ValueReader::Parse(const Token& first, int depth) {
    Value value;
    value.text = first.text;
    switch (first.kind) {
        case Token::Kind::Number: {
            const Token* generation = Peek(0);
            const Token* r = Peek(1);
            const auto number = WholeNumber(first);
            if (number && generation != nullptr && r != nullptr && WholeNumber(*generation) &&
                r->kind == Token::Kind::Keyword && r->text == "R") {
                Take(), Take();
                value.kind = Value::Kind::Reference;
                value.reference = *number;
            } else {
                value.kind = Value::Kind::Number;
            }
            return value;
        }
        case Token::Kind::Name: value.kind = Value::Kind::Name; return value;
        case Token::Kind::String: value.kind = Value::Kind::String; return value;
        case Token::Kind::Keyword:
            value.kind = first.text == "true" || first.text == "false" ? Value::Kind::Boolean
                         : first.text == "null"                        ? Value::Kind::Null
                                                                       : Value::Kind::Keyword;
            return value;
        case Token::Kind::Punctuation:
            if (depth >= kDeepestNesting) return Value{};
            if (first.text == "[") return ParseArray(depth + 1);
            if (first.text == "<<") return ParseDictionary(depth + 1);
            return Value{};  // a stray closing bracket
    }
    return value;
}

Value ValueReader::ParseArray(int depth) {
    Value array;
    array.kind = Value::Kind::Array;
    while (auto token = Take()) {
        if (IsPunctuation(*token, "]")) break;
        array.items.push_back(Parse(*token, depth));
    }
    return array;
}

Value ValueReader::ParseDictionary(int depth) {
    Value dictionary;
    dictionary.kind = Value::Kind::Dictionary;
    while (auto key = Take()) {
        if (IsPunctuation(*key, ">>")) break;
        if (key->kind != Token::Kind::Name) continue;  // damaged: resynchronise on the next name
        const auto value = Take();
        if (!value) break;
        dictionary.keys.push_back(key->text);
        dictionary.items.push_back(Parse(*value, depth));
    }
    return dictionary;
}

ObjectFile::ObjectFile(std::string_view file) : file_(file) {
    std::vector<std::string> ignored;
    const auto table = ReadCrossReference(file, ignored);
    if (!table) return;
    offsets_ = table->offsets;
    const std::size_t keyword = file.find("trailer", table->end);
    if (keyword == std::string_view::npos) return;
    ValueReader reader(file.substr(keyword + 7));
    if (auto trailer = reader.Next()) trailer_ = std::move(*trailer);
    readable_ = trailer_.kind == Value::Kind::Dictionary;
}

const Value& ObjectFile::Get(std::int64_t number) { return Load(number).value; }

const Value& ObjectFile::Resolve(const Value& value) {
    const Value* at = &value;
    for (int step = 0; at->kind == Value::Kind::Reference && step < kLongestReferenceChain; ++step) {
        at = &Get(at->reference);
    }
    return at->kind == Value::Kind::Reference ? NullValue() : *at;
}

const ObjectFile::Stored& ObjectFile::Load(std::int64_t number) {
    if (const auto known = objects_.find(number); known != objects_.end()) return known->second;
    Stored& stored = objects_[number];
    const auto offset = offsets_.find(number);
    if (offset == offsets_.end() || offset->second >= file_.size()) return stored;
    ValueReader reader(file_.substr(offset->second));
    // "N 0", which the cross-reference table vouches for, then "obj".
    reader.Next();
    reader.Next();
    if (const auto keyword = reader.Next(); !keyword || !keyword->IsKeyword("obj")) return stored;
    if (auto value = reader.Next()) stored.value = std::move(*value);
    if (auto after = reader.Next(); after && after->IsKeyword("stream")) {
        ReadStream(stored, offset->second + reader.Position());
    }
    return stored;
}

void ObjectFile::ReadStream(Stored& stored, std::size_t afterKeyword) {
    const auto length = Resolve(stored.value.Get("Length")).Integer();
    std::size_t at = afterKeyword;
    if (file_.substr(at, 2) == "\r\n") {
        at += 2;
    } else if (file_.substr(at, 1) == "\n") {
        at += 1;
    }
    if (!length || *length < 0 || at > file_.size() || static_cast<std::uint64_t>(*length) > file_.size() - at) return;
    stored.stream = file_.substr(at, static_cast<std::size_t>(*length));
    stored.hasStream = true;
}

std::optional<std::string> ObjectFile::StreamData(std::int64_t number) {
    const Stored& stored = Load(number);
    if (!stored.hasStream) return std::nullopt;
    const Value& filter = Resolve(stored.value.Get("Filter"));
    if (filter.kind == Value::Kind::Null) return std::string(stored.stream);
    const bool flate = filter.IsName("FlateDecode") || (filter.kind == Value::Kind::Array && filter.items.size() == 1 &&
                                                        filter.items[0].IsName("FlateDecode"));
    if (!flate) return std::nullopt;
    return InflateStream(stored.stream);
}

}  // namespace vellum::test::pdf
