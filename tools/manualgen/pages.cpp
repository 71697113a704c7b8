#include "pages.h"

#include "signatures.h"

#include <algorithm>

namespace vellum::manual {
namespace {

std::string Head(std::string_view title) {
    std::string page;
    page += "<!DOCTYPE html>\n<html>\n<head>\n<title>";
    page += HtmlEscape(title);
    page += "</title>\n</head>\n<body>\n";
    return page;
}

const char* const kFoot =
    "<p><a href=\"Index.htm\">Contents</a> | <a href=\"Members.htm\">All members</a> | "
    "<a href=\"Errors.htm\">Errors</a></p>\n</body>\n</html>\n";

std::string KindText(const InterfaceMember& m) {
    if (!m.isProperty)
        return "method";
    if (m.hasGet && m.hasPut)
        return "property (read and write)";
    return m.hasGet ? "property (read only)" : "property (write only)";
}

std::string Section(std::string_view heading, const std::string& body) {
    return "<h2>" + std::string(heading) + "</h2>\n" + body;
}

std::string Pre(const std::string& text) {
    return "<pre>" + HtmlEscape(text) + "</pre>\n";
}

std::string ArgumentsTable(const InterfaceMember& m, const MemberDoc& doc) {
    std::string table =
        "<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\">\n"
        "<tr><th>Argument</th><th>Type</th><th>Meaning</th></tr>\n";
    for (const ParamSpec& p : m.params) {
        const auto described = std::find_if(doc.params.begin(), doc.params.end(),
                                            [&](const auto& d) { return d.first == p.name; });
        table += "<tr><td>" + std::string(p.name) + "</td><td>" + std::string(CppTypeName(p.type)) +
                 " (" + std::string(PlainTypeName(p.type)) + ")</td><td>" +
                 (described != doc.params.end() ? described->second : std::string{}) + "</td></tr>\n";
    }
    return table + "</table>\n";
}

std::string Syntax(const InterfaceMember& m) {
    std::string text = "<p>COM interface <code>" + std::string(m.interfaceName) +
                       "</code>: the <code>HRESULT</code> tells "
                       "success, a result comes back through the last argument:</p>\n" +
                       Pre(Join(ComDeclarations(m), "\n"));
    text += "<p>C++, a method of <code>vellum::Document</code> from "
            "<code>&lt;vellum/document.hpp&gt;</code>: text in UTF-8, a failing call throws "
            "<code>vellum::Error</code>:</p>\n" +
            Pre(Join(DocumentDeclarations(m), "\n"));
    if (TakesOperands(m)) {
        text += "<p><code>Operand</code> is <code>vellum::Operand</code>: empty (<code>{}</code>), "
                "a text, a number or a truth value.</p>\n";
    }
    text += "<p>Python, on <code>doc = vellum.Dispatch()</code>: properties are attributes, "
            "arguments are positional, a failing call raises <code>vellum.COMError</code>:</p>\n" +
            Pre(Join(PythonForms(m), "\n"));
    text += "<p>Call script (see <a href=\"CallScripts.htm\">Call scripts</a>):</p>\n" +
            Pre(Join(ScriptForms(m), "\n"));
    return text;
}

std::string TypeText(ValueType type, bool bytes = false) {
    return std::string(CppTypeName(type)) + " (" +
           (bytes ? std::string("an array of bytes") : std::string(PlainTypeName(type))) + ")";
}

std::string SeeAlso(const MemberDoc& doc) {
    std::vector<std::string> links;
    for (const std::string& name : doc.see)
        links.push_back("<a href=\"" + PageFileName(name) + "\">" + name + "</a>");
    return "<p>" + Join(links, ", ") + "</p>\n";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string PageFileName(std::string_view member) {
    return std::string(member) + ".htm";
}

std::string MemberPage(const InterfaceMember& m, const MemberDoc& doc) {
    std::string page = Head(m.name);
    page += "<h1>" + std::string(m.name) + "</h1>\n";
    page += "<p><i>" + KindText(m) + " of " + std::string(m.interfaceName) + ", DISPID " + std::to_string(m.dispid) +
            "</i></p>\n";
    page += "<p>" + doc.summary + "</p>\n";

    page += Section("Syntax", Syntax(m));
    if (m.isProperty) {
        page += Section("Value", "<p>" + TypeText(m.valueType) + ". " + doc.value + "</p>\n");
    } else {
        page += Section("Arguments", m.params.empty() ? std::string("<p>None.</p>\n")
                                                      : ArgumentsTable(m, doc));
        if (m.result != ValueType::None) {
            page += Section("Result",
                            "<p>" + TypeText(m.result, m.resultIsBytes) + ". " + doc.result + "</p>\n");
        }
    }
    page += Section("Behaviour", doc.behaviour + "\n");
    std::string examples = "<p>Call script:</p>\n" + Pre(doc.example);
    if (!doc.cpp.empty())
        examples += "<p>C++:</p>\n" + Pre(doc.cpp);
    if (!doc.python.empty())
        examples += "<p>Python:</p>\n" + Pre(doc.python);
    page += Section("Example", examples);
    if (!doc.see.empty())
        page += Section("See also", SeeAlso(doc));
    return page + kFoot;
}

std::string MembersIndexPage(const std::vector<InterfaceMember>& members,
                             const std::vector<MemberDoc>& docs) {
    std::string page = Head("Members of IPDFDocument2");
    page += "<h1>Members of IPDFDocument2</h1>\n"
            "<p>Every method and property of the object's interfaces, in the order of "
            "their virtual table. <code>IPDFDocument2</code>, the object's default interface, "
            "extends <code>IPDFDocument</code> with the members added since; programs written "
            "for <code>IPDFDocument</code> keep working unchanged. The DISPID is the number a "
            "late-bound client calls the member by.</p>\n";
    for (const InterfaceRow& row : kInterfaces) {
        page += "<h2>" + std::string(row.name) + "</h2>\n"
                "<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\">\n"
                "<tr><th>Member</th><th>Kind</th><th>DISPID</th><th>What it does</th></tr>\n";
        for (const InterfaceMember& m : members) {
            if (m.interfaceName != row.name)
                continue;
            const auto doc = std::find_if(docs.begin(), docs.end(),
                                          [&](const MemberDoc& d) { return d.name == m.name; });
            page += "<tr><td><a href=\"" + PageFileName(m.name) + "\">" + std::string(m.name) +
                    "</a></td><td>" + KindText(m) + "</td><td>" + std::to_string(m.dispid) +
                    "</td><td>" + (doc != docs.end() ? doc->summary : std::string{}) + "</td></tr>\n";
        }
        page += "</table>\n";
    }
    return page + kFoot;
}

}  // namespace vellum::manual
