// Tardimark through its built binary, as a host drives it: only the entry
// point and the effect record. The store is isolated per test.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <ostream>
#include <string>
#include <vector>

#include "store_fixture.h"
#include "testhost/plugin_loader.h"
#include "testhost/recording_host.h"

namespace testhost {
namespace {

#if defined(_WIN32)
constexpr const char* kPlugin = "Tardimark.dll";
#else
constexpr const char* kPlugin = "Tardimark.so";
#endif

class Tardimark : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(lib.loaded()) << lib.error(); }
    void TearDown() override {
        for (AEffect* e : open) Dispatch(e, effClose);
    }

    AEffect* Create(float sampleRate = 0.0f) {
        AEffect* e = lib.main()(RecordingHost::callback());
        EXPECT_NE(e, nullptr);
        if (!e) return nullptr;
        open.push_back(e);
        if (sampleRate > 0.0f) Dispatch(e, effSetSampleRate, 0, 0, nullptr, sampleRate);
        return e;
    }
    void Close(AEffect* e) {
        EXPECT_EQ(Dispatch(e, effClose), 1);
        std::erase(open, e);
    }
    static VstInt32 Delay(AEffect* e) {
        return std::atomic_ref<VstInt32>(e->initialDelay).load(std::memory_order_relaxed);
    }
    static void Block(AEffect* e, VstInt32 frames = 64) {
        std::vector<float> in(static_cast<std::size_t>(frames) * 2), out(in.size());
        float* inputs[2] = {in.data(), in.data() + frames};
        float* outputs[2] = {out.data(), out.data() + frames};
        e->processReplacing(e, inputs, outputs, frames);
    }
    static std::string Text(AEffect* e, VstInt32 opcode, VstInt32 index = 0) {
        char text[256];
        std::memset(text, 0, sizeof(text));
        Dispatch(e, opcode, index, 0, text);
        return text;
    }

    IsolatedStore store;  // before the library, so every instance sees it
    PluginLibrary lib{BesideExecutable(kPlugin)};
    RecordingHost host;
    std::vector<AEffect*> open;
};

TEST_F(Tardimark, Identity) {
    AEffect* e = Create();
    EXPECT_EQ(e->uniqueID, 0x5674646D);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0x18);
    EXPECT_EQ(e->numPrograms, 8);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(Dispatch(e, effGetEffectName, 0, 0, std::array<char, 64>{}.data()), 1);
    EXPECT_EQ(Text(e, effGetEffectName), "Tardimark");
    EXPECT_EQ(Text(e, effGetProductString), "Tardimark");
    EXPECT_EQ(Text(e, effGetVendorString), "Vantorel");
    EXPECT_EQ(Dispatch(e, effGetVendorVersion), 0x10003);
    EXPECT_EQ(Dispatch(e, effGetPlugCategory), 1);
    EXPECT_EQ(Dispatch(e, effGetVstVersion), 2400);
    for (VstInt32 p = 0; p < 8; ++p) {
        char name[64] = {};
        EXPECT_EQ(Dispatch(e, effGetProgramNameIndexed, p, 0, name), 1);
        EXPECT_STREQ(name, "Defaults");
    }
}

TEST_F(Tardimark, CanDoOnlyMidiEvents) {
    AEffect* e = Create();
    const std::pair<const char*, VstIntPtr> cases[] = {{"receiveVstMidiEvent", 1},
                                                       {"receiveVstEvents", 0},
                                                       {"receiveVstMidiEvents", 0},
                                                       {"receiveVstMidiEven", 0},
                                                       {"", 0}};
    for (const auto& [text, answer] : cases) {
        std::string buffer = text;
        EXPECT_EQ(Dispatch(e, effCanDo, 0, 0, buffer.data()), answer) << text;
    }
}

TEST_F(Tardimark, FreshInstanceShowsDefaults) {
    AEffect* e = Create();
    EXPECT_EQ(Delay(e), 0);
    const char* names[] = {"Samples", "Seconds", "Samples Or Seco"};
    const char* labels[] = {"", "seconds", ""};
    const char* displays[] = {"0", "0.000", "Samples"};
    for (VstInt32 i = 0; i < 3; ++i) {
        EXPECT_EQ(Text(e, effGetParamName, i), names[i]);
        EXPECT_EQ(Text(e, effGetParamLabel, i), labels[i]);
        EXPECT_EQ(Text(e, effGetParamDisplay, i), displays[i]);
        EXPECT_EQ(e->getParameter(e, i), 0.0f);
    }
    // Reading creates the maker key but not the application key.
    EXPECT_TRUE(store.MakerKeyExists());
    EXPECT_FALSE(store.Bits("Samples"));
}

TEST_F(Tardimark, WorkedExampleAt48kHz) {
    AEffect* e = Create(48000.0f);
    EXPECT_EQ(Delay(e), 0);

    e->setParameter(e, 2, 1.0f);
    e->setParameter(e, 1, 0.25f);
    EXPECT_EQ(store.Bits("SamplesOrSeconds"), 0x3F800000u);
    EXPECT_EQ(store.Bits("Seconds"), 0x3E800000u);
    EXPECT_EQ(Delay(e), 0) << "the latency follows at the next block";

    Block(e);
    EXPECT_EQ(Delay(e), 12000);
    EXPECT_EQ(Text(e, effGetParamDisplay, 2), "Seconds");
    EXPECT_EQ(Text(e, effGetParamDisplay, 1), "0.250");
    EXPECT_EQ(Text(e, effGetParamLabel, 1), "seconds");

    e->setParameter(e, 2, 0.0f);
    e->setParameter(e, 0, 0.5f);
    EXPECT_EQ(store.Bits("SamplesOrSeconds"), 0u);
    EXPECT_EQ(store.Bits("Samples"), BitsOf(2048.0f));
    EXPECT_EQ(Delay(e), 12000);
    Block(e);
    EXPECT_EQ(Delay(e), 2048);
    EXPECT_EQ(Text(e, effGetParamDisplay, 0), "2048");

    AEffect* second = Create();
    EXPECT_EQ(Delay(second), 2048);
    EXPECT_EQ(second->getParameter(second, 0), 0.5f);
    EXPECT_EQ(second->getParameter(second, 1), 0.25f);
    EXPECT_EQ(second->getParameter(second, 2), 0.0f);
}

struct SecondsCase {
    float rate;
    float normalized;
    VstInt32 delay;
};

TEST_F(Tardimark, SecondsModeTruncatesAtTheRate) {
    const SecondsCase cases[] = {{44100, 0.1f, 4410}, {96000, 0.0001f, 9}, {48000, 1.0f, 48000}};
    for (const SecondsCase& c : cases) {
        AEffect* e = Create(c.rate);
        e->setParameter(e, 2, 0.5f);  // plain 1: seconds
        e->setParameter(e, 1, c.normalized);
        Block(e);
        EXPECT_EQ(Delay(e), c.delay) << c.rate << " Hz, " << c.normalized << " s";
        Close(e);
    }
}

TEST_F(Tardimark, SamplesModeRoundsTheNormalisedValue) {
    AEffect* e = Create();
    e->setParameter(e, 2, 0.49f);  // plain 0: samples
    e->setParameter(e, 0, 1.0f);
    Block(e);
    EXPECT_EQ(Delay(e), 4096);
    e->setParameter(e, 0, 0.3f);
    EXPECT_EQ(store.Bits("Samples"), BitsOf(1229.0f));
    Block(e);
    EXPECT_EQ(Delay(e), 1229);
}

struct SeededCase {
    const char* name;
    float samples, seconds, mode;
    VstInt32 delay;  // right after construction, at 44100 Hz
};
inline std::ostream& operator<<(std::ostream& os, const SeededCase& c) { return os << c.name; }


class Seeded : public Tardimark, public ::testing::WithParamInterface<SeededCase> {};

TEST_P(Seeded, StoredValuesAreTakenAsTheyAre) {
    const SeededCase& c = GetParam();
    store.Seed("Samples", c.samples);
    store.Seed("Seconds", c.seconds);
    store.Seed("SamplesOrSeconds", c.mode);
    AEffect* e = Create();
    EXPECT_EQ(Delay(e), c.delay);
}

INSTANTIATE_TEST_SUITE_P(
    Store, Seeded,
    ::testing::Values(SeededCase{"FractionalSamplesTruncate", 100.7f, 0.5f, 0, 100},
                      SeededCase{"ModeOnePointNineIsSeconds", 100, 0.5f, 1.9f, 22050},
                      SeededCase{"ModeTwoIsSamples", 100, 0.5f, 2, 100},
                      SeededCase{"ModeMinusOneIsSamples", 100, 0.5f, -1, 100},
                      SeededCase{"NegativeSamples", -3, 0, 0, -3},
                      SeededCase{"HugeSamplesSaturate", 1e20f, 0, 0, INT32_MAX},
                      SeededCase{"HugeNegativeSecondsSaturate", 0, -1e20f, 1, INT32_MIN},
                      SeededCase{"NaNSamplesGiveZero", std::nanf(""), 0, 0, 0}),
    [](const auto& tp) { return std::string(tp.param.name); });

TEST_F(Tardimark, StoredSecondsModeCorrectedByFirstBlockAtHostRate) {
    store.Seed("SamplesOrSeconds", 1.0f);
    store.Seed("Seconds", 0.5f);
    AEffect* e = Create();
    EXPECT_EQ(Delay(e), 22050);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(Delay(e), 22050);
    Block(e);
    EXPECT_EQ(Delay(e), 24000);
}

TEST_F(Tardimark, LatencyFollowsTheCurrentProgram) {
    AEffect* e = Create();
    e->setParameter(e, 0, 0.5f);
    Block(e);
    EXPECT_EQ(Delay(e), 2048);
    Dispatch(e, effSetProgram, 0, 3);
    EXPECT_EQ(Delay(e), 2048);
    Block(e);
    EXPECT_EQ(Delay(e), 0);
    EXPECT_EQ(store.Bits("Samples"), BitsOf(2048.0f)) << "selection writes nothing";
    Dispatch(e, effSetProgram, 0, 0);
    Block(e);
    EXPECT_EQ(Delay(e), 2048);
}

TEST_F(Tardimark, OnlyTheThreeParametersReachTheStore) {
    AEffect* e = Create();
    e->setParameter(e, 3, 1.0f);
    e->setParameter(e, -1, 1.0f);
    EXPECT_FALSE(store.Bits("Samples"));
    EXPECT_FALSE(store.Bits("Seconds"));
    EXPECT_FALSE(store.Bits("SamplesOrSeconds"));
    EXPECT_EQ(e->getParameter(e, 3), 0.0f);
}

TEST_F(Tardimark, HostTraffic) {
    AEffect* e = Create();
    host.clear();
    e->setParameter(e, 0, 0.25f);
    e->setParameter(e, 2, 1.0f);
    Block(e);
    EXPECT_TRUE(host.calls().empty()) << "no notification for a parameter or a latency change";
    Dispatch(e, effMainsChanged, 0, 1);
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, e);
    EXPECT_EQ(calls[0].opcode, audioMasterWantMidi);
    EXPECT_EQ(calls[0].value, 1);
    host.clear();
    Dispatch(e, effMainsChanged, 0, 0);
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(Tardimark, PassesAudioThroughBitExact) {
    AEffect* e = Create();
    e->setParameter(e, 0, 0.5f);
    std::mt19937 random(7);
    for (VstInt32 frames : {1, 64, 511, 4096}) {
        // Any bit pattern, NaNs and denormals included, comes out unchanged.
        std::vector<std::uint32_t> bits(static_cast<std::size_t>(frames) * 2);
        for (auto& b : bits) b = static_cast<std::uint32_t>(random());
        std::vector<float> in(bits.size()), out(bits.size(), 0.0f);
        std::memcpy(in.data(), bits.data(), bits.size() * 4);
        float* inputs[2] = {in.data(), in.data() + frames};
        float* outputs[2] = {out.data(), out.data() + frames};
        e->processReplacing(e, inputs, outputs, frames);
        EXPECT_EQ(std::memcmp(out.data(), bits.data(), bits.size() * 4), 0) << frames;
        EXPECT_EQ(std::memcmp(in.data(), bits.data(), bits.size() * 4), 0) << "input changed";

        e->processReplacing(e, inputs, inputs, frames);  // in place
        EXPECT_EQ(std::memcmp(in.data(), bits.data(), bits.size() * 4), 0) << frames;
    }
}

TEST_F(Tardimark, RememberedValuesOutliveTheInstance) {
    AEffect* e = Create();
    e->setParameter(e, 1, 0.75f);
    Dispatch(e, effSetProgram, 0, 5);
    e->setParameter(e, 0, 1.0f);
    Close(e);
    EXPECT_EQ(store.Bits("Seconds"), BitsOf(0.75f));
    EXPECT_EQ(store.Bits("Samples"), BitsOf(4096.0f));
    AEffect* next = Create();
    EXPECT_EQ(Delay(next), 4096);
}

}  // namespace
}  // namespace testhost
