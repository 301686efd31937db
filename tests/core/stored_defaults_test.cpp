// The stored defaults through the real backend: the registry under Wine, the
// file store on Linux. Values are checked both through ReadDefault and raw,
// as another tool sees them.
#include "core/stored_defaults.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/core/store_fixture.h"

namespace {

std::uint32_t BitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::vector<BYTE> LittleEndian(std::uint32_t bits) {
    return {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits >> 16),
            static_cast<BYTE>(bits >> 24)};
}

using StoredDefaults = StoreTest;

TEST_F(StoredDefaults, FirstReadsGiveZeroAndMakeTheMakerKeyOnly) {
    for (const char* name : {"Samples", "Seconds", "SamplesOrSeconds"}) {
        const CFString key(name);
        EXPECT_EQ(BitsOf(ReadDefault(&key)), BitsOf(0.0f)) << name;
    }
    EXPECT_TRUE(KeyExists(kMakerPath));
    EXPECT_FALSE(KeyExists(kApplicationPath));
}

TEST_F(StoredDefaults, WriteStoresTheBitPatternAsADword) {
    const CFString seconds("Seconds");
    WriteDefault(&seconds, 1.0f);

    const Stored stored = Query("Seconds");
    ASSERT_EQ(stored.status, ERROR_SUCCESS);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored.data, (std::vector<BYTE>{0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(ReadDefault(&seconds), 1.0f);
}

TEST_F(StoredDefaults, ValuesReadBackBitForBitAndTheLastWriteWins) {
    const CFString samples("Samples");
    const CFString other("SamplesOrSeconds");
    WriteDefault(&other, 1.0f);
    // In writing order: each overwrites the one before.
    const float values[] = {4096.0f, 0.0f, -0.0f, 0.5f, 1e-45f, -3.25f, 1.0e38f};
    for (const float value : values) {
        WriteDefault(&samples, value);
        EXPECT_EQ(BitsOf(ReadDefault(&samples)), BitsOf(value)) << value;
        EXPECT_EQ(Query("Samples").data, LittleEndian(BitsOf(value))) << value;
    }
    EXPECT_EQ(ReadDefault(&other), 1.0f);  // other names untouched
}

// Values stored by another tool: any 4 bytes are a float bit pattern,
// whatever their type; any other size reads as 0.0.
TEST_F(StoredDefaults, ForeignValuesAreTakenOnlyWhenTheirDataIsFourBytes) {
    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        std::uint32_t expectedBits;
    };
    const Case cases[] = {
        {"the integer 512 as a DWORD: about 7.2e-43", REG_DWORD, LittleEndian(512), 0x00000200},
        {"4 raw bytes", REG_BINARY, {0x00, 0x00, 0x80, 0x3F}, 0x3F800000},
        {"3 characters and terminator", REG_SZ, {'a', 'b', 'c', 0}, 0x00636261},
        {"5 raw bytes", REG_BINARY, {0x00, 0x00, 0x80, 0x3F, 0x01}, 0},
        {"8 raw bytes", REG_BINARY, {0, 0, 0x80, 0x3F, 0, 0, 0x80, 0x3F}, 0},
        // Shorter data must not be padded with whatever the buffer held.
        {"3 raw bytes", REG_BINARY, {0x01, 0x80, 0x3F}, 0},
        {"1 raw byte", REG_BINARY, {0x3F}, 0},
        {"no data", REG_BINARY, {}, 0},
    };
    for (const Case& c : cases) {
        Plant("Seconds", c.type, c.data);
        const CFString seconds("Seconds");
        EXPECT_EQ(BitsOf(ReadDefault(&seconds)), c.expectedBits) << c.what;
    }
}

TEST_F(StoredDefaults, MissingValuesReadAsZero) {
    const CFString seconds("Seconds");
    const CFString samples("Samples");
    WriteDefault(&seconds, 1.0f);
    EXPECT_EQ(BitsOf(ReadDefault(&samples)), BitsOf(0.0f));
    EXPECT_EQ(ReadDefault(nullptr), 0.0f);
    WriteDefault(nullptr, 2.0f);  // dropped
    EXPECT_EQ(ReadDefault(&seconds), 1.0f);
}

}  // namespace
