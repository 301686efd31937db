// The built test module, loaded as a host loads a plug-in: exports, the
// version handshake, the record it hands over and the close opcode.
#include <gtest/gtest.h>

#include <cstring>

#include "testhost/plugin_loader.h"
#include "testhost/recording_host.h"

namespace testhost {
namespace {

#if defined(_WIN32)
constexpr const char* kModule = "testplugins\\TestEffect.dll";
#else
constexpr const char* kModule = "testplugins/TestEffect.so";
#endif

class EntryTest : public ::testing::Test {
protected:
    PluginLibrary lib{BesideExecutable(kModule)};
    RecordingHost host;
};

TEST_F(EntryTest, BothEntryNamesAreOneFunction) {
    ASSERT_TRUE(lib.loaded()) << lib.error();
    ASSERT_NE(lib.entry("VSTPluginMain"), nullptr);
    EXPECT_EQ(lib.entry("VSTPluginMain"), lib.entry("main"));
    EXPECT_EQ(lib.entry("createEffectInstance"), nullptr);
    EXPECT_EQ(lib.entry("dispatchEffectClass"), nullptr);
}

TEST_F(EntryTest, VersionHandshakeThenRecord) {
    ASSERT_TRUE(lib.loaded()) << lib.error();
    AEffect* e = lib.main()(RecordingHost::callback());
    ASSERT_NE(e, nullptr);
    const auto calls = host.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].effect, nullptr);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 0.0f);

    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 2);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0x10);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->uniqueID, 0x4E6F4566);
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    for (auto f : {reinterpret_cast<void*>(e->dispatcher), reinterpret_cast<void*>(e->process),
                   reinterpret_cast<void*>(e->setParameter),
                   reinterpret_cast<void*>(e->getParameter),
                   reinterpret_cast<void*>(e->processReplacing),
                   reinterpret_cast<void*>(e->processDoubleReplacing)})
        EXPECT_NE(f, nullptr);
    const char zeros[sizeof(e->future)] = {};
    EXPECT_EQ(std::memcmp(e->future, zeros, sizeof(zeros)), 0);

    EXPECT_EQ(Dispatch(e, effIdentify), 0x4E764566);
    EXPECT_EQ(Dispatch(e, effClose), 1);
}

TEST_F(EntryTest, HostAnsweringZeroToVersionGetsNoEffect) {
    ASSERT_TRUE(lib.loaded()) << lib.error();
    host.answer(audioMasterVersion, 0);
    EXPECT_EQ(lib.main()(RecordingHost::callback()), nullptr);
    EXPECT_EQ(host.calls().size(), 1u);
}

TEST_F(EntryTest, TwoEntryCallsGiveTwoInstances) {
    ASSERT_TRUE(lib.loaded()) << lib.error();
    AEffect* a = lib.main()(RecordingHost::callback());
    AEffect* b = lib.main()(RecordingHost::callback());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a->object, b->object);
    EXPECT_EQ(Dispatch(a, effClose), 1);
    EXPECT_EQ(Dispatch(b, effClose), 1);
}

}  // namespace
}  // namespace testhost
