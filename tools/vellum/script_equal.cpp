#include <cstring>

#include "script.h"

namespace vellum::script {
namespace {

bool SameExpr(const Expr& a, const Expr& b);

bool SameList(const ExprList& a, const ExprList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!SameExpr(a[i], b[i])) return false;
    }
    return true;
}

bool SamePointer(const ExprPtr& a, const ExprPtr& b) {
    if (a == nullptr || b == nullptr) return a == b;
    return SameExpr(*a, *b);
}

bool SameExpr(const Expr& a, const Expr& b) {
    if (a.node.index() != b.node.index()) return false;
    return std::visit(
        [&b](const auto& left) {
            using Node = std::decay_t<decltype(left)>;
            const Node& right = std::get<Node>(b.node);
            if constexpr (std::is_same_v<Node, StringLiteral>) return left.utf8 == right.utf8;
            if constexpr (std::is_same_v<Node, IntegerLiteral> || std::is_same_v<Node, BoolLiteral>) {
                return left.value == right.value;
            }
            // Bit for bit: 0 and -0 differ, as they may in the output.
            if constexpr (std::is_same_v<Node, RealLiteral>) return std::memcmp(&left.value, &right.value, sizeof(double)) == 0;
            if constexpr (std::is_same_v<Node, CharCode>) return SamePointer(left.code, right.code);
            if constexpr (std::is_same_v<Node, Concat>) return SameList(left.parts, right.parts);
            if constexpr (std::is_same_v<Node, MemberGet>) {
                return left.name == right.name && left.hasArgumentList == right.hasArgumentList &&
                       SameList(left.arguments, right.arguments);
            }
            return true;  // nodes without values
        },
        a.node);
}

}  // namespace

bool SameStatement(const Statement& a, const Statement& b) {
    if (a.line != b.line || a.node.index() != b.node.index()) return false;
    return std::visit(
        [&b](const auto& left) {
            using Node = std::decay_t<decltype(left)>;
            const Node& right = std::get<Node>(b.node);
            if constexpr (std::is_same_v<Node, CallStatement>) {
                return left.name == right.name && SameList(left.arguments, right.arguments);
            }
            if constexpr (std::is_same_v<Node, PutStatement>) return left.name == right.name && SamePointer(left.value, right.value);
            if constexpr (std::is_same_v<Node, PrintStatement>) return SamePointer(left.value, right.value);
            if constexpr (std::is_same_v<Node, WriteFileStatement>) {
                return SamePointer(left.path, right.path) && SamePointer(left.value, right.value);
            }
            if constexpr (std::is_same_v<Node, OnErrorStatement>) return left.resumeNext == right.resumeNext;
        },
        a.node);
}

}  // namespace vellum::script
