#include "member_docs.h"

namespace vellum::python {
namespace {

struct MemberDocEntry {
    const char* name;
    const char* text;
};

// Written by vellum_stubgen from the manual's member descriptions.
constexpr MemberDocEntry kMemberDocs[] = {
#include "member_docstrings.inc"
};

}  // namespace

pybind11::dict MemberDocs() {
    pybind11::dict docs;
    for (const MemberDocEntry& entry : kMemberDocs) docs[entry.name] = entry.text;
    return docs;
}

}  // namespace vellum::python
