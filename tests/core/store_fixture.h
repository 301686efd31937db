// Gives each test an empty store of its own: a fresh configuration directory
// on Linux, an emptied HKCU\Software\Vantorel under Wine.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/registry_api.h"

#if !defined(_WIN32)
#include <stdlib.h>

#include <filesystem>
#endif

inline constexpr char kApplicationPath[] = "Software\\Vantorel\\com.vantorel.Tardimark";
inline constexpr char kMakerPath[] = "Software\\Vantorel";

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(_WIN32)
        RegDeleteTreeA(HKEY_CURRENT_USER, kMakerPath);
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "vt-store-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        ASSERT_EQ(setenv("XDG_CONFIG_HOME", root_.c_str(), 1), 0);
#endif
    }

    void TearDown() override {
#if defined(_WIN32)
        RegDeleteTreeA(HKEY_CURRENT_USER, kMakerPath);
#else
        // Tests may leave read-only directories behind.
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored)) {
            if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
            }
        }
        std::filesystem::remove_all(root_, ignored);
#endif
    }

    static bool KeyExists(const char* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    // Stores a value as another tool would, bypassing the stored defaults.
    static void Plant(const char* name, DWORD type, const std::vector<BYTE>& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kApplicationPath, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    struct Stored {
        LONG status = -1;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

    // Reads a value raw, as another tool would.
    static Stored Query(const char* name) {
        Stored stored;
        HKEY key = nullptr;
        stored.status = RegOpenKeyExA(HKEY_CURRENT_USER, kApplicationPath, 0, KEY_READ, &key);
        if (stored.status != ERROR_SUCCESS) return stored;
        BYTE buffer[64] = {};
        DWORD size = sizeof buffer;
        stored.status = RegQueryValueExA(key, name, nullptr, &stored.type, buffer, &size);
        if (stored.status == ERROR_SUCCESS) stored.data.assign(buffer, buffer + size);
        RegCloseKey(key);
        return stored;
    }

#if !defined(_WIN32)
    std::filesystem::path root_;  // the configuration directory, HKCU\Software
#endif
};
