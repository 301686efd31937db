#include "report.h"

#include <cinttypes>

namespace vsthost {
namespace {

struct FlagName {
    VstInt32 bit;
    const char* name;
};

constexpr FlagName kFlagNames[] = {
    {effFlagsHasEditor, "hasEditor"},
    {effFlagsHasClip, "hasClip"},
    {effFlagsHasVu, "hasVu"},
    {effFlagsCanMono, "canMono"},
    {effFlagsCanReplacing, "canReplacing"},
    {effFlagsProgramChunks, "programChunks"},
    {effFlagsIsSynth, "isSynth"},
    {effFlagsNoSoundInStop, "noSoundInStop"},
    {effFlagsExtIsAsync, "extIsAsync"},
    {effFlagsExtHasBuffer, "extHasBuffer"},
    {effFlagsCanDoubleReplacing, "canDoubleReplacing"},
};

std::string FlagText(VstInt32 flags) {
    std::string names;
    for (const auto& f : kFlagNames) {
        if (!(flags & f.bit)) continue;
        if (!names.empty()) names += ' ';
        names += f.name;
    }
    return names;
}

const char* CategoryText(VstIntPtr category) {
    switch (category) {
        case kPlugCategUnknown: return "unknown";
        case kPlugCategEffect: return "effect";
        case kPlugCategSynth: return "synth";
        default: return "other";
    }
}

// A dispatcher text, or a mark that the plug-in declined to answer.
std::string Answered(Effect& effect, VstInt32 opcode) {
    VstIntPtr answer = 0;
    const std::string text = effect.text(opcode, 0, 0, &answer);
    return answer ? text : text.empty() ? "(not answered)" : text + " (answered 0)";
}

}  // namespace

std::string FourCharText(VstInt32 id) {
    std::string s;
    const auto u = static_cast<std::uint32_t>(id);
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((u >> shift) & 0xFFu);
        s += (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    return s;
}

void PrintIdentity(std::FILE* out, Effect& effect, const PluginModule& module) {
    const AEffect& r = effect.record();
    const VstIntPtr vendorVersion = effect.dispatch(effGetVendorVersion);
    const VstIntPtr category = effect.dispatch(effGetPlugCategory);
    const VstIntPtr vstVersion = effect.dispatch(effGetVstVersion);
    std::fprintf(out, "plug-in:         %s (entry %s)\n", module.path().c_str(),
                 module.entryName());
    std::fprintf(out, "effect name:     %s\n", Answered(effect, effGetEffectName).c_str());
    std::fprintf(out, "vendor:          %s\n", Answered(effect, effGetVendorString).c_str());
    std::fprintf(out, "product:         %s\n", Answered(effect, effGetProductString).c_str());
    std::fprintf(out, "vendor version:  %" PRIdPTR " (0x%" PRIXPTR ")\n", vendorVersion,
                 static_cast<std::uintptr_t>(vendorVersion));
    std::fprintf(out, "category:        %" PRIdPTR " (%s)\n", category, CategoryText(category));
    std::fprintf(out, "unique ID:       '%s' (0x%08" PRIX32 ")\n", FourCharText(r.uniqueID).c_str(),
                 static_cast<std::uint32_t>(r.uniqueID));
    std::fprintf(out, "VST version:     %" PRIdPTR "\n", vstVersion);
    std::fprintf(out, "channels:        %" PRId32 " in, %" PRId32 " out\n", r.numInputs,
                 r.numOutputs);
    std::fprintf(out, "flags:           0x%08" PRIX32 " (%s)\n",
                 static_cast<std::uint32_t>(r.flags), FlagText(r.flags).c_str());
    std::fprintf(out, "programs:        %" PRId32 "\n", r.numPrograms);
    std::fprintf(out, "parameters:      %" PRId32 "\n", r.numParams);
}

void PrintPrograms(std::FILE* out, Effect& effect) {
    const VstInt32 count = effect.record().numPrograms;
    const VstIntPtr current = effect.dispatch(effGetProgram);
    std::fprintf(out, "\nprograms (%" PRId32 ", * current):\n", count);
    for (VstInt32 i = 0; i < count; ++i) {
        VstIntPtr answer = 0;
        // Category 0 with the program's index; an effect that does not
        // answer by index is shown without a name.
        const std::string name = effect.text(effGetProgramNameIndexed, i, 0, &answer);
        std::fprintf(out, "  %c %3" PRId32 "  %s\n", i == current ? '*' : ' ', i,
                     answer ? name.c_str() : "(no name)");
    }
}

void PrintParameters(std::FILE* out, Effect& effect) {
    const VstInt32 count = effect.record().numParams;
    std::fprintf(out, "\nparameters (%" PRId32 "):\n", count);
    if (count == 0) return;
    std::fprintf(out, "  %5s  %-16s  %-16s  %-10s  %s\n", "index", "name", "display", "label",
                 "normalised");
    for (VstInt32 i = 0; i < count; ++i) {
        const std::string name = effect.text(effGetParamName, i);
        const std::string label = effect.text(effGetParamLabel, i);
        const std::string display = effect.text(effGetParamDisplay, i);
        std::fprintf(out, "  %5" PRId32 "  %-16s  %-16s  %-10s  %.6f\n", i, name.c_str(),
                     display.c_str(), label.c_str(), static_cast<double>(effect.parameter(i)));
    }
}

}  // namespace vsthost
