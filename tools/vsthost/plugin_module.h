// A plug-in binary loaded as a host loads it: the dynamic library and its
// entry point, nothing else.
#pragma once

#include <string>

#include "host/aeffect.h"

namespace vsthost {

using EntryProc = AEffect*(VSTCALLBACK*)(audioMasterCallback);

class PluginModule {
public:
    // Throws HostError (kExitFailure) when the file is missing, cannot be
    // loaded, or exports neither VSTPluginMain nor main.
    explicit PluginModule(const std::string& path);
    ~PluginModule();  // unloads; every effect of the module must be closed first
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::string& path() const { return path_; }
    EntryProc entry() const { return entry_; }
    const char* entryName() const { return entryName_; }

private:
    void* symbol(const char* name) const;
    void unload();

    std::string path_;
    void* handle_ = nullptr;
    EntryProc entry_ = nullptr;
    const char* entryName_ = "";
};

// The product module next to the running executable.
std::string DefaultPluginPath();

}  // namespace vsthost
