#include "generated_files.h"

#include "idl_text.h"
#include "interface_text.h"
#include "layer_text.h"

namespace vellum::idl {

std::vector<GeneratedFile> GeneratedFiles() {
    return {
        {"automation/VELLUM_XP.idl", TypeLibraryIdl()},
        {"automation/VELLUM_XP_TLB.h", InterfaceHeader()},
        {"automation/pdf_document_overrides.h", ObjectOverrides()},
        {"automation/member_thunk_table.h", ThunkTable()},
        {"include/vellum/document_members.hpp", DocumentMembers()},
    };
}

}  // namespace vellum::idl
