// tardimark-host: loads a plug-in binary of the 2.4 interface as a host
// does, lists what it shows, runs audio through it and checks that the
// output equals the input bit for bit. See PrintUsage for the options.
#include <cinttypes>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>

#include "effect.h"
#include "file_run.h"
#include "host_error.h"
#include "options.h"
#include "plugin_module.h"
#include "report.h"
#include "signal_run.h"

namespace vsthost {
namespace {

// The index a --param names, checked against what the plug-in shows.
VstInt32 ResolveParameter(Effect& effect, const ParamSetting& s) {
    const VstInt32 count = effect.record().numParams;
    if (s.byIndex) {
        if (s.index < count) return s.index;
        throw UsageError("no parameter " + s.key + " (the plug-in has " + std::to_string(count) +
                         (count == 1 ? " parameter)" : " parameters)"));
    }
    std::string names;
    for (VstInt32 i = 0; i < count; ++i) {
        const std::string name = effect.text(effGetParamName, i);
        if (name == s.key) return i;
        names += (names.empty() ? "" : ", ") + ("\"" + name + "\"");
    }
    throw UsageError("no parameter named \"" + s.key +
                     "\" (names are case-sensitive; the plug-in shows " +
                     (names.empty() ? std::string("none") : names) + ")");
}

void CheckProgram(const Effect& effect, VstInt32 program) {
    const VstInt32 count = effect.record().numPrograms;
    if (program < count) return;
    throw UsageError("no program " + std::to_string(program) + " (the plug-in has " +
                     std::to_string(count) + (count == 1 ? " program)" : " programs)"));
}

int Run(int argc, char** argv) {
    const Options o = ParseOptions(argc, argv);
    if (o.help) {
        PrintUsage(stdout);
        return kExitOk;
    }
    std::FILE* const out = o.quiet ? nullptr : stdout;

    std::optional<AudioFileRun> file;
    if (!o.inFile.empty()) file.emplace(o.inFile, o.outFile);

    const std::string path = o.pluginPath.empty() ? DefaultPluginPath() : o.pluginPath;
    if (o.pluginPath.empty() && !std::filesystem::exists(path))
        throw Failure("no such file: " + path +
                      " (the product is loaded from beside this program by default; build it, or "
                      "name a plug-in)");
    const PluginModule module(path);
    Effect effect(module);
    const double rate = o.rate ? *o.rate : file ? file->rate() : kDefaultRate;

    effect.open();
    effect.setUp(rate, o.blockSize);
    if (o.program) CheckProgram(effect, *o.program);
    std::vector<VstInt32> indexes;
    for (const auto& p : o.params) indexes.push_back(ResolveParameter(effect, p));

    effect.resume();
    if (o.program) effect.selectProgram(*o.program);
    for (std::size_t i = 0; i < o.params.size(); ++i)
        effect.setParameter(indexes[i], o.params[i].value);

    if (out) {
        PrintIdentity(out, effect, module);
        PrintPrograms(out, effect);
        PrintParameters(out, effect);
        std::fputc('\n', out);
    }
    effect.requireProcessReplacing();
    const VstInt32 ins = effect.record().numInputs;
    const VstInt32 outs = effect.record().numOutputs;
    const PassThroughCheck check =
        file ? file->process(effect, o.blockSize) : RunGeneratedSignal(effect, rate, o.blockSize);
    const VstInt32 latency = effect.latency();  // read after processing: set per block
    effect.suspend();
    effect.close();

    if (out) {
        if (file) {
            std::fprintf(out, "input:           %s (%d channel%s, %lld frames at %g Hz)\n",
                         o.inFile.c_str(), file->channels(), file->channels() == 1 ? "" : "s",
                         file->frames(), file->rate());
            if (file->channels() > 1 && file->channels() > ins) {
                const int last = file->channels() - 1;
                if (last == ins)
                    std::fprintf(out, "                 file channel %d dropped", last);
                else
                    std::fprintf(out, "                 file channels %" PRId32 " to %d dropped",
                                 ins, last);
                std::fprintf(out, ": the plug-in has %" PRId32 " input%s\n", ins,
                             ins == 1 ? "" : "s");
            }
            std::fprintf(out, "output:          %s (%" PRId32 " channel%s, 32-bit float)\n",
                         o.outFile.c_str(), outs, outs == 1 ? "" : "s");
        }
        std::fprintf(out,
                     "processing:      %lld frames at %g Hz in %lld block%s of at most %" PRId32
                     ", out of place\n",
                     check.frames, rate, check.blocks, check.blocks == 1 ? "" : "s", o.blockSize);
        if (check.passed())
            std::fprintf(out,
                         "bit-exact:       yes (%" PRId32 " of %" PRId32
                         " outputs compared with their inputs)\n",
                         check.channels, outs);
        else
            std::fprintf(out, "bit-exact:       NO\n");
        std::fprintf(out, "latency:         %" PRId32 " sample%s (%.3f ms at %g Hz)\n", latency,
                     latency == 1 ? "" : "s", latency * 1000.0 / rate, rate);
    }
    if (check.channels == 0) {
        std::fprintf(stderr,
                     "tardimark-host: nothing to compare: no output has a matching input\n");
        return kExitNotBitExact;
    }
    if (check.differs) {
        std::fprintf(stderr,
                     "tardimark-host: output differs from input: channel %" PRId32
                     ", frame %lld: input 0x%08" PRIX32 ", output 0x%08" PRIX32 "\n",
                     check.channel, check.frame, check.inputBits, check.outputBits);
        return kExitNotBitExact;
    }
    return kExitOk;
}

}  // namespace
}  // namespace vsthost

int main(int argc, char** argv) {
    try {
        return vsthost::Run(argc, argv);
    } catch (const vsthost::HostError& e) {
        std::fprintf(stderr, "tardimark-host: %s\n", e.what());
        return e.code();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tardimark-host: %s\n", e.what());
        return vsthost::kExitFailure;
    }
}
