// A small effect for testing the interface layer before any product
// exists: it counts the virtual calls that the dispatchers make and lets a
// test set the answers of the methods it replaces.
#pragma once

#include <string>
#include <vector>

#include "host/audioeffectx.h"

namespace testhost {

class TestEffect : public AudioEffectX {
public:
    explicit TestEffect(audioMasterCallback host, VstInt32 programs = 4, VstInt32 parameters = 2)
        : AudioEffectX(host, programs, parameters) {
        ++liveCount;
    }
    ~TestEffect() override { --liveCount; }

    void open() override { log.push_back("open"); }
    void close() override {
        log.push_back("close");
        ++closeCount;
    }
    void suspend() override { log.push_back("suspend"); }
    void resume() override {
        log.push_back("resume");
        AudioEffectX::resume();
    }
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override {
        log.push_back("processReplacing");
        for (VstInt32 c = 0; c < cEffect.numOutputs && c < cEffect.numInputs; ++c)
            for (VstInt32 i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i];
    }
    void setParameter(VstInt32 index, float value) override {
        lastIndex = index;
        params[index & 1] = value;
    }
    float getParameter(VstInt32 index) override { return params[index & 1]; }
    float getVu() override { return vu; }
    VstInt32 getChunk(void** data, bool isPreset) override {
        lastIsPreset = isPreset;
        lastPtr = data;
        return 77;
    }
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override {
        lastIsPreset = isPreset;
        lastPtr = data;
        lastValue = byteSize;
        return 78;
    }
    VstInt32 canDo(char* text) override {
        log.push_back(std::string("canDo:") + text);
        return canDoAnswer;
    }
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override {
        lastCategory = category;
        lastIndex = index;
        text[0] = 0;
        return true;
    }
    void attachEditor(AEffEditor* e) { editor = e; }
    using AudioEffect::cEffect;
    using AudioEffect::curProgram;

    static inline int liveCount = 0;
    static inline int closeCount = 0;
    std::vector<std::string> log;
    float params[2] = {0.0f, 0.0f};
    float vu = 0.0f;
    VstInt32 canDoAnswer = 0;
    VstInt32 lastIndex = -1;
    VstInt32 lastCategory = -1;
    VstIntPtr lastValue = 0;
    void* lastPtr = nullptr;
    bool lastIsPreset = false;
};

}  // namespace testhost
