#include "host_callback.h"

#include <cmath>
#include <cstring>

namespace vsthost {
namespace {

constexpr const char* kHostVendor = "Vantorel";
constexpr const char* kHostProduct = "Tardimark Host";
constexpr VstIntPtr kHostVersion = 1;
constexpr VstIntPtr kLanguageEnglish = 1;
// Text fields a plug-in hands for host strings hold 64 bytes.
constexpr std::size_t kHostStringBytes = 64;

VstIntPtr CopyText(void* ptr, const char* text) {
    if (!ptr) return 0;
    auto* out = static_cast<char*>(ptr);
    std::strncpy(out, text, kHostStringBytes - 1);
    out[kHostStringBytes - 1] = '\0';
    return 1;
}

// The capabilities this host has, as answers to audioMasterCanDo: it reads
// the record's counts and latency again after every block, so it accepts
// announced changes. Everything else is unknown (0).
VstIntPtr CanDo(const void* ptr) {
    if (!ptr) return 0;
    return std::strcmp(static_cast<const char*>(ptr), "acceptIOChanges") == 0 ? 1 : 0;
}

}  // namespace

HostContext& Host() {
    static HostContext context;
    return context;
}

VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                   VstIntPtr value, void* ptr, float /*opt*/) {
    HostContext& host = Host();
    switch (opcode) {
        case audioMasterVersion: return kVstVersion;
        case audioMasterAutomate: ++host.automations; return 0;
        case audioMasterPinConnected: {
            // 0 means connected: every pin the record declares is.
            if (!effect) return 1;
            const VstInt32 pins = value == 0 ? effect->numInputs : effect->numOutputs;
            return index >= 0 && index < pins ? 0 : 1;
        }
        case audioMasterIOChanged: ++host.ioChanges; return 1;
        case audioMasterGetSampleRate: return static_cast<VstIntPtr>(std::lround(host.sampleRate));
        case audioMasterGetBlockSize: return host.blockSize;
        case audioMasterGetVendorString: return CopyText(ptr, kHostVendor);
        case audioMasterGetProductString: return CopyText(ptr, kHostProduct);
        case audioMasterGetVendorVersion: return kHostVersion;
        case audioMasterCanDo: return CanDo(ptr);
        case audioMasterGetLanguage: return kLanguageEnglish;
        default: return 0;  // no time info, no MIDI, no windows, no files
    }
}

}  // namespace vsthost
