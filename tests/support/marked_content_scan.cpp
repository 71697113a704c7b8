#include "marked_content_scan.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace vellum::test::pdf {
namespace {

using Kind = Value::Kind;

constexpr std::string_view kDrawingOperators[] = {"Tj", "TJ", "'",  "\"", "S",  "s",  "f",  "F",
                                                  "f*", "B",  "B*", "b",  "b*", "sh", "Do", "BI"};

bool IsDrawing(std::string_view op) {
    return std::find(std::begin(kDrawingOperators), std::end(kDrawingOperators), op) != std::end(kDrawingOperators);
}

// Marked-content sequences of one content stream, as a reader pairs them.
class Scanner {
public:
    Scanner(std::string page, const Value& properties, ObjectFile& file, std::vector<std::string>& problems)
        : page_(std::move(page)), properties_(properties), file_(file), problems_(problems) {}

    // The MCIDs the content marks.
    std::set<std::int64_t> Scan(std::string_view content) {
        ValueReader reader(content);
        std::vector<Value> operands;
        while (auto value = reader.Next()) {
            if (value->kind != Kind::Keyword) {
                operands.push_back(std::move(*value));
                continue;
            }
            Operator(value->text, operands);
            if (value->text == "ID") SkipInlineImage(reader, content);
            operands.clear();
        }
        if (!open_.empty()) Problem(std::to_string(open_.size()) + " marked-content sequence(s) left open");
        return std::move(mcids_);
    }

private:
    enum class Mark { Tagged, Artifact, Other };
    struct Open {
        Mark mark;
        std::int64_t mcid;
    };

    void Problem(const std::string& what) { problems_.push_back(page_ + ": " + what); }

    void Operator(std::string_view op, const std::vector<Value>& operands) {
        if (op == "BMC" || op == "BDC") {
            Begin(op, operands);
        } else if (op == "EMC") {
            if (open_.empty()) return Problem("EMC without an open BMC or BDC");
            open_.pop_back();
        } else if (IsDrawing(op) && !InMarkedContent() && unmarked_.insert(std::string(op)).second) {
            Problem(std::string(op) + " outside tagged content and artifacts");
        }
    }

    void Begin(std::string_view op, const std::vector<Value>& operands) {
        Open opened{Mark::Other, -1};
        if (!operands.empty() && operands[0].IsName("Artifact")) {
            opened.mark = Mark::Artifact;
        } else if (op == "BDC" && operands.size() > 1) {
            if (const auto mcid = MarkedContentId(operands[1])) opened = {Mark::Tagged, *mcid};
        }
        if (opened.mark != Mark::Other) {
            if (const Open* outer = Enclosing()) Problem(Describe(opened) + " opens inside " + Describe(*outer));
        }
        if (opened.mark == Mark::Tagged && !mcids_.insert(opened.mcid).second) {
            Problem("MCID " + std::to_string(opened.mcid) + " marks more than one sequence");
        }
        open_.push_back(opened);
    }

    // The MCID of a BDC's properties, given inline or named in the resources.
    std::optional<std::int64_t> MarkedContentId(const Value& properties) {
        const Value& dictionary =
            properties.kind == Kind::Name ? file_.Resolve(properties_.Get(properties.text)) : properties;
        return file_.Resolve(dictionary.Get("MCID")).Integer();
    }

    const Open* Enclosing() const {
        for (auto open = open_.rbegin(); open != open_.rend(); ++open) {
            if (open->mark != Mark::Other) return &*open;
        }
        return nullptr;
    }
    bool InMarkedContent() const { return Enclosing() != nullptr; }

    static std::string Describe(const Open& open) {
        return open.mark == Mark::Artifact ? std::string("an artifact") : "MCID " + std::to_string(open.mcid);
    }

    // An inline image's data runs from after "ID" to "EI" on its own.
    static void SkipInlineImage(ValueReader& reader, std::string_view content) {
        std::size_t at = reader.Position() + 1;
        while ((at = content.find("EI", at)) != std::string_view::npos) {
            const bool alone = IsWhite(content[at - 1]) && (at + 2 == content.size() || IsWhite(content[at + 2]));
            if (alone) break;
            at += 2;
        }
        reader.SkipTo(at == std::string_view::npos ? content.size() : at + 2);
    }

    std::string page_;
    const Value& properties_;
    ObjectFile& file_;
    std::vector<std::string>& problems_;
    std::vector<Open> open_;
    std::set<std::int64_t> mcids_;
    std::set<std::string> unmarked_;  // operators reported once a page
};

}  // namespace

std::set<std::int64_t> ScanMarkedContent(std::string_view content, std::string page, const Value& properties,
                                         ObjectFile& file, std::vector<std::string>& problems) {
    return Scanner(std::move(page), properties, file, problems).Scan(content);
}

}  // namespace vellum::test::pdf
