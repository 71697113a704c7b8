#include "early_bound.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <new>
#include <stdexcept>
#include <string>

#include "VELLUM_XP_TLB.h"
#include "com/activation.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "com/raii.h"

namespace vellum::bench {
namespace {

std::string LibraryBesideProgram() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "Vellum_XP.so";
    const std::string path(self, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "Vellum_XP.so";
}

void Check(HRESULT hr, const char* member) {
    if (SUCCEEDED(hr)) return;
    std::string description;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info != nullptr) {
        BSTR text = nullptr;
        if (SUCCEEDED(info->GetDescription(&text))) description = Utf16ToUtf8(BstrView(text));
        SysFreeString(text);
        info->Release();
    }
    throw std::runtime_error(std::string(member) + " failed: " + description);
}

// The workloads' texts are ASCII, so widening is a copy of each byte, made
// straight into the BSTR as a client holding 8-bit text would.
BStr Text(std::string_view text) {
    BStr result = BStr::Attach(SysAllocStringLen(nullptr, static_cast<UINT>(text.size())));
    if (result.get() == nullptr) throw std::bad_alloc();
    std::copy(text.begin(), text.end(), result.get());
    return result;
}

}  // namespace

EarlyBound::EarlyBound() {
    const std::string library = LibraryBesideProgram();
    ComPtr<IClassFactory> factory;
    std::string error;
    if (FAILED(GetClassObjectFromLibrary(library, CLSID_PDFDocument, IID_IClassFactory, factory.put_void(), &error))) {
        throw std::runtime_error("cannot load " + library + ": " + error);
    }
    Check(factory->CreateInstance(nullptr, IID_IPDFDocument, reinterpret_cast<void**>(&document_)),
          "CreateInstance");
}

EarlyBound::~EarlyBound() {
    if (document_ != nullptr) document_->Release();
}

void EarlyBound::NewPDF(std::string_view title) { Check(document_->NewPDF(Text(title).get()), "NewPDF"); }
void EarlyBound::SetUnitOfMeasure(std::string_view unit) {
    Check(document_->put_UnitOfMeasure(Text(unit).get()), "UnitOfMeasure");
}
void EarlyBound::SetFontName(std::string_view name) { Check(document_->put_FontName(Text(name).get()), "FontName"); }
// SendCmd answers with the font's resource name, or with the reason it
// refused the font.
void EarlyBound::AddFontUnicode(std::string_view name, std::string_view file) {
    ScopedVariant command, fontName, fontFile, unused, result;
    command->vt = fontName->vt = fontFile->vt = VT_BSTR;
    command->bstrVal = Text("AddFontUnicode").release();
    fontName->bstrVal = Text(name).release();
    fontFile->bstrVal = Text(file).release();
    Check(document_->SendCmd(*command.get(), *fontName.get(), *fontFile.get(), *unused.get(), *unused.get(),
                             *unused.get(), result.put()),
          "SendCmd");
    const std::string answer = result->vt == VT_BSTR ? Utf16ToUtf8(BstrView(result->bstrVal)) : std::string();
    if (answer.rfind("/F", 0) != 0) throw std::runtime_error("AddFontUnicode failed: " + answer);
}
void EarlyBound::SetFontHeight(double height) { Check(document_->put_FontHeight(height), "FontHeight"); }
void EarlyBound::SetParagraphWidth(double width) { Check(document_->put_ParagraphWidth(width), "ParagraphWidth"); }
void EarlyBound::SetParagraphLeading(double leading) {
    Check(document_->put_ParagraphLeading(leading), "ParagraphLeading");
}
void EarlyBound::AddPage() { Check(document_->AddPage(), "AddPage"); }
void EarlyBound::SetCurrentPage(long page) { Check(document_->SetCurrentPage(page), "SetCurrentPage"); }
void EarlyBound::TextOut(std::string_view text, double x, double y) {
    Check(document_->TextOut(Text(text).get(), x, y), "TextOut");
}
long EarlyBound::GetTextBoxLines(std::string_view text) {
    LONG lines = 0;
    Check(document_->GetTextBoxLines(Text(text).get(), &lines), "GetTextBoxLines");
    return lines;
}
void EarlyBound::DrawLine(double width, double left, double right, double top, double bottom) {
    Check(document_->DrawLine(width, left, right, top, bottom), "DrawLine");
}
void EarlyBound::DrawRect(long width, long fill, long outline, double left, double rectWidth, double top,
                          double rectHeight) {
    Check(document_->DrawRect(width, fill, outline, left, rectWidth, top, rectHeight), "DrawRect");
}
void EarlyBound::DrawCircle(long width, long fill, long outline, double centerX, double centerY, double radius) {
    Check(document_->DrawCircle(width, fill, outline, centerX, centerY, radius), "DrawCircle");
}
void EarlyBound::SetFillColor(long r, long g, long b) { Check(document_->SetFillColor(r, g, b), "SetFillColor"); }
long EarlyBound::ImportImageAsResource(std::string_view file, long quality) {
    LONG number = -1;
    Check(document_->ImportImageAsResource(Text(file).get(), quality, &number), "ImportImageAsResource");
    return number;
}
void EarlyBound::DrawImageResource(double x, double y, double width, double height, long image) {
    Check(document_->DrawImageResource(x, y, width, height, image), "DrawImageResource");
}
void EarlyBound::CreateLinkInternal(double x1, double y1, double x2, double y2, long page) {
    Check(document_->CreateLink_Internal(x1, y1, x2, y2, 0, 0, 0, 0, page), "CreateLink_Internal");
}
void EarlyBound::CreateLinkInternet(double x1, double y1, double x2, double y2, std::string_view uri) {
    Check(document_->CreateLink_Internet(x1, y1, x2, y2, 0, 0, 0, 0, Text(uri).get()), "CreateLink_Internet");
}
void EarlyBound::AddOutline(long page, std::string_view title) {
    Check(document_->AddOutline(page, 0, 0, 0, Text(title).get()), "AddOutline");
}
void EarlyBound::AddChildOutline(long page, std::string_view title, long parent) {
    LONG number = 0;
    Check(document_->AddChildOutline(page, 0, 0, 0, Text(title).get(), parent, &number), "AddChildOutline");
}
void EarlyBound::Encrypt(std::string_view user, std::string_view owner, std::string_view permissions,
                         std::string_view method) {
    IPDFDocument2* protection = nullptr;
    Check(document_->QueryInterface(IID_IPDFDocument2, reinterpret_cast<void**>(&protection)), "IPDFDocument2");
    const HRESULT result =
        protection->Encrypt(Text(user).get(), Text(owner).get(), Text(permissions).get(), Text(method).get());
    protection->Release();
    Check(result, "Encrypt");
}
void EarlyBound::SetConformance(std::string_view level) {
    IPDFDocument2* archival = nullptr;
    Check(document_->QueryInterface(IID_IPDFDocument2, reinterpret_cast<void**>(&archival)), "IPDFDocument2");
    const HRESULT result = archival->put_Conformance(Text(level).get());
    archival->Release();
    Check(result, "Conformance");
}
void EarlyBound::SetTagged(bool tagged) {
    IPDFDocument2* structure = nullptr;
    Check(document_->QueryInterface(IID_IPDFDocument2, reinterpret_cast<void**>(&structure)), "IPDFDocument2");
    const HRESULT result = structure->put_Tagged(tagged ? VARIANT_TRUE : VARIANT_FALSE);
    structure->Release();
    Check(result, "Tagged");
}
void EarlyBound::SetImageEncoding(std::string_view encoding) {
    IPDFDocument2* pictures = nullptr;
    Check(document_->QueryInterface(IID_IPDFDocument2, reinterpret_cast<void**>(&pictures)), "IPDFDocument2");
    const HRESULT result = pictures->put_ImageEncoding(Text(encoding).get());
    pictures->Release();
    Check(result, "ImageEncoding");
}
void EarlyBound::SavePDF(std::string_view file) { Check(document_->SavePDF(Text(file).get()), "SavePDF"); }

}  // namespace vellum::bench
