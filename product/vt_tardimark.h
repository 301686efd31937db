// Tardimark: passes two channels through unchanged and declares a latency,
// in samples or in seconds, in the record's initialDelay so that the host's
// delay compensation shifts the track. The last settings are remembered
// per user and become the starting values of every new instance.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "framework/vt_au_base.h"

inline constexpr VstInt32 kTardimarkUniqueID = FourCC('V', 't', 'd', 'm');
inline constexpr VstInt32 kTardimarkVersion = 0x10003;

enum TardimarkParam : VstInt32 {
    kParamSamples = 0,          // latency in samples, whole numbers 0..4096
    kParamSeconds = 1,          // latency in seconds, 0..1
    kParamSamplesOrSeconds = 2  // mode: 0 samples, 1 seconds
};

extern const std::array<ParamInfo, kNumParams> ParamInfoTable;

class VtTardimark;

// Copies its channel's input to its output; nothing when they are the same
// buffer. Holds no state.
class VtTardimarkKernel final : public AUKernelBase {
public:
    explicit VtTardimarkKernel(VtTardimark* owner) : effect(owner) {}
    // [audio thread]
    void Process(const float* inSourceP, float* inDestP, std::uint32_t inFramesToProcess,
                 std::uint32_t /*inNumChannels*/, bool& /*ioSilence*/) override {
        if (inSourceP != inDestP && inFramesToProcess > 0)
            std::memmove(inDestP, inSourceP, inFramesToProcess * sizeof(float));
    }

private:
    [[maybe_unused]] VtTardimark* effect;  // the effect that made it; never read
};

class VtTardimark final : public VtAuBase {
public:
    // Reads the remembered values into program 0 (three store reads).
    explicit VtTardimark(audioMasterCallback host);

    void resume() override;  // asks the host for MIDI events
    // [audio thread] Updates the latency from the current program, then
    // passes the audio through.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    // Stores the value in the current program and remembers it (one
    // synchronous store write). The latency follows at the next block.
    void setParameter(VstInt32 index, float value) override;
    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return kTardimarkVersion; }
    VstInt32 canDo(char* text) override;  // 1 for "receiveVstMidiEvent" only
    VstInt32 getPlugCategory() override { return kPlugCategEffect; }
    AUKernelBase* NewKernel() override { return new VtTardimarkKernel(this); }
    // "Samples", "Seconds" for the mode parameter; the caller releases the array.
    OSStatus GetParameterValueStrings(AudioUnitScope scope, AudioUnitParameterID id,
                                      CFArray** outStrings) override;
    void* GetProductStorage() override { return &storage; }

    virtual std::int32_t QueryZero() { return 0; }
    virtual std::int32_t Version() { return kTardimarkVersion; }
    // The latency in seconds at the current sample rate, not truncated.
    virtual double GetLatency();

    // Recomputes initialDelay from the current program and the sample rate.
    // [audio thread, and once at construction]
    void UpdateLatency();

private:
    std::int32_t storage;  // answered by GetProductStorage; nothing uses it
};
