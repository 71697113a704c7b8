#include "tagged_structure.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "marked_content_scan.h"
#include "pdf_objects.h"

namespace vellum::test {
namespace {

using pdf::ObjectFile;
using pdf::Value;
using Kind = Value::Kind;

// Page trees and resource chains are followed this far, so a loop ends.
constexpr int kDeepestInheritance = 32;

const Value& NullValue() {
    static const Value null;
    return null;
}

std::string Reference(std::int64_t number) { return std::to_string(number) + " 0 R"; }

bool Contains(const std::vector<std::int64_t>& numbers, std::int64_t number) {
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

// An array's items, or a single value as a list of one (null: none).
std::vector<const Value*> AsList(const Value& value) {
    std::vector<const Value*> list;
    if (value.kind == Kind::Array) {
        for (const Value& item : value.items) list.push_back(&item);
    } else if (value.kind != Kind::Null) {
        list.push_back(&value);
    }
    return list;
}

class Checker {
public:
    explicit Checker(std::string_view file) : file_(file) {}

    std::vector<std::string> Run() {
        if (!file_.Readable()) return {};  // the structural checker says why
        const Value& catalog = file_.Resolve(file_.Trailer().Get("Root"));
        const Value& rootReference = catalog.Get("StructTreeRoot");
        const Value& treeRoot = file_.Resolve(rootReference);
        if (treeRoot.kind == Kind::Null) return {};
        CollectPages(catalog.Get("Pages"));
        ReadParentTree(treeRoot.Get("ParentTree"));
        rootNumber_ = rootReference.kind == Kind::Reference ? rootReference.reference : 0;
        WalkStructure(treeRoot);
        // Encrypted content is checked by readers that hold the password.
        if (file_.Trailer().Get("Encrypt").kind == Kind::Null) ScanPages();
        for (const std::int64_t page : pages_) CheckPageMcids(page);
        CheckMcidsOffPages();
        CheckAnnotations();
        CheckObjectReferences();
        CheckKeys(treeRoot);
        return std::move(problems_);
    }

private:
    void Problem(std::string what) { problems_.push_back(std::move(what)); }

    std::string PageLabel(std::int64_t page) const {
        const auto index = pageIndex_.find(page);
        return index == pageIndex_.end() ? "object " + std::to_string(page) : "page " + std::to_string(index->second);
    }

    void CollectPages(const Value& pagesReference) {
        std::vector<std::pair<const Value*, int>> stack{{&pagesReference, 0}};
        std::set<std::int64_t> seen;
        while (!stack.empty()) {
            const auto [node, depth] = stack.back();
            stack.pop_back();
            if (node->kind != Kind::Reference || !seen.insert(node->reference).second || depth > kDeepestInheritance) {
                continue;  // the structural checker's concern
            }
            const Value& dictionary = file_.Get(node->reference);
            if (dictionary.Get("Type").IsName("Page")) {
                pages_.push_back(node->reference);
                pageIndex_[node->reference] = pages_.size();
                continue;
            }
            const auto kids = AsList(file_.Resolve(dictionary.Get("Kids")));
            for (auto kid = kids.rbegin(); kid != kids.rend(); ++kid) stack.emplace_back(*kid, depth + 1);
        }
    }

    void ReadParentTree(const Value& top) {
        std::vector<const Value*> stack{&top};
        std::set<std::int64_t> seen;
        while (!stack.empty()) {
            const Value* node = stack.back();
            stack.pop_back();
            if (node->kind == Kind::Reference && !seen.insert(node->reference).second) {
                Problem("the parent tree reaches " + Reference(node->reference) + " twice");
                continue;
            }
            const Value& dictionary = file_.Resolve(*node);
            const Value& nums = file_.Resolve(dictionary.Get("Nums"));
            for (std::size_t i = 0; i + 1 < nums.items.size(); i += 2) {
                const auto key = nums.items[i].Integer();
                if (!key) {
                    Problem("the parent tree has a key that is not an integer");
                } else if (!parentTree_.emplace(*key, &nums.items[i + 1]).second) {
                    Problem("the parent tree has key " + std::to_string(*key) + " twice");
                }
            }
            for (const Value* kid : AsList(file_.Resolve(dictionary.Get("Kids")))) stack.push_back(kid);
        }
    }

    // Depth first from the root, each element checked against the parent it
    // was reached from; a second visit is a cycle or a second parent.
    void WalkStructure(const Value& treeRoot) {
        struct Step {
            const Value* kid;
            std::int64_t parent;
            bool leaving;
        };
        std::vector<Step> stack;
        auto pushKids = [&](const std::vector<const Value*>& kids, std::int64_t parent) {
            for (auto kid = kids.rbegin(); kid != kids.rend(); ++kid) stack.push_back({*kid, parent, false});
        };
        pushKids(AsList(KidsOf(treeRoot)), rootNumber_);
        std::set<std::int64_t> onPath;
        while (!stack.empty()) {
            const Step step = stack.back();
            stack.pop_back();
            if (step.leaving) {
                onPath.erase(step.parent);
            } else if (const auto element = EnterElement(*step.kid, step.parent, onPath)) {
                onPath.insert(*element);
                stack.push_back({nullptr, *element, true});
                pushKids(TakeContentKids(*element), *element);
            }
        }
    }

    // The element's number once it is checked and new; nullopt otherwise.
    std::optional<std::int64_t> EnterElement(const Value& kid, std::int64_t parent,
                                             const std::set<std::int64_t>& onPath) {
        const std::string under = parent == rootNumber_ ? "the structure tree root" : "element " + Reference(parent);
        if (kid.kind != Kind::Reference) {
            Problem("a structure element under " + under + " is not an indirect object");
            return std::nullopt;
        }
        const std::int64_t number = kid.reference;
        if (onPath.count(number) != 0) {
            Problem("structure element " + Reference(number) + " is its own ancestor");
            return std::nullopt;
        }
        if (!elements_.insert(number).second) {
            Problem("structure element " + Reference(number) + " is reached twice, again under " + under);
            return std::nullopt;
        }
        const Value& element = file_.Get(number);
        if (element.kind != Kind::Dictionary) {
            Problem("structure element " + Reference(number) + " is not a dictionary");
            return std::nullopt;
        }
        const Value& p = element.Get("P");
        if (p.kind != Kind::Reference || p.reference != parent) {
            Problem("structure element " + Reference(number) + ": /P is not " + under);
        }
        return number;
    }

    // /K as it stands, or the array it refers to (a single element kid is
    // kept as its reference).
    const Value& KidsOf(const Value& element) {
        const Value& k = element.Get("K");
        const Value& resolved = file_.Resolve(k);
        return resolved.kind == Kind::Array ? resolved : k;
    }

    // Records the element's MCIDs and object references; returns its element kids.
    std::vector<const Value*> TakeContentKids(std::int64_t number) {
        const Value& element = file_.Get(number);
        const Value& page = element.Get("Pg");
        std::vector<const Value*> children;
        for (const Value* kid : AsList(KidsOf(element))) {
            const Value& dictionary = file_.Resolve(*kid);
            if (kid->kind == Kind::Number) {
                AddMcid(number, page, *kid);
            } else if (dictionary.Get("Type").IsName("OBJR")) {
                const Value& annotation = dictionary.Get("Obj");
                if (annotation.kind != Kind::Reference) {
                    Problem("structure element " + Reference(number) + " has an OBJR without an object reference");
                } else {
                    objectHolders_[annotation.reference].push_back(number);
                }
            } else if (dictionary.Get("Type").IsName("MCR") || dictionary.Get("MCID").kind != Kind::Null) {
                const Value& pageOfKid = dictionary.Get("Pg");
                // Content of a form XObject: not on a page.
                if (dictionary.Get("Stm").kind == Kind::Null) {
                    AddMcid(number, pageOfKid.kind == Kind::Null ? page : pageOfKid, dictionary.Get("MCID"));
                }
            } else if (dictionary.kind == Kind::Dictionary) {
                children.push_back(kid);
            } else if (kid->kind != Kind::Null) {
                Problem("structure element " + Reference(number) +
                        " has a kid that is no element, MCID, marked-content or object reference");
            }
        }
        return children;
    }

    void AddMcid(std::int64_t element, const Value& page, const Value& mcid) {
        const auto id = mcid.Integer();
        if (!id) return Problem("structure element " + Reference(element) + " has an MCID that is not an integer");
        if (page.kind != Kind::Reference) {
            return Problem("structure element " + Reference(element) + " names MCID " + std::to_string(*id) +
                           " without a page (/Pg)");
        }
        owners_[{page.reference, *id}].push_back(element);
    }

    void ScanPages() {
        for (const std::int64_t page : pages_) {
            const Value& dictionary = file_.Get(page);
            std::string content;
            bool readable = true;
            for (const Value* stream : AsList(file_.Resolve(dictionary.Get("Contents")))) {
                const auto data = stream->kind == Kind::Reference ? file_.StreamData(stream->reference) : std::nullopt;
                readable = readable && data.has_value();
                if (data) content += *data + "\n";
            }
            if (!readable) {
                Problem(PageLabel(page) + ": its content cannot be read");
                continue;
            }
            const Value& properties = file_.Resolve(ResourcesOf(page).Get("Properties"));
            contentMcids_[page] = pdf::ScanMarkedContent(content, PageLabel(page), properties, file_, problems_);
        }
    }

    // The page's resources, which it may inherit from the page tree.
    const Value& ResourcesOf(std::int64_t page) {
        const Value* node = &file_.Get(page);
        for (int depth = 0; depth < kDeepestInheritance && node->kind == Kind::Dictionary; ++depth) {
            if (node->Get("Resources").kind != Kind::Null) return file_.Resolve(node->Get("Resources"));
            node = &file_.Resolve(node->Get("Parent"));
        }
        return NullValue();
    }

    // The parent tree's entry under the /StructParent(s) key of `object`.
    const Value* ParentTreeEntry(const Value& object, std::string_view key) {
        const auto number = object.Get(key).Integer();
        const auto entry = number ? parentTree_.find(*number) : parentTree_.end();
        return entry == parentTree_.end() ? nullptr : entry->second;
    }

    // Content, structure and parent tree agree on each MCID of the page.
    void CheckPageMcids(std::int64_t page) {
        const std::string label = PageLabel(page);
        const auto scanned = contentMcids_.find(page);
        const auto first = owners_.lower_bound({page, std::numeric_limits<std::int64_t>::min()});
        const auto last = owners_.upper_bound({page, std::numeric_limits<std::int64_t>::max()});
        const bool marked = first != last || (scanned != contentMcids_.end() && !scanned->second.empty());
        const Value* entry = ParentTreeEntry(file_.Get(page), "StructParents");
        const Value* array =
            entry != nullptr && file_.Resolve(*entry).kind == Kind::Array ? &file_.Resolve(*entry) : nullptr;
        if (marked && array == nullptr) Problem(label + ": no parent-tree array under its /StructParents");
        if (scanned != contentMcids_.end()) {
            for (const std::int64_t mcid : scanned->second) {
                if (owners_.count({page, mcid}) == 0)
                    Problem(label + ": MCID " + std::to_string(mcid) + " is in no structure element");
            }
        }
        for (auto owned = first; owned != last; ++owned)
            CheckOwnedMcid(label, owned->first.second, owned->second, scanned, array);
        for (std::size_t index = 0; array != nullptr && index < array->items.size(); ++index) {
            const Value& item = array->items[index];
            const auto owners = owners_.find({page, static_cast<std::int64_t>(index)});
            if (item.kind == Kind::Reference &&
                (owners == owners_.end() || !Contains(owners->second, item.reference))) {
                Problem(label + ": the parent tree names " + Reference(item.reference) + " at index " +
                        std::to_string(index) + ", which holds no MCID " + std::to_string(index) + " of the page");
            }
        }
    }

    void CheckOwnedMcid(const std::string& label, std::int64_t mcid, const std::vector<std::int64_t>& owners,
                        std::map<std::int64_t, std::set<std::int64_t>>::const_iterator scanned, const Value* array) {
        const std::string what = "MCID " + std::to_string(mcid);
        if (owners.size() > 1)
            Problem(label + ": " + what + " is named " + std::to_string(owners.size()) + " times in the structure");
        if (scanned != contentMcids_.end() && scanned->second.count(mcid) == 0) {
            Problem(label + ": structure element " + Reference(owners[0]) + " names " + what +
                    ", which the content lacks");
        }
        const bool named = array != nullptr && mcid >= 0 && static_cast<std::uint64_t>(mcid) < array->items.size() &&
                           array->items[static_cast<std::size_t>(mcid)].kind == Kind::Reference &&
                           array->items[static_cast<std::size_t>(mcid)].reference == owners[0];
        if (array != nullptr && !named) {
            Problem(label + ": the parent tree does not name " + what + "'s element " + Reference(owners[0]) +
                    " at its index");
        }
    }

    void CheckMcidsOffPages() {
        for (const auto& [key, owners] : owners_) {
            if (pageIndex_.count(key.first) == 0) {
                Problem("structure element " + Reference(owners[0]) + " names MCID " + std::to_string(key.second) +
                        " on " + Reference(key.first) + ", which is no page");
            }
        }
    }

    void CheckAnnotations() {
        for (const std::int64_t page : pages_) {
            for (const Value* item : AsList(file_.Resolve(file_.Get(page).Get("Annots")))) {
                const Value& annotation = file_.Resolve(*item);
                if (annotation.Get("Subtype").IsName("Popup")) continue;
                const std::string label = PageLabel(page) + ": annotation " +
                                          (item->kind == Kind::Reference ? Reference(item->reference) : "(direct)");
                keyUsers_[annotation.Get("StructParent").Integer()]++;
                const Value* entry = ParentTreeEntry(annotation, "StructParent");
                if (entry == nullptr || entry->kind != Kind::Reference) {
                    Problem(label + ": its /StructParent leads to no structure element");
                } else if (item->kind != Kind::Reference ||
                           !Contains(objectHolders_[item->reference], entry->reference)) {
                    Problem(label + ": its element " + Reference(entry->reference) + " holds no OBJR to it");
                }
            }
        }
    }

    void CheckObjectReferences() {
        for (const auto& [annotation, holders] : objectHolders_) {
            const Value* entry = ParentTreeEntry(file_.Get(annotation), "StructParent");
            for (const std::int64_t holder : holders) {
                if (entry == nullptr || entry->kind != Kind::Reference || entry->reference != holder) {
                    Problem("structure element " + Reference(holder) + " holds an OBJR to " + Reference(annotation) +
                            ", whose /StructParent does not lead back to it");
                }
            }
        }
    }

    void CheckKeys(const Value& treeRoot) {
        for (const std::int64_t page : pages_) keyUsers_[file_.Get(page).Get("StructParents").Integer()]++;
        for (const auto& [key, users] : keyUsers_) {
            if (key && users > 1)
                Problem("parent-tree key " + std::to_string(*key) + " is used by " + std::to_string(users) +
                        " objects");
        }
        const auto next = file_.Resolve(treeRoot.Get("ParentTreeNextKey")).Integer();
        if (next && !parentTree_.empty() && *next <= parentTree_.rbegin()->first) {
            Problem("/ParentTreeNextKey " + std::to_string(*next) + " does not exceed parent-tree key " +
                    std::to_string(parentTree_.rbegin()->first));
        }
    }

    ObjectFile file_;
    std::vector<std::string> problems_;
    std::int64_t rootNumber_ = 0;
    std::vector<std::int64_t> pages_;
    std::map<std::int64_t, std::size_t> pageIndex_;
    std::map<std::int64_t, const Value*> parentTree_;
    std::set<std::int64_t> elements_;
    std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::int64_t>> owners_;  // (page, MCID): elements
    std::map<std::int64_t, std::vector<std::int64_t>> objectHolders_;  // annotation: elements with an OBJR to it
    std::map<std::int64_t, std::set<std::int64_t>> contentMcids_;      // page: MCIDs its content marks
    std::map<std::optional<std::int64_t>, int> keyUsers_;
};

}  // namespace

std::vector<std::string> TaggedStructureProblems(std::string_view file) { return Checker(file).Run(); }

}  // namespace vellum::test
