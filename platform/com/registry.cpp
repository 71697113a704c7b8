#include "registry.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include "codepage.h"
#include "errorinfo.h"
#include "registry_file.h"

struct RegistryKey {
    std::string path;  // below HKEY_CLASSES_ROOT, as first created
};

namespace vellum::registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CLASSES_ROOT";

struct Key {
    std::string name;  // spelled as created
    std::map<std::string, std::string> values;  // "" is the default value
};

// Keys by their lower-cased path: names are matched without regard to case.
using Store = std::map<std::string, Key>;

std::mutex& StoreLock() {
    static std::mutex lock;
    return lock;
}

std::string Lower(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return text;
}

std::string Join(const std::string& base, const std::string& sub) {
    if (base.empty()) return sub;
    if (sub.empty()) return base;
    return base + "\\" + sub;
}

std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// Reads a quoted text starting at line[at] (the opening quote); returns the
// position after the closing quote, or npos when there is none.
std::size_t Unquote(std::string_view line, std::size_t at, std::string& text) {
    text.clear();
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        text += line[at];
    }
    return at < line.size() ? at + 1 : std::string_view::npos;
}

// Parses one value line (@="..." or "name"="..."); "" or what is wrong.
std::string ParseValue(std::string_view line, Key& key) {
    std::string name;
    std::size_t at = 1;
    if (line[0] == '"') at = Unquote(line, 0, name);
    if (at == std::string_view::npos) return "a value name without its closing quote";
    if (at >= line.size() || line[at] != '=') return "expected '=' after the value name";
    if (at + 1 >= line.size() || line[at + 1] != '"') return "expected a quoted string value after '='";
    std::string value;
    at = Unquote(line, at + 1, value);
    if (at == std::string_view::npos) return "a string value without its closing quote";
    if (at != line.size()) return "unexpected text after the value";
    key.values[name] = std::move(value);
    return {};
}

// Parses the store's text; "" or what is wrong, with `line` set to where.
std::string Parse(std::string_view text, Store& store, int& line) {
    line = 0;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Key* current = nullptr;
    while (!text.empty()) {
        ++line;
        const auto end = text.find('\n');
        std::string_view row = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
        if (line == 1) {
            if (row != kHeader) return "expected the header \"" + std::string(kHeader) + "\"";
        } else if (row.empty() || row.front() == ';') {
            continue;  // blank lines and comments
        } else if (row.front() == '[') {
            const std::string prefix = "[" + std::string(kRoot) + "\\";
            if (row.size() <= prefix.size() + 1 || row.back() != ']' || !row.starts_with(prefix)) {
                return "expected a key [" + std::string(kRoot) + "\\...]";
            }
            const std::string path(row.substr(prefix.size(), row.size() - prefix.size() - 1));
            current = &store[Lower(path)];
            current->name = path;
        } else if (row.front() == '@' || row.front() == '"') {
            if (current == nullptr) return "a value before any key";
            if (std::string why = ParseValue(row, *current); !why.empty()) return why;
        } else {
            return "expected a key in brackets or a value";
        }
    }
    return {};
}

std::string Format(const Store& store) {
    std::string text(kHeader);
    text += "\r\n";
    for (const auto& [lower, key] : store) {
        text += "\r\n[" + std::string(kRoot) + "\\" + key.name + "]\r\n";
        for (const auto& [name, value] : key.values) {
            text += (name.empty() ? "@" : Quote(name)) + "=" + Quote(value) + "\r\n";
        }
    }
    return text;
}

// Files the failure's description for the calling thread, so that the caller
// of a failing registration can tell why; returns its code.
LONG Report(const StoreFailure& failure) {
    PublishErrorInfo(GUID_NULL, u"Registry", Utf8ToUtf16(failure.description));
    return failure.code;
}

LONG Refuse(LONG code, const std::string& description) { return Report(StoreFailure{code, description}); }

// Reads the store; a store that cannot be parsed is reported and never
// rewritten, so no key in it is lost.
bool Load(Store& store, StoreFailure& failure) {
    store.clear();
    const std::string path = StorePath();
    std::string text;
    if (!ReadStoreFile(path, text, failure)) return false;
    int line = 0;
    if (std::string why = Parse(text, store, line); !why.empty()) {
        failure = StoreFailure{ERROR_BADDB, "The registry store \"" + path + "\" cannot be parsed at line " +
                                                std::to_string(line) + ": " + why + "; it is left as it is"};
        return false;
    }
    return true;
}

bool Save(const Store& store, StoreFailure& failure) { return ReplaceStoreFile(StorePath(), Format(store), failure); }

// Texts that would break the store's line format are refused.
bool FitsOnALine(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

// The full path of hKey + subKey, or nullopt for an invalid handle.
std::optional<std::string> Resolve(HKEY hKey, LPCSTR subKey) {
    std::string base;
    if (hKey == HKEY_CLASSES_ROOT) {
        base = "";
    } else if (hKey != nullptr) {
        base = hKey->path;
    } else {
        return std::nullopt;
    }
    return Join(base, subKey != nullptr ? subKey : "");
}

HKEY NewHandle(const std::string& path) { return new (std::nothrow) RegistryKey{path}; }

// A value from the store: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, or why the
// store could not be read (reported).
LONG Lookup(const std::string& keyPath, const std::string& valueName, std::string& value) {
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store;
    if (StoreFailure failure; !Load(store, failure)) return Report(failure);
    const auto key = store.find(Lower(keyPath));
    if (key == store.end()) return ERROR_FILE_NOT_FOUND;
    const auto found = key->second.values.find(valueName);
    if (found == key->second.values.end()) return ERROR_FILE_NOT_FOUND;
    value = found->second;
    return ERROR_SUCCESS;
}

}  // namespace

std::string StorePath() {
    if (const char* configured = std::getenv("VELLUM_REGISTRY"); configured != nullptr && *configured != '\0') {
        return configured;
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
        return std::string(config) + "/vellum/registry.reg";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/vellum/registry.reg";
}

std::optional<std::string> ReadValue(const std::string& keyPath, const std::string& valueName) {
    std::string value;
    if (Lookup(keyPath, valueName, value) != ERROR_SUCCESS) return std::nullopt;
    return value;
}

LONG WriteValue(const std::string& keyPath, const char* valueName, const std::string& value) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return result;
}

}  // namespace vellum::registry

using namespace vellum::registry;

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM, void*, PHKEY phkResult,
                     DWORD* lpdwDisposition) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    const auto path = Resolve(hKey, lpSubKey);
    if (!path || path->empty()) return path ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE;
    if (!FitsOnALine(*path)) return Refuse(ERROR_INVALID_PARAMETER, "A registry key name cannot hold a line break");
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store;
    StoreFailure failure;
    if (!Load(store, failure)) return Report(failure);
    bool created = false;
    // Every key on the way is created too.
    for (std::size_t at = 0; at != std::string::npos;) {
        at = path->find('\\', at + 1);
        const std::string prefix = path->substr(0, at);
        auto [entry, inserted] = store.try_emplace(Lower(prefix));
        if (inserted) entry->second.name = prefix;
        created = created || inserted;
    }
    if (created && !Save(store, failure)) return Report(failure);
    if (lpdwDisposition != nullptr) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = NewHandle(*path);
    return *phkResult != nullptr ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    const auto path = Resolve(hKey, lpSubKey);
    if (!path) return ERROR_INVALID_HANDLE;
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store;
    if (StoreFailure failure; !Load(store, failure)) return Report(failure);
    if (!path->empty() && store.count(Lower(*path)) == 0) return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(*path);
    return *phkResult != nullptr ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    if (hKey == nullptr || hKey == HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    if (dwType != REG_SZ || (lpData == nullptr && cbData > 0)) return ERROR_INVALID_PARAMETER;
    std::string value(reinterpret_cast<const char*>(lpData), cbData);
    value = value.substr(0, value.find('\0'));  // the terminating NUL is part of cbData
    const std::string name = lpValueName != nullptr ? lpValueName : "";
    if (!FitsOnALine(name) || !FitsOnALine(value)) {
        return Refuse(ERROR_INVALID_PARAMETER, "A registry value or its name cannot hold a line break");
    }
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store;
    StoreFailure failure;
    if (!Load(store, failure)) return Report(failure);
    const auto key = store.find(Lower(hKey->path));
    if (key == store.end()) return ERROR_FILE_NOT_FOUND;
    key->second.values[name] = value;
    return Save(store, failure) ? ERROR_SUCCESS : Report(failure);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD*, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    if (hKey == nullptr || hKey == HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    std::string value;
    if (const LONG found = Lookup(hKey->path, lpValueName != nullptr ? lpValueName : "", value); found != ERROR_SUCCESS) {
        return found;
    }
    if (lpType != nullptr) *lpType = REG_SZ;
    const auto needed = static_cast<DWORD>(value.size() + 1);
    if (lpcbData == nullptr) return lpData == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    if (lpData != nullptr && *lpcbData < needed) {
        *lpcbData = needed;
        return ERROR_MORE_DATA;
    }
    if (lpData != nullptr) std::memcpy(lpData, value.c_str(), needed);
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    const auto path = Resolve(hKey, lpSubKey);
    if (!path) return ERROR_INVALID_HANDLE;
    if (path->empty()) return ERROR_INVALID_PARAMETER;
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store;
    StoreFailure failure;
    if (!Load(store, failure)) return Report(failure);
    const std::string lower = Lower(*path);
    const auto key = store.find(lower);
    if (key == store.end()) return ERROR_FILE_NOT_FOUND;
    // A key with subkeys cannot be deleted.
    const auto child = store.lower_bound(lower + "\\");
    if (child != store.end() && child->first.rfind(lower + "\\", 0) == 0) return ERROR_ACCESS_DENIED;
    store.erase(key);
    return Save(store, failure) ? ERROR_SUCCESS : Report(failure);
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == nullptr || hKey == HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    delete hKey;
    return ERROR_SUCCESS;
}
