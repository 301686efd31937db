// The library's exported entry point and load notification. The entry point
// is exported under two names, VSTPluginMain and main, bound to one address
// by the linker (a module-definition alias on Windows, a symbol alias
// elsewhere), since C++ cannot declare a function called main.
#include "host/audioeffect.h"

#if defined(_WIN32)
#include <windows.h>
#define VT_EXPORT
#else
#define VT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" VT_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) noexcept;

extern "C" VT_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) noexcept {
    if (!audioMaster) return nullptr;
    try {
        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    } catch (...) {
        return nullptr;
    }
    AudioEffect* effect = createEffectInstance(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}

#if defined(_WIN32)
// Answers success to every notification and starts nothing.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
