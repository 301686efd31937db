#include "host/audioeffectx.h"

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

VstIntPtr Bool(bool b) noexcept { return b ? 1 : 0; }

// The low byte of a float, truncated toward zero; NaN and values beyond
// the 32-bit range give 0 rather than an undefined conversion.
unsigned char LowByteOf(float opt) noexcept {
    const double v = opt;
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return static_cast<unsigned char>(static_cast<VstInt32>(v) & 0xFF);
}

}  // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
        case effCanBeAutomated: return Bool(canParameterBeAutomated(index));
        case effString2Parameter: return Bool(string2parameter(index, text));
        case effGetNumProgramCategories: return getNumCategories();
        case effGetProgramNameIndexed:
            return Bool(getProgramNameIndexed(static_cast<VstInt32>(value), index, text));
        case effCopyProgram: return Bool(copyProgram(index));
        case effConnectInput: inputConnected(index, value != 0); return 1;
        case effConnectOutput: outputConnected(index, value != 0); return 1;
        case effGetInputProperties:
            return Bool(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case effGetOutputProperties:
            return Bool(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case effGetPlugCategory: return getPlugCategory();
        case effGetCurrentPosition: return reportCurrentPosition();
        case effGetDestinationBuffer:
            return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
        case effOfflineNotify:
            return Bool(offlineNotify(static_cast<VstAudioFile*>(ptr),
                                      static_cast<VstInt32>(value), index != 0));
        case effOfflinePrepare:
            return Bool(
                offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)));
        case effOfflineRun:
            return Bool(
                offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)));
        case effProcessVarIo: return Bool(processVariableIo(static_cast<VstVariableIo*>(ptr)));
        case effSetSpeakerArrangement:
            return Bool(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                              static_cast<VstSpeakerArrangement*>(ptr)));
        case effSetBlockSizeAndSampleRate:
            setBlockSizeAndSampleRate(static_cast<VstInt32>(value), opt);
            return 1;
        case effSetBypass: return Bool(setBypass(value != 0));
        case effGetEffectName: return Bool(getEffectName(text));
        case effGetErrorText: return Bool(getErrorText(text));
        case effGetVendorString: return Bool(getVendorString(text));
        case effGetProductString: return Bool(getProductString(text));
        case effGetVendorVersion: return getVendorVersion();
        case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case effCanDo: return canDo(text);
        case effGetTailSize: return getGetTailSize();
        case effIdle: return fxIdle();
        case effGetIcon: return reinterpret_cast<VstIntPtr>(getIcon());
        case effSetViewPosition:
            return Bool(setViewPosition(index, static_cast<VstInt32>(value)));
        case effGetParameterProperties:
            return Bool(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
        case effKeysRequired: return keysRequired() ? 0 : 1;
        case effGetVstVersion: return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (!editor) return 0;
            VstKeyCode key{};
            key.character = index;
            key.virt = static_cast<unsigned char>(value & 0xFF);
            key.modifier = LowByteOf(opt);
            return Bool(opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key));
        }
        case effSetEditKnobMode:
            return editor ? Bool(editor->setKnobMode(static_cast<VstInt32>(value))) : 0;
        case effGetMidiProgramName:
            return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case effGetCurrentMidiProgram:
            return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case effGetMidiProgramCategory:
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case effHasMidiProgramsChanged: return Bool(hasMidiProgramsChanged(index));
        case effGetMidiKeyName:
            return Bool(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
        case effBeginSetProgram: return Bool(beginSetProgram());
        case effEndSetProgram: return Bool(endSetProgram());
        case effGetSpeakerArrangement:
            return Bool(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                              static_cast<VstSpeakerArrangement**>(ptr)));
        case effShellGetNextPlugin: return getNextShellPlugin(text);
        case effStartProcess: return startProcess();
        case effStopProcess: return stopProcess();
        case effSetTotalSampleToProcess:
            return setTotalSampleToProcess(static_cast<VstInt32>(value));
        case effSetPanLaw: return Bool(setPanLaw(static_cast<VstInt32>(value), opt));
        case effBeginLoadBank: return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
        case effBeginLoadProgram: return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
        case effSetProcessPrecision:
            return Bool(setProcessPrecision(static_cast<VstInt32>(value)));
        case effGetNumMidiInputChannels: return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
        default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume() {
    if ((cEffect.flags & effFlagsIsSynth) || canDo(const_cast<char*>("receiveVstMidiEvent")) == 1)
        wantEvents(1);
}

// ---- Host services ----

bool AudioEffectX::beginEdit(VstInt32 index) {
    return audioMaster && callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index) {
    return audioMaster && callHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::ioChanged() { return audioMaster && callHost(audioMasterIOChanged) != 0; }

double AudioEffectX::updateSampleRate() {
    if (audioMaster) {
        const VstIntPtr rate = callHost(audioMasterGetSampleRate);
        if (rate > 0) AudioEffect::setSampleRate(static_cast<float>(rate));
    }
    return getSampleRate();
}

VstInt32 AudioEffectX::updateBlockSize() {
    if (audioMaster) {
        const VstIntPtr size = callHost(audioMasterGetBlockSize);
        if (size > 0) AudioEffect::setBlockSize(static_cast<VstInt32>(size));
    }
    return getBlockSize();
}

VstInt32 AudioEffectX::getInputLatency() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetInputLatency)) : 0;
}

VstInt32 AudioEffectX::getOutputLatency() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetOutputLatency)) : 0;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** in,
                                         VstSpeakerArrangement** out) {
    if (in) *in = nullptr;
    if (out) *out = nullptr;
    return false;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return audioMaster
               ? reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter))
               : nullptr;
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel)) : 0;
}

VstInt32 AudioEffectX::getAutomationState() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetAutomationState)) : 0;
}

bool AudioEffectX::getHostVendorString(char* text) {
    return audioMaster && callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return audioMaster && callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetVendorVersion)) : 0;
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 index, VstIntPtr value, void* ptr,
                                           float opt) {
    return audioMaster ? callHost(audioMasterVendorSpecific, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffectX::canHostDo(char* text) {
    return audioMaster && callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::getHostLanguage() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetLanguage)) : 0;
}

void* AudioEffectX::getDirectory() {
    return audioMaster ? reinterpret_cast<void*>(callHost(audioMasterGetDirectory)) : nullptr;
}

bool AudioEffectX::updateDisplay() {
    return audioMaster && callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return audioMaster && callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* selector) {
    return audioMaster && selector && callHost(audioMasterOpenFileSelector, 0, 0, selector) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* selector) {
    return audioMaster && selector &&
           callHost(audioMasterCloseFileSelector, 0, 0, selector) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstOfflineOption option,
                               bool readSource) {
    return audioMaster &&
           callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstOfflineOption option) {
    return audioMaster && callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* audioFiles, VstInt32 numAudioFiles,
                                VstInt32 numNewAudioFiles) {
    return audioMaster &&
           callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, audioFiles) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return audioMaster && callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return audioMaster && callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::wantEvents(VstInt32 filter) {
    if (audioMaster) callHost(audioMasterWantMidi, 0, filter);
}

VstInt32 AudioEffectX::tempoAt(VstInt32 pos) {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos)) : 0;
}

VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return audioMaster
               ? static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters))
               : 0;
}

VstInt32 AudioEffectX::getParameterQuantization() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization))
                       : 0;
}

bool AudioEffectX::needIdle() { return audioMaster && callHost(audioMasterNeedIdle) != 0; }

AEffect* AudioEffectX::getPreviousPlug(VstInt32 /*input*/) {
    return audioMaster ? reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug))
                       : nullptr;
}

AEffect* AudioEffectX::getNextPlug(VstInt32 /*output*/) {
    return audioMaster ? reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug)) : nullptr;
}

VstInt32 AudioEffectX::willProcessReplacing() {
    return audioMaster ? static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate))
                       : 0;
}

void AudioEffectX::setOutputSamplerate(float samplerate) {
    if (audioMaster) callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return audioMaster ? reinterpret_cast<VstSpeakerArrangement*>(
                             callHost(audioMasterGetInputSpeakerArrangement))
                       : nullptr;
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return audioMaster ? reinterpret_cast<VstSpeakerArrangement*>(
                             callHost(audioMasterGetOutputSpeakerArrangement))
                       : nullptr;
}

void* AudioEffectX::openWindow(VstWindow* window) {
    return audioMaster ? reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window))
                       : nullptr;
}

bool AudioEffectX::closeWindow(VstWindow* window) {
    return audioMaster && callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
    return audioMaster && nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}

// ---- Speaker arrangements ----

// The caller's old block is released first. When the new one cannot be
// had, the caller's pointer is left null, never dangling. A negative
// channel count, or one whose size does not fit a size_t (4 bytes wide in
// the 32-bit build), is refused the same way.
bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement,
                                       VstInt32 nbChannels) {
    if (!arrangement) return false;
    if (*arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    if (nbChannels < 0) return false;
    constexpr std::size_t kMaxChannels =
        (SIZE_MAX - offsetof(VstSpeakerArrangement, speakers)) / sizeof(VstSpeakerProperties);
    if (static_cast<std::size_t>(nbChannels) > kMaxChannels) return false;
    const std::size_t bytes = SpeakerArrangementBytes(nbChannels);
    void* block = std::calloc(1, bytes);
    if (!block) return false;
    auto* a = static_cast<VstSpeakerArrangement*>(block);
    a->numChannels = nbChannels;
    *arrangement = a;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement && *arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from) return false;
    // The name goes through a copy: to and from may be the same speaker.
    char name[sizeof(from->name)] = {};
    std::memcpy(name, from->name, strnlen(from->name, sizeof(from->name) - 1));
    std::memcpy(to->name, name, sizeof(name));
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memmove(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from) return false;
    if (!deallocateArrangement(to)) return false;
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    for (VstInt32 i = 0; i < (*to)->numChannels; ++i) {
        // Pointer arithmetic: the block holds numChannels speakers, however
        // many the declared array names.
        if (!copySpeaker(SpeakerAt(*to, i), SpeakerAt(from, i))) return false;
    }
    return true;
}

void AudioEffectX::setBlockSizeAndSampleRate(VstInt32 size, float rate) {
    AudioEffect::setBlockSize(size);
    AudioEffect::setSampleRate(rate);
}
