// Installed fonts on the native build, from the registry's font list: each
// value is named "Family[ Style] (TrueType)" (several names joined by " & "
// for a collection) and holds a file in the Windows font folder or, for fonts
// installed for one user, a full path. The user's list is read before the
// machine's. A name is the family's when the words after the family are all
// style words: "DejaVu Sans Bold" is DejaVu Sans in bold, "DejaVu Sans Mono"
// another family.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "font_families.h"

namespace vellum::fonts {
namespace {

constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                            nullptr);
    }
    return utf8;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

struct Entry {
    std::wstring name;  // without the "(TrueType)" part
    std::wstring file;
};

std::wstring WithoutKind(std::wstring name) {
    if (!name.empty() && name.back() == L')') {
        if (const std::size_t open = name.rfind(L" ("); open != std::wstring::npos) name.resize(open);
    }
    return name;
}

std::vector<Entry> ListedFonts(HKEY root) {
    std::vector<Entry> entries;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return entries;
    DWORD nameMax = 0, dataMax = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameMax, &dataMax,
                         nullptr, nullptr) == ERROR_SUCCESS) {
        std::wstring name(nameMax + 1, L'\0');
        std::vector<wchar_t> data(dataMax / sizeof(wchar_t) + 1);
        for (DWORD i = 0;; ++i) {
            DWORD nameLength = nameMax + 1, dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t)), type = 0;
            const LONG status = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                                              reinterpret_cast<BYTE*>(data.data()), &dataBytes);
            if (status == ERROR_NO_MORE_ITEMS) break;
            if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
            std::wstring file(data.data(), dataBytes / sizeof(wchar_t));
            while (!file.empty() && file.back() == L'\0') file.pop_back();
            entries.push_back({WithoutKind(name.substr(0, nameLength)), file});
        }
    }
    RegCloseKey(key);
    return entries;
}

std::vector<std::wstring> Words(std::wstring_view text) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (const wchar_t c : text) {
        if (c != L' ') {
            word += c;
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

// The style a name's words after the family give; nothing when a word is no
// style word, so the name belongs to another family.
std::optional<FontStyle> StyleOf(const std::vector<std::wstring>& words) {
    FontStyle style;
    for (const std::wstring& word : words) {
        if (SameText(word, L"Bold")) {
            style.bold = true;
        } else if (SameText(word, L"Italic") || SameText(word, L"Oblique")) {
            style.italic = true;
        } else if (!SameText(word, L"Regular") && !SameText(word, L"Normal") && !SameText(word, L"Book")) {
            return std::nullopt;
        }
    }
    return style;
}

// The style of the family that one of the entry's names gives.
std::optional<FontStyle> FamilyStyle(const Entry& entry, const std::vector<std::wstring>& family) {
    std::wstring_view rest = entry.name;
    for (;;) {
        const std::size_t joint = rest.find(L" & ");
        const std::vector<std::wstring> words = Words(rest.substr(0, joint));
        bool same = words.size() >= family.size();
        for (std::size_t i = 0; same && i < family.size(); ++i) same = SameText(words[i], family[i]);
        if (same) {
            if (auto style = StyleOf({words.begin() + static_cast<std::ptrdiff_t>(family.size()), words.end()})) {
                return style;
            }
        }
        if (joint == std::wstring_view::npos) return std::nullopt;
        rest.remove_prefix(joint + 3);
    }
}

std::wstring FullPath(const std::wstring& file) {
    if (file.find_first_of(L"\\/:") != std::wstring::npos) return file;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(windows, length) + L"\\Fonts\\" + file;
}

enum class Kind { Unusable, TrueType, OtherOutlines, Collection };

Kind KindOf(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Kind::Unusable;
    char tag[4] = {};
    DWORD count = 0;
    const bool read = ReadFile(file, tag, 4, &count, nullptr) && count == 4;
    CloseHandle(file);
    if (!read) return Kind::Unusable;
    const std::string_view magic(tag, 4);
    if (magic == "ttcf") return Kind::Collection;
    if (magic == "OTTO") return Kind::OtherOutlines;
    if (magic == std::string_view("\0\1\0\0", 4) || magic == "true") return Kind::TrueType;
    return Kind::Unusable;  // a bitmap or vector font of the old kinds: nothing to embed
}

}  // namespace

FontFileMatch FindInstalledFontFile(std::string_view family, FontStyle style) {
    FontFileMatch match;
    const std::vector<std::wstring> familyWords = Words(Wide(family));
    if (familyWords.empty()) return match;
    std::wstring otherOutlines;
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (const Entry& entry : ListedFonts(root)) {
            const std::optional<FontStyle> found = FamilyStyle(entry, familyWords);
            if (!found) continue;
            match.familyFound = true;
            if (found->bold != style.bold || found->italic != style.italic) continue;
            const std::wstring path = FullPath(entry.file);
            switch (path.empty() ? Kind::Unusable : KindOf(path)) {
                case Kind::Unusable: break;
                case Kind::Collection:
                    if (match.collectionPath.empty()) match.collectionPath = Utf8(path);
                    break;
                case Kind::OtherOutlines:
                    if (otherOutlines.empty()) otherOutlines = path;
                    break;
                case Kind::TrueType: match.path = Utf8(path); return match;
            }
        }
    }
    match.path = Utf8(otherOutlines);
    return match;
}

}  // namespace vellum::fonts
