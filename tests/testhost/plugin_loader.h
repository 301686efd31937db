// Opens a built plug-in binary the way a host does and talks to it only
// through its entry point and the record it hands back.
#pragma once

#include <string>

#include "host/aeffect.h"

namespace testhost {

using EntryProc = AEffect*(VSTCALLBACK*)(audioMasterCallback);

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);  // loaded() tells success
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }
    // Null when the name is not exported.
    EntryProc entry(const char* name) const;
    EntryProc main() const { return entry("VSTPluginMain"); }

private:
    void* handle_ = nullptr;
    std::string error_;
};

// Dispatcher shorthand through the record.
inline VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// Path of a file next to the running test executable.
std::string BesideExecutable(const std::string& fileName);

}  // namespace testhost
