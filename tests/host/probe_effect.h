// An effect that replaces every virtual method the two dispatchers reach,
// writes each call with its arguments into a log ("setPanLaw(3,0.5)") and
// answers a value the test scripts. With it a dispatcher test reads as a row:
// opcode and arguments in, the one method called and the answer out.
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "host/audioeffectx.h"

namespace testhost {

// Two buffers whose addresses the tests hand over as ptr (or inside value),
// so that the log can show which one arrived.
inline char gPtrBuffer[512];
inline char gValueBuffer[512];
inline void* PtrArg() { return gPtrBuffer; }
inline VstIntPtr ValueArg() { return reinterpret_cast<VstIntPtr>(gValueBuffer); }

template <class T>
std::string ShowArg(T v) {
    if constexpr (std::is_same_v<T, bool>) {
        return v ? "true" : "false";
    } else if constexpr (std::is_integral_v<T>) {
        return std::to_string(v);
    } else if constexpr (std::is_floating_point_v<T>) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
        return buf;
    } else {
        static_assert(std::is_pointer_v<T>);
        const volatile void* p = v;
        if (p == nullptr) return "null";
        if (p == gPtrBuffer) return "ptr";
        if (p == gValueBuffer) return "valuePtr";
        return "other";
    }
}

template <class... Args>
std::string ShowCall(const char* method, Args... args) {
    std::string s = std::string(method) + "(";
    [[maybe_unused]] const char* sep = "";
    ((s += sep, s += ShowArg(args), sep = ","), ...);
    return s + ")";
}

// Logs into the effect's log; the effect deletes it as the owner.
class ProbeEditor : public AEffEditor {
public:
    ProbeEditor(std::vector<std::string>& log, bool& destroyed)
        : log_(log), destroyed_(destroyed) {}
    ~ProbeEditor() override { destroyed_ = true; }

    bool getRect(ERect** rect) override { return Note(ShowCall("editor.getRect", rect)); }
    bool open(void* parent) override { return Note(ShowCall("editor.open", parent)); }
    void close() override { Note("editor.close()"); }
    void idle() override { Note("editor.idle()"); }
    bool onKeyDown(VstKeyCode& k) override { return Note(ShowKey("editor.onKeyDown", k)); }
    bool onKeyUp(VstKeyCode& k) override { return Note(ShowKey("editor.onKeyUp", k)); }
    bool setKnobMode(VstInt32 mode) override { return Note(ShowCall("editor.setKnobMode", mode)); }
    void setParameter(VstInt32 index, float value) override {
        Note(ShowCall("editor.setParameter", index, value));
    }

    bool reply = false;

private:
    static std::string ShowKey(const char* method, const VstKeyCode& k) {
        return ShowCall(method, k.character, int{k.virt}, int{k.modifier});
    }
    bool Note(std::string call) {
        log_.push_back(std::move(call));
        return reply;
    }
    std::vector<std::string>& log_;
    bool& destroyed_;
};

class ProbeEffect : public AudioEffectX {
public:
    explicit ProbeEffect(audioMasterCallback host = nullptr) : AudioEffectX(host, 4, 2) {}

    // What every replaced method answers: bool methods answer reply != 0,
    // integer methods the value, pointer methods the address.
    VstIntPtr reply = 0;
    std::vector<std::string> log;

    void attachEditor(AEffEditor* e) { editor = e; }

    // ---- AudioEffect ----
    void open() override { Note(ShowCall("open")); }
    void close() override { Note(ShowCall("close")); }
    void suspend() override { Note(ShowCall("suspend")); }
    void resume() override { Note(ShowCall("resume")); }
    void setSampleRate(float rate) override { Note(ShowCall("setSampleRate", rate)); }
    void setBlockSize(VstInt32 size) override { Note(ShowCall("setBlockSize", size)); }
    void processReplacing(float**, float**, VstInt32) override {}
    VstInt32 getProgram() override { return Int(ShowCall("getProgram")); }
    void setProgram(VstInt32 program) override { Note(ShowCall("setProgram", program)); }
    void setProgramName(char* name) override { Note(ShowCall("setProgramName", name)); }
    void getProgramName(char* name) override { Note(ShowCall("getProgramName", name)); }
    void getParameterLabel(VstInt32 index, char* text) override {
        Note(ShowCall("getParameterLabel", index, text));
    }
    void getParameterDisplay(VstInt32 index, char* text) override {
        Note(ShowCall("getParameterDisplay", index, text));
    }
    void getParameterName(VstInt32 index, char* text) override {
        Note(ShowCall("getParameterName", index, text));
    }
    VstInt32 getChunk(void** data, bool isPreset) override {
        return Int(ShowCall("getChunk", data, isPreset));
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) override {
        return Int(ShowCall("setChunk", data, size, isPreset));
    }

    // ---- AudioEffectX, in dispatcher order ----
    VstInt32 processEvents(VstEvents* ev) override { return Int(ShowCall("processEvents", ev)); }
    bool canParameterBeAutomated(VstInt32 index) override {
        return Bool(ShowCall("canParameterBeAutomated", index));
    }
    bool string2parameter(VstInt32 index, char* text) override {
        return Bool(ShowCall("string2parameter", index, text));
    }
    VstInt32 getNumCategories() override { return Int(ShowCall("getNumCategories")); }
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override {
        return Bool(ShowCall("getProgramNameIndexed", category, index, text));
    }
    bool copyProgram(VstInt32 destination) override {
        return Bool(ShowCall("copyProgram", destination));
    }
    void inputConnected(VstInt32 index, bool state) override {
        Note(ShowCall("inputConnected", index, state));
    }
    void outputConnected(VstInt32 index, bool state) override {
        Note(ShowCall("outputConnected", index, state));
    }
    bool getInputProperties(VstInt32 index, VstPinProperties* p) override {
        return Bool(ShowCall("getInputProperties", index, p));
    }
    bool getOutputProperties(VstInt32 index, VstPinProperties* p) override {
        return Bool(ShowCall("getOutputProperties", index, p));
    }
    VstInt32 getPlugCategory() override { return Int(ShowCall("getPlugCategory")); }
    VstInt32 reportCurrentPosition() override { return Int(ShowCall("reportCurrentPosition")); }
    float* reportDestinationBuffer() override {
        Note(ShowCall("reportDestinationBuffer"));
        return reinterpret_cast<float*>(reply);
    }
    bool offlineNotify(VstAudioFile* files, VstInt32 count, bool start) override {
        return Bool(ShowCall("offlineNotify", files, count, start));
    }
    bool offlinePrepare(VstOfflineTask* task, VstInt32 count) override {
        return Bool(ShowCall("offlinePrepare", task, count));
    }
    bool offlineRun(VstOfflineTask* task, VstInt32 count) override {
        return Bool(ShowCall("offlineRun", task, count));
    }
    bool processVariableIo(VstVariableIo* io) override {
        return Bool(ShowCall("processVariableIo", io));
    }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
        return Bool(ShowCall("setSpeakerArrangement", in, out));
    }
    void setBlockSizeAndSampleRate(VstInt32 size, float rate) override {
        Note(ShowCall("setBlockSizeAndSampleRate", size, rate));
    }
    bool setBypass(bool onOff) override { return Bool(ShowCall("setBypass", onOff)); }
    bool getEffectName(char* name) override { return Bool(ShowCall("getEffectName", name)); }
    bool getErrorText(char* text) override { return Bool(ShowCall("getErrorText", text)); }
    bool getVendorString(char* text) override { return Bool(ShowCall("getVendorString", text)); }
    bool getProductString(char* text) override { return Bool(ShowCall("getProductString", text)); }
    VstInt32 getVendorVersion() override { return Int(ShowCall("getVendorVersion")); }
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
        Note(ShowCall("vendorSpecific", index, value, ptr, opt));
        return reply;
    }
    VstInt32 canDo(char* text) override { return Int(ShowCall("canDo", text)); }
    VstIntPtr getGetTailSize() override {
        Note(ShowCall("getGetTailSize"));
        return reply;
    }
    VstInt32 fxIdle() override { return Int(ShowCall("fxIdle")); }
    void* getIcon() override {
        Note(ShowCall("getIcon"));
        return reinterpret_cast<void*>(reply);
    }
    bool setViewPosition(VstInt32 x, VstInt32 y) override {
        return Bool(ShowCall("setViewPosition", x, y));
    }
    bool getParameterProperties(VstInt32 index, VstParameterProperties* p) override {
        return Bool(ShowCall("getParameterProperties", index, p));
    }
    bool keysRequired() override { return Bool(ShowCall("keysRequired")); }
    VstInt32 getVstVersion() override { return Int(ShowCall("getVstVersion")); }
    VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName* name) override {
        return Int(ShowCall("getMidiProgramName", channel, name));
    }
    VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName* name) override {
        return Int(ShowCall("getCurrentMidiProgram", channel, name));
    }
    VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory* c) override {
        return Int(ShowCall("getMidiProgramCategory", channel, c));
    }
    bool hasMidiProgramsChanged(VstInt32 channel) override {
        return Bool(ShowCall("hasMidiProgramsChanged", channel));
    }
    bool getMidiKeyName(VstInt32 channel, MidiKeyName* keyName) override {
        return Bool(ShowCall("getMidiKeyName", channel, keyName));
    }
    bool beginSetProgram() override { return Bool(ShowCall("beginSetProgram")); }
    bool endSetProgram() override { return Bool(ShowCall("endSetProgram")); }
    bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override {
        return Bool(ShowCall("getSpeakerArrangement", in, out));
    }
    VstInt32 getNextShellPlugin(char* name) override {
        return Int(ShowCall("getNextShellPlugin", name));
    }
    VstInt32 startProcess() override { return Int(ShowCall("startProcess")); }
    VstInt32 stopProcess() override { return Int(ShowCall("stopProcess")); }
    VstInt32 setTotalSampleToProcess(VstInt32 value) override {
        return Int(ShowCall("setTotalSampleToProcess", value));
    }
    bool setPanLaw(VstInt32 type, float value) override {
        return Bool(ShowCall("setPanLaw", type, value));
    }
    VstInt32 beginLoadBank(VstPatchChunkInfo* info) override {
        return Int(ShowCall("beginLoadBank", info));
    }
    VstInt32 beginLoadProgram(VstPatchChunkInfo* info) override {
        return Int(ShowCall("beginLoadProgram", info));
    }
    bool setProcessPrecision(VstInt32 precision) override {
        return Bool(ShowCall("setProcessPrecision", precision));
    }
    VstInt32 getNumMidiInputChannels() override { return Int(ShowCall("getNumMidiInputChannels")); }
    VstInt32 getNumMidiOutputChannels() override {
        return Int(ShowCall("getNumMidiOutputChannels"));
    }

private:
    void Note(std::string call) { log.push_back(std::move(call)); }
    VstInt32 Int(std::string call) {
        Note(std::move(call));
        return static_cast<VstInt32>(reply);
    }
    bool Bool(std::string call) {
        Note(std::move(call));
        return reply != 0;
    }
};

// An effect with nothing replaced but the abstract processReplacing: the
// defaults of both classes as they stand.
class PlainEffect : public AudioEffectX {
public:
    explicit PlainEffect(audioMasterCallback host = nullptr, VstInt32 programs = 4,
                         VstInt32 params = 2)
        : AudioEffectX(host, programs, params) {}
    void processReplacing(float**, float**, VstInt32) override {}
    void attachEditor(AEffEditor* e) { editor = e; }
};

}  // namespace testhost
