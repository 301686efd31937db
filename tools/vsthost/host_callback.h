// The callback this host hands to a plug-in's entry point. The host drives
// one effect per process, so the callback answers from one process-wide
// context; during the entry point's version handshake no record exists yet.
#pragma once

#include "host/aeffect.h"

namespace vsthost {

struct HostContext {
    double sampleRate = 48000.0;  // Hz, as set on the effect
    VstInt32 blockSize = 512;     // largest block, as set on the effect
    int ioChanges = 0;            // audioMasterIOChanged received
    int automations = 0;          // audioMasterAutomate received
};

// [main thread: the only thread of this host]
HostContext& Host();

VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                   VstIntPtr value, void* ptr, float opt);

}  // namespace vsthost
