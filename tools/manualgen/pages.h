// Renders the manual's member pages and the list of all members as
// well-formed HTML that the documentation browser shows and searches.
#pragma once

#include "descriptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace vellum::manual {

// "&", "<", ">" and the double quote as entities.
std::string HtmlEscape(std::string_view text);

// The page file name of a member: its name and ".htm".
std::string PageFileName(std::string_view member);

std::string MemberPage(const InterfaceMember& member, const MemberDoc& doc);

// One row per member with its summary, in vtable order.
std::string MembersIndexPage(const std::vector<InterfaceMember>& members,
                             const std::vector<MemberDoc>& docs);

}  // namespace vellum::manual
