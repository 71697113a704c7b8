// manualgen: writes one manual page per member of IPDFDocument, and the list
// of all members, from the member table and the descriptions file.
//   manualgen DESCRIPTIONS OUTPUT_FOLDER
// Fails (status 1) when a member lacks a description or a description names
// no member; nothing is written then.
#include "descriptions.h"
#include "pages.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;
using namespace vellum::manual;

namespace {

bool WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "manualgen: cannot write " << path.string() << '\n';
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: manualgen DESCRIPTIONS OUTPUT_FOLDER\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "manualgen: cannot read " << argv[1] << '\n';
        return 1;
    }
    std::vector<std::string> errors;
    const std::vector<MemberDoc> docs = ParseDescriptions(in, errors);
    const std::vector<InterfaceMember> members = CollectMembers();
    CheckDescriptions(docs, members, errors);
    if (!errors.empty()) {
        for (const std::string& error : errors)
            std::cerr << argv[1] << ": " << error << '\n';
        return 1;
    }
    const fs::path out = argv[2];
    std::error_code made;
    fs::create_directories(out, made);
    for (const InterfaceMember& member : members) {
        const auto doc = std::find_if(docs.begin(), docs.end(),
                                      [&](const MemberDoc& d) { return d.name == member.name; });
        if (!WriteFile(out / PageFileName(member.name), MemberPage(member, *doc)))
            return 1;
    }
    return WriteFile(out / "Members.htm", MembersIndexPage(members, docs)) ? 0 : 1;
}
