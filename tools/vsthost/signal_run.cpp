#include "signal_run.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace vsthost {

BlockRunner::BlockRunner(Effect& effect, VstInt32 blockSize)
    : effect_(effect), blockSize_(blockSize) {
    const auto n = static_cast<std::size_t>(blockSize);
    const auto ins = static_cast<std::size_t>(effect.record().numInputs);
    const auto outs = static_cast<std::size_t>(effect.record().numOutputs);
    in_.assign(ins, std::vector<float>(n, 0.0f));
    reference_.assign(ins, std::vector<float>(n, 0.0f));
    out_.assign(outs, std::vector<float>(n, 0.0f));
    for (auto& b : in_) inPtr_.push_back(b.data());
    for (auto& b : out_) outPtr_.push_back(b.data());
    check_.channels = static_cast<VstInt32>(std::min(ins, outs));
}

void BlockRunner::run(VstInt32 frames) {
    const auto n = static_cast<std::size_t>(frames);
    for (std::size_t c = 0; c < in_.size(); ++c)
        std::memcpy(reference_[c].data(), in_[c].data(), n * sizeof(float));
    for (auto& b : out_) std::fill(b.begin(), b.end(), 0.0f);
    effect_.processReplacing(inPtr_.data(), outPtr_.data(), frames);

    for (std::size_t c = 0; c < static_cast<std::size_t>(check_.channels) && !check_.differs; ++c) {
        const float* want = reference_[c].data();
        const float* got = out_[c].data();
        if (std::memcmp(want, got, n * sizeof(float)) == 0) continue;
        for (std::size_t i = 0; i < n; ++i) {
            if (std::memcmp(want + i, got + i, sizeof(float)) == 0) continue;
            check_.differs = true;
            check_.channel = static_cast<VstInt32>(c);
            check_.frame = check_.frames + static_cast<long long>(i);
            std::memcpy(&check_.inputBits, want + i, sizeof(float));
            std::memcpy(&check_.outputBits, got + i, sizeof(float));
            break;
        }
    }
    check_.frames += frames;
    ++check_.blocks;
}

float TestSample(VstInt32 channel, long long frame, double sampleRate) {
    constexpr float kTiny = std::numeric_limits<float>::denorm_min();
    constexpr float kSpecial[] = {0.0f, -0.0f, kTiny, -kTiny, 1.0f, -1.0f, 1.0e-39f, -0.75f};
    constexpr long long kSpecials = static_cast<long long>(std::size(kSpecial));
    if (frame < kSpecials) return kSpecial[(frame + channel) % kSpecials];
    // Noise from a 32-bit integer hash of (channel, frame): the same on
    // every run and every platform.
    auto h = static_cast<std::uint32_t>(frame) * 0x9E3779B1u ^
             static_cast<std::uint32_t>(channel + 1) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    const double noise = (static_cast<double>(h) / 4294967295.0 - 0.5) * 1.0e-3;
    const double hz = 440.0 * (1.0 + 0.5 * channel);
    const double t = static_cast<double>(frame) / sampleRate;
    return static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * t) + noise);
}

PassThroughCheck RunGeneratedSignal(Effect& effect, double sampleRate, VstInt32 blockSize) {
    BlockRunner runner(effect, blockSize);
    const long long total = std::max(1LL, std::llround(sampleRate));  // one second
    for (long long done = 0; done < total;) {
        const auto frames = static_cast<VstInt32>(std::min<long long>(blockSize, total - done));
        for (VstInt32 c = 0; c < runner.inputs(); ++c) {
            float* in = runner.input(c);
            for (VstInt32 i = 0; i < frames; ++i) in[i] = TestSample(c, done + i, sampleRate);
        }
        runner.run(frames);
        done += frames;
    }
    return runner.check();
}

}  // namespace vsthost
