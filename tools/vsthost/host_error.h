// How a run of the host ends when it cannot reach a result: the message goes
// to stderr, the code becomes the exit status.
#pragma once

#include <stdexcept>
#include <string>

namespace vsthost {

enum ExitCode : int {
    kExitOk = 0,
    kExitNotBitExact = 1,  // processed, but the output differs from the input
    kExitUsage = 2,        // the command line asks for something invalid or absent
    kExitFailure = 3,      // the plug-in or an audio file could not be loaded or driven
};

class HostError : public std::runtime_error {
public:
    HostError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const noexcept { return code_; }

private:
    ExitCode code_;
};

inline HostError UsageError(const std::string& message) { return {kExitUsage, message}; }
inline HostError Failure(const std::string& message) { return {kExitFailure, message}; }

}  // namespace vsthost
