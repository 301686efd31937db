#include "core/stored_defaults.h"

#include <cstring>

#include "core/registry_api.h"

namespace {

constexpr char kSoftwareKey[] = "Software";
constexpr char kMakerKey[] = "Vantorel";
constexpr char kApplicationKey[] = "com.vantorel.Tardimark";

static_assert(sizeof(float) == sizeof(DWORD), "a REG_DWORD holds one float's bit pattern");

bool CreateKey(HKEY parent, const char* name, HKEY& key) noexcept {
    DWORD disposition = 0;
    return RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                           &key, &disposition) == ERROR_SUCCESS;
}

}  // namespace

// Only keys actually obtained are closed, innermost first.
float ReadDefault(const CFString* key) noexcept {
    float result = 0.0f;
    if (key == nullptr) return result;
    HKEY software = nullptr;
    if (!CreateKey(HKEY_CURRENT_USER, kSoftwareKey, software)) return result;
    HKEY maker = nullptr;
    if (CreateKey(software, kMakerKey, maker)) {
        HKEY application = nullptr;
        if (RegOpenKeyExA(maker, kApplicationKey, 0, KEY_READ, &application) == ERROR_SUCCESS) {
            // Any type is taken, but only data of exactly 4 bytes: a shorter
            // value would leave part of the float unread.
            BYTE data[sizeof(float)] = {};
            DWORD size = sizeof data;
            const LONG status =
                RegQueryValueExA(application, key->Text().c_str(), nullptr, nullptr, data, &size);
            if (status == ERROR_SUCCESS && size == sizeof data) {
                std::memcpy(&result, data, sizeof result);
            }
            RegCloseKey(application);
        }
        RegCloseKey(maker);
    }
    RegCloseKey(software);
    return result;
}

void WriteDefault(const CFString* key, float value) noexcept {
    if (key == nullptr) return;
    HKEY software = nullptr;
    if (!CreateKey(HKEY_CURRENT_USER, kSoftwareKey, software)) return;
    HKEY maker = nullptr;
    if (CreateKey(software, kMakerKey, maker)) {
        HKEY application = nullptr;
        if (CreateKey(maker, kApplicationKey, application)) {
            // The bit pattern itself, least significant byte first, as a
            // REG_DWORD keeps it: no conversion to an integer.
            DWORD bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            const BYTE data[sizeof bits] = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                                            static_cast<BYTE>(bits >> 16),
                                            static_cast<BYTE>(bits >> 24)};
            RegSetValueExA(application, key->Text().c_str(), 0, REG_DWORD, data, sizeof data);
            RegCloseKey(application);
        }
        RegCloseKey(maker);
    }
    RegCloseKey(software);
}
