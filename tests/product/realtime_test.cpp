// Real-time safety and out-of-memory behaviour of Tardimark, with the
// product linked in and every heap allocation of this thread counted.
// Processing must neither allocate nor free; creation under out of memory
// must answer null (or a whole instance) and leak nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "alloc/alloc_counter.h"
#include "core/cftypes.h"
#include "host/audioeffect.h"
#include "testhost/plugin_loader.h"
#include "testhost/recording_host.h"
#include "store_fixture.h"

namespace testhost {
namespace {

class RealTime : public ::testing::Test {
protected:
    AEffect* Create() {
        AudioEffect* fx = createEffectInstance(RecordingHost::callback());
        return fx ? fx->getAeffect() : nullptr;
    }

    // A whole instance, as a host sees it: the record filled in, eight
    // programs, and both channels passed through (so both kernels exist).
    // Allocates nothing.
    static ::testing::AssertionResult Complete(AEffect* e) {
        if (e->numInputs != 2 || e->numOutputs != 2 || e->numPrograms != 8 || e->numParams != 3 ||
            e->flags != 0x18 || e->uniqueID != 0x5674646D)
            return ::testing::AssertionFailure() << "record not filled in";
        for (VstInt32 p = 0; p < 8; ++p) {
            char name[32] = {};
            if (Dispatch(e, effGetProgramNameIndexed, p, 0, name) != 1 ||
                std::strcmp(name, "Defaults") != 0)
                return ::testing::AssertionFailure() << "program " << p << " missing";
        }
        float in[2][16], out[2][16] = {};
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 16; ++i) in[c][i] = static_cast<float>(c * 16 + i + 1);
        float* inputs[2] = {in[0], in[1]};
        float* outputs[2] = {out[0], out[1]};
        e->processReplacing(e, inputs, outputs, 16);
        if (std::memcmp(in, out, sizeof in) != 0)
            return ::testing::AssertionFailure() << "audio not passed through";
        return ::testing::AssertionSuccess();
    }

    IsolatedStore store;
    RecordingHost host;
};

// The first creation in the process also fills the literal cache: running
// out of memory in any of its allocations keeps only whole cache entries.
// Declared first, so that it meets a cold cache also when every test runs in
// one process.
TEST_F(RealTime, FirstCreationUnderOutOfMemoryKeepsOnlyWholeCacheEntries) {
    int nulls = 0;
    for (std::int64_t n = 1;; ++n) {
        alloc::FailFrom(n);
        AEffect* e = Create();
        const std::int64_t made = alloc::SinceFailFrom();
        alloc::FailFrom(0);
        // At most the three stored-value names are ever cached.
        EXPECT_LE(CFGetLiveObjectCount(), 3) << "when allocation " << n << " fails";
        if (!e) {
            ++nulls;
            continue;
        }
        EXPECT_TRUE(Complete(e)) << "when allocation " << n << " fails";
        Dispatch(e, effClose);
        if (made < n) break;
    }
    EXPECT_GT(nulls, 0);
    // Only the cached strings outlive the instances: a string lost by a
    // failed cache insertion would be one more.
    EXPECT_EQ(CFGetLiveObjectCount(), 3);
}

TEST_F(RealTime, ProcessingNeverAllocates) {
    AEffect* e = Create();
    ASSERT_NE(e, nullptr);
    std::vector<float> in(2 * 4096, 0.5f), out(in.size());
    float* inputs[2] = {in.data(), in.data() + 4096};
    float* outputs[2] = {out.data(), out.data() + 4096};

    struct Step {
        VstInt32 program;
        float samples, seconds, mode;
    };
    const Step steps[] = {{0, 0.5f, 0.25f, 0.0f}, {0, 0.5f, 0.25f, 1.0f}, {3, 1.0f, 1.0f, 1.0f},
                          {7, 0.0f, 0.0f, 0.0f},  {0, 0.1f, 0.9f, 1.0f}};
    for (const Step& step : steps) {
        Dispatch(e, effSetProgram, 0, step.program);
        e->setParameter(e, 0, step.samples);
        e->setParameter(e, 1, step.seconds);
        e->setParameter(e, 2, step.mode);
        Dispatch(e, effSetSampleRate, 0, 0, nullptr, 96000.0f);
        for (VstInt32 frames : {0, 1, 16, 64, 1024, 4096}) {
            alloc::Scope scope;
            e->processReplacing(e, inputs, outputs, frames);  // out of place
            e->processReplacing(e, inputs, inputs, frames);   // in place
            EXPECT_EQ(scope.allocations(), 0) << frames << " frames";
            EXPECT_EQ(scope.frees(), 0) << frames << " frames";
        }
    }
    Dispatch(e, effClose);
}

// The cache holds the stored-value names from the first creation on; warm
// it first so that every later allocation must be given back.
TEST_F(RealTime, CreationUnderOutOfMemoryAnswersNullAndLeaksNothing) {
    AEffect* warm = Create();
    ASSERT_NE(warm, nullptr);
    Dispatch(warm, effClose);

    int nulls = 0;
    for (std::int64_t n = 1;; ++n) {
        alloc::Scope scope;
        const std::int32_t liveBefore = CFGetLiveObjectCount();
        alloc::FailFrom(n);
        AEffect* e = Create();
        const std::int64_t made = alloc::SinceFailFrom();
        alloc::FailFrom(0);
        if (e) {
            EXPECT_TRUE(Complete(e)) << "when allocation " << n << " fails";
            Dispatch(e, effClose);
            EXPECT_EQ(scope.allocations(), scope.frees());
            if (made < n) break;  // this creation needed fewer than n allocations
            continue;             // a failed store read still gives a whole instance
        }
        ++nulls;
        EXPECT_EQ(scope.allocations(), scope.frees()) << "leak when allocation " << n << " fails";
        EXPECT_EQ(CFGetLiveObjectCount(), liveBefore);
    }
    EXPECT_GT(nulls, 0);
}

// Each display, failing at each of its allocations in turn until one needs
// fewer: the text is the full one or the fallback that a refused hook
// leaves (the mode's integer), never a half-written one.
TEST_F(RealTime, DisplayUnderOutOfMemoryWritesATextAndLeaksNothing) {
    AEffect* e = Create();
    ASSERT_NE(e, nullptr);
    struct Case {
        VstInt32 index;
        const char* full;
        const char* fallback;
    };
    const Case cases[] = {{0, "0", "0"}, {1, "0.000", "0.000"}, {2, "Samples", "0"}};
    for (const Case& c : cases) {
        std::int64_t failures = 0;
        for (std::int64_t n = 1;; ++n) {
            char text[24];
            std::memset(text, 'x', sizeof(text));
            alloc::Scope scope;
            alloc::FailFrom(n);
            Dispatch(e, effGetParamDisplay, c.index, 0, text);
            const std::int64_t made = alloc::SinceFailFrom();
            alloc::FailFrom(0);
            ASSERT_NE(std::memchr(text, 0, sizeof(text)), nullptr) << c.index << " at " << n;
            EXPECT_TRUE(std::strcmp(text, c.full) == 0 || std::strcmp(text, c.fallback) == 0)
                << c.index << " at " << n << ": " << text;
            EXPECT_EQ(scope.allocations(), scope.frees()) << c.index << " at " << n;
            if (made < n) {
                EXPECT_STREQ(text, c.full) << c.index;
                break;
            }
            ++failures;
        }
        // The mode's value names are a new array of new strings each time.
        if (c.index == 2) {
            EXPECT_GT(failures, 0);
        }
    }
    Dispatch(e, effClose);
}

}  // namespace
}  // namespace testhost
