// The manual's description of a member as plain text, for the docstrings of
// the Python module (help(doc.TextOut)). Build-time only: vellum_stubgen
// turns docs/manual-src/members.txt into a table compiled into the module.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "descriptions.h"

namespace vellum::python {

// Text without markup: paragraphs and list items separated by blank lines,
// wrapped at `width` columns, entities decoded.
std::string HtmlToText(std::string_view html, std::size_t width = 76);

// Summary, arguments (or value, or result) and behaviour of one member.
std::string Docstring(const manual::MemberDoc& doc);

// The C++ initialisers { "Name", R"(text)" }, one line per member, for
// member_docs.cpp; throws std::runtime_error when a text cannot be quoted.
std::string DocTableSource(const std::vector<manual::MemberDoc>& docs);

}  // namespace vellum::python
