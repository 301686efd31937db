// The extended effect: opcodes 25..79, the host services of host opcodes
// 6..49, the extended flag setters and the speaker-arrangement helpers.
// Its virtual operations follow AudioEffect's in their fixed slot order.
#pragma once

#include "host/audioeffect.h"
#include "host/vst_records.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback host, VstInt32 programs, VstInt32 params)
        : AudioEffect(host, programs, params) {}

    // Opcodes 25..79 here; every other opcode goes to AudioEffect's.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;
    // Asks the host for events when the effect is a synth or takes MIDI.
    void resume() override;

    virtual bool canParameterBeAutomated(VstInt32 /*index*/) { return true; }
    virtual bool string2parameter(VstInt32 /*index*/, char* /*text*/) { return false; }
    virtual bool getParameterProperties(VstInt32 /*index*/, VstParameterProperties* /*p*/) {
        return false;
    }
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    // Every framework effect replaces this; the base answers no name.
    virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/,
                                       char* /*text*/) {
        return false;
    }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual VstInt32 beginLoadBank(VstPatchChunkInfo* /*info*/) { return 0; }
    virtual VstInt32 beginLoadProgram(VstPatchChunkInfo* /*info*/) { return 0; }
    virtual bool ioChanged();
    virtual double updateSampleRate();
    virtual VstInt32 updateBlockSize();
    virtual VstInt32 getInputLatency();
    virtual VstInt32 getOutputLatency();
    virtual bool getInputProperties(VstInt32 /*index*/, VstPinProperties* /*p*/) { return false; }
    virtual bool getOutputProperties(VstInt32 /*index*/, VstPinProperties* /*p*/) {
        return false;
    }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* /*in*/,
                                       VstSpeakerArrangement* /*out*/) {
        return false;
    }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out);
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool setPanLaw(VstInt32 /*type*/, float /*value*/) { return false; }
    virtual bool setProcessPrecision(VstInt32 /*precision*/) { return false; }
    virtual VstInt32 getNumMidiInputChannels() { return 0; }
    virtual VstInt32 getNumMidiOutputChannels() { return 0; }
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual VstInt32 getCurrentProcessLevel();
    virtual VstInt32 getAutomationState();
    virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual bool processVariableIo(VstVariableIo* /*io*/) { return false; }
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual VstInt32 getHostVendorVersion();
    virtual VstIntPtr hostVendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual VstInt32 canHostDo(char* text);  // 1 or 0
    virtual VstInt32 getHostLanguage();
    virtual void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }
    virtual VstIntPtr getGetTailSize() { return 0; }
    virtual void* getDirectory();
    virtual bool getEffectName(char* /*name*/) { return false; }
    // Every framework effect replaces this; the base answers no vendor.
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32 /*index*/, VstIntPtr /*value*/, void* /*ptr*/,
                                     float /*opt*/) {
        return 0;
    }
    virtual VstInt32 canDo(char* /*text*/) { return 0; }
    virtual VstInt32 getVstVersion() { return kVstVersion; }
    virtual VstInt32 getPlugCategory() {
        return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
    }
    virtual VstInt32 getMidiProgramName(VstInt32 /*channel*/, MidiProgramName* /*name*/) {
        return 0;
    }
    virtual VstInt32 getCurrentMidiProgram(VstInt32 /*channel*/, MidiProgramName* /*name*/) {
        return -1;
    }
    virtual VstInt32 getMidiProgramCategory(VstInt32 /*channel*/, MidiProgramCategory* /*c*/) {
        return 0;
    }
    virtual bool hasMidiProgramsChanged(VstInt32 /*channel*/) { return false; }
    virtual bool getMidiKeyName(VstInt32 /*channel*/, MidiKeyName* /*keyName*/) { return false; }
    virtual bool updateDisplay();
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);
    virtual bool openFileSelector(VstFileSelect* selector);
    virtual bool closeFileSelector(VstFileSelect* selector);
    virtual VstInt32 getNextShellPlugin(char* /*name*/) { return 0; }

    // Speaker arrangements of 8 + 112 * n bytes. The caller owns the block
    // and releases it with deallocateArrangement.
    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    virtual bool offlineRead(VstOfflineTask* offline, VstOfflineOption option,
                             bool readSource = true);
    virtual bool offlineWrite(VstOfflineTask* offline, VstOfflineOption option);
    virtual bool offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles,
                              VstInt32 numNewAudioFiles);
    virtual VstInt32 offlineGetCurrentPass();
    virtual VstInt32 offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* /*ptr*/, VstInt32 /*numAudioFiles*/,
                               bool /*start*/) {
        return false;
    }
    virtual bool offlinePrepare(VstOfflineTask* /*offline*/, VstInt32 /*count*/) {
        return false;
    }
    virtual bool offlineRun(VstOfflineTask* /*offline*/, VstInt32 /*count*/) { return false; }
    virtual VstInt32 offlineGetNumPasses() { return 0; }
    virtual VstInt32 offlineGetNumMetaPasses() { return 0; }

    virtual void wantEvents(VstInt32 filter = 1);
    virtual VstInt32 tempoAt(VstInt32 pos);
    virtual VstInt32 getNumAutomatableParameters();
    virtual VstInt32 getParameterQuantization();
    virtual VstInt32 getNumCategories() { return 1; }
    virtual bool copyProgram(VstInt32 /*destination*/) { return false; }
    virtual bool needIdle();
    virtual AEffect* getPreviousPlug(VstInt32 input);
    virtual AEffect* getNextPlug(VstInt32 output);
    virtual void inputConnected(VstInt32 /*index*/, bool /*state*/) {}
    virtual void outputConnected(VstInt32 /*index*/, bool /*state*/) {}
    virtual VstInt32 willProcessReplacing();
    virtual void wantAsyncOperation(bool state = true) { setFlag(effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state = true) { setFlag(effFlagsExtHasBuffer, state); }
    virtual VstInt32 reportCurrentPosition() { return 0; }
    virtual float* reportDestinationBuffer() { return nullptr; }
    virtual void setOutputSamplerate(float samplerate);
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();
    virtual void* openWindow(VstWindow* window);
    virtual bool closeWindow(VstWindow* window);
    virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate);  // stores both
    virtual bool getErrorText(char* /*text*/) { return false; }
    virtual void* getIcon() { return nullptr; }
    virtual bool setViewPosition(VstInt32 /*x*/, VstInt32 /*y*/) { return false; }
    virtual VstInt32 fxIdle() { return 0; }
    virtual bool keysRequired() { return false; }
    virtual bool getChunkFile(void* nativePath);
};
