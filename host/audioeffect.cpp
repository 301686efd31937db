#include "host/audioeffect.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>

#include "host/record_functions.h"
#include "host/saturate.h"

AudioEffect::AudioEffect(audioMasterCallback audioMaster_, VstInt32 numPrograms_,
                         VstInt32 numParams_)
    : audioMaster(audioMaster_),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(numPrograms_),
      numParams(numParams_),
      curProgram(0) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms_;
    cEffect.numParams = numParams_;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = FourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
    canProcessReplacing(true);
}

AudioEffect::~AudioEffect() { delete editor; }

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    switch (opcode) {
        case effOpen: open(); return 0;
        case effClose: close(); return 0;
        case effSetProgram:
            // A negative program number would select a program that does not
            // exist: it is ignored like one beyond the last.
            if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram: return getProgram();
        case effSetProgramName: setProgramName(static_cast<char*>(ptr)); return 0;
        case effGetProgramName: getProgramName(static_cast<char*>(ptr)); return 0;
        case effGetParamLabel: getParameterLabel(index, static_cast<char*>(ptr)); return 0;
        case effGetParamDisplay: getParameterDisplay(index, static_cast<char*>(ptr)); return 0;
        case effGetParamName: getParameterName(index, static_cast<char*>(ptr)); return 0;
        case effGetVu: return SaturatingTruncate(static_cast<double>(getVu()) * 32767.0);
        case effSetSampleRate: setSampleRate(opt); return 0;
        case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
        case effMainsChanged:
            if (value == 0) {
                suspend();
            } else {
                resume();
            }
            return 0;
        case effEditGetRect:
            return editor && editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        case effEditOpen: return editor && editor->open(ptr) ? 1 : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify: return kEffectIdentify;
        case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk: return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        default: return 0;  // including the editor opcodes that do nothing
    }
}

void AudioEffect::setSampleRate(float rate) {
    std::atomic_ref<float>(sampleRate).store(rate, std::memory_order_relaxed);
}

void AudioEffect::setBlockSize(VstInt32 size) {
    std::atomic_ref<VstInt32>(blockSize).store(size, std::memory_order_relaxed);
}

float AudioEffect::getSampleRate() { return CurrentSampleRate(); }

VstInt32 AudioEffect::getBlockSize() {
    return std::atomic_ref<VstInt32>(blockSize).load(std::memory_order_relaxed);
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    if (audioMaster) callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getProgram() { return CurrentProgramIndex(); }

void AudioEffect::setProgram(VstInt32 program) {
    std::atomic_ref<VstInt32>(curProgram).store(program, std::memory_order_relaxed);
}

void AudioEffect::setInitialDelay(VstInt32 delay) { StoreInitialDelay(delay); }

VstInt32 AudioEffect::getMasterVersion() {
    if (!audioMaster) return 1;
    const VstIntPtr version = callHost(audioMasterVersion);
    return version == 0 ? 1 : static_cast<VstInt32>(version);
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterCurrentId)) : 0;
}

void AudioEffect::masterIdle() {
    if (audioMaster) callHost(audioMasterIdle);
}

bool AudioEffect::isInputConnected(VstInt32 input) {
    return audioMaster ? callHost(audioMasterPinConnected, input, 0) == 0 : true;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return audioMaster ? callHost(audioMasterPinConnected, output, 1) == 0 : true;
}

// ---- Text conversions ----

namespace {

// Writes s into text cut to maxLen characters and NUL-fills every byte up to
// and including text[maxLen]. A negative maxLen leaves no room: nothing is
// written.
void PutCut(char* text, VstInt32 maxLen, const char* s) noexcept {
    if (maxLen < 0) return;
    const auto room = static_cast<std::size_t>(maxLen);
    std::size_t n = std::strlen(s);
    if (n > room) n = room;
    std::memcpy(text, s, n);
    std::memset(text + n, 0, room - n + 1);
}

char Digit(double v) noexcept { return static_cast<char>('0' + static_cast<int>(v)); }

}  // namespace

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    if (value <= 0.0f) {
        PutCut(text, maxLen, "-oo");
        return;
    }
    float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    if (samples == 0.0f) {
        float2string(0.0f, text, maxLen);
        return;
    }
    float2string(getSampleRate() / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    float2string(static_cast<float>(static_cast<double>(samples) * 1000.0 /
                                    static_cast<double>(getSampleRate())),
                 text, maxLen);
}

// Eight characters: sign, integer digits, point, fraction digits, cut, not
// rounded. An integer part too wide for the budget (positive values from ten
// million, negative ones from minus one million) is shown as its exact digits
// without a point, still within eight characters, rather than losing its
// leading digits.
void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    double v = value;
    if (std::isnan(v)) {
        PutCut(text, maxLen, "NaN");
        return;
    }
    bool negative = false;
    int c = 0;
    if (v < 0.0) {
        negative = true;
        v = -v;
        c = 1;
        if (v > 9999999.0) {
            PutCut(text, maxLen, "Huge!");
            return;
        }
    } else if (v > 99999999.0) {
        PutCut(text, maxLen, "Huge!");
        return;
    }

    char digits[16];  // integer digits, right to left
    int numDigits = 0;
    double i = std::floor(v);
    digits[numDigits++] = Digit(std::fmod(i, 10.0));
    i *= 0.1;
    c += 2;
    while (i >= 1.0 && c < 8) {
        digits[numDigits++] = Digit(std::fmod(i, 10.0));
        i *= 0.1;
        c += 1;
    }
    const bool tooWide = i >= 1.0;
    while (i >= 1.0 && numDigits < 9) {
        digits[numDigits++] = Digit(std::fmod(i, 10.0));
        i *= 0.1;
    }

    char out[24];
    int n = 0;
    if (negative) out[n++] = '-';
    while (numDigits > 0) out[n++] = digits[--numDigits];
    if (tooWide) {
        out[n] = 0;
        PutCut(text, maxLen, out);
        return;
    }
    out[n++] = '.';
    if (c < 8) {
        const int fraction = 8 - c;
        double m = std::fmod(v, 1.0) * std::pow(10.0, fraction);
        for (int k = fraction - 1; k >= 0; --k) {
            if (m <= 0.0) {
                out[n + k] = '0';
            } else {
                out[n + k] = Digit(std::fmod(m, 10.0));
                m *= 0.1;
            }
        }
        n += fraction;
    }
    out[n] = 0;
    PutCut(text, maxLen, out);
}

// Whole numbers below one hundred million. Negative values of any size are
// shown with all their digits (the digit loop starts at 10^9 so that no
// digit overflows).
void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    if (value >= 100000000) {
        PutCut(text, maxLen, "Huge!");
        return;
    }
    char out[16];
    int n = 0;
    long long v = value;
    if (v < 0) {
        out[n++] = '-';
        v = -v;
    }
    bool started = false;
    for (long long d = 1000000000LL; d >= 1; d /= 10) {
        const long long digit = v / d;
        v %= d;
        if (digit > 0) started = true;
        if (started) out[n++] = static_cast<char>('0' + digit);
    }
    if (!started) out[n++] = '0';
    out[n] = 0;
    PutCut(text, maxLen, out);
}
