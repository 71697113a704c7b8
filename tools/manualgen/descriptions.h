// The hand-written part of each member page, read from the descriptions
// file, and its check against the interface's member table.
//
// File format: a line that starts with "@" opens a field; the lines after it,
// up to the next field, continue it. "@@" lines are comments.
//   @member NAME            starts the section of one member
//   @summary TEXT           one or two sentences (inline HTML)
//   @param NAME TEXT        one per argument of a method (inline HTML)
//   @result TEXT            what a method hands back, when it has a result
//   @value TEXT             what a property holds (properties only)
//   @behaviour              HTML paragraphs on the following lines
//   @example                a call script on the following lines (plain text)
//   @cpp / @python          optional examples in C++ and Python (plain text)
//   @see NAME NAME ...      related members
#pragma once

#include "members.h"

#include <istream>
#include <map>
#include <string>
#include <vector>

namespace vellum::manual {

struct MemberDoc {
    std::string name;
    int line = 0;  // where @member stands
    std::string summary;
    std::vector<std::pair<std::string, std::string>> params;  // in file order
    std::string result;
    std::string value;
    std::string behaviour;
    std::string example;
    std::string cpp;
    std::string python;
    std::vector<std::string> see;
};

// Reads every section; malformed lines add a message to `errors`.
std::vector<MemberDoc> ParseDescriptions(std::istream& in, std::vector<std::string>& errors);

// Checks the sections against the members: every member described exactly
// once, nothing described that is not a member, every argument, result and
// value described as the member's kind requires, every "see" a member.
void CheckDescriptions(const std::vector<MemberDoc>& docs,
                       const std::vector<InterfaceMember>& members,
                       std::vector<std::string>& errors);

}  // namespace vellum::manual
