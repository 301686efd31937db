// The audio file run of a build without an audio file library (Windows).
#include "file_run.h"
#include "host_error.h"

namespace vsthost {

struct AudioFileRun::Impl {};

AudioFileRun::AudioFileRun(const std::string&, const std::string&) {
    throw UsageError("this build of the host cannot read or write audio files (--in/--out)");
}
AudioFileRun::~AudioFileRun() = default;
double AudioFileRun::rate() const { return 0.0; }
int AudioFileRun::channels() const { return 0; }
long long AudioFileRun::frames() const { return 0; }
PassThroughCheck AudioFileRun::process(Effect&, VstInt32) { return {}; }

}  // namespace vsthost
