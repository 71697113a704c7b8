// The archival level's name checked into an enumeration, and the scope that
// applies the level to one write.
#include "archival.h"

#include "ascii.h"
#include "document.h"
#include "errors.h"

namespace vellum {
namespace {

struct NamedLevel {
    Conformance level;
    std::string_view name;
};

constexpr NamedLevel kLevels[] = {
    {Conformance::A1b, "PDF/A-1b"}, {Conformance::A2b, "PDF/A-2b"}, {Conformance::A2u, "PDF/A-2u"},
    {Conformance::A3b, "PDF/A-3b"}, {Conformance::A3u, "PDF/A-3u"},
};

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

Conformance ParseConformance(std::string_view name) {
    const std::string_view trimmed = Trimmed(name);
    if (trimmed.empty()) return Conformance::None;
    for (const NamedLevel& known : kLevels) {
        if (EqualsIgnoringAsciiCase(trimmed, known.name)) return known.level;
    }
    throw EngineError("Unknown conformance \"" + std::string(name) +
                      "\": use PDF/A-1b, PDF/A-2b, PDF/A-2u, PDF/A-3b, PDF/A-3u or an empty text for none");
}

std::string_view ConformanceName(Conformance level) {
    for (const NamedLevel& known : kLevels) {
        if (known.level == level) return known.name;
    }
    return {};
}

void TPDFDoc::SetConformance(std::string_view name) {
    RequireReady();
    conformance_ = ParseConformance(name);
}

std::string_view TPDFDoc::ConformanceName() const { return vellum::ConformanceName(conformance_); }

}  // namespace vellum
