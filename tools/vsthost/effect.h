// One effect instance, reached only through the record its entry point
// answered. The instance walks the host's road: open, set-up, resume,
// processing, suspend, close; the destructor finishes whatever was begun.
#pragma once

#include <string>

#include "host/aeffect.h"
#include "plugin_module.h"

namespace vsthost {

class Effect {
public:
    // Calls the entry point with the host callback and checks the record.
    // Throws HostError (kExitFailure) for a null answer, a bad magic or a
    // record without a dispatcher.
    explicit Effect(const PluginModule& module);
    ~Effect();  // suspends if resumed, then closes; the module must still be loaded
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    const AEffect& record() const { return *e_; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // A text the plug-in writes into a host buffer (names, labels, displays).
    // answer, when given, receives the dispatcher's result.
    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     VstIntPtr* answer = nullptr);

    void open();
    void setUp(double sampleRate, VstInt32 blockSize);  // before resume
    void resume();
    void suspend();
    void close();

    void selectProgram(VstInt32 program);  // unchecked: the caller bounds it
    void setParameter(VstInt32 index, float normalised);
    float parameter(VstInt32 index);

    // Throws HostError when the plug-in cannot process replacing.
    void requireProcessReplacing() const;
    // Out of place: inputs and outputs are distinct buffers of frames samples.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames);

    // The declared latency, read from the record the plug-in may write on its
    // audio thread (here the same thread): relaxed.
    VstInt32 latency() const;

private:
    AEffect* e_ = nullptr;
    bool resumed_ = false;
};

}  // namespace vsthost
