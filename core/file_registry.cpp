#include "core/file_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kSoftware[] = "Software";
constexpr char kKeySeparator = '\\';
constexpr std::size_t kTypeSize = 4;

// One directory entry's name, terminator included.
using FileName = char[NAME_MAX + 1];
using Path = char[PATH_MAX];

// A key handle is its directory's descriptor plus one, so no handle is null
// and none equals HKEY_CURRENT_USER (descriptors stay below INT_MAX).
HKEY HandleOf(int fd) noexcept {
    return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(fd) + 1);
}

int DescriptorOf(HKEY key) noexcept {
    const auto raw = reinterpret_cast<std::uintptr_t>(key);
    if (raw == 0 || raw - 1 > static_cast<std::uintptr_t>(INT_MAX)) return -1;
    return static_cast<int>(raw - 1);
}

LONG StatusOf(int error) noexcept {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP: return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EEXIST: return ERROR_ACCESS_DENIED;
        case ENAMETOOLONG: return ERROR_INVALID_PARAMETER;
        case ENOMEM: return ERROR_OUTOFMEMORY;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        default: return ERROR_CANTWRITE;
    }
}

bool IsPlainByte(unsigned char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

// The file name of the name [begin, end): unsafe bytes and a leading '.'
// become %XX, the empty name becomes "%" (no escaped name is a lone '%').
// False when the result does not fit a directory entry.
bool EscapeName(const char* begin, const char* end, FileName& out) noexcept {
    static constexpr char kHex[] = "0123456789ABCDEF";
    constexpr std::size_t kLimit = sizeof(FileName) - 1;
    std::size_t length = 0;
    if (begin == end) out[length++] = '%';
    for (const char* p = begin; p != end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (IsPlainByte(c) && !(p == begin && c == '.')) {
            if (length + 1 > kLimit) return false;
            out[length++] = static_cast<char>(c);
        } else {
            if (length + 3 > kLimit) return false;
            out[length++] = '%';
            out[length++] = kHex[c >> 4];
            out[length++] = kHex[c & 0xF];
        }
    }
    out[length] = '\0';
    return true;
}

bool EscapeName(const char* name, FileName& out) noexcept {
    if (name == nullptr) name = "";  // a null value name is the empty name
    return EscapeName(name, name + std::strlen(name), out);
}

// HKEY_CURRENT_USER\Software: $XDG_CONFIG_HOME when set and absolute, else
// $HOME/.config; null when neither can be had.
const char* ConfigDirectory(Path& buffer) noexcept {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return nullptr;
    static constexpr char kConfig[] = "/.config";
    const std::size_t length = std::strlen(home);
    if (length + sizeof kConfig > sizeof buffer) return nullptr;
    std::memcpy(buffer, home, length);
    std::memcpy(buffer + length, kConfig, sizeof kConfig);
    return buffer;
}

// Opens the directory `name` under `parent` (or an absolute path with
// AT_FDCWD) as a path-only descriptor; with `create`, makes it first when it
// is missing. A race with another maker is no failure.
LONG OpenDirectory(int parent, const char* name, bool create, mode_t mode, int& fd,
                   bool& created) noexcept {
    constexpr int kFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    fd = openat(parent, name, kFlags);
    if (fd >= 0) return ERROR_SUCCESS;
    if (errno != ENOENT || !create) return StatusOf(errno);
    if (mkdirat(parent, name, mode) == 0) {
        created = true;
    } else if (errno != EEXIST) {
        return StatusOf(errno);
    }
    fd = openat(parent, name, kFlags);
    return fd >= 0 ? ERROR_SUCCESS : StatusOf(errno);
}

// The walk shared by RegCreateKeyExA and RegOpenKeyExA: one directory per
// level of the subkey path, each intermediate descriptor closed on the way.
LONG OpenKey(HKEY parent, LPCSTR subKey, bool create, PHKEY result, LPDWORD disposition) noexcept {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const char* rest = subKey != nullptr ? subKey : "";
    while (*rest == kKeySeparator) ++rest;
    int current = -1;  // the level reached, owned here
    int base = -1;     // what the first component is relative to
    bool created = false;

    if (parent == HKEY_CURRENT_USER) {
        if (*rest == '\0') {
            *result = HKEY_CURRENT_USER;
            if (disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
            return ERROR_SUCCESS;
        }
        // Only HKCU\Software exists here: the configuration directory.
        const std::size_t length = std::strcspn(rest, "\\");
        if (length != sizeof kSoftware - 1 || std::memcmp(rest, kSoftware, length) != 0) {
            return create ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        }
        rest += length;
        Path buffer;
        const char* directory = ConfigDirectory(buffer);
        if (directory == nullptr) return ERROR_FILE_NOT_FOUND;
        // The configuration directory is private to the user (0700).
        const LONG status = OpenDirectory(AT_FDCWD, directory, create, 0700, current, created);
        if (status != ERROR_SUCCESS) return status;
    } else {
        base = DescriptorOf(parent);
        if (base < 0) return ERROR_INVALID_HANDLE;
    }

    for (;;) {
        while (*rest == kKeySeparator) ++rest;
        if (*rest == '\0') break;
        const char* end = rest + std::strcspn(rest, "\\");
        FileName name;
        if (!EscapeName(rest, end, name)) {
            if (current >= 0) close(current);
            return ERROR_INVALID_PARAMETER;
        }
        int next = -1;
        created = false;
        const LONG status =
            OpenDirectory(current >= 0 ? current : base, name, create, 0777, next, created);
        if (current >= 0) close(current);
        if (status != ERROR_SUCCESS) return status;
        current = next;
        rest = end;
    }

    if (current < 0) {
        // No subkey: a second handle to the parent key itself.
        current = openat(base, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (current < 0) return StatusOf(errno);
    }
    *result = HandleOf(current);
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return ERROR_SUCCESS;
}

// Fills `type` and then `data` from the start of the file, exactly.
bool ReadExactly(int fd, BYTE (&type)[kTypeSize], BYTE* data, std::size_t size) noexcept {
    std::size_t done = 0;
    while (done < kTypeSize + size) {
        iovec parts[2];
        int count = 0;
        if (done < kTypeSize) parts[count++] = {type + done, kTypeSize - done};
        const std::size_t dataDone = done < kTypeSize ? 0 : done - kTypeSize;
        if (dataDone < size) parts[count++] = {data + dataDone, size - dataDone};
        const ssize_t got = readv(fd, parts, count);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteExactly(int fd, const BYTE (&type)[kTypeSize], const BYTE* data,
                  std::size_t size) noexcept {
    std::size_t done = 0;
    while (done < kTypeSize + size) {
        iovec parts[2];
        int count = 0;
        // writev takes non-const bases; nothing is written through them.
        if (done < kTypeSize) parts[count++] = {const_cast<BYTE*>(type) + done, kTypeSize - done};
        const std::size_t dataDone = done < kTypeSize ? 0 : done - kTypeSize;
        if (dataDone < size) parts[count++] = {const_cast<BYTE*>(data) + dataDone, size - dataDone};
        const ssize_t put = writev(fd, parts, count);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// ".tmp.<pid>.<n>", hex: the leading '.' keeps it apart from every value's
// file name; the process id and a per-process counter keep concurrent
// writers apart, and O_EXCL settles any leftover from a dead process.
void TemporaryName(FileName& out) noexcept {
    static std::atomic<std::uint32_t> counter{0};
    static constexpr char kHex[] = "0123456789abcdef";
    const auto pid = static_cast<std::uint32_t>(getpid());
    const std::uint32_t serial = counter.fetch_add(1, std::memory_order_relaxed);
    static constexpr char kPrefix[] = ".tmp.";
    std::size_t length = sizeof kPrefix - 1;
    std::memcpy(out, kPrefix, length);
    for (int shift = 28; shift >= 0; shift -= 4) out[length++] = kHex[(pid >> shift) & 0xF];
    out[length++] = '.';
    for (int shift = 28; shift >= 0; shift -= 4) out[length++] = kHex[(serial >> shift) & 0xF];
    out[length] = '\0';
}

}  // namespace

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR /*lpClass*/,
                     DWORD /*dwOptions*/, REGSAM /*samDesired*/,
                     LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                     LPDWORD lpdwDisposition) noexcept {
    return OpenKey(hKey, lpSubKey, true, phkResult, lpdwDisposition);
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM /*samDesired*/,
                   PHKEY phkResult) noexcept {
    return OpenKey(hKey, lpSubKey, false, phkResult, nullptr);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD /*lpReserved*/, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) noexcept {
    if (hKey == HKEY_CURRENT_USER) return ERROR_FILE_NOT_FOUND;  // holds no values here
    const int directory = DescriptorOf(hKey);
    if (directory < 0) return ERROR_INVALID_HANDLE;
    if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
    FileName name;
    if (!EscapeName(lpValueName, name)) return ERROR_FILE_NOT_FOUND;

    // O_NONBLOCK: a FIFO planted under a value's name must not hang the open.
    const int fd = openat(directory, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return StatusOf(errno);
    LONG status = ERROR_SUCCESS;
    // Values are replaced by rename, never changed in place, so the size
    // seen here is the size of what is read next.
    struct stat info;
    if (fstat(fd, &info) != 0) {
        status = ERROR_CANTREAD;
    } else if (!S_ISREG(info.st_mode) || info.st_size < static_cast<off_t>(kTypeSize)) {
        status = ERROR_BADDB;
    } else if (info.st_size - static_cast<off_t>(kTypeSize) > static_cast<off_t>(UINT32_MAX)) {
        status = ERROR_BADDB;
    } else {
        const auto size = static_cast<DWORD>(info.st_size - static_cast<off_t>(kTypeSize));
        const DWORD capacity = lpcbData != nullptr ? *lpcbData : 0;
        BYTE type[kTypeSize];
        if (lpData != nullptr && size > capacity) {
            status = ERROR_MORE_DATA;
        } else if (!ReadExactly(fd, type, lpData, lpData != nullptr ? size : 0)) {
            status = ERROR_CANTREAD;
        } else if (lpType != nullptr) {
            *lpType = static_cast<DWORD>(type[0]) | static_cast<DWORD>(type[1]) << 8 |
                      static_cast<DWORD>(type[2]) << 16 | static_cast<DWORD>(type[3]) << 24;
        }
        if ((status == ERROR_SUCCESS || status == ERROR_MORE_DATA) && lpcbData != nullptr) {
            *lpcbData = size;
        }
    }
    close(fd);
    return status;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                    const BYTE* lpData, DWORD cbData) noexcept {
    if (hKey == HKEY_CURRENT_USER) return ERROR_ACCESS_DENIED;
    const int directory = DescriptorOf(hKey);
    if (directory < 0) return ERROR_INVALID_HANDLE;
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    FileName name;
    if (!EscapeName(lpValueName, name)) return ERROR_INVALID_PARAMETER;

    FileName temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        TemporaryName(temporary);
        fd = openat(directory, temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return StatusOf(errno);
    }
    if (fd < 0) return ERROR_CANTWRITE;

    const BYTE type[kTypeSize] = {static_cast<BYTE>(dwType), static_cast<BYTE>(dwType >> 8),
                                  static_cast<BYTE>(dwType >> 16), static_cast<BYTE>(dwType >> 24)};
    LONG status = ERROR_SUCCESS;
    if (!WriteExactly(fd, type, lpData, cbData)) status = StatusOf(errno);
    // close reports late write errors on some file systems.
    if (close(fd) != 0 && status == ERROR_SUCCESS) status = StatusOf(errno);
    if (status == ERROR_SUCCESS && renameat(directory, temporary, directory, name) != 0) {
        status = StatusOf(errno);
    }
    if (status != ERROR_SUCCESS) unlinkat(directory, temporary, 0);
    return status;
}

LONG RegCloseKey(HKEY hKey) noexcept {
    if (hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    const int fd = DescriptorOf(hKey);
    if (fd < 0) return ERROR_INVALID_HANDLE;
    // Linux frees the descriptor even when close reports an error.
    close(fd);
    return ERROR_SUCCESS;
}
