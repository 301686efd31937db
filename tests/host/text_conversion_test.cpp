// The number-to-text conversions behind parameter displays: the texts
// themselves, and the rule that a text is cut to maxLen and NUL-filled up
// to text[maxLen] without a byte written beyond it.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/probe_effect.h"

namespace testhost {
namespace {

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

enum class Conv { Float, Int, Decibel, Hertz, Millis };

struct TextCase {
    const char* name;
    Conv conv;
    double input;  // the value, or samples for Hertz and Millis
    const char* text;
    float sampleRate = 44100.0f;
};

void Convert(AudioEffect& fx, const TextCase& c, char* text, VstInt32 maxLen) {
    const auto f = static_cast<float>(c.input);
    switch (c.conv) {
        case Conv::Float: fx.float2string(f, text, maxLen); break;
        case Conv::Int: fx.int2string(static_cast<VstInt32>(c.input), text, maxLen); break;
        case Conv::Decibel: fx.dB2string(f, text, maxLen); break;
        case Conv::Hertz: fx.Hz2string(f, text, maxLen); break;
        case Conv::Millis: fx.ms2string(f, text, maxLen); break;
    }
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

const TextCase kTextCases[] = {
    {"Half", Conv::Float, 0.5, "0.500000"},
    {"MinusHalf", Conv::Float, -0.5, "-0.50000"},
    {"Fraction", Conv::Float, 123.25, "123.2500"},
    {"SevenDigits", Conv::Float, 9999999.0, "9999999."},
    {"SampleRate", Conv::Float, 44100.0, "44100.00"},
    {"Zero", Conv::Float, 0.0, "0.000000"},
    {"NegativeZero", Conv::Float, -0.0, "0.000000"},
    {"DigitsAreCutNotRounded", Conv::Float, static_cast<double>(0.7f), "0.699999"},
    {"One", Conv::Float, 1.0, "1.000000"},
    {"MinusOne", Conv::Float, -1.0, "-1.00000"},
    {"OneFractionDigit", Conv::Float, 123456.5, "123456.5"},
    {"NegativeOneFractionDigit", Conv::Float, -12345.5, "-12345.5"},
    {"NoRoomForFraction", Conv::Float, 1234567.5, "1234567."},
    {"NegativeNoRoomForFraction", Conv::Float, -999999.5, "-999999."},
    {"Tiny", Conv::Float, 1e-30, "0.000000"},
    {"HundredMillionIsHuge", Conv::Float, 100000000.0, "Huge!"},
    {"MinusHundredMillionIsHuge", Conv::Float, -100000000.0, "Huge!"},
    {"MinusTenMillionIsHuge", Conv::Float, -10000000.0, "Huge!"},
    {"InfinityIsHuge", Conv::Float, kInf, "Huge!"},
    {"MinusInfinityIsHuge", Conv::Float, -kInf, "Huge!"},
    // Integer parts wider than the budget show their exact digits, no point.
    {"TenMillion", Conv::Float, 10000000.0, "10000000"},
    {"EightDigits", Conv::Float, 12345678.0, "12345678"},
    {"LargestEightDigitFloat", Conv::Float, 99999992.0, "99999992"},
    {"MinusOneMillion", Conv::Float, -1000000.0, "-1000000"},
    {"NegativeSevenDigits", Conv::Float, -9999999.0, "-9999999"},
    {"NaN", Conv::Float, kNaN, "NaN"},

    {"IntSeven", Conv::Int, 7, "7"},
    {"IntMinusFortyTwo", Conv::Int, -42, "-42"},
    {"IntInnerZeros", Conv::Int, 1000, "1000"},
    {"IntLargest", Conv::Int, 99999999, "99999999"},
    {"IntMinusHundredMillion", Conv::Int, -100000000, "-100000000"},
    {"IntZero", Conv::Int, 0, "0"},
    {"IntHundredMillionIsHuge", Conv::Int, 100000000, "Huge!"},
    {"IntMaxIsHuge", Conv::Int, 2147483647, "Huge!"},
    // Ten digits and more: every digit is shown.
    {"IntMinusBillion", Conv::Int, -1000000000, "-1000000000"},
    {"IntMin", Conv::Int, -2147483648.0, "-2147483648"},

    {"DecibelOfZero", Conv::Decibel, 0.0, "-oo"},
    {"DecibelOfNegative", Conv::Decibel, -1.0, "-oo"},
    {"DecibelOfOne", Conv::Decibel, 1.0, "0.000000"},
    {"DecibelOfHalf", Conv::Decibel, 0.5, "-6.02059"},
    {"DecibelOfTen", Conv::Decibel, 10.0, "20.00000"},

    {"HertzOfZeroSamples", Conv::Hertz, 0.0, "0.000000"},
    {"HertzOfOneSecond", Conv::Hertz, 44100.0, "1.000000"},
    {"HertzOfTenMillis", Conv::Hertz, 441.0, "100.0000"},
    {"HertzAt48k", Conv::Hertz, 480.0, "100.0000", 48000.0f},

    {"MillisOfOneSecond", Conv::Millis, 44100.0, "1000.000"},
    {"MillisOfZero", Conv::Millis, 0.0, "0.000000"},
    {"MillisAt48k", Conv::Millis, 480.0, "10.00000", 48000.0f},
};

class TextConversion : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextConversion, GivesTheText) {
    const TextCase& c = GetParam();
    PlainEffect fx;
    fx.setSampleRate(c.sampleRate);
    char text[33];
    std::memset(text, 'Z', sizeof text);
    Convert(fx, c, text, 32);
    EXPECT_STREQ(text, c.text);
}

// Every maxLen from 0 to past the text's length: the text is the cut
// prefix, the bytes after it up to text[maxLen] are NUL, and the bytes
// beyond text[maxLen] keep the guard.
TEST_P(TextConversion, IsCutToMaxLenWithinTheBuffer) {
    const TextCase& c = GetParam();
    PlainEffect fx;
    fx.setSampleRate(c.sampleRate);
    const std::string full = c.text;
    constexpr char kGuard = 0x5A;
    for (VstInt32 maxLen = 0; maxLen <= 12; ++maxLen) {
        SCOPED_TRACE(::testing::Message() << "maxLen " << maxLen);
        char buf[24];
        std::memset(buf, kGuard, sizeof buf);
        Convert(fx, c, buf, maxLen);
        const auto room = static_cast<std::size_t>(maxLen);
        const std::string want = full.substr(0, room);
        EXPECT_EQ(std::string(buf, want.size()), want);
        for (std::size_t i = want.size(); i <= room; ++i) EXPECT_EQ(buf[i], 0) << "byte " << i;
        for (std::size_t i = room + 1; i < sizeof buf; ++i)
            EXPECT_EQ(buf[i], kGuard) << "byte " << i;
    }
}

TEST_P(TextConversion, WritesNothingForNegativeMaxLen) {
    const TextCase& c = GetParam();
    PlainEffect fx;
    fx.setSampleRate(c.sampleRate);
    for (VstInt32 maxLen : {-1, -8, std::numeric_limits<VstInt32>::min()}) {
        char buf[16];
        std::memset(buf, 0x5A, sizeof buf);
        Convert(fx, c, buf, maxLen);
        for (char b : buf) EXPECT_EQ(b, 0x5A) << "maxLen " << maxLen;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, TextConversion, ::testing::ValuesIn(kTextCases),
                         CaseName<TextCase>);

// The three unit conversions go through the effect's own float2string and
// getSampleRate, so a replacement of either takes part.
class RoutingEffect : public PlainEffect {
public:
    float getSampleRate() override { return 1000.0f; }
    void float2string(float value, char* text, VstInt32 maxLen) override {
        seen.push_back(value);
        PlainEffect::float2string(value, text, maxLen);
    }
    std::vector<float> seen;
};

TEST(TextConversion, UnitConversionsUseTheEffectsReplacements) {
    RoutingEffect fx;
    char text[16];
    fx.dB2string(10.0f, text, 8);
    fx.Hz2string(4.0f, text, 8);
    fx.ms2string(500.0f, text, 8);
    fx.Hz2string(0.0f, text, 8);
    fx.dB2string(0.0f, text, 8);  // "-oo" needs no number
    EXPECT_EQ(fx.seen, (std::vector<float>{20.0f, 250.0f, 500.0f, 0.0f}));
    EXPECT_STREQ(text, "-oo");
}

}  // namespace
}  // namespace testhost
