#include "options.h"

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "host_error.h"

namespace vsthost {
namespace {

constexpr double kMaxRate = 10'000'000.0;
constexpr VstInt32 kMaxBlock = 1 << 20;

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// A whole number in [low, high], written with digits only.
VstInt32 ParseCount(const std::string& text, const char* what, long long low, long long high) {
    if (!AllDigits(text))
        throw UsageError(std::string(what) + " must be a whole number, not \"" + text + "\"");
    errno = 0;
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || n < low || n > high)
        throw UsageError(std::string(what) + " " + text + " is out of range (" +
                         std::to_string(low) + " to " + std::to_string(high) + ")");
    return static_cast<VstInt32>(n);
}

// A finite decimal number; the whole text must be the number.
double ParseNumber(const std::string& text, const char* what) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (text.empty() || end != begin + text.size() || errno == ERANGE || !std::isfinite(v))
        throw UsageError(std::string(what) + " is not a number: \"" + text + "\"");
    return v;
}

// INDEX_OR_NAME=NORMALISED. The value follows the last '=', so a name may
// itself contain one.
ParamSetting ParseParam(const std::string& text) {
    const auto eq = text.rfind('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError("--param wants INDEX_OR_NAME=VALUE, not \"" + text + "\"");
    ParamSetting s;
    s.key = text.substr(0, eq);
    const double v =
        ParseNumber(text.substr(eq + 1), ("value of parameter \"" + s.key + "\"").c_str());
    if (v < 0.0 || v > 1.0)
        throw UsageError("value " + text.substr(eq + 1) + " of parameter \"" + s.key +
                         "\" is outside 0..1 (values are normalised)");
    s.value = static_cast<float>(v);
    if (AllDigits(s.key)) {
        s.byIndex = true;
        s.index = ParseCount(s.key, "parameter index", 0, 0x7FFFFFFF);
    }
    return s;
}

enum LongOnly : int { kPlugin = 256, kRate, kBlock, kProgram, kParam, kIn, kOut };

const option kLongOptions[] = {
    {"plugin", required_argument, nullptr, kPlugin},
    {"rate", required_argument, nullptr, kRate},
    {"block", required_argument, nullptr, kBlock},
    {"program", required_argument, nullptr, kProgram},
    {"param", required_argument, nullptr, kParam},
    {"in", required_argument, nullptr, kIn},
    {"out", required_argument, nullptr, kOut},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

Options ParseOptions(int argc, char** argv) {
    Options o;
    opterr = 0;  // our own messages, through HostError
    for (;;) {
        const int c = getopt_long(argc, argv, ":qh", kLongOptions, nullptr);
        if (c == -1) break;
        const std::string arg = optarg ? optarg : "";
        switch (c) {
            case kPlugin:
                if (!o.pluginPath.empty()) throw UsageError("the plug-in is given twice");
                if (arg.empty()) throw UsageError("--plugin wants a path");
                o.pluginPath = arg;
                break;
            case kRate: {
                const double r = ParseNumber(arg, "--rate");
                if (r <= 0.0 || r > kMaxRate)
                    throw UsageError("--rate " + arg +
                                     " is out of range (above 0, at most 10000000 Hz)");
                o.rate = r;
                break;
            }
            case kBlock: o.blockSize = ParseCount(arg, "--block", 1, kMaxBlock); break;
            case kProgram: o.program = ParseCount(arg, "--program", 0, 0x7FFFFFFF); break;
            case kParam: o.params.push_back(ParseParam(arg)); break;
            case kIn: o.inFile = arg; break;
            case kOut: o.outFile = arg; break;
            case 'q': o.quiet = true; break;
            case 'h': o.help = true; break;
            case ':': throw UsageError(std::string(argv[optind - 1]) + " wants a value");
            default: {
                const std::string bad = optopt ? std::string("-") + static_cast<char>(optopt)
                                               : std::string(argv[optind - 1]);
                throw UsageError("unknown option " + bad + " (see --help)");
            }
        }
    }
    for (int i = optind; i < argc; ++i) {
        if (!o.pluginPath.empty()) throw UsageError("the plug-in is given twice");
        o.pluginPath = argv[i];
        if (o.pluginPath.empty()) throw UsageError("the plug-in path is empty");
    }
    if (o.inFile.empty() != o.outFile.empty()) throw UsageError("--in and --out go together");
    if (!o.inFile.empty() && o.inFile == o.outFile)
        throw UsageError("--in and --out name the same file");
    return o;
}

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: tardimark-host [OPTIONS] [PLUGIN]\n"
        "\n"
        "Loads a VST 2.4 plug-in binary (by default the Tardimark module next to this\n"
        "program), prints its identity, programs and parameters, runs one second of a\n"
        "generated signal through it in host-sized blocks, out of place, checks that the\n"
        "output equals the input bit for bit, and prints the latency it declares.\n"
        "\n"
        "Options:\n"
        "  --plugin PATH        the plug-in to load (or give PATH as the only argument)\n"
        "  --rate HZ            sample rate told to the plug-in (default 48000, or the\n"
        "                       input file's rate with --in)\n"
        "  --block N            largest block per processing call (default 512)\n"
        "  --program N          select program N before processing\n"
        "  --param KEY=VALUE    set a parameter before processing; KEY is its index, or\n"
        "                       its name exactly as the plug-in shows it (case-sensitive,\n"
        "                       e.g. \"Samples\", \"Seconds\", \"Samples Or Seco\"); VALUE is\n"
        "                       normalised, 0 to 1. Repeatable, applied in order.\n"
        "                       Setting a parameter is a real parameter change, as in any\n"
        "                       host: a plug-in that remembers its last settings per user\n"
        "                       (Tardimark does) stores the new value as the starting\n"
        "                       value of its future instances.\n"
        "  --in FILE --out FILE process an audio file instead of the generated signal.\n"
        "                       The file keeps its own sample rate unless --rate is given\n"
        "                       (the samples are never resampled). A mono file feeds every\n"
        "                       plug-in input; otherwise file channel i feeds input i,\n"
        "                       further inputs get silence and further file channels are\n"
        "                       dropped. FILE.wav out gets one channel per plug-in output,\n"
        "                       32-bit float, the input file's rate, and the same length.\n"
#if defined(_WIN32)
        "                       (This Windows build has no audio file support.)\n"
#endif
        "  -q, --quiet          print nothing but errors\n"
        "  -h, --help           show this help\n"
        "\n"
        "Exit status: 0 the output equals the input bit for bit; 1 it differs;\n"
        "2 bad command line (unknown option, bad number, no such parameter or program);\n"
        "3 the plug-in or a file could not be loaded or driven.\n",
        out);
}

}  // namespace vsthost
