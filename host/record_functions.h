// The six C functions stored in the effect record. Each recovers the effect
// object from the record's object field and calls one virtual method; none
// lets an exception reach the host. [calling host thread]
#pragma once

#include "host/aeffect.h"

extern "C" {
VstIntPtr VSTCALLBACK dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                          VstIntPtr value, void* ptr, float opt) noexcept;
float VSTCALLBACK getParameterClass(AEffect* e, VstInt32 index) noexcept;
void VSTCALLBACK setParameterClass(AEffect* e, VstInt32 index, float value) noexcept;
void VSTCALLBACK processClass(AEffect* e, float** inputs, float** outputs,
                              VstInt32 sampleFrames) noexcept;
void VSTCALLBACK processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                       VstInt32 sampleFrames) noexcept;
void VSTCALLBACK processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                             VstInt32 sampleFrames) noexcept;
}
