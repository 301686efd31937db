#include "product/vt_tardimark.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "core/cftypes.h"
#include "core/stored_defaults.h"
#include "host/saturate.h"

const std::array<ParamInfo, kNumParams> ParamInfoTable = {{
    {"Samples", kAudioUnitParameterUnit_Indexed, 0.0f, 4096.0f, 0.0f},
    {"Seconds", kAudioUnitParameterUnit_Seconds, 0.0f, 1.0f, 0.0f},
    {"Samples Or Seconds", kAudioUnitParameterUnit_Indexed, 0.0f, 1.0f, 0.0f},
}};

namespace {

// Names under which the three values are remembered. The first two are
// also the mode's value names: the same literals, so one cache entry each.
constexpr const char* kStoredNames[kNumParams] = {"Samples", "Seconds", "SamplesOrSeconds"};

// The mode's value names, borrowed from the literal cache and filled at the
// first request. Two first requests at once store the same two strings.
std::atomic<CFString*> gValueStrings[2] = {nullptr, nullptr};

// The mode truncated toward zero is exactly 1: seconds; anything else
// (0, 2, -1, NaN) is samples.
bool SecondsMode(VtProgramBasic& program) {
    const float mode = program.GetValue(kParamSamplesOrSeconds);
    return mode >= 1.0f && mode < 2.0f;
}

}  // namespace

VtTardimark::VtTardimark(audioMasterCallback host) : VtAuBase(host, ParamInfoTable) {
    canProcessReplacing(true);
    canMono(true);
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kTardimarkUniqueID);
    CreateKernels();
    float remembered[kNumParams];
    for (VstInt32 i = 0; i < kNumParams; ++i) remembered[i] = ReadDefault(CFSTR(kStoredNames[i]));
    // Plain values, stored as read: no conversion, no rounding, no range.
    for (VstInt32 i = 0; i < kNumParams; ++i) CurrentProgram().SetValue(i, remembered[i]);
    UpdateLatency();
}

void VtTardimark::UpdateLatency() {
    VtProgramBasic& program = CurrentProgram();
    const double delay = SecondsMode(program)
                             ? static_cast<double>(program.GetValue(kParamSeconds)) *
                                   static_cast<double>(CurrentSampleRate())
                             : static_cast<double>(program.GetValue(kParamSamples));
    StoreInitialDelay(SaturatingTruncate(delay));
}

double VtTardimark::GetLatency() {
    VtProgramBasic& program = CurrentProgram();
    if (SecondsMode(program)) return program.GetValue(kParamSeconds);
    return static_cast<double>(program.GetValue(kParamSamples)) /
           static_cast<double>(getSampleRate());
}

void VtTardimark::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    UpdateLatency();
    // The base's processing, with every kernel known to be ours.
    ProcessKernels<VtTardimarkKernel>(inputs, outputs, sampleFrames);
}

void VtTardimark::setParameter(VstInt32 index, float value) {
    VtAuBase::setParameter(index, value);
    if (index >= 0 && index < kNumParams)
        WriteDefault(CFSTR(kStoredNames[index]), CurrentProgram().GetValue(index));
}

void VtTardimark::resume() { wantEvents(1); }

bool VtTardimark::getEffectName(char* name) {
    std::memcpy(name, "Tardimark", sizeof("Tardimark"));
    return true;
}

bool VtTardimark::getProductString(char* text) {
    std::memcpy(text, "Tardimark", sizeof("Tardimark"));
    return true;
}

VstInt32 VtTardimark::canDo(char* text) {
    return text && std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : 0;
}

OSStatus VtTardimark::GetParameterValueStrings(AudioUnitScope scope, AudioUnitParameterID id,
                                               CFArray** outStrings) {
    if (!outStrings) return noErr;
    if (scope != kAudioUnitScope_Global || id != kParamSamplesOrSeconds)
        return kAudioUnitErr_InvalidParameter;
    if (!gValueStrings[1].load(std::memory_order_acquire)) {
        gValueStrings[0].store(CFSTR(kStoredNames[0]), std::memory_order_relaxed);
        gValueStrings[1].store(CFSTR(kStoredNames[1]), std::memory_order_release);
    }
    CFString* pair[2] = {gValueStrings[0].load(std::memory_order_relaxed),
                         gValueStrings[1].load(std::memory_order_relaxed)};
    *outStrings = CFArrayCreate(pair);
    return noErr;
}

// Lets no exception reach the host: out of memory anywhere in construction
// answers null, and whatever was built is freed on the way out.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster) noexcept {
    try {
        return new VtTardimark(audioMaster);
    } catch (...) {
        return nullptr;
    }
}
