// The root of every effect: owns the record handed to the host, turns
// dispatcher opcodes 0..24 into virtual calls, sends a few host services,
// keeps the record's fields behind setters and renders numbers as text.
//
// The virtual operations are declared in their fixed slot order; derived
// classes keep it and append their own.
#pragma once

#include <atomic>

#include "host/aeffect.h"
#include "host/aeffeditor.h"

class AudioEffect {
public:
    // [any host thread] Fills the record; derived constructors run after.
    AudioEffect(audioMasterCallback host, VstInt32 programs, VstInt32 params);
    virtual ~AudioEffect();  // deletes the editor, if any

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // Opcodes 0..24; any other opcode answers 0. [any host thread]
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float sampleRate);  // Hz
    virtual void setBlockSize(VstInt32 blockSize);  // largest frame count of one call

    // [audio thread] Host may hand the same buffer as input and output.
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/,
                                        VstInt32 /*sampleFrames*/) {}

    // Normalised values, 0..1.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram();
    virtual void setProgram(VstInt32 program);  // stores curProgram, unchecked
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { name[0] = 0; }

    // Text buffers are the host's; each writes a NUL-terminated text.
    virtual void getParameterLabel(VstInt32 /*index*/, char* label) { label[0] = 0; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { text[0] = 0; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { text[0] = 0; }

    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/ = false) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/ = false) {
        return 0;
    }

    virtual void setUniqueID(VstInt32 iD) { cEffect.uniqueID = iD; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }

    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) {
        setFlag(effFlagsCanDoubleReplacing, state);
    }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    // Samples. Only stores the record field: the host is not told. A relaxed
    // atomic store, since the audio thread writes it while host threads read.
    virtual void setInitialDelay(VstInt32 delay);

    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate();
    virtual VstInt32 getBlockSize();

    // Host services: each tests audioMaster and answers a default without it.
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

    // Text conversions. text holds maxLen + 1 bytes; nothing is written past
    // text[maxLen], and every byte after the text up to it is NUL.
    virtual void dB2string(float value, char* text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen);
    virtual void float2string(float value, char* text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);

    virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
    virtual void setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }

protected:
    void setFlag(VstInt32 bit, bool state) noexcept {
        cEffect.flags = state ? (cEffect.flags | bit) : (cEffect.flags & ~bit);
    }
    // Non-virtual relaxed-atomic accessors for the audio thread's hot path;
    // the virtual methods above go through them.
    VstInt32 CurrentProgramIndex() const noexcept {
        return std::atomic_ref<const VstInt32>(curProgram).load(std::memory_order_relaxed);
    }
    float CurrentSampleRate() const noexcept {
        return std::atomic_ref<const float>(sampleRate).load(std::memory_order_relaxed);
    }
    void StoreInitialDelay(VstInt32 delay) noexcept {
        std::atomic_ref<VstInt32>(cEffect.initialDelay).store(delay, std::memory_order_relaxed);
    }

    // Sends one host opcode from this effect's record; the caller has
    // tested audioMaster.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return audioMaster(&cEffect, opcode, index, value, ptr, opt);
    }

    // Written by the dispatcher on a host thread and read on the audio
    // thread: accessed through relaxed atomics by the methods above.
    audioMasterCallback audioMaster;
    AEffEditor* editor;  // owned
    float sampleRate;
    VstInt32 blockSize;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram;
    AEffect cEffect;
};

// Supplied by the product: a fully constructed effect, or null when none
// could be made. Must not throw. [any host thread]
AudioEffect* createEffectInstance(audioMasterCallback audioMaster) noexcept;
