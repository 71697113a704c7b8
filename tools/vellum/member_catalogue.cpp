#include "member_catalogue.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "VELLUM_XP_TLB.h"
#include "com/bstr.h"
#include "com/codepage.h"
#include "member_table.h"

namespace vellum::script {
namespace {

// The type information answers GetNames per member but not GetFuncDesc, so
// members are found by asking for each DISPID in the range member tables use.
constexpr DISPID kHighestProbedDispid = 4095;
constexpr UINT kMaxNames = 1 + kMaxParams;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// The member's name and its parameter names, as the type information gives them.
std::optional<std::vector<std::string>> NamesOf(ITypeInfo* info, DISPID dispid) {
    BSTR names[kMaxNames] = {};
    UINT count = 0;
    if (FAILED(info->GetNames(dispid, names, kMaxNames, &count)) || count == 0) return std::nullopt;
    std::vector<std::string> result;
    for (UINT i = 0; i < count; ++i) {
        result.push_back(Utf16ToUtf8(BstrView(names[i])));
        SysFreeString(names[i]);
    }
    return result;
}

// The member-table entry a call with these flags reaches: the put accessor for
// a property put, else the method or property get.
const MemberSpec* TableEntry(DISPID dispid, WORD flags) {
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    for (const MemberSpec& member : kMembers) {
        if (member.dispid == dispid && (member.kind == MemberKind::PropertyPut) == put) return &member;
    }
    return nullptr;
}

std::string Describe(ValueType type) {
    switch (type) {
        case ValueType::Bstr:
            return "a text (String)";
        case ValueType::Double:
            return "a number (Double)";
        case ValueType::Long:
            return "a whole number (Long)";
        case ValueType::Variant:
            return "a value (Variant)";
        case ValueType::None:
            break;
    }
    return {};
}

}  // namespace

std::size_t NameDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitute = diagonal + (LowerAscii(a[i - 1]) == LowerAscii(b[j - 1]) ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitute});
        }
    }
    return row[b.size()];
}

ITypeInfo* MemberCatalogue::TypeInfo() {
    if (!typeInfoAsked_) {
        typeInfoAsked_ = true;
        UINT count = 0;
        if (FAILED(object_->GetTypeInfoCount(&count)) || count == 0 ||
            FAILED(object_->GetTypeInfo(0, 0, typeInfo_.put()))) {
            typeInfo_.reset();
        }
    }
    return typeInfo_.get();
}

const std::vector<std::string>& MemberCatalogue::Names() {
    if (names_) return *names_;
    std::set<std::string> found;
    if (ITypeInfo* info = TypeInfo()) {
        for (DISPID dispid = 0; dispid <= kHighestProbedDispid; ++dispid) {
            if (const auto names = NamesOf(info, dispid)) found.insert(names->front());
        }
    }
    names_.emplace(found.begin(), found.end());
    return *names_;
}

std::vector<std::string> MemberCatalogue::NearestNames(std::string_view name) {
    // Farther than this, a name is a different word rather than a misspelling.
    const std::size_t limit = std::max<std::size_t>(2, name.size() / 3);
    std::vector<std::pair<std::size_t, std::string>> near;
    for (const std::string& candidate : Names()) {
        const std::size_t distance = NameDistance(name, candidate);
        if (distance <= limit) near.emplace_back(distance, candidate);
    }
    std::sort(near.begin(), near.end());
    std::vector<std::string> nearest;
    for (std::size_t i = 0; i < near.size() && i < 3; ++i) nearest.push_back(near[i].second);
    return nearest;
}

bool MemberCatalogue::DescribesTheDocumentObject() {
    if (!documentObject_) {
        documentObject_ = false;
        TYPEATTR* attributes = nullptr;
        if (ITypeInfo* info = TypeInfo(); info != nullptr && SUCCEEDED(info->GetTypeAttr(&attributes))) {
            documentObject_ = IsEqualGUID(attributes->guid, IID_IPDFDocument);
            info->ReleaseTypeAttr(attributes);
        }
    }
    return *documentObject_;
}

std::optional<std::vector<std::string>> MemberCatalogue::Parameters(DISPID dispid, WORD flags) {
    // GetNames describes a property's get accessor; its put takes the value.
    if ((flags & DISPATCH_PROPERTYPUT) != 0) return std::vector<std::string>{"Value"};
    ITypeInfo* info = TypeInfo();
    auto names = info != nullptr ? NamesOf(info, dispid) : std::nullopt;
    if (names) names->erase(names->begin());
    return names;
}

std::string MemberCatalogue::ParameterType(DISPID dispid, WORD flags, std::size_t index) {
    // The type information here carries no parameter types (no GetFuncDesc);
    // for the document object they come from the member table it is built from.
    if (!DescribesTheDocumentObject()) return {};
    const MemberSpec* member = TableEntry(dispid, flags);
    if (member == nullptr || index >= static_cast<std::size_t>(member->paramCount)) return {};
    return Describe(member->params[index].type);
}

}  // namespace vellum::script
