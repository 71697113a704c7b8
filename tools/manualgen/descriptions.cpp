#include "descriptions.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace vellum::manual {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Splits "@field rest" into the field name and the rest of the line.
std::pair<std::string, std::string> SplitField(const std::string& line) {
    const auto blank = line.find_first_of(" \t", 1);
    if (blank == std::string::npos)
        return {line.substr(1), {}};
    return {line.substr(1, blank - 1), Trim(line.substr(blank + 1))};
}

std::string Where(int line) {
    return "line " + std::to_string(line) + ": ";
}

class Parser {
public:
    explicit Parser(std::vector<std::string>& errors) : errors_(errors) {}

    void feed(const std::string& rawLine, int line) {
        std::string text = rawLine;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (text.rfind("@@", 0) == 0)
            return;
        if (text.rfind('@', 0) == 0) {
            openField(text, line);
            return;
        }
        if (target_ != nullptr) {
            if (!target_->empty() || !Trim(text).empty())
                *target_ += (target_->empty() ? "" : "\n") + text;
        } else if (!Trim(text).empty()) {
            errors_.push_back(Where(line) + "text outside any field");
        }
    }

    std::vector<MemberDoc> finish() {
        for (MemberDoc& doc : docs_) {
            for (std::string* block : {&doc.behaviour, &doc.example, &doc.cpp, &doc.python,
                                       &doc.summary, &doc.result, &doc.value})
                *block = TrimBlock(*block);
            for (auto& param : doc.params)
                param.second = TrimBlock(param.second);
        }
        return std::move(docs_);
    }

private:
    static std::string TrimBlock(const std::string& block) {
        auto end = block.find_last_not_of(" \t\r\n");
        return end == std::string::npos ? std::string{} : block.substr(0, end + 1);
    }

    void openField(const std::string& text, int line) {
        const auto [field, rest] = SplitField(text);
        target_ = nullptr;
        if (field == "member") {
            if (rest.empty() || rest.find_first_of(" \t") != std::string::npos) {
                errors_.push_back(Where(line) + "@member needs one name");
                return;
            }
            MemberDoc doc;
            doc.name = rest;
            doc.line = line;
            docs_.push_back(std::move(doc));
            return;
        }
        if (docs_.empty()) {
            errors_.push_back(Where(line) + "@" + field + " before the first @member");
            return;
        }
        MemberDoc& doc = docs_.back();
        if (field == "param") {
            const auto [name, meaning] = SplitField("@" + rest);
            if (name.empty()) {
                errors_.push_back(Where(line) + "@param needs an argument name");
                return;
            }
            doc.params.emplace_back(name, meaning);
            target_ = &doc.params.back().second;
            return;
        }
        if (field == "see") {
            std::istringstream names(rest);
            for (std::string name; names >> name;)
                doc.see.push_back(name);
            return;
        }
        std::string* slot = fieldSlot(doc, field);
        if (slot == nullptr) {
            errors_.push_back(Where(line) + "unknown field @" + field);
            return;
        }
        if (!slot->empty()) {
            errors_.push_back(Where(line) + "@" + field + " given twice for " + doc.name);
            return;
        }
        *slot = rest;
        target_ = slot;
    }

    static std::string* fieldSlot(MemberDoc& doc, const std::string& field) {
        if (field == "summary") return &doc.summary;
        if (field == "result") return &doc.result;
        if (field == "value") return &doc.value;
        if (field == "behaviour") return &doc.behaviour;
        if (field == "example") return &doc.example;
        if (field == "cpp") return &doc.cpp;
        if (field == "python") return &doc.python;
        return nullptr;
    }

    std::vector<std::string>& errors_;
    std::vector<MemberDoc> docs_;
    std::string* target_ = nullptr;
};

void CheckOne(const MemberDoc& doc, const InterfaceMember& member, std::vector<std::string>& errors) {
    const std::string at = Where(doc.line) + doc.name + ": ";
    if (doc.summary.empty()) errors.push_back(at + "no @summary");
    if (doc.behaviour.empty()) errors.push_back(at + "no @behaviour");
    if (doc.example.empty()) errors.push_back(at + "no @example");

    if (member.isProperty) {
        if (doc.value.empty()) errors.push_back(at + "a property needs @value");
        if (!doc.params.empty()) errors.push_back(at + "a property takes no @param");
        if (!doc.result.empty()) errors.push_back(at + "a property takes @value, not @result");
        return;
    }
    if (!doc.value.empty()) errors.push_back(at + "@value is for properties");
    const bool hasResult = member.result != ValueType::None;
    if (hasResult && doc.result.empty()) errors.push_back(at + "no @result");
    if (!hasResult && !doc.result.empty()) errors.push_back(at + "@result given, but the member has none");

    std::set<std::string> described;
    for (const auto& [name, meaning] : doc.params) {
        if (!described.insert(name).second)
            errors.push_back(at + "argument " + name + " described twice");
        const bool known = std::any_of(member.params.begin(), member.params.end(),
                                       [&](const ParamSpec& p) { return p.name == name; });
        if (!known) errors.push_back(at + "no argument named " + name);
        if (meaning.empty()) errors.push_back(at + "argument " + name + " has no text");
    }
    for (const ParamSpec& p : member.params) {
        if (described.count(std::string(p.name)) == 0)
            errors.push_back(at + "argument " + std::string(p.name) + " is not described");
    }
}

}  // namespace

std::vector<MemberDoc> ParseDescriptions(std::istream& in, std::vector<std::string>& errors) {
    Parser parser(errors);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number)
        parser.feed(line, number);
    return parser.finish();
}

void CheckDescriptions(const std::vector<MemberDoc>& docs,
                       const std::vector<InterfaceMember>& members,
                       std::vector<std::string>& errors) {
    auto findMember = [&](const std::string& name) {
        return std::find_if(members.begin(), members.end(),
                            [&](const InterfaceMember& m) { return m.name == name; });
    };
    std::set<std::string> seen;
    for (const MemberDoc& doc : docs) {
        const auto member = findMember(doc.name);
        if (member == members.end()) {
            errors.push_back(Where(doc.line) + "description names no member: " + doc.name);
            continue;
        }
        if (!seen.insert(doc.name).second) {
            errors.push_back(Where(doc.line) + doc.name + " is described twice");
            continue;
        }
        CheckOne(doc, *member, errors);
        for (const std::string& other : doc.see) {
            if (findMember(other) == members.end())
                errors.push_back(Where(doc.line) + doc.name + ": @see names no member: " + other);
        }
    }
    for (const InterfaceMember& member : members) {
        if (seen.count(std::string(member.name)) == 0)
            errors.push_back("member " + std::string(member.name) + " has no description");
    }
}

}  // namespace vellum::manual
