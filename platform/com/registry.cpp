#include "registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

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

// Reads a quoted text starting at line[at]; returns the position after it.
std::size_t Unquote(const std::string& line, std::size_t at, std::string& text) {
    text.clear();
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        text += line[at];
    }
    return at + 1;
}

Store Load() {
    Store store;
    std::ifstream file(StorePath(), std::ios::binary);
    std::string line;
    Key* current = nullptr;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            std::string path = line.substr(1, line.size() - 2);
            current = nullptr;
            if (path.rfind(std::string(kRoot) + "\\", 0) != 0) continue;
            path = path.substr(kRoot.size() + 1);
            current = &store[Lower(path)];
            current->name = path;
        } else if (current != nullptr && !line.empty() && (line[0] == '@' || line[0] == '"')) {
            std::string name;
            std::size_t at = 1;
            if (line[0] == '"') at = Unquote(line, 0, name);
            if (at >= line.size() || line[at] != '=' || at + 1 >= line.size() || line[at + 1] != '"') continue;
            std::string value;
            Unquote(line, at + 1, value);
            current->values[name] = value;
        }
    }
    return store;
}

bool Save(const Store& store) {
    std::ostringstream text;
    text << kHeader << "\r\n";
    for (const auto& [lower, key] : store) {
        text << "\r\n[" << kRoot << "\\" << key.name << "]\r\n";
        for (const auto& [name, value] : key.values) {
            text << (name.empty() ? "@" : Quote(name)) << "=" << Quote(value) << "\r\n";
        }
    }
    const std::string path = StorePath();
    const auto slash = path.rfind('/');
    if (slash != std::string::npos) {
        // Create the folder chain of a fresh configuration.
        for (std::size_t at = path.find('/', 1); at != std::string::npos && at <= slash; at = path.find('/', at + 1)) {
            mkdir(path.substr(0, at).c_str(), 0755);
        }
    }
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text.str();
        if (!out.flush()) {
            unlink(temporary.c_str());
            return false;
        }
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

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
    const std::lock_guard<std::mutex> hold(StoreLock());
    const Store store = Load();
    const auto key = store.find(Lower(keyPath));
    if (key == store.end()) return std::nullopt;
    const auto value = key->second.values.find(valueName);
    if (value == key->second.values.end()) return std::nullopt;
    return value->second;
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
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store = Load();
    bool created = false;
    // Every key on the way is created too.
    for (std::size_t at = 0; at != std::string::npos;) {
        at = path->find('\\', at + 1);
        const std::string prefix = path->substr(0, at);
        auto [entry, inserted] = store.try_emplace(Lower(prefix));
        if (inserted) entry->second.name = prefix;
        created = created || inserted;
    }
    if (created && !Save(store)) return ERROR_CANTWRITE;
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
    if (!path->empty() && Load().count(Lower(*path)) == 0) return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(*path);
    return *phkResult != nullptr ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    if (hKey == nullptr || hKey == HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    if (dwType != REG_SZ || (lpData == nullptr && cbData > 0)) return ERROR_INVALID_PARAMETER;
    std::string value(reinterpret_cast<const char*>(lpData), cbData);
    value = value.substr(0, value.find('\0'));  // the terminating NUL is part of cbData
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store = Load();
    const auto key = store.find(Lower(hKey->path));
    if (key == store.end()) return ERROR_FILE_NOT_FOUND;
    key->second.values[lpValueName != nullptr ? lpValueName : ""] = value;
    return Save(store) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD*, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    if (hKey == nullptr || hKey == HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    const auto value = ReadValue(hKey->path, lpValueName != nullptr ? lpValueName : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (lpType != nullptr) *lpType = REG_SZ;
    const auto needed = static_cast<DWORD>(value->size() + 1);
    if (lpcbData == nullptr) return lpData == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    if (lpData != nullptr && *lpcbData < needed) {
        *lpcbData = needed;
        return ERROR_MORE_DATA;
    }
    if (lpData != nullptr) std::memcpy(lpData, value->c_str(), needed);
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    const auto path = Resolve(hKey, lpSubKey);
    if (!path) return ERROR_INVALID_HANDLE;
    if (path->empty()) return ERROR_INVALID_PARAMETER;
    const std::lock_guard<std::mutex> hold(StoreLock());
    Store store = Load();
    const std::string lower = Lower(*path);
    const auto key = store.find(lower);
    if (key == store.end()) return ERROR_FILE_NOT_FOUND;
    // A key with subkeys cannot be deleted.
    const auto child = store.lower_bound(lower + "\\");
    if (child != store.end() && child->first.rfind(lower + "\\", 0) == 0) return ERROR_ACCESS_DENIED;
    store.erase(key);
    return Save(store) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == nullptr || hKey == HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    delete hKey;
    return ERROR_SUCCESS;
}
