#include "testhost/plugin_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace testhost {

PluginLibrary::PluginLibrary(const std::string& path) {
#if defined(_WIN32)
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (!handle_) error_ = "LoadLibraryA failed with error " + std::to_string(GetLastError());
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error_ = dlerror();
#endif
}

PluginLibrary::~PluginLibrary() {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

EntryProc PluginLibrary::entry(const char* name) const {
    if (!handle_) return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<EntryProc>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)));
#else
    return reinterpret_cast<EntryProc>(dlsym(handle_, name));
#endif
}

std::string BesideExecutable(const std::string& fileName) {
#if defined(_WIN32)
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string exe(buf, n);
    const auto slash = exe.find_last_of("\\/");
#else
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf));
    std::string exe(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    const auto slash = exe.find_last_of('/');
#endif
    return (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) + fileName;
}

}  // namespace testhost
