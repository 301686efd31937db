// The remembered values as the test sees them in the real store: the value
// files on Linux (under a temporary XDG_CONFIG_HOME), the registry under
// Wine. Each test starts with an empty store.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#endif

namespace testhost {

inline std::uint32_t BitsOf(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

class IsolatedStore {
public:
#if defined(_WIN32)
    IsolatedStore() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Vantorel"); }
    ~IsolatedStore() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Vantorel"); }

    // The stored DWORD, if the value exists with type REG_DWORD.
    std::optional<std::uint32_t> Bits(const char* name) const {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD type = 0, data = 0, size = sizeof(data);
        const LONG status =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || type != REG_DWORD || size != 4) return std::nullopt;
        return data;
    }

    void Seed(const char* name, float value) const {
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        const std::uint32_t bits = BitsOf(value);
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), 4);
        RegCloseKey(key);
    }

    bool MakerKeyExists() const {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vantorel", 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

private:
    static constexpr const char* kKey = "Software\\Vantorel\\com.vantorel.Tardimark";
#else
    IsolatedStore() {
        char tmpl[] = "/tmp/tardimark-store-XXXXXX";
        root_ = mkdtemp(tmpl);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) saved_ = old;
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~IsolatedStore() {
        if (saved_) {
            setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    static std::uint32_t LittleEndian(const unsigned char* b) {
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    std::string ValuePath(const char* name) const { return Dir() + "/" + name; }
    std::string Dir() const { return root_ + "/Vantorel/com.vantorel.Tardimark"; }

    // The stored DWORD: a file of a 4-byte type code 4 and 4 data bytes.
    std::optional<std::uint32_t> Bits(const char* name) const {
        std::ifstream in(ValuePath(name), std::ios::binary);
        unsigned char bytes[9];
        in.read(reinterpret_cast<char*>(bytes), 9);
        if (in.gcount() != 8) return std::nullopt;
        if (LittleEndian(bytes) != 4) return std::nullopt;
        return LittleEndian(bytes + 4);
    }

    void Seed(const char* name, float value) const {
        std::filesystem::create_directories(Dir());
        const std::uint32_t bits = BitsOf(value);
        const unsigned char bytes[8] = {4, 0, 0, 0,
                                        static_cast<unsigned char>(bits),
                                        static_cast<unsigned char>(bits >> 8),
                                        static_cast<unsigned char>(bits >> 16),
                                        static_cast<unsigned char>(bits >> 24)};
        std::ofstream(ValuePath(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes), 8);
    }

    bool MakerKeyExists() const { return std::filesystem::is_directory(root_ + "/Vantorel"); }

private:
    std::string root_;
    std::optional<std::string> saved_;
#endif
};

}  // namespace testhost
