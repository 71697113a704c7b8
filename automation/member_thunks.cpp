// The late-binding table of the object: one thunk per member, in member
// order (member_thunk_table.h, generated from the member table), each calling
// the vtable method, so a call by name does exactly what the early-bound call
// does.
#include "dispatch.h"
#include "member_thunk_table.h"
#include "VELLUM_XP_TLB.h"
#include "type_info.h"

namespace vellum::automation {

constexpr auto kMemberIndex = MakeMemberIndex<kMembers>();

// Every entry is found where a search of the table finds it.
constexpr bool IndexAgreesWithSearch() {
    for (std::size_t i = 0; i < kMembers.size(); ++i) {
        if (kMembers[i].dispid < 0) continue;
        std::size_t first = i;
        for (std::size_t j = 0; j < i; ++j) {
            if (kMembers[j].dispid == kMembers[i].dispid && kMembers[j].kind == kMembers[i].kind) {
                first = j;
                break;
            }
        }
        const std::size_t slot =
            static_cast<std::size_t>(kMembers[i].dispid) * 3 + static_cast<std::size_t>(kMembers[i].kind);
        if (kMemberIndex.positions[slot] != first + 1) return false;
    }
    return true;
}
static_assert(IndexAgreesWithSearch());

const DispatchTable kPDFDocumentDispatch{kMembers, kThunks, kMemberIndex.positions};

}  // namespace vellum::automation
