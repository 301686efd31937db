// The host's command line.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host/aeffect.h"

namespace vsthost {

// One --param: which parameter (a name as the plug-in shows it, or an
// index when the text is only digits) and the normalised value, 0 to 1.
struct ParamSetting {
    std::string key;
    bool byIndex = false;
    VstInt32 index = 0;  // when byIndex
    float value = 0.0f;
};

struct Options {
    std::string pluginPath;      // empty: the product beside the executable
    std::optional<double> rate;  // Hz; unset: the audio file's rate, else 48000
    VstInt32 blockSize = 512;    // frames per processReplacing call at most
    std::optional<VstInt32> program;
    std::vector<ParamSetting> params;  // applied in command-line order
    std::string inFile, outFile;       // both or neither
    bool quiet = false;
    bool help = false;
};

inline constexpr double kDefaultRate = 48000.0;

// Throws HostError (kExitUsage) for unknown options, bad numbers, values
// outside 0..1 and inconsistent choices. Only what needs the plug-in (does
// that parameter or program exist?) is left to the run.
Options ParseOptions(int argc, char** argv);

void PrintUsage(std::FILE* out);

}  // namespace vsthost
