// Hosts call in from several threads at once, and several host processes
// share one store: processing on the audio thread while other threads set
// parameters, read texts and switch programs; instances created and closed
// in parallel (a host scanning and loading); processes remembering values
// together. Run under ThreadSanitizer in the tsan preset; everywhere the
// audio must pass through bit for bit and every remembered value stay whole.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/reliability/reliability.h"

namespace reliability {
namespace {

using Concurrency = PluginSession;

// A display text is whole: terminated within the 24 bytes it may take.
bool Terminated(const char* text) { return std::memchr(text, 0, 24) != nullptr; }

TEST_F(Concurrency, AudioThreadWithParameterDisplayAndProgramThreads) {
    AEffect* e = Create();
    ASSERT_NE(e, nullptr);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(e, effSetBlockSize, 0, 64);
    Dispatch(e, effMainsChanged, 0, 1);

    // The audio thread runs until it has processed kBlocks blocks and each
    // other thread has made kCalls rounds of calls, so that they overlap
    // however the threads are scheduled.
    constexpr int kBlocks = 20000;
    constexpr int kCalls = 500;
    std::atomic<bool> done{false};
    std::atomic<int> badBlocks{0}, badTexts{0}, badPrograms{0};
    std::atomic<int> parameterRounds{0}, textRounds{0}, programRounds{0};
    std::atomic<std::int64_t> delaySeen{0};

    std::thread audio([&] {
        StereoBuffer in(64), out(64);
        for (int block = 0; block < kBlocks || parameterRounds < kCalls || textRounds < kCalls ||
                            programRounds < kCalls;
             ++block) {
            if (!PassesThrough(e, in, out, static_cast<std::uint32_t>(block))) ++badBlocks;
        }
        done = true;
    });
    std::thread parameters([&] {
        for (std::uint32_t i = 0; !done; ++i, ++parameterRounds) {
            const auto index = static_cast<VstInt32>(i % 3);
            e->setParameter(e, index, static_cast<float>(i % 11) / 10.0f);
            static_cast<void>(e->getParameter(e, index));
        }
    });
    std::thread texts([&] {
        for (std::uint32_t i = 0; !done; ++i, ++textRounds) {
            char text[24];
            Dispatch(e, effGetParamDisplay, static_cast<VstInt32>(i % 3), 0, text);
            if (!Terminated(text)) ++badTexts;
            char name[16];
            Dispatch(e, effGetParamName, static_cast<VstInt32>(i % 3), 0, name);
            if (name[15] != 0) ++badTexts;
            char program[32];
            Dispatch(e, effGetProgramName, 0, 0, program);
            if (std::memchr(program, 0, sizeof program) == nullptr) ++badTexts;
            // The host reads the latency while blocks run.
            delaySeen += Delay(e);
        }
    });
    std::thread programs([&] {
        for (std::uint32_t i = 0; !done; ++i, ++programRounds) {
            Dispatch(e, effSetProgram, 0, static_cast<VstIntPtr>(i % 8));
            const VstIntPtr current = Dispatch(e, effGetProgram);
            if (current < 0 || current >= 8) ++badPrograms;
            if (i % 64 == 0)
                Dispatch(e, effSetSampleRate, 0, 0, nullptr, i % 128 == 0 ? 44100.0f : 96000.0f);
        }
    });
    audio.join();
    parameters.join();
    texts.join();
    programs.join();

    EXPECT_EQ(badBlocks, 0) << "blocks not passed through bit for bit";
    EXPECT_EQ(badTexts, 0);
    EXPECT_EQ(badPrograms, 0);
    Dispatch(e, effMainsChanged, 0, 0);
    EXPECT_EQ(Dispatch(e, effClose), 1);
}

TEST_F(Concurrency, InstancesCreatedAndClosedOnManyThreads) {
    constexpr int kThreads = 8;
    constexpr int kCycles = 150;
    std::atomic<int> nulls{0}, badBlocks{0}, badTexts{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int cycle = 0; cycle < kCycles; ++cycle) {
                AEffect* e = Create();
                if (!e) {
                    ++nulls;
                    continue;
                }
                Dispatch(e, effOpen);
                Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
                Dispatch(e, effMainsChanged, 0, 1);
                // Half the threads change the mode, which the others then
                // read from the store as they are created.
                if (t % 2 == 0) e->setParameter(e, 2, static_cast<float>(cycle % 2));
                StereoBuffer in(32), out(32);
                if (!PassesThrough(e, in, out, static_cast<std::uint32_t>(t * kCycles + cycle)))
                    ++badBlocks;
                char text[24];
                Dispatch(e, effGetParamDisplay, 2, 0, text);
                if (std::strcmp(text, "Samples") != 0 && std::strcmp(text, "Seconds") != 0)
                    ++badTexts;
                Dispatch(e, effMainsChanged, 0, 0);
                Dispatch(e, effClose);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(nulls, 0);
    EXPECT_EQ(badBlocks, 0);
    EXPECT_EQ(badTexts, 0);
}

// Each process writes its own values through its own instances and checks
// that every instance it creates reads whole values: 0.0 before anyone
// wrote, or a value some process wrote.
TEST_F(Concurrency, SeveralProcessesRememberValuesAtOnce) {
    constexpr int kProcesses = 4;
    constexpr int kCycles = 150;
    // Process p writes Samples p * 1000 + k and Seconds (p * 100 + k) / 1000,
    // k below 100; normalised, as the host sets them.
    const auto samplesOf = [](int p, int k) { return static_cast<float>(p * 1000 + k) / 4096.0f; };
    const auto secondsOf = [](int p, int k) { return static_cast<float>(p * 100 + k) / 1000.0f; };
    const auto whole = [&](AEffect* e) {
        const float samples = std::round(e->getParameter(e, 0) * 4096.0f);
        const float seconds = e->getParameter(e, 1);
        const bool samplesOk = samples == 0.0f || (std::fmod(samples, 1000.0f) < 100.0f &&
                                                   samples < kProcesses * 1000.0f);
        bool secondsOk = seconds == 0.0f;
        for (int p = 0; p < kProcesses && !secondsOk; ++p)
            for (int k = 0; k < 100 && !secondsOk; ++k) secondsOk = seconds == secondsOf(p, k);
        return samplesOk && secondsOk;
    };

    std::vector<pid_t> children;
    std::vector<int> reports;
    for (int p = 0; p < kProcesses; ++p) {
        int channel[2];
        ASSERT_EQ(pipe(channel), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(channel[0]);
            int torn = 0;
            for (int cycle = 0; cycle < kCycles; ++cycle) {
                AEffect* e = Create();
                if (!e) _exit(2);
                if (!whole(e)) ++torn;
                e->setParameter(e, 0, samplesOf(p, cycle % 100));
                e->setParameter(e, 1, secondsOf(p, cycle % 100));
                Dispatch(e, effClose);
            }
            const char result = torn == 0 ? 'y' : 'n';
            _exit(write(channel[1], &result, 1) == 1 ? 0 : 3);
        }
        close(channel[1]);
        children.push_back(pid);
        reports.push_back(channel[0]);
    }
    int tornHere = 0;
    for (int i = 0; i < kCycles; ++i) {
        AEffect* e = Create();
        ASSERT_NE(e, nullptr);
        if (!whole(e)) ++tornHere;
        Dispatch(e, effClose);
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        char result = 0;
        EXPECT_EQ(read(reports[i], &result, 1), 1);
        EXPECT_EQ(result, 'y') << "process " << i << " read a torn value";
        close(reports[i]);
        int status = 0;
        ASSERT_EQ(waitpid(children[i], &status, 0), children[i]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << i;
    }
    EXPECT_EQ(tornHere, 0);
    AEffect* last = Create();
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(whole(last));
    EXPECT_NE(last->getParameter(last, 0), 0.0f) << "no write landed";
    Dispatch(last, effClose);
}

}  // namespace
}  // namespace reliability
