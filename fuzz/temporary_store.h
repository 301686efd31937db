// The store of remembered values in a temporary directory for the whole
// fuzzing run, never among the user's own settings; removed at exit.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzzstore {

// The temporary XDG_CONFIG_HOME, once UseTemporaryStore has run.
inline std::filesystem::path& Root() {
    static std::filesystem::path root;
    return root;
}

// Points the store at a fresh directory named after the target; aborts
// when none can be made, since fuzzing must not touch the user's values.
inline void UseTemporaryStore(const char* target) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(target) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "%s: no temporary store directory\n", target);
        std::abort();
    }
    Root() = pattern;
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(Root(), ignored);
    });
}

}  // namespace fuzzstore
