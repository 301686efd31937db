// Modules a host must refuse, one per BROKEN_KIND:
//   1 NoEntry    exports a function, but neither VSTPluginMain nor main
//   2 NullEntry  VSTPluginMain answers null
//   3 BadMagic   VSTPluginMain answers a record whose magic is 'Xxxx'
#include "host/aeffect.h"

#define VT_EXPORT extern "C" __attribute__((visibility("default")))

#if BROKEN_KIND == 1
VT_EXPORT int NotAnEntryPoint() { return 0; }
#elif BROKEN_KIND == 2
VT_EXPORT AEffect* VSTPluginMain(audioMasterCallback) { return nullptr; }
#elif BROKEN_KIND == 3
VT_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    static AEffect record{};
    record.magic = FourCC('X', 'x', 'x', 'x');
    return &record;
}
#else
#error "BROKEN_KIND must be 1, 2 or 3"
#endif
