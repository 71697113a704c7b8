// The late-binding table of IPDFDocument: one thunk per member, in member
// order, each calling the vtable method, so a call by name does exactly what
// the early-bound call does. The static_asserts tie every method's signature
// to its row of the member table.
#include "dispatch.h"
#include "VELLUM_XP_TLB.h"
#include "type_info.h"

namespace vellum::automation {
namespace {

constexpr MemberThunk kThunks[] = {
    &VtableThunk<&IPDFDocument::NewPDF>,
    &VtableThunk<&IPDFDocument::SavePDF>,
    &VtableThunk<&IPDFDocument::TextOut>,
    &VtableThunk<&IPDFDocument::OCXVersion>,
    &VtableThunk<&IPDFDocument::SetPageDimensions>,
    &VtableThunk<&IPDFDocument::CreateLink_Internal>,
    &VtableThunk<&IPDFDocument::CreateLink_External>,
    &VtableThunk<&IPDFDocument::CreateLink_Internet>,
    &VtableThunk<&IPDFDocument::SetCurrentPage>,
    &VtableThunk<&IPDFDocument::get_FontName>,
    &VtableThunk<&IPDFDocument::put_FontName>,
    &VtableThunk<&IPDFDocument::get_FontHeight>,
    &VtableThunk<&IPDFDocument::put_FontHeight>,
    &VtableThunk<&IPDFDocument::get_ParagraphLeading>,
    &VtableThunk<&IPDFDocument::put_ParagraphLeading>,
    &VtableThunk<&IPDFDocument::get_ParagraphWidth>,
    &VtableThunk<&IPDFDocument::put_ParagraphWidth>,
    &VtableThunk<&IPDFDocument::get_UnitOfMeasure>,
    &VtableThunk<&IPDFDocument::put_UnitOfMeasure>,
    &VtableThunk<&IPDFDocument::get_ParagraphAlignment>,
    &VtableThunk<&IPDFDocument::put_ParagraphAlignment>,
    &VtableThunk<&IPDFDocument::AddPage>,
    &VtableThunk<&IPDFDocument::get_TextRendering>,
    &VtableThunk<&IPDFDocument::put_TextRendering>,
    &VtableThunk<&IPDFDocument::SetFillColor>,
    &VtableThunk<&IPDFDocument::SetLineColor>,
    &VtableThunk<&IPDFDocument::ImportImage>,
    &VtableThunk<&IPDFDocument::AddFont>,
    &VtableThunk<&IPDFDocument::AddOutline>,
    &VtableThunk<&IPDFDocument::AddTextAnnotation>,
    &VtableThunk<&IPDFDocument::DrawLine>,
    &VtableThunk<&IPDFDocument::DrawRect>,
    &VtableThunk<&IPDFDocument::SetLineWidth>,
    &VtableThunk<&IPDFDocument::ImportImageAsResource>,
    &VtableThunk<&IPDFDocument::DrawImageResource>,
    &VtableThunk<&IPDFDocument::GetPDFContent>,
    &VtableThunk<&IPDFDocument::GetTextBoxWidth>,
    &VtableThunk<&IPDFDocument::GetTextBoxLines>,
    &VtableThunk<&IPDFDocument::SetBookmarksVisible>,
    &VtableThunk<&IPDFDocument::get_Keywords>,
    &VtableThunk<&IPDFDocument::put_Keywords>,
    &VtableThunk<&IPDFDocument::get_Author>,
    &VtableThunk<&IPDFDocument::put_Author>,
    &VtableThunk<&IPDFDocument::get_Subject>,
    &VtableThunk<&IPDFDocument::put_Subject>,
    &VtableThunk<&IPDFDocument::get_TextInclinationDegrees>,
    &VtableThunk<&IPDFDocument::put_TextInclinationDegrees>,
    &VtableThunk<&IPDFDocument::get_NewPageAfterThisVerticalPosition>,
    &VtableThunk<&IPDFDocument::put_NewPageAfterThisVerticalPosition>,
    &VtableThunk<&IPDFDocument::SendCmd>,
    &VtableThunk<&IPDFDocument::ReservedFunction>,
    &VtableThunk<&IPDFDocument::DrawCircle>,
    &VtableThunk<&IPDFDocument::DrawEllipse>,
    &VtableThunk<&IPDFDocument::AddChildOutline>,
    &VtableThunk<&IPDFDocument::GetLastOutlineID>,
    &VtableThunk<&IPDFDocument::DrawArc>,
    &VtableThunk<&IPDFDocument::SetLineCapStyle>,
    &VtableThunk<&IPDFDocument::SetLineJoinStyle>,
    &VtableThunk<&IPDFDocument::put_ViewMode>,
    &VtableThunk<&IPDFDocument::SetDashLineProperties>,
    &VtableThunk<&IPDFDocument::GetImageWidth>,
    &VtableThunk<&IPDFDocument::GetImageHeight>,
    &VtableThunk<&IPDFDocument::AddFontMonospaced>,
};
static_assert(std::size(kThunks) == kMembers.size());

static_assert(SignatureMatches<&IPDFDocument::NewPDF>(kMembers[0]));
static_assert(SignatureMatches<&IPDFDocument::SavePDF>(kMembers[1]));
static_assert(SignatureMatches<&IPDFDocument::TextOut>(kMembers[2]));
static_assert(SignatureMatches<&IPDFDocument::OCXVersion>(kMembers[3]));
static_assert(SignatureMatches<&IPDFDocument::SetPageDimensions>(kMembers[4]));
static_assert(SignatureMatches<&IPDFDocument::CreateLink_Internal>(kMembers[5]));
static_assert(SignatureMatches<&IPDFDocument::CreateLink_External>(kMembers[6]));
static_assert(SignatureMatches<&IPDFDocument::CreateLink_Internet>(kMembers[7]));
static_assert(SignatureMatches<&IPDFDocument::SetCurrentPage>(kMembers[8]));
static_assert(SignatureMatches<&IPDFDocument::get_FontName>(kMembers[9]));
static_assert(SignatureMatches<&IPDFDocument::put_FontName>(kMembers[10]));
static_assert(SignatureMatches<&IPDFDocument::get_FontHeight>(kMembers[11]));
static_assert(SignatureMatches<&IPDFDocument::put_FontHeight>(kMembers[12]));
static_assert(SignatureMatches<&IPDFDocument::get_ParagraphLeading>(kMembers[13]));
static_assert(SignatureMatches<&IPDFDocument::put_ParagraphLeading>(kMembers[14]));
static_assert(SignatureMatches<&IPDFDocument::get_ParagraphWidth>(kMembers[15]));
static_assert(SignatureMatches<&IPDFDocument::put_ParagraphWidth>(kMembers[16]));
static_assert(SignatureMatches<&IPDFDocument::get_UnitOfMeasure>(kMembers[17]));
static_assert(SignatureMatches<&IPDFDocument::put_UnitOfMeasure>(kMembers[18]));
static_assert(SignatureMatches<&IPDFDocument::get_ParagraphAlignment>(kMembers[19]));
static_assert(SignatureMatches<&IPDFDocument::put_ParagraphAlignment>(kMembers[20]));
static_assert(SignatureMatches<&IPDFDocument::AddPage>(kMembers[21]));
static_assert(SignatureMatches<&IPDFDocument::get_TextRendering>(kMembers[22]));
static_assert(SignatureMatches<&IPDFDocument::put_TextRendering>(kMembers[23]));
static_assert(SignatureMatches<&IPDFDocument::SetFillColor>(kMembers[24]));
static_assert(SignatureMatches<&IPDFDocument::SetLineColor>(kMembers[25]));
static_assert(SignatureMatches<&IPDFDocument::ImportImage>(kMembers[26]));
static_assert(SignatureMatches<&IPDFDocument::AddFont>(kMembers[27]));
static_assert(SignatureMatches<&IPDFDocument::AddOutline>(kMembers[28]));
static_assert(SignatureMatches<&IPDFDocument::AddTextAnnotation>(kMembers[29]));
static_assert(SignatureMatches<&IPDFDocument::DrawLine>(kMembers[30]));
static_assert(SignatureMatches<&IPDFDocument::DrawRect>(kMembers[31]));
static_assert(SignatureMatches<&IPDFDocument::SetLineWidth>(kMembers[32]));
static_assert(SignatureMatches<&IPDFDocument::ImportImageAsResource>(kMembers[33]));
static_assert(SignatureMatches<&IPDFDocument::DrawImageResource>(kMembers[34]));
static_assert(SignatureMatches<&IPDFDocument::GetPDFContent>(kMembers[35]));
static_assert(SignatureMatches<&IPDFDocument::GetTextBoxWidth>(kMembers[36]));
static_assert(SignatureMatches<&IPDFDocument::GetTextBoxLines>(kMembers[37]));
static_assert(SignatureMatches<&IPDFDocument::SetBookmarksVisible>(kMembers[38]));
static_assert(SignatureMatches<&IPDFDocument::get_Keywords>(kMembers[39]));
static_assert(SignatureMatches<&IPDFDocument::put_Keywords>(kMembers[40]));
static_assert(SignatureMatches<&IPDFDocument::get_Author>(kMembers[41]));
static_assert(SignatureMatches<&IPDFDocument::put_Author>(kMembers[42]));
static_assert(SignatureMatches<&IPDFDocument::get_Subject>(kMembers[43]));
static_assert(SignatureMatches<&IPDFDocument::put_Subject>(kMembers[44]));
static_assert(SignatureMatches<&IPDFDocument::get_TextInclinationDegrees>(kMembers[45]));
static_assert(SignatureMatches<&IPDFDocument::put_TextInclinationDegrees>(kMembers[46]));
static_assert(SignatureMatches<&IPDFDocument::get_NewPageAfterThisVerticalPosition>(kMembers[47]));
static_assert(SignatureMatches<&IPDFDocument::put_NewPageAfterThisVerticalPosition>(kMembers[48]));
static_assert(SignatureMatches<&IPDFDocument::SendCmd>(kMembers[49]));
static_assert(SignatureMatches<&IPDFDocument::ReservedFunction>(kMembers[50]));
static_assert(SignatureMatches<&IPDFDocument::DrawCircle>(kMembers[51]));
static_assert(SignatureMatches<&IPDFDocument::DrawEllipse>(kMembers[52]));
static_assert(SignatureMatches<&IPDFDocument::AddChildOutline>(kMembers[53]));
static_assert(SignatureMatches<&IPDFDocument::GetLastOutlineID>(kMembers[54]));
static_assert(SignatureMatches<&IPDFDocument::DrawArc>(kMembers[55]));
static_assert(SignatureMatches<&IPDFDocument::SetLineCapStyle>(kMembers[56]));
static_assert(SignatureMatches<&IPDFDocument::SetLineJoinStyle>(kMembers[57]));
static_assert(SignatureMatches<&IPDFDocument::put_ViewMode>(kMembers[58]));
static_assert(SignatureMatches<&IPDFDocument::SetDashLineProperties>(kMembers[59]));
static_assert(SignatureMatches<&IPDFDocument::GetImageWidth>(kMembers[60]));
static_assert(SignatureMatches<&IPDFDocument::GetImageHeight>(kMembers[61]));
static_assert(SignatureMatches<&IPDFDocument::AddFontMonospaced>(kMembers[62]));

}  // namespace

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
