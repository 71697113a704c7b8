#include <charconv>
#include <cmath>
#include <type_traits>

#include "plain_call.h"
#include "script.h"
#include "script_chars.h"

namespace vellum::script {
namespace {

struct ParseFailure {
    std::string message;
};

// A recursive-descent parser over one line. Nesting depth is bounded so that
// a hostile line cannot exhaust the stack. With kBuild false it only decides
// whether the line is valid: the same grammar, but no tree, no text copied
// and nothing allocated, for the pass that checks a whole script before any
// of it runs.
template <bool kBuild>
class LineParser {
    struct Nothing {};
    // What parsing an expression gives: the expression, or nothing at all
    // when only checking.
    using Value = std::conditional_t<kBuild, Expr, Nothing>;

public:
    explicit LineParser(std::string_view text) : text_(text) {}

    Statement ParseStatement() {
        SkipBlanks();
        const std::string_view name = ReadName("a statement");
        if (EqualsIgnoringCase(name, "Print")) return Finish(PrintStatement{Boxed(ParseExpression())});
        if (EqualsIgnoringCase(name, "WriteFile")) {
            ExprPtr path = Boxed(ParseExpression());
            Expect(',');
            return Finish(WriteFileStatement{std::move(path), Boxed(ParseExpression())});
        }
        if (EqualsIgnoringCase(name, "On")) return ParseOnError();
        SkipBlanks();
        if (Peek() == '=') {
            ++position_;
            return Finish(PutStatement{Text(name), Boxed(ParseExpression())});
        }
        CallStatement call{Text(name), {}};
        if (AtEnd()) return Finish(std::move(call));
        if (Peek() == '(' && ClosingParenthesisEndsLine()) {
            ++position_;
            call.arguments = ParseArgumentsUntil(')');
            return Finish(std::move(call));
        }
        if constexpr (kBuild) call.arguments.reserve(8);  // most calls take at most 8 arguments: one allocation
        Add(call.arguments, ParseExpression());
        while (SkipBlanks(), Peek() == ',') {
            ++position_;
            Add(call.arguments, ParseExpression());
        }
        return Finish(std::move(call));
    }

private:
    static constexpr int kMaxDepth = 200;

    template <class Node>
    static Value Make(Node node) {
        if constexpr (kBuild) {
            return Expr{std::move(node)};
        } else {
            return Nothing{};
        }
    }
    static Value StringExpr(std::string_view text) { return Make(StringLiteral{Text(text)}); }
    static std::string Text(std::string_view text) {
        if constexpr (!kBuild) return {};
        return std::string(text);
    }
    static ExprPtr Boxed(Value value) {
        if constexpr (kBuild) {
            return std::make_unique<Expr>(std::move(value));
        } else {
            return nullptr;
        }
    }
    static void Add(ExprList& list, Value value) {
        if constexpr (kBuild) list.push_back(std::move(value));
    }

    [[noreturn]] void Fail(const std::string& message) { throw ParseFailure{message}; }

    bool AtEnd() {
        SkipBlanks();
        return position_ >= text_.size();
    }
    char Peek() const { return position_ < text_.size() ? text_[position_] : '\0'; }
    void SkipDigits() {
        const char* const begin = text_.data();
        const char* p = begin + position_;
        const char* const end = begin + text_.size();
        while (p != end && IsDigit(*p)) ++p;
        position_ = static_cast<std::size_t>(p - begin);
    }
    void SkipBlanks() {
        while (position_ < text_.size() && IsBlank(text_[position_])) ++position_;
    }

    void Expect(char c) {
        SkipBlanks();
        if (Peek() != c) Fail(std::string("expected '") + c + "'" + Found());
        ++position_;
    }

    std::string Found() const {
        if (position_ >= text_.size()) return " at the end of the line";
        return " at column " + std::to_string(position_ + 1);
    }

    template <class Node>
    Statement Finish(Node node) {
        if (!AtEnd()) Fail("unexpected text" + Found());
        Statement statement;
        if constexpr (kBuild) statement.node = std::move(node);
        return statement;
    }

    std::string_view ReadName(const char* what) {
        SkipBlanks();
        if (!IsLetter(Peek())) Fail(std::string("expected ") + what + Found());
        const std::size_t start = position_;
        while (position_ < text_.size() && IsNameChar(text_[position_])) ++position_;
        return text_.substr(start, position_ - start);
    }

    Statement ParseOnError() {
        if (!EqualsIgnoringCase(ReadName("Error"), "Error")) Fail("expected 'On Error Resume Next' or 'On Error GoTo 0'");
        const std::string_view word = ReadName("Resume or GoTo");
        if (EqualsIgnoringCase(word, "Resume")) {
            if (!EqualsIgnoringCase(ReadName("Next"), "Next")) Fail("expected 'Next' after 'On Error Resume'");
            return Finish(OnErrorStatement{true});
        }
        if (EqualsIgnoringCase(word, "GoTo")) {
            SkipBlanks();
            if (Peek() != '0') Fail("expected '0' after 'On Error GoTo'");
            ++position_;
            return Finish(OnErrorStatement{false});
        }
        Fail("expected 'On Error Resume Next' or 'On Error GoTo 0'");
    }

    // Is the '(' here matched by a ')' that ends the line? Then `Name(a, b)`
    // is a call with those arguments rather than a parenthesised first argument.
    bool ClosingParenthesisEndsLine() const {
        int depth = 0;
        bool inString = false;
        for (std::size_t i = position_; i < text_.size(); ++i) {
            const char c = text_[i];
            if (c == '"') inString = !inString;
            if (inString) continue;
            if (c == '(') ++depth;
            if (c == ')' && --depth == 0) {
                for (std::size_t j = i + 1; j < text_.size(); ++j) {
                    if (!IsBlank(text_[j])) return false;
                }
                return true;
            }
        }
        return false;
    }

    ExprList ParseArgumentsUntil(char closing) {
        ExprList arguments;
        SkipBlanks();
        if (Peek() == closing) {
            ++position_;
            return arguments;
        }
        Add(arguments, ParseExpression());
        while (SkipBlanks(), Peek() == ',') {
            ++position_;
            Add(arguments, ParseExpression());
        }
        Expect(closing);
        return arguments;
    }

    Value ParseExpression() {
        if (++depth_ > kMaxDepth) Fail("expression nested too deeply");
        Value first = ParsePrimary();
        if (SkipBlanks(), Peek() != '&') {
            --depth_;
            return first;
        }
        Concat chain;
        Add(chain.parts, std::move(first));
        while (SkipBlanks(), Peek() == '&') {
            ++position_;
            Add(chain.parts, ParsePrimary());
        }
        --depth_;
        return Make(std::move(chain));
    }

    Value ParsePrimary() {
        SkipBlanks();
        const char c = Peek();
        if (c == '"') return ParseString();
        if (IsDigit(c) || c == '-' || c == '.') return ParseNumber();
        if (c == '(') {
            ++position_;
            Value inner = ParseExpression();
            Expect(')');
            return inner;
        }
        if (!IsLetter(c)) {
            if (c == '\0') Fail("expected a value at the end of the line");
            Fail("unexpected character" + Found());
        }
        return ParseNamed(ReadName("a value"));
    }

    Value ParseNamed(std::string_view name) {
        if (EqualsIgnoringCase(name, "True")) return Make(BoolLiteral{true});
        if (EqualsIgnoringCase(name, "False")) return Make(BoolLiteral{false});
        if (EqualsIgnoringCase(name, "Empty")) return Make(EmptyLiteral{});
        if (EqualsIgnoringCase(name, "Null")) return Make(NullLiteral{});
        if (EqualsIgnoringCase(name, "vbCrLf")) return StringExpr("\r\n");
        if (EqualsIgnoringCase(name, "vbCr")) return StringExpr("\r");
        if (EqualsIgnoringCase(name, "vbLf")) return StringExpr("\n");
        if (EqualsIgnoringCase(name, "vbTab")) return StringExpr("\t");
        if (EqualsIgnoringCase(name, "Err")) {
            if (Peek() != '.') Fail("expected Err.Number or Err.Description");
            ++position_;
            const std::string_view field = ReadName("Number or Description");
            if (EqualsIgnoringCase(field, "Number")) return Make(ErrNumber{});
            if (EqualsIgnoringCase(field, "Description")) return Make(ErrDescription{});
            Fail("Err has only Number and Description");
        }
        SkipBlanks();
        if (EqualsIgnoringCase(name, "Chr")) {
            Expect('(');
            ExprPtr code = Boxed(ParseExpression());
            Expect(')');
            return Make(CharCode{std::move(code)});
        }
        MemberGet get{Text(name), false, {}};
        if (Peek() == '(') {
            ++position_;
            get.hasArgumentList = true;
            if (++depth_ > kMaxDepth) Fail("expression nested too deeply");
            get.arguments = ParseArgumentsUntil(')');
            --depth_;
        }
        return Make(std::move(get));
    }

    Value ParseString() {
        ++position_;  // opening quote
        std::string value;
        while (true) {
            const auto quote = text_.find('"', position_);
            if (quote == std::string_view::npos) Fail("unterminated string");
            if constexpr (kBuild) value.append(text_.substr(position_, quote - position_));
            position_ = quote + 1;
            if (Peek() != '"') break;
            if constexpr (kBuild) value += '"';
            ++position_;
        }
        if constexpr (kBuild) {
            return Expr{StringLiteral{std::move(value)}};
        } else {
            return Nothing{};
        }
    }

    Value ParseNumber() {
        const std::size_t start = position_;
        if (Peek() == '-') ++position_;
        bool isInteger = true;
        SkipDigits();
        if (Peek() == '.') {
            isInteger = false;
            ++position_;
            SkipDigits();
        }
        const bool hasExponent = Peek() == 'e' || Peek() == 'E';
        if (hasExponent) {
            isInteger = false;
            ++position_;
            if (Peek() == '+' || Peek() == '-') ++position_;
            if (!IsDigit(Peek())) Fail("malformed number" + Found());
            SkipDigits();
        }
        const std::string_view literal = text_.substr(start, position_ - start);
        if (literal == "-" || literal == "." || literal == "-.") Fail("malformed number" + Found());
        if (isInteger) {
            std::int32_t value = 0;
            const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), value);
            if (result.ec == std::errc() && result.ptr == literal.data() + literal.size()) {
                return Make(IntegerLiteral{value});
            }
        }
        // Without an exponent and within 300 characters a literal is at most
        // 1e300 and at least 1e-300 apart from zero: it converts, so checking
        // needs no conversion.
        if constexpr (!kBuild) {
            if (!hasExponent && literal.size() <= 300) return Nothing{};
        }
        double value = 0;
        const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), value);
        if (result.ec != std::errc() || result.ptr != literal.data() + literal.size() || !std::isfinite(value)) {
            Fail("number out of range: " + std::string(literal.substr(0, 40)));
        }
        return Make(RealLiteral{value});
    }

    std::string_view text_;
    std::size_t position_ = 0;
    int depth_ = 0;
};

bool IsComment(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    const std::string_view rest = line.substr(start);
    if (rest.empty() || rest.front() == '\'') return true;
    return rest.size() >= 3 && EqualsIgnoringCase(rest.substr(0, 3), "Rem") &&
           (rest.size() == 3 || IsBlank(rest[3]));
}

}  // namespace

bool ParseLineFully(std::string_view text, int lineNumber, LineResult& result, SyntaxError& error) {
    result = LineResult{};
    if (IsComment(text)) return true;
    try {
        result.statement = LineParser<true>(text).ParseStatement();
        result.statement.line = lineNumber;
        result.isStatement = true;
        return true;
    } catch (const ParseFailure& failure) {
        error = SyntaxError{lineNumber, failure.message};
        return false;
    }
}

bool CheckLineFully(std::string_view text, int lineNumber, SyntaxError& error) {
    if (IsComment(text)) return true;
    try {
        LineParser<false>(text).ParseStatement();
        return true;
    } catch (const ParseFailure& failure) {
        error = SyntaxError{lineNumber, failure.message};
        return false;
    }
}

bool ParseLine(std::string_view text, int lineNumber, LineResult& result, SyntaxError& error) {
    result.isStatement = false;
    if (ScanPlainCall(text, result.statement.node.emplace<CallStatement>())) {
        result.statement.line = lineNumber;
        result.isStatement = true;
        return true;
    }
    return ParseLineFully(text, lineNumber, result, error);
}

bool CheckLine(std::string_view text, int lineNumber, SyntaxError& error) {
    return IsPlainCall(text) || CheckLineFully(text, lineNumber, error);
}

}  // namespace vellum::script
