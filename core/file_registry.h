// The per-user store where the Windows registry does not exist: the five
// registry operations the stored defaults use, under their Win32 names and
// signatures, with the same results, kept in files.
//
// Layout: HKEY_CURRENT_USER\Software is the user's configuration directory,
// $XDG_CONFIG_HOME when set and absolute, else $HOME/.config. Every key below
// it is a directory. Every value is one regular file named after the value:
// the type code as 4 bytes little-endian, then the data bytes. So
// HKCU\Software\Vantorel\com.vantorel.Tardimark, value "Seconds" = 1.0 as a
// REG_DWORD, is ~/.config/Vantorel/com.vantorel.Tardimark/Seconds holding
// 04 00 00 00 00 00 80 3F.
//
// File names: bytes other than A-Z a-z 0-9 '-' '_' '.', and a leading '.',
// are written %XX (upper-case hex), so that no name leaves its key's
// directory and none is a hidden file; the empty name is the file "%". Key
// paths are split at '\'. Names are compared byte for byte, case-sensitive.
// Names whose file name would exceed the file system's limit are refused.
//
// Writes are atomic: the value is written to a temporary file in the same
// directory (a name with a leading '.', which no value has) and renamed over
// the old one, so that concurrent readers and writers, in any process, see
// the old value or the new one, whole; the last rename wins. There is no
// fsync: a value lost in a power cut leaves the old value or none, and the
// store is a convenience, not a record.
//
// Access masks, class, options and security attributes are accepted and not
// enforced. Every operation is [any thread], allocates nothing and throws
// nothing; a key handle is the key directory's descriptor, and must be closed.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using REGSAM = DWORD;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPCSTR = const char*;
using LPSTR = char*;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// A handle that is always open and never needs closing.
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_OUTOFMEMORY = 14;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_DISK_FULL = 112;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_BADDB = 1009;  // a value file that is not a value
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;

// Opens the subkey, making each missing level (the configuration directory
// itself too, but never its parent). The disposition, when asked for, tells
// whether the last level was made.
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD lpdwDisposition) noexcept;

// Opens an existing subkey; never makes one.
LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) noexcept;

// On success *lpcbData is the data's size, which may be less than the
// buffer; data longer than *lpcbData fails with ERROR_MORE_DATA and sets
// *lpcbData to the size needed. Without lpData it only reports the size.
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) noexcept;

// Creates or replaces the value atomically; a failure leaves the old value.
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) noexcept;

LONG RegCloseKey(HKEY hKey) noexcept;
