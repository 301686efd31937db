#include "file_run.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "host_error.h"

namespace vsthost {
namespace {

struct SndFileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

}  // namespace

struct AudioFileRun::Impl {
    std::string inPath, outPath;
    SF_INFO inInfo{};
    SndFilePtr in;
};

AudioFileRun::AudioFileRun(const std::string& inPath, const std::string& outPath)
    : impl_(std::make_unique<Impl>()) {
    impl_->inPath = inPath;
    impl_->outPath = outPath;
    // Writing the file being read would truncate it under the reader.
    std::error_code ec;
    if (std::filesystem::equivalent(inPath, outPath, ec))
        throw UsageError("--in and --out name the same file");
    impl_->in.reset(sf_open(inPath.c_str(), SFM_READ, &impl_->inInfo));
    if (!impl_->in) throw Failure("cannot open audio file " + inPath + ": " + sf_strerror(nullptr));
    if (impl_->inInfo.channels < 1 || impl_->inInfo.samplerate < 1)
        throw Failure("audio file " + inPath + " has no channels or no sample rate");
}

AudioFileRun::~AudioFileRun() = default;

double AudioFileRun::rate() const { return impl_->inInfo.samplerate; }
int AudioFileRun::channels() const { return impl_->inInfo.channels; }
long long AudioFileRun::frames() const { return impl_->inInfo.frames; }

PassThroughCheck AudioFileRun::process(Effect& effect, VstInt32 blockSize) {
    BlockRunner runner(effect, blockSize);
    const int fileChannels = impl_->inInfo.channels;
    const VstInt32 outs = runner.outputs();
    if (outs < 1) throw Failure("the plug-in has no outputs to write to " + impl_->outPath);

    SF_INFO outInfo{};
    outInfo.samplerate = impl_->inInfo.samplerate;
    outInfo.channels = outs;
    outInfo.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SndFilePtr out(sf_open(impl_->outPath.c_str(), SFM_WRITE, &outInfo));
    if (!out)
        throw Failure("cannot create audio file " + impl_->outPath + ": " + sf_strerror(nullptr));

    const auto block = static_cast<std::size_t>(blockSize);
    std::vector<float> interleavedIn(block * static_cast<std::size_t>(fileChannels));
    std::vector<float> interleavedOut(block * static_cast<std::size_t>(outs));
    for (;;) {
        const sf_count_t got = sf_readf_float(impl_->in.get(), interleavedIn.data(), blockSize);
        if (got <= 0) break;
        const auto frames = static_cast<std::size_t>(got);
        for (VstInt32 c = 0; c < runner.inputs(); ++c) {
            float* dst = runner.input(c);
            const int source = fileChannels == 1 ? 0 : c;  // mono feeds every input
            if (source >= fileChannels) {
                std::fill(dst, dst + frames, 0.0f);
                continue;
            }
            for (std::size_t i = 0; i < frames; ++i)
                dst[i] = interleavedIn[i * static_cast<std::size_t>(fileChannels) +
                                       static_cast<std::size_t>(source)];
        }
        runner.run(static_cast<VstInt32>(got));
        for (VstInt32 c = 0; c < outs; ++c) {
            const float* src = runner.output(c);
            for (std::size_t i = 0; i < frames; ++i)
                interleavedOut[i * static_cast<std::size_t>(outs) + static_cast<std::size_t>(c)] =
                    src[i];
        }
        if (sf_writef_float(out.get(), interleavedOut.data(), got) != got)
            throw Failure("cannot write audio file " + impl_->outPath + ": " +
                          sf_strerror(out.get()));
    }
    if (sf_error(impl_->in.get()) != SF_ERR_NO_ERROR)
        throw Failure("cannot read audio file " + impl_->inPath + ": " +
                      sf_strerror(impl_->in.get()));
    if (sf_close(out.release()) != 0) throw Failure("cannot finish audio file " + impl_->outPath);
    return runner.check();
}

}  // namespace vsthost
