// The framework's effect: owns the programs and the per-channel kernels,
// keeps plain parameter values in the current program, gives the host the
// parameter and program texts, and offers Audio Unit style hooks that a
// product overrides.
#pragma once

#include <array>
#include <cstring>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "framework/au_types.h"
#include "framework/param_info.h"
#include "framework/vt_program.h"
#include "host/audioeffectx.h"

class CFArray;

// Processes one channel. Made by the effect's NewKernel, owned by the effect.
class AUKernelBase {
public:
    virtual ~AUKernelBase() = default;
    virtual void Reset() {}
    // [audio thread] source and destination may be the same buffer.
    virtual void Process(const float* inSourceP, float* inDestP, std::uint32_t inFramesToProcess,
                         std::uint32_t inNumChannels, bool& ioSilence) = 0;

protected:
    AUKernelBase() = default;
    AUKernelBase(const AUKernelBase&) = default;
    AUKernelBase& operator=(const AUKernelBase&) = default;
};

struct PropertyListenerRecord {
    AudioUnitPropertyID propertyID;
    AudioUnitPropertyListenerProc procedure;
    void* userData;  // handed in with the listener, never interpreted
};

class VtAuBase : public AudioEffectX {
public:
    using ParamTable = std::span<const ParamInfo, kNumParams>;

    // Eight programs named "Defaults" holding the table's defaults; program
    // 0 current; no kernels yet. The table must outlive the effect.
    VtAuBase(audioMasterCallback host, ParamTable table);
    ~VtAuBase() override;

    // Kernel i on input i and output i, one shared silence flag per call.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    // Normalised value → plain value in the current program. An index
    // outside the table changes nothing.
    void setParameter(VstInt32 index, float value) override;
    // Plain value of the current program → normalised; 0.0 outside the table.
    float getParameter(VstInt32 index) override;
    // Only existing programs can become current.
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;  // at most 32 bytes
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;  // exactly 16 bytes
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getVendorString(char* text) override;

    // Hooks. Each answers an Audio Unit status unless noted.
    virtual AUKernelBase* NewKernel() { return nullptr; }  // caller owns the kernel
    // On 0: *outStrings holds an array whose element k names plain value k;
    // one reference passes to the caller.
    virtual OSStatus GetParameterValueStrings(AudioUnitScope scope, AudioUnitParameterID id,
                                              CFArray** outStrings);
    virtual OSStatus GetProperty(AudioUnitPropertyID id, AudioUnitScope scope,
                                 AudioUnitElement element, void* outData);
    virtual OSStatus GetPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope,
                                     AudioUnitElement element, std::uint32_t* outDataSize,
                                     bool* outWritable);
    virtual OSStatus SetProperty(AudioUnitPropertyID id, AudioUnitScope scope,
                                 AudioUnitElement element, const void* inData,
                                 std::uint32_t inDataSize);
    virtual OSStatus AddPropertyListener(AudioUnitPropertyID id,
                                         AudioUnitPropertyListenerProc proc, void* userData);
    virtual OSStatus RemovePropertyListener(AudioUnitPropertyID id,
                                            AudioUnitPropertyListenerProc proc);
    virtual void* GetProductStorage() = 0;

    // Called once by a product's constructor, after it has set its channel
    // counts: one NewKernel per output.
    void CreateKernels();

    // Conversions of the table row of index; 0.0 outside the table.
    double DenormalizeParameter(VstInt32 index, float normalized) const noexcept;
    double NormalizeParameter(VstInt32 index, float plain) const noexcept;

    const std::vector<PropertyListenerRecord>& PropertyListeners() const { return listeners; }
    std::size_t KernelCount() const { return kernels.size(); }

protected:
    static bool ValidParam(VstInt32 index) { return index >= 0 && index < kNumParams; }
    // The program at curProgram, which always names an existing program.
    // Every program is a VtProgramBasic, so its value accesses inline.
    VtProgramBasic& CurrentProgram() {
        return *programs[static_cast<std::size_t>(CurrentProgramIndex())];
    }
    VtProgram* Program(VstInt32 index) {
        return index >= 0 && index < kNumPrograms ? programs[static_cast<std::size_t>(index)].get()
                                                  : nullptr;
    }
    const ParamInfo& Row(VstInt32 index) const { return params[static_cast<std::size_t>(index)]; }

    // Kernel i on input i and output i, one shared silence flag. A kernel
    // whose channel has no input writes silence to its output instead of
    // reading past the host's input array; an empty entry is skipped; a
    // negative frame count is treated as 0. A product whose kernels are all
    // of one final class names it, so the calls need no virtual dispatch.
    template <typename Kernel = AUKernelBase>
    void ProcessKernels(float** inputs, float** outputs, VstInt32 sampleFrames) {
        const std::uint32_t frames =
            sampleFrames > 0 ? static_cast<std::uint32_t>(sampleFrames) : 0u;
        const std::size_t numInputs =
            cEffect.numInputs > 0 ? static_cast<std::size_t>(cEffect.numInputs) : 0u;
        const std::size_t count = kernels.size();
        bool silence = false;
        for (std::size_t i = 0; i < count; ++i) {
            auto* kernel = static_cast<Kernel*>(kernels[i].get());
            if (!kernel) continue;
            if (i < numInputs) {
                kernel->Process(inputs[i], outputs[i], frames, 1, silence);
            } else if (frames > 0) {
                std::memset(outputs[i], 0, frames * sizeof(float));
            }
        }
    }

private:
    void WriteDisplay(VstInt32 index, float value, char* text);

    ParamTable params;
    std::array<std::unique_ptr<VtProgramBasic>, kNumPrograms> programs;
    std::vector<std::unique_ptr<AUKernelBase>> kernels;  // fixed after CreateKernels
    std::vector<PropertyListenerRecord> listeners;
};
