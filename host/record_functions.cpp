#include "host/record_functions.h"

#include "host/audioeffect.h"

namespace {

AudioEffect* From(AEffect* e) noexcept { return static_cast<AudioEffect*>(e->object); }

}  // namespace

extern "C" {

VstIntPtr VSTCALLBACK dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                          VstIntPtr value, void* ptr, float opt) noexcept {
    AudioEffect* effect = From(e);
    if (opcode == effClose) {
        // The object answers close, then goes: the record is gone with it.
        try {
            effect->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        delete effect;
        return 1;
    }
    try {
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

float VSTCALLBACK getParameterClass(AEffect* e, VstInt32 index) noexcept {
    try {
        return From(e)->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

void VSTCALLBACK setParameterClass(AEffect* e, VstInt32 index, float value) noexcept {
    try {
        From(e)->setParameter(index, value);
    } catch (...) {
    }
}

void VSTCALLBACK processClass(AEffect* e, float** inputs, float** outputs,
                              VstInt32 sampleFrames) noexcept {
    try {
        From(e)->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void VSTCALLBACK processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                       VstInt32 sampleFrames) noexcept {
    try {
        From(e)->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void VSTCALLBACK processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                             VstInt32 sampleFrames) noexcept {
    try {
        From(e)->processDoubleReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

}  // extern "C"
