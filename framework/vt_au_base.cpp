#include "framework/vt_au_base.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/cftypes.h"
#include "host/saturate.h"

VtAuBase::VtAuBase(audioMasterCallback host, ParamTable table)
    : AudioEffectX(host, kNumPrograms, kNumParams), params(table) {
    for (auto& program : programs) {
        program = std::make_unique<VtProgramBasic>();
        for (VstInt32 j = 0; j < kNumParams; ++j) program->SetValue(j, Row(j).defaultValue);
        program->SetName("Defaults");
    }
    AudioEffect::setProgram(0);
}

// Programs first, then the listener list, then the kernels in list order.
VtAuBase::~VtAuBase() {
    for (auto& program : programs) program.reset();
    listeners.clear();
    listeners.shrink_to_fit();
    for (auto& kernel : kernels) kernel.reset();
}

void VtAuBase::CreateKernels() {
    const VstInt32 n = cEffect.numOutputs;
    if (n <= 0) return;
    // Room first, so that appending cannot throw with a kernel in hand.
    kernels.reserve(kernels.size() + static_cast<std::size_t>(n));
    for (VstInt32 i = 0; i < n; ++i) kernels.emplace_back(NewKernel());
}

void VtAuBase::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    ProcessKernels(inputs, outputs, sampleFrames);
}

double VtAuBase::DenormalizeParameter(VstInt32 index, float normalized) const noexcept {
    return ValidParam(index) ? ::DenormalizeParameter(Row(index), normalized) : 0.0;
}

double VtAuBase::NormalizeParameter(VstInt32 index, float plain) const noexcept {
    return ValidParam(index) ? ::NormalizeParameter(Row(index), plain) : 0.0;
}

void VtAuBase::setParameter(VstInt32 index, float value) {
    if (!ValidParam(index)) return;
    const auto plain = static_cast<float>(DenormalizeParameter(index, value));
    CurrentProgram().SetValue(index, plain);
    if (editor) editor->setParameter(index, plain);
}

float VtAuBase::getParameter(VstInt32 index) {
    if (!ValidParam(index)) return 0.0f;
    return static_cast<float>(NormalizeParameter(index, CurrentProgram().GetValue(index)));
}

void VtAuBase::setProgram(VstInt32 program) {
    if (program >= 0 && program < kNumPrograms) AudioEffect::setProgram(program);
}

void VtAuBase::setProgramName(char* name) {
    if (name) CurrentProgram().SetName(name);
}

void VtAuBase::getProgramName(char* name) {
    std::memcpy(name, CurrentProgram().GetName(),
                strnlen(CurrentProgram().GetName(), VtProgramBasic::kNameSize - 1) + 1);
}

bool VtAuBase::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    VtProgram* program = Program(index);
    if (!program) return false;
    const char* name = program->GetName();
    const std::size_t n = strnlen(name, VtProgramBasic::kNameSize - 1);
    std::memcpy(text, name, n);
    text[n] = 0;
    return true;
}

bool VtAuBase::getVendorString(char* text) {
    std::memcpy(text, "Vantorel", sizeof("Vantorel"));
    return true;
}

// ---- Parameter texts ----

void VtAuBase::getParameterName(VstInt32 index, char* text) {
    if (!ValidParam(index)) {
        text[0] = 0;
        return;
    }
    constexpr std::size_t kField = 16;
    const char* name = Row(index).name;
    const std::size_t n = strnlen(name, kField - 1);
    std::memcpy(text, name, n);
    std::memset(text + n, 0, kField - n);
}

void VtAuBase::getParameterLabel(VstInt32 index, char* label) {
    const char* text = ValidParam(index) ? ParameterUnitLabel(Row(index).unit) : "";
    std::memcpy(label, text, std::strlen(text) + 1);
}

namespace {

// Copies a hook's string into the host's buffer (24 bytes at most). A text
// of 24 characters or more is not copied: the caller moves on.
bool CopyString(const CFString* s, char* text) noexcept {
    return s && CFStringGetCString(s, text);
}

constexpr std::size_t kMaxDisplay = 24;  // bytes a display text may take

}  // namespace

void VtAuBase::getParameterDisplay(VstInt32 index, char* text) {
    if (!ValidParam(index)) {
        text[0] = 0;
        return;
    }
    const float v = CurrentProgram().GetValue(index);
    const ParamInfo& row = Row(index);

    if (row.unit == kAudioUnitParameterUnit_Boolean) {
        std::memcpy(text, v == 0.0f ? "Off" : "On", v == 0.0f ? 4 : 3);
        return;
    }

    if (row.unit == kAudioUnitParameterUnit_Indexed) {
        CFArray* strings = nullptr;
        bool done = false;
        try {
            if (GetParameterValueStrings(kAudioUnitScope_Global,
                                         static_cast<AudioUnitParameterID>(index),
                                         &strings) == noErr &&
                strings) {
                const std::int32_t k = SaturatingTruncate(v);
                if (k >= 0) {
                    done = CopyString(dynamic_cast<const CFString*>(CFArrayGetValueAtIndex(strings, k)),
                                      text);
                }
                CFRelease(strings);
            }
        } catch (...) {
            // A hook that could not make its array: fall through.
        }
        if (done) return;
    }

    // The property attempt: the text of the current value, from the product.
    AudioUnitParameterStringFromValue request{static_cast<AudioUnitParameterID>(index), nullptr,
                                              nullptr};
    try {
        if (GetProperty(kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0,
                        &request) == noErr &&
            request.outString) {
            const bool copied = CopyString(request.outString, text);
            CFRelease(request.outString);
            if (copied) return;
        }
    } catch (...) {
        // A hook that could not make its string: fall through.
    }

    WriteDisplay(index, v, text);
}

// The last source of a display text: the integer (Indexed) or the number.
void VtAuBase::WriteDisplay(VstInt32 index, float v, char* text) {
    if (Row(index).unit == kAudioUnitParameterUnit_Indexed) {
        // "%d" within 8 bytes, cut if it needs more.
        std::snprintf(text, 8, "%d", static_cast<int>(SaturatingTruncate(v)));
        return;
    }
    // The number, signed; a value too large for a display text shows as
    // "Huge!" rather than overrunning the host's buffer.
    char number[64];
    const bool negative = v < 0.0f;
    const int length = FormatParameterNumber(number, sizeof(number), negative ? -v : v);
    if (length < 0 || static_cast<std::size_t>(length) + (negative ? 1 : 0) >= kMaxDisplay) {
        std::memcpy(text, negative ? "-Huge!" : "Huge!", negative ? 7 : 6);
        return;
    }
    std::size_t at = 0;
    if (negative) text[at++] = '-';
    std::memcpy(text + at, number, static_cast<std::size_t>(length) + 1);
}

// ---- Hooks ----

OSStatus VtAuBase::GetParameterValueStrings(AudioUnitScope, AudioUnitParameterID, CFArray**) {
    return kAudioUnitErr_InvalidParameter;
}

OSStatus VtAuBase::GetProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement, void*) {
    return kAudioUnitErr_InvalidProperty;
}

OSStatus VtAuBase::GetPropertyInfo(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement,
                                   std::uint32_t*, bool*) {
    return kAudioUnitErr_InvalidProperty;
}

OSStatus VtAuBase::SetProperty(AudioUnitPropertyID, AudioUnitScope, AudioUnitElement,
                               const void*, std::uint32_t) {
    return kAudioUnitErr_InvalidProperty;
}

OSStatus VtAuBase::AddPropertyListener(AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc,
                                       void* userData) {
    if (listeners.empty()) listeners.reserve(32);
    listeners.push_back({id, proc, userData});
    return noErr;
}

OSStatus VtAuBase::RemovePropertyListener(AudioUnitPropertyID id,
                                          AudioUnitPropertyListenerProc proc) {
    for (std::size_t i = listeners.size(); i-- > 0;) {
        if (listeners[i].propertyID == id && listeners[i].procedure == proc)
            listeners.erase(listeners.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return noErr;
}
