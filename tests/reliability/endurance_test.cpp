// A long session, as a host that stays up for days gives it: ten thousand
// instances opened and closed, and a million blocks processed by one. Run
// under LeakSanitizer in the asan preset, which fails the run on any leak;
// here the resident memory after a warm-up must not grow either.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/reliability/reliability.h"

#if defined(__SANITIZE_ADDRESS__)
#define VT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VT_ASAN 1
#endif
#endif

#if defined(VT_ASAN)
// Freed blocks wait in ASan's quarantine before they are reused, so that
// resident memory would grow with every block freed until the quarantine is
// full: without one, a leak-free session stays flat here too.
// Looked up by the sanitizer runtime, so it must be visible to it.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
    return "quarantine_size_mb=0";
}
#endif

namespace reliability {
namespace {

// Resident set in bytes, from the second field of /proc/self/statm.
std::int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::int64_t>(sysconf(_SC_PAGESIZE));
}

// Growth allowed after the warm-up: allocator bookkeeping, not a leak of
// one instance (a few kilobytes) per cycle, which would add tens of
// megabytes over the run.
constexpr std::int64_t kTolerance = 1 << 20;

using Endurance = PluginSession;

// Records the resident memory before and after the run and fails when it
// grew by more than the tolerance.
void ExpectNoGrowth(std::int64_t before, std::int64_t after) {
    ::testing::Test::RecordProperty("resident_before_kib", std::to_string(before / 1024));
    ::testing::Test::RecordProperty("resident_after_kib", std::to_string(after / 1024));
    EXPECT_LE(after - before, kTolerance)
        << "resident memory grew from " << before / 1024 << " KiB to " << after / 1024 << " KiB";
}

TEST_F(Endurance, TenThousandOpenCloseCycles) {
    int failures = 0;
    // What a host does with an instance it loads: open, set up, resume,
    // one block, its texts, suspend, close.
    const auto cycle = [&](int i) {
        AEffect* e = Create();
        if (!e) {
            ++failures;
            return;
        }
        Dispatch(e, effOpen);
        Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        Dispatch(e, effSetBlockSize, 0, 32);
        Dispatch(e, effMainsChanged, 0, 1);
        StereoBuffer in(32), out(32);
        if (!PassesThrough(e, in, out, static_cast<std::uint32_t>(i))) ++failures;
        for (VstInt32 index = 0; index < 3; ++index) {
            char text[24];
            Dispatch(e, effGetParamDisplay, index, 0, text);
        }
        if (i % 100 == 0) e->setParameter(e, 2, static_cast<float>((i / 100) % 2));
        Dispatch(e, effMainsChanged, 0, 0);
        if (Dispatch(e, effClose) != 1) ++failures;
        // The host keeps no record of its own: its trace of calls would
        // grow with the run, not the plug-in.
        host.clear();
    };
    for (int i = 0; i < 500; ++i) cycle(i);
    const std::int64_t before = ResidentBytes();
    for (int i = 0; i < 10000; ++i) cycle(i);
    const std::int64_t after = ResidentBytes();
    EXPECT_EQ(failures, 0);
    ExpectNoGrowth(before, after);
}

TEST_F(Endurance, OneMillionBlocks) {
    AEffect* e = Create();
    ASSERT_NE(e, nullptr);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(e, effSetBlockSize, 0, 16);
    Dispatch(e, effMainsChanged, 0, 1);
    StereoBuffer in(16), out(16);
    in.Fill(7);
    const StereoBuffer source = in;
    int failures = 0;
    // Every block out of place; every 4096th also checked bit for bit and
    // in place, with a parameter or program change now and then.
    const auto run = [&](int blocks) {
        for (int block = 0; block < blocks; ++block) {
            e->processReplacing(e, in.channels(), out.channels(), 16);
            if (block % 4096 == 0) {
                if (!(out == source) ||
                    !PassesThrough(e, in, out, static_cast<std::uint32_t>(block)))
                    ++failures;
                in.Fill(7);
                if (block % (1 << 16) == 0) {
                    e->setParameter(e, 0, static_cast<float>(block % 4097) / 4096.0f);
                    Dispatch(e, effSetProgram, 0, (block >> 16) % 8);
                }
            }
        }
    };
    run(20000);
    const std::int64_t before = ResidentBytes();
    run(1000000);
    const std::int64_t after = ResidentBytes();
    EXPECT_EQ(failures, 0);
    ExpectNoGrowth(before, after);
    Dispatch(e, effMainsChanged, 0, 0);
    EXPECT_EQ(Dispatch(e, effClose), 1);
}

}  // namespace
}  // namespace reliability
