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

    IsolatedStore store;
    RecordingHost host;
};

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

TEST_F(RealTime, DisplayUnderOutOfMemoryWritesATextAndLeaksNothing) {
    AEffect* e = Create();
    ASSERT_NE(e, nullptr);
    for (VstInt32 index = 0; index < 3; ++index) {
        for (std::int64_t n = 1; n <= 8; ++n) {
            char text[64];
            std::memset(text, 'x', sizeof(text));
            alloc::Scope scope;
            alloc::FailFrom(n);
            Dispatch(e, effGetParamDisplay, index, 0, text);
            alloc::FailFrom(0);
            EXPECT_NE(std::memchr(text, 0, 24), nullptr) << index << " at " << n;
            EXPECT_EQ(scope.allocations(), scope.frees()) << index << " at " << n;
        }
    }
    Dispatch(e, effClose);
}

}  // namespace
}  // namespace testhost
