#include "member_catalogue.h"

#include <set>

#include "VELLUM_XP_TLB.h"
#include "com/bstr.h"
#include "com/codepage.h"
#include "member_names.h"
#include "member_table.h"

namespace vellum::script {
namespace {

// The type information answers GetNames per member but not GetFuncDesc, so
// members are found by asking for each DISPID in the range member tables use.
constexpr DISPID kHighestProbedDispid = 4095;
constexpr UINT kMaxNames = 1 + kMaxParams;

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
        case ValueType::Bool:
            return "True or False (Boolean)";
        case ValueType::Variant:
            return "a value (Variant)";
        case ValueType::None:
            break;
    }
    return {};
}

}  // namespace

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
    return vellum::NearestNames(name, Names());
}

bool MemberCatalogue::DescribesTheDocumentObject() {
    if (!documentObject_) {
        documentObject_ = false;
        TYPEATTR* attributes = nullptr;
        if (ITypeInfo* info = TypeInfo(); info != nullptr && SUCCEEDED(info->GetTypeAttr(&attributes))) {
            documentObject_ = IsEqualGUID(attributes->guid, IID_IPDFDocument2) ||
                              IsEqualGUID(attributes->guid, IID_IPDFDocument);
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
