// Parameter conversions and texts: normalised ↔ plain per unit, and the
// display's fallback order from value strings to property text to number.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>
#include <string>

#include "framework_test_effect.h"

namespace fwtest {
namespace {

struct ConversionCase {
    const char* name;
    std::int32_t unit;
    float min, max;
    float normalized;
    double plain;
};
inline std::ostream& operator<<(std::ostream& os, const ConversionCase& c) { return os << c.name; }


class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, DenormalizesWithoutClamping) {
    const ConversionCase& c = GetParam();
    const ParamInfo row{"p", c.unit, c.min, c.max, 0.0f};
    EXPECT_NEAR(DenormalizeParameter(row, c.normalized), c.plain, 1e-9 * (1.0 + std::fabs(c.plain)));
}

// Units without their own treatment, and codes outside 0..24, are linear.
INSTANTIATE_TEST_SUITE_P(
    Units, Conversion,
    ::testing::Values(
        ConversionCase{"IndexedHalf", 1, 0, 4096, 0.5f, 2048},
        ConversionCase{"IndexedRoundsDown", 1, 0, 4096, 0.00012f, 0},
        ConversionCase{"IndexedRoundsUp", 1, 0, 4096, 0.000123f, 1},
        ConversionCase{"IndexedModeBelowHalf", 1, 0, 1, 0.49f, 0},
        ConversionCase{"IndexedModeHalfGoesUp", 1, 0, 1, 0.5f, 1},
        ConversionCase{"IndexedNegativeHalfGoesUp", 1, -5, 5, 0.25f, -2},
        ConversionCase{"IndexedPositiveHalfGoesUp", 1, -5, 5, 0.75f, 3},
        ConversionCase{"BeatsRounds", 23, 0, 10, 0.25f, 3},
        ConversionCase{"BooleanNotRounded", 2, 0, 1, 0.3f, static_cast<double>(0.3f)},
        ConversionCase{"Seconds", 4, 0, 1, 0.25f, 0.25},
        ConversionCase{"HertzExponential", 8, 20, 20000, 0.5f, 632.45553203367586},
        ConversionCase{"LinearAboveOne", 0, 0, 1, 2.0f, 2.0},
        ConversionCase{"LinearBelowZero", 3, 0, 100, -0.5f, -50.0},
        ConversionCase{"IndexedAboveOne", 1, 0, 4096, 1.5f, 6144},
        ConversionCase{"UnknownCodeIsLinear", 99, 10, 20, 0.5f, 15},
        ConversionCase{"NegativeCodeIsLinear", -1, 10, 20, 0.5f, 15}),
    [](const auto& tp) { return std::string(tp.param.name); });

TEST(Normalize, InvertsTheConversions) {
    const ParamInfo indexed{"p", 1, 0, 4096, 0};
    EXPECT_EQ(NormalizeParameter(indexed, 1000.0f), 0.244140625);
    EXPECT_EQ(DenormalizeParameter(indexed, static_cast<float>(NormalizeParameter(indexed, 1000.0f))),
              1000.0);
    const ParamInfo hertz{"p", 8, 20, 20000, 0};
    const auto plain = static_cast<float>(DenormalizeParameter(hertz, 0.5f));
    EXPECT_NEAR(NormalizeParameter(hertz, plain), 0.5, 1e-7);
    const ParamInfo linear{"p", 0, 0, 1, 0};
    EXPECT_EQ(NormalizeParameter(linear, 3.0f), 3.0);  // not clamped
}

TEST(Normalize, EqualMinAndMaxAnswersMin) {
    const ParamInfo flat{"p", 0, 7, 7, 7};
    for (float v : {-1.0f, 0.0f, 7.0f, 1e6f}) EXPECT_EQ(NormalizeParameter(flat, v), 7.0);
}

constexpr std::array<ParamInfo, kNumParams> kTable = {{
    {"Samples", 1, 0, 4096, 0},
    {"Seconds", 4, 0, 1, 0},
    {"Samples Or Seconds", 1, 0, 1, 0},
}};

std::array<ParamInfo, kNumParams> TableWith(std::int32_t unit, float min = 0, float max = 1) {
    return {{{"First", unit, min, max, 0}, {"Second", 0, 0, 1, 0}, {"Third", 0, 0, 1, 0}}};
}

// Display of parameter 0 holding plain value v, the hooks as given.
std::string Display(FrameworkEffect& fx, float v) {
    fx.CurrentProgram().SetValue(0, v);
    char text[64];
    std::memset(text, 'x', sizeof(text));
    fx.getParameterDisplay(0, text);
    EXPECT_NE(std::memchr(text, 0, 25), nullptr) << "display not terminated within 24 bytes";
    return text;
}

struct DisplayCase {
    const char* name;
    std::int32_t unit;
    float plain;
    Hook valueStrings;
    Hook property;
    const char* text;
};
inline std::ostream& operator<<(std::ostream& os, const DisplayCase& c) { return os << c.name; }


class DisplayText : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayText, FollowsTheFallbackOrder) {
    const DisplayCase& c = GetParam();
    const auto table = TableWith(c.unit, -10000, 10000);
    FrameworkEffect fx(table);
    fx.valueStrings = c.valueStrings;
    fx.property = c.property;
    EXPECT_EQ(Display(fx, c.plain), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Units, DisplayText,
    ::testing::Values(
        DisplayCase{"IndexedValueString0", 1, 0, Hook::Answer, Hook::Answer, "Samples"},
        DisplayCase{"IndexedValueString1", 1, 1, Hook::Answer, Hook::Refuse, "Seconds"},
        DisplayCase{"IndexedTruncatesToElement", 1, 1.9f, Hook::Answer, Hook::Refuse, "Seconds"},
        DisplayCase{"IndexedPropertyWhenStringsRefused", 1, 0, Hook::Refuse, Hook::Answer, "prop"},
        DisplayCase{"IndexedIntegerWhenBothRefuse", 1, 2048, Hook::Refuse, Hook::Refuse, "2048"},
        DisplayCase{"IndexedElementBeyondArray", 1, 2, Hook::Answer, Hook::Refuse, "2"},
        DisplayCase{"IndexedNegativeElement", 1, -1, Hook::Answer, Hook::Refuse, "-1"},
        DisplayCase{"IndexedLongValueString", 1, 0, Hook::LongString, Hook::Refuse, "0"},
        DisplayCase{"IndexedLongValueStringThenProperty", 1, 0, Hook::LongString, Hook::Answer,
                    "prop"},
        DisplayCase{"IndexedStringsOutOfMemory", 1, 1, Hook::OutOfMemory, Hook::Refuse, "1"},
        DisplayCase{"IndexedIntegerCutTo7Characters", 1, -9999999.0f, Hook::Refuse, Hook::Refuse,
                    "-999999"},
        DisplayCase{"BooleanOff", 2, 0, Hook::Answer, Hook::Answer, "Off"},
        DisplayCase{"BooleanOn", 2, 0.3f, Hook::Answer, Hook::Answer, "On"},
        DisplayCase{"GenericProperty", 0, 1, Hook::Refuse, Hook::Answer, "prop"},
        DisplayCase{"GenericNullPropertyString", 0, 12.5f, Hook::Refuse, Hook::NullString,
                    "12.50"},
        DisplayCase{"GenericLongPropertyString", 0, 12.5f, Hook::Refuse, Hook::LongString,
                    "12.50"},
        DisplayCase{"GenericPropertyOutOfMemory", 0, 12.5f, Hook::Refuse, Hook::OutOfMemory,
                    "12.50"},
        DisplayCase{"FormatChosenBeforeRounding", 0, 9.9996f, Hook::Refuse, Hook::Refuse,
                    "10.000"},
        DisplayCase{"TwoDecimals", 0, 12.5f, Hook::Refuse, Hook::Refuse, "12.50"},
        DisplayCase{"OneDecimal", 8, 632.4555f, Hook::Refuse, Hook::Refuse, "632.5"},
        DisplayCase{"NoDecimals", 0, 1500, Hook::Refuse, Hook::Refuse, "1500"},
        DisplayCase{"NegativeFollowsMagnitude", 0, -3.25f, Hook::Refuse, Hook::Refuse, "-3.250"},
        DisplayCase{"NegativeLarge", 0, -1500, Hook::Refuse, Hook::Refuse, "-1500"},
        DisplayCase{"SecondsThreeDecimals", 4, 0.25f, Hook::Refuse, Hook::Refuse, "0.250"},
        DisplayCase{"TooLargeForAText", 0, 3e30f, Hook::Refuse, Hook::Refuse, "Huge!"},
        DisplayCase{"TooNegativeForAText", 0, -3e30f, Hook::Refuse, Hook::Refuse, "-Huge!"}),
    [](const auto& tp) { return std::string(tp.param.name); });

TEST(DisplayHooks, AskedWithTheirDocumentedArguments) {
    const auto table = TableWith(0);
    FrameworkEffect fx(table);
    fx.property = Hook::Answer;
    fx.getParameterDisplay(0, std::array<char, 32>{}.data());
    EXPECT_EQ(fx.lastRequest.inParamID, 0u);
    EXPECT_EQ(fx.lastRequest.inValue, nullptr);
    EXPECT_EQ(fx.lastRequest.outString, nullptr);
    EXPECT_EQ(fx.valueStringCalls, 0);  // only Indexed asks for value strings

    const auto boolTable = TableWith(2);
    FrameworkEffect flag(boolTable);
    char text[8];
    flag.getParameterDisplay(0, text);
    EXPECT_EQ(flag.propertyCalls + flag.valueStringCalls, 0);
}

TEST(ParameterName, FixedSixteenByteField) {
    FrameworkEffect fx(kTable);
    char text[20];
    std::memset(text, 'x', sizeof(text));
    fx.getParameterName(2, text);
    EXPECT_STREQ(text, "Samples Or Seco");
    EXPECT_EQ(text[16], 'x');  // exactly 16 bytes written
    std::memset(text, 'x', sizeof(text));
    fx.getParameterName(0, text);
    EXPECT_STREQ(text, "Samples");
    for (int i = 7; i < 16; ++i) EXPECT_EQ(text[i], 0);
    EXPECT_EQ(text[16], 'x');
}

TEST(ParameterLabel, ByUnit) {
    const std::pair<std::int32_t, const char*> labels[] = {
        {0, ""},       {1, ""},    {2, ""},   {3, "%"},    {4, "seconds"}, {5, ""},
        {8, "Hz"},     {9, "cents"}, {13, "dB"}, {18, "L/R"}, {22, "BPM"},   {23, "beats"},
        {24, "ms"},    {25, ""},   {-3, ""}};
    for (const auto& [unit, label] : labels) {
        const auto table = TableWith(unit, 1, 2);
        FrameworkEffect fx(table);
        char text[8] = "garbage";
        fx.getParameterLabel(0, text);
        EXPECT_STREQ(text, label) << "unit " << unit;
    }
}

TEST(ParameterIndex, OutsideTheTableTouchesNothing) {
    FrameworkEffect fx(kTable);
    for (VstInt32 index : {-1, kNumParams, 1000, INT32_MIN}) {
        fx.setParameter(index, 0.5f);
        EXPECT_EQ(fx.getParameter(index), 0.0f);
        char text[32];
        std::memset(text, 'x', sizeof(text));
        fx.getParameterName(index, text);
        EXPECT_EQ(text[0], 0);
        EXPECT_EQ(text[1], 'x');
        fx.getParameterLabel(index, text);
        EXPECT_EQ(text[0], 0);
        fx.getParameterDisplay(index, text);
        EXPECT_EQ(text[0], 0);
    }
    for (VstInt32 p = 0; p < kNumPrograms; ++p)
        for (VstInt32 i = 0; i < kNumParams; ++i) EXPECT_EQ(fx.Program(p)->GetValue(i), 0.0f);
}

TEST(ParameterValues, StoredPlainReadBackNormalised) {
    FrameworkEffect fx(kTable);
    fx.setParameter(0, 0.5f);
    EXPECT_EQ(fx.CurrentProgram().GetValue(0), 2048.0f);
    EXPECT_EQ(fx.getParameter(0), 0.5f);
    fx.setParameter(2, 0.3f);  // Indexed 0..1: plain 0
    EXPECT_EQ(fx.getParameter(2), 0.0f);
    fx.setParameter(1, 2.0f);  // not clamped
    EXPECT_EQ(fx.CurrentProgram().GetValue(1), 2.0f);
    fx.setProgram(1);
    EXPECT_EQ(fx.getParameter(0), 0.0f);
    fx.setProgram(0);
    EXPECT_EQ(fx.getParameter(0), 0.5f);
}

}  // namespace
}  // namespace fwtest
