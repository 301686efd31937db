// A scripted host callback for tests: records every call the effect makes
// and answers from a table the test sets. One host is current at a time;
// the C callback forwards to it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "host/aeffect.h"

namespace testhost {

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

class RecordingHost {
public:
    RecordingHost();   // becomes the current host
    ~RecordingHost();  // the previous host becomes current again

    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // The callback to hand to an effect or an entry point.
    static audioMasterCallback callback() { return &Callback; }

    // Answer for an opcode; unset opcodes answer 0, except audioMasterVersion,
    // which answers 2400 like a host of this interface version.
    void answer(VstInt32 opcode, VstIntPtr result);

    std::vector<HostCall> calls() const;
    std::vector<HostCall> callsOf(VstInt32 opcode) const;
    void clear();

private:
    static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                          VstIntPtr value, void* ptr, float opt);

    mutable std::mutex mutex_;
    std::map<VstInt32, VstIntPtr> answers_;
    std::vector<HostCall> calls_;
    RecordingHost* previous_;
};

}  // namespace testhost
