// The Audio Unit style vocabulary of the framework's hooks: identifiers,
// status codes and the one property record the parameter texts ask for.
#pragma once

#include <cstdint>

class CFString;

using AudioUnitScope = std::uint32_t;
using AudioUnitParameterID = std::uint32_t;
using AudioUnitPropertyID = std::uint32_t;
using AudioUnitElement = std::uint32_t;
using OSStatus = std::int32_t;  // 0 for success

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus kAudioUnitErr_InvalidParameter = -10878;
inline constexpr OSStatus kAudioUnitErr_InvalidProperty = -10879;

inline constexpr AudioUnitScope kAudioUnitScope_Global = 0;
inline constexpr AudioUnitPropertyID kAudioUnitProperty_ParameterStringFromValue = 33;

// Stored and compared, never called.
using AudioUnitPropertyListenerProc = void (*)(void* userData, void* unit,
                                               AudioUnitPropertyID id, AudioUnitScope scope,
                                               AudioUnitElement element);

// The data of kAudioUnitProperty_ParameterStringFromValue. inValue null asks
// for the text of the parameter's current value. On success the hook may
// store a string in outString; one reference passes to the caller.
struct AudioUnitParameterStringFromValue {
    AudioUnitParameterID inParamID;
    const float* inValue;
    CFString* outString;
};
