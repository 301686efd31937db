// Processing an audio file through an effect instead of the generated
// signal. The input is opened first, since its rate sets up the effect.
//
// Channels: a mono file feeds every plug-in input; otherwise file channel i
// feeds input i, further inputs get silence and further file channels are
// dropped. The output file holds one channel per plug-in output, as 32-bit
// float WAV, so it keeps exactly the samples the plug-in produced; it has
// the input's rate and length (no resampling, no latency compensation).
#pragma once

#include <memory>
#include <string>

#include "signal_run.h"

namespace vsthost {

class AudioFileRun {
public:
    // Opens the input. Throws HostError: kExitFailure when it cannot be
    // read, kExitUsage when this build has no audio file support.
    AudioFileRun(const std::string& inPath, const std::string& outPath);
    ~AudioFileRun();
    AudioFileRun(const AudioFileRun&) = delete;
    AudioFileRun& operator=(const AudioFileRun&) = delete;

    double rate() const;  // Hz, the input file's
    int channels() const;
    long long frames() const;

    // Runs the whole input through the effect (set up and resumed) and
    // writes the output. Throws HostError (kExitFailure) on a file error.
    PassThroughCheck process(Effect& effect, VstInt32 blockSize);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vsthost
