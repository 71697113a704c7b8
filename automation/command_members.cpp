// The command channel: named commands with variant operands (SendCmd) and
// switches (ReservedFunction), so features can be added without changing the
// interface.
#include "boundary.h"
#include "com/raii.h"
#include "com/variant.h"
#include "pdf_document.h"

namespace vellum::automation {
namespace {

// A private, dereferenced copy: the caller's variants are never touched.
ScopedVariant PrivateCopy(const VARIANT& value) {
    ScopedVariant copy;
    if (FAILED(VariantCopyInd(copy.get(), &value))) throw EngineError("A command operand cannot be copied");
    return copy;
}

// Variant equality against a text: text compares exactly as 8-bit text,
// Empty as the empty text, Null as unequal; anything else cannot be compared.
bool EqualsCommand(const VARIANT& value, std::string_view command) {
    switch (value.vt) {
        case VT_BSTR: return ToAnsi(value.bstrVal) == command;
        case VT_EMPTY: return command.empty();
        case VT_NULL: return false;
        default: throw EngineError("The command name must be a text");
    }
}

ScopedVariant OperandText(const VARIANT& value, const char* what) {
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.get(), &value, 0, VT_BSTR))) {
        throw EngineError(std::string("The ") + what + " has no text form");
    }
    return text;
}

double OperandNumber(const VARIANT& value, const char* what) {
    ScopedVariant number;
    if (FAILED(VariantChangeType(number.get(), &value, 0, VT_R8))) {
        throw EngineError(std::string("The ") + what + " is not a number");
    }
    return number->dblVal;
}

}  // namespace

HRESULT TPDFDocument::SendCmd(VARIANT Param1, VARIANT Param2, VARIANT Param3, VARIANT Param4, VARIANT Param5,
                              VARIANT Param6, VARIANT* Value) {
    if (Value == nullptr) return E_POINTER;
    VariantInit(Value);
    return Guarded([&] {
        const ScopedVariant command = PrivateCopy(Param1);
        const ScopedVariant operand2 = PrivateCopy(Param2);
        const ScopedVariant operand3 = PrivateCopy(Param3);
        const ScopedVariant operand4 = PrivateCopy(Param4);
        (void)Param5;  // accepted and never used
        (void)Param6;
        const bool changeCreator = EqualsCommand(*command.get(), "ChangeCreator");
        const bool changeProducer = EqualsCommand(*command.get(), "ChangeProducer");
        const bool addFont = EqualsCommand(*command.get(), "AddFontWithModKern");
        const bool addUnicodeFont = EqualsCommand(*command.get(), "AddFontUnicode");
        if (changeCreator || changeProducer) {
            TInfo& info = RequireOpenDocument().RequireInfo();
            (changeCreator ? info.Creator : info.Producer) =
                ToUnicodeText(OperandText(*operand2.get(), "new text")->bstrVal);
        } else if (addFont) {
            const double factor = OperandNumber(*operand4.get(), "width factor");
            const std::string fileName = ToFileName(OperandText(*operand3.get(), "font file name")->bstrVal);
            const std::string fontName = ToAnsi(OperandText(*operand2.get(), "font name")->bstrVal);
            const std::string result = RequireOpenDocument().AddTrueTypeFontModKern(fontName, fileName, factor);
            Value->bstrVal = ToBstr(result);
            Value->vt = VT_BSTR;
        } else if (addUnicodeFont) {
            const std::string fileName = ToFileName(OperandText(*operand3.get(), "font file name")->bstrVal);
            const std::string fontName = ToAnsi(OperandText(*operand2.get(), "font name")->bstrVal);
            const std::string result = RequireOpenDocument().AddUnicodeFont(fontName, fileName);
            Value->bstrVal = ToBstr(result);
            Value->vt = VT_BSTR;
        }
    });
}

HRESULT TPDFDocument::ReservedFunction(BSTR x, BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] {
        const std::u16string_view name = BstrView(x);
        if (name == u"UseFontSize" || name == u"UseFontHeight") FontSizingSwitch = ToAnsi(x);
    });
}

}  // namespace vellum::automation
