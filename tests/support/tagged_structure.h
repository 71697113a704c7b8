// A checker of a tagged PDF's logical structure, independent of the writer:
// it follows the file's references as a reader does and lists where content,
// structure tree and parent tree disagree. Used by tests and by the fuzz
// targets, so it depends on nothing but zlib.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum::test {

// Every problem found, one line each naming the page or object; empty for a
// sound file and for one without a /StructTreeRoot. Checked:
// - each page's content (unless the trailer names an encryption dictionary):
//   BMC/BDC and EMC balance; every operator that shows text, paints a path
//   or shading or draws an XObject lies inside exactly one sequence that is
//   either MCID-tagged or an /Artifact, neither nested in the other; no MCID
//   marks two sequences of a page;
// - the structure tree, from /StructTreeRoot /K: no cycle, no element
//   reached twice, each element's /P its actual parent;
// - MCIDs: each one of a page's content is a kid (an integer under the
//   element's /Pg, or an MCR dictionary) of exactly one element, each one an
//   element names is in its page's content, and the parent tree's array
//   under the page's /StructParents names that element at that MCID's index;
// - annotations: each one's /StructParent leads through the parent tree to
//   an element holding an OBJR to it, and each OBJR's annotation leads back;
// - parent-tree keys: no two users share one, /ParentTreeNextKey exceeds all.
std::vector<std::string> TaggedStructureProblems(std::string_view file);

}  // namespace vellum::test
