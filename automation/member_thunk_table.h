// The late-binding thunks of the member table's rows, in row order. Each
// calls its vtable method on the IPDFDocument2 the object hands to the
// dispatcher, and compiles only when the method's signature is the row's.
// Written by tools/idlgen from automation/member_table.h; do not edit by hand.
#pragma once

#include <iterator>

#include "VELLUM_XP_TLB.h"
#include "dispatch.h"

namespace vellum::automation {

inline constexpr MemberThunk kThunks[] = {
    CheckedThunk<IPDFDocument2, &IPDFDocument::NewPDF>(kMembers[0]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SavePDF>(kMembers[1]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::TextOut>(kMembers[2]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::OCXVersion>(kMembers[3]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetPageDimensions>(kMembers[4]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::CreateLink_Internal>(kMembers[5]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::CreateLink_External>(kMembers[6]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::CreateLink_Internet>(kMembers[7]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetCurrentPage>(kMembers[8]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_FontName>(kMembers[9]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_FontName>(kMembers[10]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_FontHeight>(kMembers[11]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_FontHeight>(kMembers[12]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_ParagraphLeading>(kMembers[13]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_ParagraphLeading>(kMembers[14]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_ParagraphWidth>(kMembers[15]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_ParagraphWidth>(kMembers[16]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_UnitOfMeasure>(kMembers[17]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_UnitOfMeasure>(kMembers[18]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_ParagraphAlignment>(kMembers[19]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_ParagraphAlignment>(kMembers[20]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::AddPage>(kMembers[21]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_TextRendering>(kMembers[22]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_TextRendering>(kMembers[23]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetFillColor>(kMembers[24]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetLineColor>(kMembers[25]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::ImportImage>(kMembers[26]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::AddFont>(kMembers[27]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::AddOutline>(kMembers[28]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::AddTextAnnotation>(kMembers[29]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::DrawLine>(kMembers[30]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::DrawRect>(kMembers[31]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetLineWidth>(kMembers[32]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::ImportImageAsResource>(kMembers[33]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::DrawImageResource>(kMembers[34]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::GetPDFContent>(kMembers[35]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::GetTextBoxWidth>(kMembers[36]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::GetTextBoxLines>(kMembers[37]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetBookmarksVisible>(kMembers[38]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_Keywords>(kMembers[39]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_Keywords>(kMembers[40]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_Author>(kMembers[41]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_Author>(kMembers[42]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_Subject>(kMembers[43]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_Subject>(kMembers[44]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_TextInclinationDegrees>(kMembers[45]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_TextInclinationDegrees>(kMembers[46]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::get_NewPageAfterThisVerticalPosition>(kMembers[47]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_NewPageAfterThisVerticalPosition>(kMembers[48]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SendCmd>(kMembers[49]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::ReservedFunction>(kMembers[50]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::DrawCircle>(kMembers[51]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::DrawEllipse>(kMembers[52]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::AddChildOutline>(kMembers[53]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::GetLastOutlineID>(kMembers[54]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::DrawArc>(kMembers[55]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetLineCapStyle>(kMembers[56]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetLineJoinStyle>(kMembers[57]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::put_ViewMode>(kMembers[58]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::SetDashLineProperties>(kMembers[59]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::GetImageWidth>(kMembers[60]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::GetImageHeight>(kMembers[61]),
    CheckedThunk<IPDFDocument2, &IPDFDocument::AddFontMonospaced>(kMembers[62]),
    CheckedThunk<IPDFDocument2, &IPDFDocument2::Encrypt>(kMembers[63]),
    CheckedThunk<IPDFDocument2, &IPDFDocument2::Sign>(kMembers[64]),
    CheckedThunk<IPDFDocument2, &IPDFDocument2::get_Conformance>(kMembers[65]),
    CheckedThunk<IPDFDocument2, &IPDFDocument2::put_Conformance>(kMembers[66]),
    CheckedThunk<IPDFDocument2, &IPDFDocument2::AttachFile>(kMembers[67]),
    CheckedThunk<IPDFDocument2, &IPDFDocument2::AddMetadataXml>(kMembers[68]),
};
static_assert(std::size(kThunks) == kMembers.size(),
              "the member table changed: cmake --build BUILD --target interface_files");

}  // namespace vellum::automation
