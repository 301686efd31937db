// The registry traffic of the stored defaults, against a scripted fake of
// the five operations: which keys are made, opened and closed, in what
// order, and what happens when a step fails.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/file_registry.h"
#include "core/stored_defaults.h"

namespace {

struct Fake {
    std::vector<std::string> calls;
    std::string failing;  // the call, as recorded, that answers an error
    DWORD querySize = 4;  // the size a successful query reports
    int handles = 0;
};
Fake gFake;

std::string NameOf(HKEY key) {
    if (key == HKEY_CURRENT_USER) return "HKCU";
    return "k" + std::to_string(reinterpret_cast<std::uintptr_t>(key));
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

LONG Record(const std::string& call) {
    gFake.calls.push_back(call);
    return call == gFake.failing ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

LONG Open(const std::string& call, PHKEY result) {
    *result = nullptr;
    const LONG status = Record(call);
    if (status == ERROR_SUCCESS) {
        *result = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(++gFake.handles));
    }
    return status;
}

}  // namespace

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD /*lpdwDisposition*/) noexcept {
    const bool plain =
        Reserved == 0 && lpClass == nullptr && dwOptions == 0 && lpSecurityAttributes == nullptr;
    return Open("create " + NameOf(hKey) + " " + lpSubKey + " " + Hex(samDesired) +
                    (plain ? "" : " (odd arguments)"),
                phkResult);
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) noexcept {
    return Open("open " + NameOf(hKey) + " " + lpSubKey + " " + Hex(samDesired) +
                    (ulOptions == 0 ? "" : " (odd options)"),
                phkResult);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) noexcept {
    const bool plain = lpReserved == nullptr && lpType == nullptr && lpData != nullptr;
    const LONG status = Record("query " + NameOf(hKey) + " " + lpValueName + " size " +
                               std::to_string(*lpcbData) + (plain ? "" : " (odd arguments)"));
    if (status == ERROR_SUCCESS) {
        // 1.0 in full; a short answer leaves the surplus bytes as a trap.
        const BYTE one[4] = {0x00, 0x00, 0x80, 0x3F};
        std::memcpy(lpData, one, 4);
        *lpcbData = gFake.querySize;
    }
    return status;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) noexcept {
    std::string bytes;
    for (DWORD i = 0; i < cbData; ++i) bytes += " " + Hex(lpData[i]);
    return Record("set " + NameOf(hKey) + " " + lpValueName + " type " + std::to_string(dwType) +
                  bytes + (Reserved == 0 ? "" : " (odd reserved)"));
}

LONG RegCloseKey(HKEY hKey) noexcept { return Record("close " + NameOf(hKey)); }

namespace {

using Calls = std::vector<std::string>;

class StoredDefaultsCalls : public ::testing::Test {
protected:
    void SetUp() override { gFake = Fake{}; }
    const CFString seconds_{"Seconds"};
};

TEST_F(StoredDefaultsCalls, ReadMakesTwoLevelsAndOnlyOpensTheThird) {
    struct Case {
        const char* failing;
        Calls expected;
        float result;
    };
    const Case cases[] = {
        {"",
         {"create HKCU Software 20006", "create k1 Vantorel 20006",
          "open k2 com.vantorel.Tardimark 20019", "query k3 Seconds size 4", "close k3", "close k2",
          "close k1"},
         1.0f},
        {"create HKCU Software 20006", {"create HKCU Software 20006"}, 0.0f},
        {"create k1 Vantorel 20006",
         {"create HKCU Software 20006", "create k1 Vantorel 20006", "close k1"},
         0.0f},
        {"open k2 com.vantorel.Tardimark 20019",
         {"create HKCU Software 20006", "create k1 Vantorel 20006",
          "open k2 com.vantorel.Tardimark 20019", "close k2", "close k1"},
         0.0f},
        {"query k3 Seconds size 4",
         {"create HKCU Software 20006", "create k1 Vantorel 20006",
          "open k2 com.vantorel.Tardimark 20019", "query k3 Seconds size 4", "close k3", "close k2",
          "close k1"},
         0.0f},
    };
    for (const Case& c : cases) {
        gFake = Fake{};
        gFake.failing = c.failing;
        EXPECT_EQ(ReadDefault(&seconds_), c.result) << "failing: " << c.failing;
        EXPECT_EQ(gFake.calls, c.expected) << "failing: " << c.failing;
    }
}

TEST_F(StoredDefaultsCalls, ReadTakesOnlyFourBytesOfData) {
    for (const DWORD size : {0u, 1u, 3u}) {
        gFake = Fake{};
        gFake.querySize = size;
        EXPECT_EQ(ReadDefault(&seconds_), 0.0f) << "size " << size;
    }
}

TEST_F(StoredDefaultsCalls, WriteMakesThreeLevelsAndClosesWhatItGot) {
    const Calls full = {"create HKCU Software 20006",
                        "create k1 Vantorel 20006",
                        "create k2 com.vantorel.Tardimark 20006",
                        "set k3 Seconds type 4 0 0 80 3F",
                        "close k3",
                        "close k2",
                        "close k1"};
    struct Case {
        const char* failing;
        Calls expected;
    };
    const Case cases[] = {
        {"", full},
        {"create HKCU Software 20006", {full[0]}},
        {"create k1 Vantorel 20006", {full[0], full[1], "close k1"}},
        {"create k2 com.vantorel.Tardimark 20006",
         {full[0], full[1], full[2], "close k2", "close k1"}},
        {"set k3 Seconds type 4 0 0 80 3F", full},
    };
    for (const Case& c : cases) {
        gFake = Fake{};
        gFake.failing = c.failing;
        WriteDefault(&seconds_, 1.0f);
        EXPECT_EQ(gFake.calls, c.expected) << "failing: " << c.failing;
    }
}

}  // namespace
