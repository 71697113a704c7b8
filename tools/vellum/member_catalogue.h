// What the object's type information says about its members, gathered only
// when a call fails, so that the message can help the script's author: the
// member names nearest a misspelt one, the parameters a member takes and the
// type each one needs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "com/interfaces.h"
#include "com/raii.h"
#include "com/typeinfo.h"

namespace vellum::script {

class MemberCatalogue {
public:
    explicit MemberCatalogue(IDispatch* object) : object_(object) {}

    // Up to three member names close to `name`, nearest first; none when no
    // name is close enough to be a likely misspelling (see member_names.h).
    std::vector<std::string> NearestNames(std::string_view name);

    // The parameter names of the member called with `flags` (a property put
    // takes its one value); nullopt when the type information does not say.
    std::optional<std::vector<std::string>> Parameters(DISPID dispid, WORD flags);

    // What parameter `index` (0-based) needs, e.g. "a number (Double)";
    // "" when unknown.
    std::string ParameterType(DISPID dispid, WORD flags, std::size_t index);

private:
    ITypeInfo* TypeInfo();
    const std::vector<std::string>& Names();
    bool DescribesTheDocumentObject();

    IDispatch* object_;
    ComPtr<ITypeInfo> typeInfo_;
    bool typeInfoAsked_ = false;
    std::optional<std::vector<std::string>> names_;
    std::optional<bool> documentObject_;
};

}  // namespace vellum::script
