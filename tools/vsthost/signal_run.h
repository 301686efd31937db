// Processing through an effect in host-sized blocks, out of place, with
// the bit-for-bit comparison of every output against its matching input.
#pragma once

#include <cstdint>
#include <vector>

#include "effect.h"

namespace vsthost {

struct PassThroughCheck {
    VstInt32 channels = 0;  // input/output pairs compared: min(inputs, outputs)
    long long frames = 0;   // frames processed
    long long blocks = 0;   // processReplacing calls
    bool differs = false;
    // The first difference, when differs.
    VstInt32 channel = 0;
    long long frame = 0;
    std::uint32_t inputBits = 0, outputBits = 0;

    // The output equals the input bit for bit, and something was compared.
    bool passed() const { return channels > 0 && !differs; }
};

// One block's buffers for an effect whose channel counts are fixed while
// it runs. [main thread]
class BlockRunner {
public:
    BlockRunner(Effect& effect, VstInt32 blockSize);

    VstInt32 inputs() const { return static_cast<VstInt32>(in_.size()); }
    VstInt32 outputs() const { return static_cast<VstInt32>(out_.size()); }
    VstInt32 blockSize() const { return blockSize_; }
    // Fill the first frames samples of each input before run.
    float* input(VstInt32 channel) { return in_[static_cast<std::size_t>(channel)].data(); }
    const float* output(VstInt32 channel) const {
        return out_[static_cast<std::size_t>(channel)].data();
    }

    // One processReplacing call of frames (1 to blockSize) samples; outputs
    // start as silence, and each output with a matching input is compared
    // with what the input held before the call.
    void run(VstInt32 frames);
    const PassThroughCheck& check() const { return check_; }

private:
    Effect& effect_;
    VstInt32 blockSize_;
    std::vector<std::vector<float>> in_, out_, reference_;
    std::vector<float*> inPtr_, outPtr_;
    PassThroughCheck check_;
};

// One second of a generated signal (one distinct channel per input) at the
// given rate. The effect is set up and resumed.
PassThroughCheck RunGeneratedSignal(Effect& effect, double sampleRate, VstInt32 blockSize);

// Sample `frame` of generated channel `channel`: signed zeros, subnormals
// and full scale first, then a tone with a little noise, different in
// every channel.
float TestSample(VstInt32 channel, long long frame, double sampleRate);

}  // namespace vsthost
