#include "layer_text.h"

#include "cpp_layer_types.h"
#include "generated_text.h"
#include "member_table.h"

namespace vellum::idl {
namespace {

std::string ParameterType(ValueType type) { return std::string(CppLayerParameterType(type)); }

std::string ResultType(const MemberSpec& member) {
    return std::string(CppLayerResultType(member.result, ReturnsByteArray(member)));
}

// Late-bound hosts pass a missing VARIANT argument as Empty, so every
// operand after the first may be left out.
std::string Declaration(const MemberSpec& member) {
    std::string text = "    " + ResultType(member) + " " + std::string(member.name) + "(";
    bool firstOperand = true;
    for (int i = 0; i < member.paramCount; ++i) {
        const ParamSpec& param = member.params[static_cast<std::size_t>(i)];
        text += (i > 0 ? ", " : "") + ParameterType(param.type) + " " + std::string(param.name);
        if (param.type == ValueType::Variant && !firstOperand) text += " = {}";
        if (param.type == ValueType::Variant) firstOperand = false;
    }
    return text + ") {";
}

std::string Argument(const ParamSpec& param) {
    switch (param.type) {
        case ValueType::Bstr: return "Wide(" + std::string(param.name) + ").get()";
        case ValueType::Variant: return std::string(param.name) + ".variant()";
        case ValueType::Bool: return std::string("(") + std::string(param.name) + " ? VARIANT_TRUE : VARIANT_FALSE)";
        default: break;
    }
    return std::string(param.name);
}

// The private helper of vellum::Document that makes the call and hands over its result.
std::string Helper(const MemberSpec& member) {
    switch (member.result) {
        case ValueType::Bstr: return "return TextResult";
        case ValueType::Double: return "return Result<double>";
        case ValueType::Long: return "return Result<LONG>";
        case ValueType::Bool: return "return FlagResult";
        case ValueType::Variant: return ReturnsByteArray(member) ? "return BytesResult" : "return VariantText";
        case ValueType::None: break;
    }
    return "Call";
}

std::string Body(const MemberSpec& member) {
    std::string text = "        " + Helper(member) + "(\"" + std::string(member.name) + "\", &" +
                       std::string(InterfaceOf(member).name) + "::" + Accessor(member);
    for (int i = 0; i < member.paramCount; ++i) text += ", " + Argument(member.params[static_cast<std::size_t>(i)]);
    return text + ");";
}

}  // namespace

std::string DocumentMembers() {
    std::string text =
        "// The methods of vellum::Document, one per accessor of each member of\n"
        "// IPDFDocument and IPDFDocument2, in vtable order; <vellum/document.hpp>\n"
        "// includes them inside the class. What each does: the manual's member pages.\n" +
        std::string(kGeneratedNote) +
        "#ifndef VELLUM_DOCUMENT_MEMBERS\n"
        "#error \"include <vellum/document.hpp>, which includes this file inside vellum::Document\"\n"
        "#endif\n";
    for (const InterfaceRow& row : kInterfaces) {
        text += "\n    // " + std::string(row.name) + "\n";
        for (const MemberSpec& member : kMembers) {
            if (member.iface != row.id) continue;
            text += Wrapped(Declaration(member)) + Wrapped(Body(member)) + "    }\n";
        }
    }
    return text;
}

}  // namespace vellum::idl
