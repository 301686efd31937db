// Shared by the reliability tests: Tardimark loaded from its built binary
// and driven only through the entry point and the record, helpers for
// pass-through checks, and a way to run a host session in a child process
// (for faults that must not reach the test process, and for sessions that
// must run without privileges or get killed).
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "tests/product/store_fixture.h"
#include "testhost/plugin_loader.h"
#include "testhost/recording_host.h"

namespace reliability {

using testhost::Dispatch;

inline constexpr const char* kPlugin = "Tardimark.so";

inline VstInt32 Delay(AEffect* e) {
    return std::atomic_ref<VstInt32>(e->initialDelay).load(std::memory_order_relaxed);
}

// Two channels of `frames` samples each, in one block, and their pointers.
class StereoBuffer {
public:
    explicit StereoBuffer(VstInt32 frameCount)
        : frames_(static_cast<std::size_t>(frameCount)), samples_(2 * frames_) {
        Bind();
    }
    StereoBuffer(const StereoBuffer& other) : frames_(other.frames_), samples_(other.samples_) {
        Bind();
    }
    StereoBuffer& operator=(const StereoBuffer&) = delete;

    // Distinct samples for each seed and channel, so that a stale or
    // swapped channel shows.
    void Fill(std::uint32_t seed) {
        for (float& sample : samples_) {
            seed = seed * 1664525u + 1013904223u;
            sample = static_cast<float>(seed >> 8) * (1.0f / 16777216.0f) - 0.5f;
        }
    }
    bool operator==(const StereoBuffer& other) const {
        return samples_.size() == other.samples_.size() &&
               std::memcmp(samples_.data(), other.samples_.data(),
                           samples_.size() * sizeof(float)) == 0;
    }
    float** channels() { return channels_; }
    VstInt32 frames() const { return static_cast<VstInt32>(frames_); }

private:
    void Bind() {
        channels_[0] = samples_.data();
        channels_[1] = samples_.data() + frames_;
    }
    std::size_t frames_;
    std::vector<float> samples_;
    float* channels_[2];
};

// One block out of place and one in place; true when both pass the audio
// through bit for bit and leave the input alone.
inline bool PassesThrough(AEffect* e, StereoBuffer& in, StereoBuffer& out, std::uint32_t seed) {
    in.Fill(seed);
    const StereoBuffer expected = in;
    out.Fill(~seed);
    e->processReplacing(e, in.channels(), out.channels(), in.frames());
    if (!(out == expected) || !(in == expected)) return false;
    e->processReplacing(e, in.channels(), in.channels(), in.frames());
    return in == expected;
}

// What a host session run by RunInChild reports: "" when every check held.
using ChildBody = std::function<std::string()>;

struct ChildResult {
    bool skipped = false;  // no unprivileged user to run as
    std::string failures;  // the body's report, or how the child died
};

// Runs prepare, then body, in a forked child and hands back the body's
// report. With unprivileged, a privileged test process runs the body as
// nobody (after prepare), since permission bits do not bind root. Only the
// calling thread exists in the child; it ends with _exit, whatever happens,
// so that nothing of the parent's (the rest of the test run, above all) goes
// on in it.
inline ChildResult RunInChild(const ChildBody& body, bool unprivileged = false,
                              const std::function<void()>& prepare = {}) {
    int channel[2];
    if (pipe(channel) != 0) return {false, "pipe failed"};
    const pid_t pid = fork();
    if (pid < 0) return {false, "fork failed"};
    if (pid == 0) {
        close(channel[0]);
        alarm(120);  // a session that hangs is killed, and fails
        std::string report;
        try {
            if (prepare) prepare();
            constexpr uid_t kNobody = 65534;
            if (unprivileged && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
                report = "\x01";  // cannot drop privileges: skipped
            } else {
                report = body();
            }
        } catch (const std::exception& error) {
            report = std::string("exception: ") + error.what();
        } catch (...) {
            report = "unknown exception";
        }
        for (std::size_t done = 0; done < report.size();) {
            const ssize_t put = write(channel[1], report.data() + done, report.size() - done);
            if (put <= 0) break;
            done += static_cast<std::size_t>(put);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string report;
    char chunk[256];
    for (;;) {
        const ssize_t got = read(channel[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        report.append(chunk, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return {false, report + "child killed by signal " + std::to_string(WTERMSIG(status))};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {false, report + "child exited with " + std::to_string(WEXITSTATUS(status))};
    if (report == "\x01") return {true, ""};
    return {false, report};
}

// Tardimark loaded from its binary, with an empty store of its own and a
// recording host.
class PluginSession : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(lib.loaded()) << lib.error(); }

    AEffect* Create() { return lib.main()(testhost::RecordingHost::callback()); }

    testhost::IsolatedStore store;
    testhost::PluginLibrary lib{testhost::BesideExecutable(kPlugin)};
    testhost::RecordingHost host;
};

}  // namespace reliability
