// The effect base: programs and their names, kernel wiring, hooks,
// listeners, destruction, and the host's opcodes reaching all of it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "framework_test_effect.h"

namespace fwtest {
namespace {

constexpr std::array<ParamInfo, kNumParams> kTable = {{
    {"Samples", 1, 0, 4096, 10},
    {"Seconds", 4, 0, 1, 0.5f},
    {"Samples Or Seconds", 1, 0, 1, 1},
}};

VstIntPtr Dispatch(AudioEffect& fx, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr) {
    AEffect* e = fx.getAeffect();
    return e->dispatcher(e, opcode, index, value, ptr, 0.0f);
}

TEST(Programs, EightFreshProgramsHoldTheDefaults) {
    FrameworkEffect fx(kTable);
    EXPECT_EQ(fx.getProgram(), 0);
    EXPECT_EQ(fx.getAeffect()->numPrograms, 8);
    EXPECT_EQ(fx.getAeffect()->numParams, 3);
    for (VstInt32 p = 0; p < 8; ++p) {
        char name[32] = "x";
        EXPECT_EQ(Dispatch(fx, effGetProgramNameIndexed, p, 0, name), 1);
        EXPECT_STREQ(name, "Defaults");
        for (VstInt32 i = 0; i < kNumParams; ++i)
            EXPECT_EQ(fx.Program(p)->GetValue(i), kTable[static_cast<std::size_t>(i)].defaultValue);
    }
    EXPECT_EQ(fx.KernelCount(), 0u);
    EXPECT_TRUE(fx.PropertyListeners().empty());
}

TEST(Programs, NamesAreCutAndPerProgram) {
    FrameworkEffect fx(kTable);
    char longName[] = "0123456789012345678901234567890123456789";  // 40 characters
    Dispatch(fx, effSetProgramName, 0, 0, longName);
    char name[40];
    std::memset(name, 'x', sizeof(name));
    Dispatch(fx, effGetProgramName, 0, 0, name);
    EXPECT_EQ(std::string(name), std::string(longName, 31));
    EXPECT_EQ(name[32], 'x');  // at most 32 bytes

    char other[32];
    EXPECT_EQ(Dispatch(fx, effGetProgramNameIndexed, 1, 0, other), 1);
    EXPECT_STREQ(other, "Defaults");
    EXPECT_EQ(Dispatch(fx, effGetProgramNameIndexed, 0, 5, other), 1);  // category ignored
    EXPECT_EQ(std::string(other), std::string(longName, 31));
    EXPECT_EQ(fx.getProgram(), 0);
}

TEST(Programs, IndexedNameOutsideTheArrayIsRefused) {
    FrameworkEffect fx(kTable);
    for (VstInt32 index : {8, -1, 1000}) {
        char text[32] = "untouched";
        EXPECT_EQ(Dispatch(fx, effGetProgramNameIndexed, index, 0, text), 0);
        EXPECT_STREQ(text, "untouched");
    }
    char text[32];
    EXPECT_EQ(Dispatch(fx, effGetProgramNameIndexed, 7, 0, text), 1);
}

TEST(Programs, SelectionSwitchesValuesAndRefusesNonexistentPrograms) {
    FrameworkEffect fx(kTable);
    fx.setParameter(0, 0.5f);
    Dispatch(fx, effSetProgram, 0, 1);
    EXPECT_EQ(Dispatch(fx, effGetProgram), 1);
    EXPECT_EQ(fx.CurrentProgram().GetValue(0), 10.0f);
    for (VstIntPtr bad : {VstIntPtr{8}, VstIntPtr{-1}, VstIntPtr{INTPTR_MAX}, VstIntPtr{INTPTR_MIN}}) {
        Dispatch(fx, effSetProgram, 0, bad);
        EXPECT_EQ(fx.getProgram(), 1);
    }
    fx.setProgram(-3);  // not through the dispatcher either
    fx.setProgram(8);
    EXPECT_EQ(fx.getProgram(), 1);
    Dispatch(fx, effSetProgram, 0, 7);
    EXPECT_EQ(fx.getProgram(), 7);
    Dispatch(fx, effSetProgram, 0, 0);
    EXPECT_EQ(fx.CurrentProgram().GetValue(0), 2048.0f);
}

TEST(Programs, ValuePointerIsWhereTheValueLives) {
    VtProgramBasic program;
    program.SetValue(1, 3.5f);
    ASSERT_NE(program.GetValuePointer(1), nullptr);
    EXPECT_EQ(*program.GetValuePointer(1), 3.5f);
    EXPECT_EQ(program.GetValuePointer(3), nullptr);
    EXPECT_EQ(program.GetValuePointer(-1), nullptr);

    struct Bare final : VtProgram {
        void SetValue(std::int32_t, float) override {}
        float GetValue(std::int32_t) override { return 0; }
        void SetName(const char*) override {}
        const char* GetName() override { return ""; }
    } bare;
    EXPECT_EQ(bare.GetValuePointer(0), nullptr);
    EXPECT_EQ(bare.ReservedQuery1(), 0);
    EXPECT_EQ(bare.ReservedQuery2(), 0);
}

TEST(Kernels, OnePerOutputEachOnItsOwnChannel) {
    Counters counters;
    FrameworkEffect fx(kTable, &counters, 3, 3);
    ASSERT_EQ(fx.KernelCount(), 3u);
    float in[3][4] = {}, out[3][4] = {};
    float* inputs[3] = {in[0], in[1], in[2]};
    float* outputs[3] = {out[0], out[1], out[2]};
    fx.processReplacing(inputs, outputs, 4);
    ASSERT_EQ(counters.calls.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const KernelCall& c = counters.calls[static_cast<std::size_t>(i)];
        EXPECT_EQ(c.kernel, i);  // in the order made
        EXPECT_EQ(c.source, in[i]);
        EXPECT_EQ(c.destination, out[i]);
        EXPECT_EQ(c.frames, 4u);
        EXPECT_EQ(c.channels, 1u);
        EXPECT_FALSE(c.silenceOnEntry);
        EXPECT_EQ(c.silence, counters.calls[0].silence);  // one flag per call
    }
}

TEST(Kernels, ZeroFramesStillCallsEveryKernel) {
    Counters counters;
    FrameworkEffect fx(kTable, &counters);
    float in[2][1] = {}, out[2][1] = {};
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out[0], out[1]};
    fx.processReplacing(inputs, outputs, 0);
    ASSERT_EQ(counters.calls.size(), 2u);
    EXPECT_EQ(counters.calls[1].frames, 0u);
    fx.processReplacing(inputs, outputs, -5);  // a negative count is no count
    EXPECT_EQ(counters.calls.back().frames, 0u);
}

TEST(Kernels, NoOutputsMeansNoKernelsAndNoOutput) {
    Counters counters;
    FrameworkEffect fx(kTable, &counters, 0);
    EXPECT_EQ(fx.KernelCount(), 0u);
    float out[4] = {7, 7, 7, 7};
    float* outputs[1] = {out};
    fx.processReplacing(outputs, outputs, 4);
    EXPECT_TRUE(counters.calls.empty());
    EXPECT_EQ(out[3], 7.0f);
}

TEST(Kernels, MissingKernelIsSkippedAndNotDeleted) {
    Counters counters;
    {
        FrameworkEffect fx(kTable, &counters, 2, 2, 1);
        ASSERT_EQ(fx.KernelCount(), 2u);
        float in[2][2] = {}, out[2][2] = {};
        float* inputs[2] = {in[0], in[1]};
        float* outputs[2] = {out[0], out[1]};
        fx.processReplacing(inputs, outputs, 2);
        ASSERT_EQ(counters.calls.size(), 1u);
        EXPECT_EQ(counters.calls[0].kernel, 0);
    }
    EXPECT_EQ(counters.kernelsDeleted, 1);
}

// More outputs than inputs: the kernel without an input writes silence and
// no input is read past the host's array.
TEST(Kernels, OutputWithoutInputIsSilenced) {
    Counters counters;
    FrameworkEffect fx(kTable, &counters, 2, 1);
    float in[3] = {1, 2, 3};
    float out[2][3] = {{9, 9, 9}, {9, 9, 9}};
    float* inputs[1] = {in};
    float* outputs[2] = {out[0], out[1]};
    fx.processReplacing(inputs, outputs, 3);
    ASSERT_EQ(counters.calls.size(), 1u);
    for (float s : out[1]) EXPECT_EQ(s, 0.0f);
}

TEST(Destruction, DeletesEachKernelOnce) {
    Counters counters;
    auto* fx = new FrameworkEffect(kTable, &counters, 4, 4);
    EXPECT_EQ(counters.kernelsAlive, 4);
    AEffect* e = fx->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(counters.kernelsAlive, 0);
    EXPECT_EQ(counters.kernelsDeleted, 4);
}

TEST(Hooks, BaseAnswersRefuse) {
    struct Base final : VtAuBase {
        Base() : VtAuBase(nullptr, kTable) {}
        void* GetProductStorage() override { return this; }
    } fx;
    CFArray* strings = reinterpret_cast<CFArray*>(&fx);
    EXPECT_EQ(fx.GetParameterValueStrings(0, 0, &strings), -10878);
    EXPECT_EQ(strings, reinterpret_cast<CFArray*>(&fx));
    int data = 5;
    EXPECT_EQ(fx.GetProperty(33, 0, 0, &data), -10879);
    EXPECT_EQ(data, 5);
    std::uint32_t size = 0;
    bool writable = false;
    EXPECT_EQ(fx.GetPropertyInfo(33, 0, 0, &size, &writable), -10879);
    EXPECT_EQ(fx.SetProperty(33, 0, 0, &data, 4), -10879);
    EXPECT_EQ(fx.NewKernel(), nullptr);
    char vendor[64];
    EXPECT_EQ(Dispatch(fx, effGetVendorString, 0, 0, vendor), 1);
    EXPECT_STREQ(vendor, "Vantorel");
}

void ListenerA(void*, void*, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}
void ListenerB(void*, void*, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}

TEST(Listeners, RemoveTakesEveryMatchAndKeepsTheOrder) {
    FrameworkEffect fx(kTable);
    int u1 = 0, u2 = 0;
    EXPECT_EQ(fx.AddPropertyListener(1, ListenerA, &u1), 0);
    EXPECT_EQ(fx.AddPropertyListener(2, ListenerA, nullptr), 0);
    EXPECT_EQ(fx.AddPropertyListener(1, ListenerA, &u2), 0);
    EXPECT_EQ(fx.AddPropertyListener(1, ListenerB, nullptr), 0);
    EXPECT_EQ(fx.RemovePropertyListener(1, ListenerA), 0);
    const auto& list = fx.PropertyListeners();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].propertyID, 2u);
    EXPECT_EQ(list[1].procedure, &ListenerB);
    EXPECT_EQ(fx.RemovePropertyListener(9, ListenerA), 0);
    EXPECT_EQ(list.size(), 2u);
}

TEST(Listeners, NoLimitOnTheList) {
    FrameworkEffect fx(kTable);
    for (AudioUnitPropertyID id = 0; id < 33; ++id) fx.AddPropertyListener(id, ListenerA, nullptr);
    ASSERT_EQ(fx.PropertyListeners().size(), 33u);
    for (AudioUnitPropertyID id = 0; id < 33; ++id) EXPECT_EQ(fx.PropertyListeners()[id].propertyID, id);
}

// The host's opcodes reach the framework's texts through both dispatchers.
TEST(Opcodes, ReachTheFrameworkTexts) {
    FrameworkEffect fx(kTable);
    fx.valueStrings = Hook::Answer;
    char text[64];
    Dispatch(fx, effGetParamName, 2, 0, text);
    EXPECT_STREQ(text, "Samples Or Seco");
    Dispatch(fx, effGetParamLabel, 1, 0, text);
    EXPECT_STREQ(text, "seconds");
    Dispatch(fx, effGetParamDisplay, 2, 0, text);
    EXPECT_STREQ(text, "Seconds");
    AEffect* e = fx.getAeffect();
    e->setParameter(e, 0, 0.25f);
    EXPECT_EQ(e->getParameter(e, 0), 0.25f);
    Dispatch(fx, effGetParamDisplay, 0, 0, text);
    EXPECT_STREQ(text, "1024");
}

// Parameter writes from a host thread while the audio thread processes and
// another thread reads texts: no lock, but no data race either.
TEST(Concurrency, SetProcessAndDisplayAtOnce) {
    Counters counters;
    FrameworkEffect fx(kTable, &counters);
    std::atomic<bool> stop{false};
    std::thread display([&] {
        char text[64];
        while (!stop.load()) {
            fx.getParameterDisplay(1, text);
            (void)fx.getParameter(0);
        }
    });
    std::thread setter([&] {
        for (int i = 0; i < 20000; ++i) fx.getAeffect()->setParameter(fx.getAeffect(), i % 3,
                                                                      static_cast<float>(i % 100) / 100.0f);
        stop.store(true);
    });
    float in[2][16] = {}, out[2][16] = {};
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out[0], out[1]};
    while (!stop.load()) {
        counters.calls.clear();
        fx.processReplacing(inputs, outputs, 16);
        (void)fx.CurrentProgram().GetValue(0);
    }
    setter.join();
    display.join();
}

}  // namespace
}  // namespace fwtest
