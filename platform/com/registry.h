// The registry: a small hierarchical key store kept in a text file in the
// registry-export format ("Windows Registry Editor Version 5.00"). Only
// HKEY_CLASSES_ROOT and string values exist here. The file lives at
// $VELLUM_REGISTRY, else $XDG_CONFIG_HOME/vellum/registry.reg, else
// ~/.config/vellum/registry.reg; every change replaces it atomically.
// A store that is not a regular file, is larger than 16 MB or cannot be
// parsed is refused, never rewritten; every failing call files error
// information whose description names the store and the reason.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "types.h"

struct RegistryKey;
using HKEY = RegistryKey*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_OUTOFMEMORY = 14;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;

inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
inline constexpr REGSAM KEY_READ = 0x20019;

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     void* lpSecurityAttributes, PHKEY phkResult, DWORD* lpdwDisposition);
LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                      DWORD* lpcbData);
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
LONG RegCloseKey(HKEY hKey);

namespace vellum::registry {

// Where the store is kept, as described above.
std::string StorePath();

// A key's default ("") or named string value, or nullopt; path below
// HKEY_CLASSES_ROOT, its parts separated by '\'.
std::optional<std::string> ReadValue(const std::string& keyPath, const std::string& valueName = "");

// Creates the key (and those above it) and sets a string value; null name
// for the default value. ERROR_SUCCESS or the registry's error.
LONG WriteValue(const std::string& keyPath, const char* valueName, const std::string& value);

}  // namespace vellum::registry
