// A framework effect for tests: a parameter table chosen per test, kernels
// that log what they receive, and hooks that answer, refuse, hand over long
// or missing strings, or fail to allocate.
#pragma once

#include <array>
#include <new>
#include <string>
#include <vector>

#include "core/cftypes.h"
#include "framework/vt_au_base.h"

namespace fwtest {

enum class Hook { Refuse, Answer, LongString, NullString, OutOfMemory };

struct KernelCall {
    int kernel;
    const float* source;
    float* destination;
    std::uint32_t frames;
    std::uint32_t channels;
    bool* silence;
    bool silenceOnEntry;
};

struct Counters {
    std::vector<KernelCall> calls;
    int kernelsAlive = 0;
    int kernelsDeleted = 0;
};

// A string with one reference for the caller, as a property hands it over.
inline CFString* NewString(const char* text) {
    auto* s = new CFString(text);
    CFRetain(s);
    return s;
}

class LoggingKernel final : public AUKernelBase {
public:
    LoggingKernel(Counters& c, int id) : counters(c), kernel(id) { ++counters.kernelsAlive; }
    ~LoggingKernel() override {
        --counters.kernelsAlive;
        ++counters.kernelsDeleted;
    }
    void Process(const float* src, float* dst, std::uint32_t frames, std::uint32_t channels,
                 bool& silence) override {
        counters.calls.push_back({kernel, src, dst, frames, channels, &silence, silence});
    }

private:
    Counters& counters;
    int kernel;
};

class FrameworkEffect final : public VtAuBase {
public:
    FrameworkEffect(const std::array<ParamInfo, kNumParams>& table, Counters* c = nullptr,
                    VstInt32 outputs = 2, VstInt32 inputs = 2, int missingKernel = -1)
        : VtAuBase(nullptr, table), counters(c), nullKernel(missingKernel) {
        setNumInputs(inputs);
        setNumOutputs(outputs);
        if (counters) CreateKernels();
    }

    AUKernelBase* NewKernel() override {
        const int id = made++;
        if (nullKernel == id) return nullptr;
        return new LoggingKernel(*counters, id);
    }

    OSStatus GetParameterValueStrings(AudioUnitScope scope, AudioUnitParameterID id,
                                      CFArray** out) override {
        ++valueStringCalls;
        switch (valueStrings) {
            case Hook::Refuse: return VtAuBase::GetParameterValueStrings(scope, id, out);
            case Hook::OutOfMemory: throw std::bad_alloc();
            case Hook::LongString: {
                CFString* pair[2] = {CFSTR("A value string of 24 chr"), CFSTR("No")};
                *out = CFArrayCreate(pair);
                return noErr;
            }
            default: {
                CFString* pair[2] = {CFSTR("Samples"), CFSTR("Seconds")};
                *out = CFArrayCreate(pair);
                return noErr;
            }
        }
    }

    OSStatus GetProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                         void* data) override {
        ++propertyCalls;
        auto* request = static_cast<AudioUnitParameterStringFromValue*>(data);
        switch (property) {
            case Hook::Refuse: return VtAuBase::GetProperty(id, scope, element, data);
            case Hook::OutOfMemory: throw std::bad_alloc();
            case Hook::NullString: return noErr;
            case Hook::LongString:
                request->outString = NewString("a property text too long!");
                return noErr;
            default:
                lastRequest = *request;
                request->outString = NewString("prop");
                return noErr;
        }
    }

    void* GetProductStorage() override { return nullptr; }

    using VtAuBase::CurrentProgram;
    using VtAuBase::Program;

    Counters* counters;
    int nullKernel;  // the kernel NewKernel does not make
    int made = 0;
    Hook valueStrings = Hook::Refuse;
    Hook property = Hook::Refuse;
    int valueStringCalls = 0;
    int propertyCalls = 0;
    AudioUnitParameterStringFromValue lastRequest{};
};

}  // namespace fwtest
