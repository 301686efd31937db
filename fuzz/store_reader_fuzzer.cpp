// The Linux store's value reader against any value file under any value
// name: the file's bytes, its kind (a regular file, or a directory, link or
// FIFO planted under the value's name) and the name are the fuzzer's. The
// reader must answer without crashing or hanging, and exactly as a value
// is defined: a regular file of a 4-byte type code and the data, whose data
// is taken only when it fits the caller's buffer, and a float only when the
// data is exactly 4 bytes.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>

#include "temporary_store.h"
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/cftypes.h"
#include "core/file_registry.h"
#include "core/stored_defaults.h"

namespace fs = std::filesystem;

namespace {

constexpr char kApplicationPath[] = "Software\\Vantorel\\com.vantorel.Tardimark";
constexpr std::size_t kTypeSize = 4;


[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "store reader fuzzer: %s\n", what);
    std::abort();
}

fs::path ApplicationDirectory() { return fuzzstore::Root() / "Vantorel" / "com.vantorel.Tardimark"; }

// The one entry of the application key's directory: the file the store
// made for the value name, found without knowing how names are spelled.
fs::path OnlyEntry() {
    fs::path found;
    int count = 0;
    for (const auto& entry : fs::directory_iterator(ApplicationDirectory())) {
        found = entry.path();
        ++count;
    }
    if (count != 1) Fail("a written value is not exactly one file");
    return found;
}

enum class Kind { kFile, kDirectory, kDanglingLink, kLinkToFile, kFifo, kLastKind = kFifo };

// Replaces the value's file with what the fuzzer chose; true when the
// result is a value the reader may take (a regular file, or a link to one).
bool Plant(const fs::path& path, Kind kind, const std::vector<std::uint8_t>& content) {
    fs::remove(path);
    auto writeFile = [&](const fs::path& target) {
        const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) Fail("cannot plant the value file");
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t put = write(fd, content.data() + done, content.size() - done);
            if (put <= 0) Fail("cannot plant the value file");
            done += static_cast<std::size_t>(put);
        }
        close(fd);
    };
    switch (kind) {
        case Kind::kFile: writeFile(path); return true;
        case Kind::kDirectory: fs::create_directory(path); return false;
        case Kind::kDanglingLink: fs::create_symlink(fuzzstore::Root() / "nowhere", path); return false;
        case Kind::kLinkToFile: {
            const fs::path target = fuzzstore::Root() / "target";
            writeFile(target);
            fs::create_symlink(target, path);
            return true;
        }
        case Kind::kFifo:
            if (mkfifo(path.c_str(), 0600) != 0) Fail("cannot plant a FIFO");
            return false;
    }
    return false;
}

std::uint32_t LittleEndian(const std::uint8_t* b) {
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// One query with a buffer of `capacity` bytes, checked against the content.
void CheckQuery(HKEY key, const char* name, bool isValue, const std::vector<std::uint8_t>& content,
                DWORD capacity) {
    std::vector<BYTE> buffer(capacity + 1, 0xA5);  // one guard byte behind the capacity
    DWORD size = capacity;
    DWORD type = 0xFFFFFFFFu;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &size);
    if (buffer[capacity] != 0xA5) Fail("query wrote past the buffer");
    if (!isValue || content.size() < kTypeSize) {
        if (status == ERROR_SUCCESS) Fail("a non-value was read as a value");
        return;
    }
    const std::size_t dataSize = content.size() - kTypeSize;
    if (dataSize > capacity) {
        if (status != ERROR_MORE_DATA || size != dataSize) Fail("oversized data not refused");
        return;
    }
    if (status != ERROR_SUCCESS) Fail("a whole value was not read");
    if (size != dataSize || type != LittleEndian(content.data()) ||
        std::memcmp(buffer.data(), content.data() + kTypeSize, dataSize) != 0)
        Fail("a value read back differently");
}


}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    fuzzstore::UseTemporaryStore("tardimark-store-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const auto kind =
        static_cast<Kind>(data.ConsumeIntegralInRange<int>(0, static_cast<int>(Kind::kLastKind)));
    const auto capacity = data.ConsumeIntegralInRange<DWORD>(0, 16);
    // Value names hold no NUL; any other byte is allowed.
    const std::string name = data.ConsumeRandomLengthString(300);
    const char* const cname = name.c_str();
    const std::vector<std::uint8_t> content = data.ConsumeRemainingBytes<std::uint8_t>();

    // The key's directory is kept; only the previous input's entries go.
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(ApplicationDirectory(), ignored))
        fs::remove_all(entry.path(), ignored);
    fs::remove(fuzzstore::Root() / "target", ignored);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kApplicationPath, 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        Fail("cannot make the application key");

    // The store makes the file for the name; a name it refuses has none.
    const BYTE placeholder[4] = {};
    const CFString keyName(cname);
    if (RegSetValueExA(key, cname, 0, REG_DWORD, placeholder, sizeof placeholder) !=
        ERROR_SUCCESS) {
        if (ReadDefault(&keyName) != 0.0f) Fail("a refused name read as a value");
        RegCloseKey(key);
        return 0;
    }
    const bool isValue = Plant(OnlyEntry(), kind, content);

    CheckQuery(key, cname, isValue, content, capacity);
    CheckQuery(key, cname, isValue, content, 4);
    // Without a buffer the query only reports the size.
    DWORD needed = 0;
    const LONG sized = RegQueryValueExA(key, cname, nullptr, nullptr, nullptr, &needed);
    if (isValue && content.size() >= kTypeSize) {
        if (sized != ERROR_SUCCESS || needed != content.size() - kTypeSize)
            Fail("size query differs from the value file");
    } else if (sized == ERROR_SUCCESS) {
        Fail("a non-value was sized as a value");
    }

    // The stored default: the 4 data bytes of a whole value, else 0.0.
    std::uint32_t expected = 0;
    if (isValue && content.size() == kTypeSize + 4) expected = LittleEndian(content.data() + 4);
    const float read = ReadDefault(&keyName);
    std::uint32_t bits;
    std::memcpy(&bits, &read, sizeof bits);
    if (bits != expected) Fail("stored default differs from the value file");
    RegCloseKey(key);
    return 0;
}
