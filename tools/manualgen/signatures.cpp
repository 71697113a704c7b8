#include "signatures.h"

#include <algorithm>
#include <utility>

#include "cpp_layer_types.h"

namespace vellum::manual {
namespace {

std::string ComParameter(ValueType type, std::string_view name) {
    return std::string(CppTypeName(type)) + " " + std::string(name);
}

std::string DocumentParameterType(ValueType type) { return std::string(CppLayerParameterType(type)); }

std::string DocumentResultType(ValueType type, bool bytes) { return std::string(CppLayerResultType(type, bytes)); }

std::string PythonType(ValueType type, bool bytes = false) {
    switch (type) {
    case ValueType::Bstr: return "str";
    case ValueType::Double: return "float";
    case ValueType::Long: return "int";
    case ValueType::Bool: return "bool";
    case ValueType::Variant: return bytes ? "bytes" : "Any";
    case ValueType::None: break;
    }
    return "None";
}

// Late-bound hosts pass a missing VARIANT argument as Empty, so the C++
// layer lets every one after the first default to an empty operand.
std::string DocumentParameters(const InterfaceMember& m) {
    std::vector<std::string> params;
    bool firstVariant = true;
    for (const ParamSpec& p : m.params) {
        std::string param = DocumentParameterType(p.type) + " " + std::string(p.name);
        if (p.type == ValueType::Variant && !std::exchange(firstVariant, false))
            param += " = {}";
        params.push_back(std::move(param));
    }
    return Join(params, ", ");
}

std::string ParamNames(const InterfaceMember& m) {
    std::vector<std::string> names;
    for (const ParamSpec& p : m.params)
        names.emplace_back(p.name);
    return Join(names, ", ");
}

}  // namespace

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined += separator;
        joined += part;
    }
    return joined;
}


std::vector<std::string> ComDeclarations(const InterfaceMember& m) {
    const std::string name(m.name);
    if (m.isProperty) {
        std::vector<std::string> lines;
        if (m.hasGet)
            lines.push_back("HRESULT get_" + name + "(" + std::string(CppTypeName(m.valueType)) + "* value);");
        if (m.hasPut)
            lines.push_back("HRESULT put_" + name + "(" + ComParameter(m.valueType, "value") + ");");
        return lines;
    }
    std::vector<std::string> args;
    for (const ParamSpec& p : m.params)
        args.push_back(ComParameter(p.type, p.name));
    if (m.result != ValueType::None)
        args.push_back(std::string(CppTypeName(m.result)) + "* result");
    return {"HRESULT " + name + "(" + Join(args, ", ") + ");"};
}

std::vector<std::string> DocumentDeclarations(const InterfaceMember& m) {
    const std::string name(m.name);
    if (m.isProperty) {
        std::vector<std::string> lines;
        if (m.hasGet)
            lines.push_back(DocumentResultType(m.valueType, false) + " " + name + "();");
        if (m.hasPut) {
            lines.push_back("void " + name + "(" + DocumentParameterType(m.valueType) + " " +
                            std::string(m.valueName) + ");");
        }
        return lines;
    }
    return {DocumentResultType(m.result, m.resultIsBytes) + " " + name + "(" + DocumentParameters(m) +
            ");"};
}

std::vector<std::string> PythonForms(const InterfaceMember& m) {
    const std::string name(m.name);
    if (m.isProperty) {
        const std::string type = PythonType(m.valueType);
        std::vector<std::string> lines;
        if (m.hasPut)
            lines.push_back("doc." + name + " = value  # value: " + type);
        if (m.hasGet)
            lines.push_back("value = doc." + name + "  # " + type);
        return lines;
    }
    std::vector<std::string> params;
    for (const ParamSpec& p : m.params)
        params.push_back(std::string(p.name) + ": " + PythonType(p.type));
    return {"doc." + name + "(" + Join(params, ", ") + ") -> " + PythonType(m.result, m.resultIsBytes)};
}

std::vector<std::string> ScriptForms(const InterfaceMember& m) {
    const std::string name(m.name);
    if (m.isProperty) {
        std::vector<std::string> lines;
        if (m.hasPut)
            lines.push_back(name + " = value");
        if (m.hasGet)
            lines.push_back("Print " + name);
        return lines;
    }
    const std::string args = ParamNames(m);
    if (m.result != ValueType::None)
        return {"Print " + name + (args.empty() ? "" : "(" + args + ")")};
    return {args.empty() ? name : name + " " + args};
}

bool TakesOperands(const InterfaceMember& m) {
    return std::any_of(m.params.begin(), m.params.end(),
                       [](const ParamSpec& p) { return p.type == ValueType::Variant; });
}

}  // namespace vellum::manual
