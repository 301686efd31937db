// A host process killed while it remembers values (SIGKILL, as an
// out-of-memory killer or a crash of the host would end it): afterwards every
// value is whole, either an old or a new one, and what the killed writer left
// behind is never taken for a value by the next instance.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "tests/product/store_fixture.h"
#include "tests/reliability/reliability.h"

namespace reliability {
namespace {

namespace fs = std::filesystem;

// The writer's values, as normalised parameters and as the plain values the
// store then holds: Samples a whole number, Seconds a thousandth, the mode 0
// or 1. Any other stored bit pattern was never written.
float Normalised(VstInt32 index, std::uint32_t step) {
    switch (index) {
        case 0: return static_cast<float>(step % 4097) / 4096.0f;
        case 1: return static_cast<float>(step % 1000) / 1000.0f;
        default: return static_cast<float>(step % 2);
    }
}

bool WasWritten(const std::string& name, float plain) {
    if (name == "Samples") return plain >= 0.0f && plain <= 4096.0f && plain == std::floor(plain);
    if (name == "Seconds") {
        for (std::uint32_t k = 0; k < 1000; ++k)
            if (plain == static_cast<float>(k) / 1000.0f) return true;
        return false;
    }
    return plain == 0.0f || plain == 1.0f;
}

// Writes the three values in a tight loop until killed; tells the parent
// once the first round is stored.
[[noreturn]] void WriteUntilKilled(testhost::PluginLibrary& lib, int ready) {
    AEffect* e = lib.main()(testhost::RecordingHost::callback());
    if (!e) _exit(2);
    for (std::uint32_t step = 0;; ++step) {
        for (VstInt32 index = 0; index < 3; ++index)
            e->setParameter(e, index,
                            Normalised(index, step * 7 + static_cast<std::uint32_t>(index)));
        if (step == 0) {
            const char byte = 1;
            if (write(ready, &byte, 1) != 1) _exit(3);
        }
    }
}

TEST(WriterKilled, EveryValueStaysWholeAndLeftoversAreNeverValues) {
    testhost::IsolatedStore store;
    testhost::PluginLibrary lib(testhost::BesideExecutable(kPlugin));
    ASSERT_TRUE(lib.loaded()) << lib.error();
    testhost::RecordingHost host;
    const fs::path app =
        fs::path(std::getenv("XDG_CONFIG_HOME")) / "Vantorel" / "com.vantorel.Tardimark";
    const std::set<std::string> names = {"Samples", "Seconds", "SamplesOrSeconds"};

    std::mt19937 random(20240611);
    constexpr int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            WriteUntilKilled(lib, ready[1]);
        }
        close(ready[1]);
        // A check that fails before the kill must not leave the writer running.
        struct Reaper {
            pid_t pid;
            ~Reaper() {
                if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
            }
        } reaper{pid};
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the writer never stored a value";
        close(ready[0]);
        // Somewhere in the middle of a write, a different place each round.
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 4000)(random)));
        ASSERT_EQ(kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        reaper.pid = 0;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        // Each value: exactly one whole DWORD that the writer wrote. Any
        // other entry is a hidden temporary, which no value name maps to.
        for (const auto& entry : fs::directory_iterator(app)) {
            const std::string name = entry.path().filename().string();
            if (names.count(name) == 0) {
                EXPECT_EQ(name.rfind(".tmp.", 0), 0u) << "unexpected entry " << name;
                continue;
            }
            EXPECT_TRUE(entry.is_regular_file()) << name;
            EXPECT_EQ(entry.file_size(), 8u) << name << " is not one whole DWORD";
            const auto bits = store.Bits(name.c_str());
            ASSERT_TRUE(bits) << name;
            float plain;
            std::memcpy(&plain, &*bits, sizeof plain);
            EXPECT_TRUE(WasWritten(name, plain)) << name << " holds a value never written";
        }
        for (const std::string& name : names) EXPECT_TRUE(store.Bits(name.c_str())) << name;

        // The next instance reads exactly what the files hold.
        AEffect* e = lib.main()(testhost::RecordingHost::callback());
        ASSERT_NE(e, nullptr);
        float samples;
        const auto samplesBits = store.Bits("Samples");
        ASSERT_TRUE(samplesBits);
        std::memcpy(&samples, &*samplesBits, sizeof samples);
        EXPECT_EQ(e->getParameter(e, 0), samples / 4096.0f);
        Dispatch(e, effClose);
    }
    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(app))
        leftovers += names.count(entry.path().filename().string()) == 0 ? 1 : 0;
    RecordProperty("temporaries_left_by_killed_writers", leftovers);
}

}  // namespace
}  // namespace reliability
