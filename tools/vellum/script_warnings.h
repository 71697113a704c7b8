// Warnings about calls that succeed yet do not do what the script's author
// most likely meant: a font file that was not found (the member says so in
// its result, which a script rarely looks at), a font name that is not known
// (Courier is used instead), a document that is never saved or read,
// characters no font could draw (empty boxes, lost to readers). They go
// to standard error as SCRIPT:LINE: warning: ... and never change the exit
// status or what the script prints or writes.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "com/interfaces.h"

namespace vellum::script {

class ScriptWarnings {
public:
    ScriptWarnings(std::string scriptName, std::FILE* err) : scriptName_(std::move(scriptName)), err_(err) {}

    // No warnings from here on, and no calls watched for them.
    void Silence();
    void Write(int line, std::string_view message) const;

    // Told once for each member name the script's calls resolve, lowered.
    void NoteMember(std::string_view lowerName, DISPID dispid);
    // Whether a successful call of `dispid` may need a warning: the only
    // test every call pays, mostly settled by one bit.
    bool Watches(DISPID dispid) const {
        if ((watchedBits_ & BitOf(dispid)) == 0) return false;
        for (const DISPID watched : dispids_) {
            if (watched == dispid) return true;
        }
        return false;
    }

    // A successful call of a watched member: `arguments` in Invoke's order
    // (last first), `putValue` set for a property put.
    struct Call {
        int line;
        std::string_view name;  // as the script spells it
        DISPID dispid;
        const VARIANT* arguments;
        std::size_t count;
        const VARIANT* putValue;
        const VARIANT& result;
    };
    void AfterCall(IDispatch* object, const Call& call);

    // At the normal end of the script.
    void AtEnd() const;

    // The members watched, by the names the object gives them.
    enum Member {
        kNewPdf,
        kSavePdf,
        kGetPdfContent,
        kAddFont,
        kAddFontMonospaced,
        kSendCmd,
        kFontName,
        kAddFontFallback,
        kTextOut,
        kWatchedCount
    };

private:
    static std::uint64_t BitOf(DISPID dispid) {
        return std::uint64_t{1} << (static_cast<std::uint32_t>(dispid) & 63);
    }
    void CheckFontResult(const Call& call);
    // Text calls are watched only once a Unicode font is there: the others
    // draw every character they are given.
    void WatchText();
    void CheckMissingCharacters(IDispatch* object, const Call& call);
    void CheckFontSelected(IDispatch* object, const Call& call) const;

    std::string scriptName_;
    std::FILE* err_;
    bool quiet_ = false;
    std::array<DISPID, kWatchedCount> dispids_ = [] {
        std::array<DISPID, kWatchedCount> unknown{};
        unknown.fill(DISPID_UNKNOWN);
        return unknown;
    }();
    std::uint64_t watchedBits_ = 0;  // BitOf each watched dispid
    bool watchingText_ = false;
    DISPID missingCharacters_ = DISPID_UNKNOWN;
    int documentLine_ = 0;           // of the last successful NewPDF; 0 before one
    bool documentDelivered_ = false;
};

}  // namespace vellum::script
