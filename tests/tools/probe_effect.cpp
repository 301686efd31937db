// A test effect written straight on the effect record, without the
// interface layer, so that the host is tested against nothing but the
// binary contract. Two inputs, two outputs, audio passed through; its
// parameters steer what it declares:
//   0 "Samples"          latency of round(value x 4096) samples
//   1 "Seconds"          latency of value seconds, truncated to samples
//   2 "Samples Or Seco"  0.5 and above: the seconds count
//   3 "Add Zero"         0.5 and above: output = input + 0.0, which turns
//                        -0.0 into +0.0 (a copy that is equal, not identical)
//   4 "Count Blocks"     0.5 and above: latency = blocks since resume
// It also checks the host's road itself: a block that comes before the
// effect is open, set up and resumed, that is longer than the block size it
// was told, that is processed in place, or for which the host's callback
// disagrees with the rate and block size it set, comes out as NaN.
//
// Built twice: ProbeEffect exports VSTPluginMain, ProbeMainOnly only main.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>

#include "host/aeffect.h"

namespace {

enum Param : VstInt32 { kSamples, kSeconds, kMode, kAddZero, kCountBlocks, kParams };
constexpr const char* kNames[kParams] = {"Samples", "Seconds", "Samples Or Seco", "Add Zero",
                                         "Count Blocks"};
constexpr VstInt32 kPrograms = 4;
constexpr std::size_t kTextBytes = 32;

struct Probe {
    AEffect record{};
    audioMasterCallback host = nullptr;
    float params[kParams] = {};
    float sampleRate = 0.0f;
    VstInt32 blockSize = 0;
    VstInt32 program = 0;
    VstInt32 blocks = 0;
    bool open = false;
    bool resumed = false;
    bool hostAgrees = false;
};

Probe* From(AEffect* e) { return static_cast<Probe*>(e->object); }
bool On(const Probe& p, Param i) { return p.params[i] >= 0.5f; }

VstIntPtr Text(void* ptr, const char* text) {
    std::snprintf(static_cast<char*>(ptr), kTextBytes, "%s", text);
    return 1;
}

VstInt32 Latency(const Probe& p) {
    if (On(p, kCountBlocks)) return p.blocks;
    if (On(p, kMode))
        return static_cast<VstInt32>(static_cast<double>(p.params[kSeconds]) * p.sampleRate);
    return static_cast<VstInt32>(std::lround(p.params[kSamples] * 4096.0f));
}

void Display(const Probe& p, VstInt32 index, void* ptr) {
    char* out = static_cast<char*>(ptr);
    const float v = p.params[index];
    switch (index) {
        case kSamples: std::snprintf(out, kTextBytes, "%ld", std::lround(v * 4096.0f)); break;
        case kSeconds: std::snprintf(out, kTextBytes, "%.3f", static_cast<double>(v)); break;
        case kMode: Text(ptr, On(p, kMode) ? "Seconds" : "Samples"); break;
        default: Text(ptr, v >= 0.5f ? "On" : "Off"); break;
    }
}

VstIntPtr VSTCALLBACK Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                 void* ptr, float opt) {
    Probe* p = From(e);
    const bool param = index >= 0 && index < kParams;
    switch (opcode) {
        case effOpen: p->open = true; return 0;
        case effClose: delete p; return 1;
        case effSetProgram:
            if (value >= 0 && value < kPrograms) p->program = static_cast<VstInt32>(value);
            return 0;
        case effGetProgram: return p->program;
        case effGetProgramNameIndexed: {
            if (index < 0 || index >= kPrograms) return 0;
            std::snprintf(static_cast<char*>(ptr), kTextBytes, "Probe %d", static_cast<int>(index));
            return 1;
        }
        case effGetParamName: return param ? Text(ptr, kNames[index]) : 0;
        case effGetParamLabel: return param ? Text(ptr, index == kSeconds ? "s" : "") : 0;
        case effGetParamDisplay:
            if (param) Display(*p, index, ptr);
            return 0;
        case effSetSampleRate: p->sampleRate = opt; return 0;
        case effSetBlockSize: p->blockSize = static_cast<VstInt32>(value); return 0;
        case effMainsChanged:
            p->resumed = value != 0;
            if (p->resumed) {
                p->blocks = 0;
                const VstIntPtr rate = p->host(e, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
                const VstIntPtr block = p->host(e, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
                p->hostAgrees = rate == std::lround(p->sampleRate) && block == p->blockSize;
            }
            return 0;
        case effGetEffectName: return Text(ptr, "Probe");
        case effGetVendorString: return Text(ptr, "Test Vendor");
        case effGetProductString: return Text(ptr, "Probe Effect");
        case effGetVendorVersion: return 0x20001;
        case effGetPlugCategory: return kPlugCategEffect;
        case effGetVstVersion: return kVstVersion;
        default: return 0;
    }
}

void VSTCALLBACK ProcessReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    Probe* p = From(e);
    bool ok = p->open && p->resumed && p->hostAgrees && p->sampleRate > 0.0f && frames >= 1 &&
              frames <= p->blockSize;
    for (int c = 0; c < 2; ++c) ok = ok && inputs[c] != outputs[c];
    ++p->blocks;
    const bool addZero = On(*p, kAddZero);
    for (int c = 0; c < 2; ++c)
        for (VstInt32 i = 0; i < frames; ++i)
            outputs[c][i] = !ok       ? std::numeric_limits<float>::quiet_NaN()
                            : addZero ? inputs[c][i] + 0.0f
                                      : inputs[c][i];
    std::atomic_ref<VstInt32>(e->initialDelay).store(Latency(*p), std::memory_order_relaxed);
}

void VSTCALLBACK SetParameter(AEffect* e, VstInt32 index, float value) {
    if (index >= 0 && index < kParams) From(e)->params[index] = value;
}

float VSTCALLBACK GetParameter(AEffect* e, VstInt32 index) {
    return index >= 0 && index < kParams ? From(e)->params[index] : 0.0f;
}

AEffect* Create(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) < kVstVersion)
        return nullptr;
    auto* p = new Probe;
    p->host = host;
    AEffect& r = p->record;
    r.magic = kEffectMagic;
    r.dispatcher = &Dispatcher;
    r.processReplacing = &ProcessReplacing;
    r.setParameter = &SetParameter;
    r.getParameter = &GetParameter;
    r.numPrograms = kPrograms;
    r.numParams = kParams;
    r.numInputs = 2;
    r.numOutputs = 2;
    r.flags = effFlagsCanReplacing;
    r.ioRatio = 1.0f;
    r.object = p;
    r.uniqueID = FourCC('P', 'r', 'b', 'E');
    r.version = 1;
    return &r;
}

}  // namespace

#if PROBE_MAIN_ONLY
// Exported under the assembler name main only, as older plug-ins are.
extern "C" __attribute__((visibility("default"))) AEffect* ProbeMainEntry(
    audioMasterCallback host) __asm__("main");
AEffect* ProbeMainEntry(audioMasterCallback host) { return Create(host); }
#else
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    return Create(host);
}
#endif
