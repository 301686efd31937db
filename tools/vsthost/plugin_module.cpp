#include "plugin_module.h"

#include <filesystem>
#include <system_error>

#include "host_error.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vsthost {

PluginModule::PluginModule(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec)) throw Failure("no such file: " + path);
    if (fs::is_directory(p, ec)) throw Failure("not a plug-in: " + path + " is a directory");
    // An absolute path, so that the loader does not search its library path
    // for a bare file name.
    const fs::path full = fs::absolute(p, ec);
    path_ = ec ? path : full.string();
#if defined(_WIN32)
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path_.c_str()));
    if (!handle_)
        throw Failure("not a plug-in: " + path + " cannot be loaded (LoadLibraryA error " +
                      std::to_string(GetLastError()) + ")");
#else
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        throw Failure("not a plug-in: " + path + " cannot be loaded (" + (why ? why : "unknown") +
                      ")");
    }
#endif
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* s = symbol(name)) {
            entry_ = reinterpret_cast<EntryProc>(s);
            entryName_ = name;
            return;
        }
    }
    unload();
    throw Failure("not a plug-in: " + path + " exports neither VSTPluginMain nor main");
}

PluginModule::~PluginModule() { unload(); }

void PluginModule::unload() {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
}

void* PluginModule::symbol(const char* name) const {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

std::string DefaultPluginPath() {
#if defined(_WIN32)
    constexpr const char* kProduct = "Tardimark.dll";
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    const std::filesystem::path exe(std::string(buf, n));
#else
    constexpr const char* kProduct = "Tardimark.so";
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
#endif
    return (exe.parent_path() / kProduct).string();
}

}  // namespace vsthost
