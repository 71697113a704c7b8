// Call scripts: one statement per line, parsed into a small tree that the
// runner evaluates against an automation object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vellum::script {

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
// Argument lists and chains hold their expressions side by side: a call of
// eight literals is one allocation, not nine.
using ExprList = std::vector<Expr>;

struct StringLiteral {
    std::string utf8;
};
struct IntegerLiteral {
    std::int32_t value;
};
struct RealLiteral {
    double value;
};
struct BoolLiteral {
    bool value;
};
struct EmptyLiteral {};
struct NullLiteral {};
struct CharCode {  // Chr(n): one Windows-1252 character
    ExprPtr code;
};
// a & b & c ...: one flat node for the whole chain, so that no chain, however
// long, nests the tree (and the stack that frees or evaluates it).
struct Concat {
    ExprList parts;  // two or more, left to right
};
struct MemberGet {  // Name, or Name(args...) when hasArgumentList
    std::string name;
    bool hasArgumentList = false;
    ExprList arguments;
};
struct ErrNumber {};
struct ErrDescription {};

struct Expr {
    std::variant<StringLiteral, IntegerLiteral, RealLiteral, BoolLiteral, EmptyLiteral, NullLiteral, CharCode,
                 Concat, MemberGet, ErrNumber, ErrDescription>
        node;
};

struct CallStatement {
    std::string name;
    ExprList arguments;
};
struct PutStatement {
    std::string name;
    ExprPtr value;
};
struct PrintStatement {
    ExprPtr value;
};
struct WriteFileStatement {
    ExprPtr path, value;
};
struct OnErrorStatement {
    bool resumeNext;
};

struct Statement {
    int line = 0;
    std::variant<CallStatement, PutStatement, PrintStatement, WriteFileStatement, OnErrorStatement> node;
};

struct SyntaxError {
    int line = 0;
    std::string message;
};

// Parses one line; returns false with `error` set when it is not a statement.
// Comments and blank lines give true with `statement` empty.
struct LineResult {
    bool isStatement = false;
    Statement statement;
};
bool ParseLine(std::string_view text, int lineNumber, LineResult& result, SyntaxError& error);
// The same verdict as ParseLine, without building the statement.
bool CheckLine(std::string_view text, int lineNumber, SyntaxError& error);

// The same, by the full parser alone, without the quick path for plain calls;
// for tests that hold the two to the same results.
bool ParseLineFully(std::string_view text, int lineNumber, LineResult& result, SyntaxError& error);
bool CheckLineFully(std::string_view text, int lineNumber, SyntaxError& error);
// Whether two statements are the same tree with the same values, bit for bit.
bool SameStatement(const Statement& a, const Statement& b);

// Drops a UTF-8 byte-order mark, which editors may put before the first line.
inline void SkipByteOrderMark(std::string_view& firstLine) {
    if (firstLine.starts_with("\xEF\xBB\xBF")) firstLine.remove_prefix(3);
}

}  // namespace vellum::script
