#include "script_warnings.h"

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/raii.h"
#include "com/variant.h"
#include "script_chars.h"

namespace vellum::script {
namespace {

// In the order of ScriptWarnings::Member.
constexpr std::string_view kWatchedNames[] = {"newpdf",   "savepdf",         "getpdfcontent", "addfont",
                                              "addfontmonospaced", "sendcmd", "fontname", "addfontfallback",
                                              "textout"};

bool IsTextCall(std::size_t member) { return member == ScriptWarnings::kTextOut; }

bool IsText(const VARIANT& value) { return value.vt == VT_BSTR && value.bstrVal != nullptr; }

std::string Utf8Of(const VARIANT& value) { return Utf16ToUtf8(BstrView(value.bstrVal)); }

// The text form of a value assigned to a property; empty when it has none
// (the put would have failed then).
std::string TextOfAssigned(const VARIANT& value) {
    if (IsText(value)) return Utf8Of(value);
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.get(), &value, 0, VT_BSTR)) || !IsText(*text.get())) return {};
    return Utf8Of(*text.get());
}

}  // namespace

static_assert(std::size(kWatchedNames) == ScriptWarnings::kWatchedCount);

void ScriptWarnings::Silence() {
    quiet_ = true;
    dispids_.fill(DISPID_UNKNOWN);
    watchedBits_ = 0;
}

void ScriptWarnings::Write(int line, std::string_view message) const {
    if (quiet_) return;
    std::fprintf(err_, "%s:%d: warning: %.*s\n", scriptName_.c_str(), line, static_cast<int>(message.size()),
                 message.data());
}

void ScriptWarnings::NoteMember(std::string_view lowerName, DISPID dispid) {
    if (quiet_) return;
    for (std::size_t i = 0; i < dispids_.size(); ++i) {
        if (lowerName != kWatchedNames[i]) continue;
        dispids_[i] = dispid;
        if (!IsTextCall(i) || watchingText_) watchedBits_ |= BitOf(dispid);
    }
}

void ScriptWarnings::WatchText() {
    if (quiet_ || watchingText_) return;
    watchingText_ = true;
    if (dispids_[kTextOut] != DISPID_UNKNOWN) watchedBits_ |= BitOf(dispids_[kTextOut]);
}

void ScriptWarnings::AfterCall(IDispatch* object, const Call& call) {
    if (call.dispid == dispids_[kNewPdf]) {
        // A new document replaces the one being built.
        if (documentLine_ > 0 && !documentDelivered_) {
            Write(documentLine_, "the document started here was never saved or read before line " +
                                     std::to_string(call.line) + " started another");
        }
        documentLine_ = call.line;
        documentDelivered_ = false;
    } else if (call.dispid == dispids_[kSavePdf] || call.dispid == dispids_[kGetPdfContent]) {
        documentDelivered_ = true;
    } else if (call.dispid == dispids_[kFontName]) {
        if (call.putValue != nullptr) CheckFontSelected(object, call);
    } else if (call.dispid == dispids_[kAddFontFallback]) {
        WatchText();
    } else if (call.dispid == dispids_[kTextOut]) {
        if (watchingText_) CheckMissingCharacters(object, call);
    } else {
        CheckFontResult(call);
    }
}

// Reading the property costs a call, paid only after text in a document
// that has a Unicode font.
void ScriptWarnings::CheckMissingCharacters(IDispatch* object, const Call& call) {
    if (missingCharacters_ == DISPID_UNKNOWN) {
        BStr name(u"MissingCharacters");
        LPOLESTR names[] = {name.get()};
        if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, 0, &missingCharacters_))) return;
    }
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ScopedVariant missing;
    if (FAILED(object->Invoke(missingCharacters_, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, missing.get(), nullptr,
                              nullptr)) ||
        !IsText(*missing.get()) || BstrView(missing->bstrVal).empty()) {
        return;
    }
    Write(call.line, std::string(call.name) + " drew characters that no font has as empty boxes: \"" +
                         Utf8Of(*missing.get()) + "\"");
}

// The members that add fonts report a missing file or an empty name in the
// text they return, not as a failure.
void ScriptWarnings::CheckFontResult(const Call& call) {
    if (call.dispid == dispids_[kSendCmd] && call.count > 0 && IsText(call.arguments[call.count - 1]) &&
        BstrView(call.arguments[call.count - 1].bstrVal) == u"AddFontUnicode" && IsText(call.result) &&
        BstrView(call.result.bstrVal).starts_with(u"/F")) {
        WatchText();
    }
    if (!IsText(call.result) || !BstrView(call.result.bstrVal).starts_with(u"Error")) return;
    std::string caller(call.name);
    if (call.dispid == dispids_[kSendCmd]) {
        // The command comes first, so it is last in Invoke's order.
        if (call.count == 0) return;
        const VARIANT& command = call.arguments[call.count - 1];
        if (!IsText(command) || !BstrView(command.bstrVal).starts_with(u"AddFont")) return;
        caller += " \"" + Utf8Of(command) + "\"";
    }
    Write(call.line, caller + " returned \"" + Utf8Of(call.result) + "\": no font was added");
}

// A name the document does not know selects Courier, its first font (/F0),
// without a word; reading the selection back tells.
void ScriptWarnings::CheckFontSelected(IDispatch* object, const Call& call) const {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ScopedVariant selected;
    if (FAILED(object->Invoke(call.dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, selected.get(), nullptr,
                              nullptr)) ||
        !IsText(*selected.get()) || BstrView(selected->bstrVal) != u"/F0") {
        return;
    }
    const std::string given = TextOfAssigned(*call.putValue);
    if (EqualsIgnoringCase(given, "Courier") || EqualsIgnoringCase(given, "/F0")) return;
    Write(call.line, "unknown font \"" + given + "\": Courier is used");
}

void ScriptWarnings::AtEnd() const {
    if (documentLine_ > 0 && !documentDelivered_) {
        Write(documentLine_, "the document started here was never saved or read");
    }
}

}  // namespace vellum::script
