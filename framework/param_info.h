// One row per parameter: name, unit, range and default, and the mapping
// between the host's normalised values (0..1) and plain values in the
// parameter's unit. The conversions never clamp.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::int32_t kNumParams = 3;    // rows of every effect's parameter table
inline constexpr std::int32_t kNumPrograms = 8;  // programs of every effect

// Audio Unit parameter unit codes. Codes without an entry here, and any
// code outside 0..24, behave like Generic.
enum AudioUnitParameterUnit : std::int32_t {
    kAudioUnitParameterUnit_Generic = 0,
    kAudioUnitParameterUnit_Indexed = 1,
    kAudioUnitParameterUnit_Boolean = 2,
    kAudioUnitParameterUnit_Percent = 3,
    kAudioUnitParameterUnit_Seconds = 4,
    kAudioUnitParameterUnit_SampleFrames = 5,
    kAudioUnitParameterUnit_Phase = 6,
    kAudioUnitParameterUnit_Rate = 7,
    kAudioUnitParameterUnit_Hertz = 8,
    kAudioUnitParameterUnit_Cents = 9,
    kAudioUnitParameterUnit_RelativeSemiTones = 10,
    kAudioUnitParameterUnit_MIDINoteNumber = 11,
    kAudioUnitParameterUnit_MIDIController = 12,
    kAudioUnitParameterUnit_Decibels = 13,
    kAudioUnitParameterUnit_LinearGain = 14,
    kAudioUnitParameterUnit_Degrees = 15,
    kAudioUnitParameterUnit_EqualPowerCrossfade = 16,
    kAudioUnitParameterUnit_MixerFaderCurve1 = 17,
    kAudioUnitParameterUnit_Pan = 18,
    kAudioUnitParameterUnit_Meters = 19,
    kAudioUnitParameterUnit_AbsoluteCents = 20,
    kAudioUnitParameterUnit_Octaves = 21,
    kAudioUnitParameterUnit_BPM = 22,
    kAudioUnitParameterUnit_Beats = 23,
    kAudioUnitParameterUnit_Milliseconds = 24,
};

struct ParamInfo {
    const char* name;     // shown to the host, cut to 15 characters
    std::int32_t unit;    // AudioUnitParameterUnit code
    float minValue;       // plain value at normalised 0
    float maxValue;       // plain value at normalised 1
    float defaultValue;   // plain value of every fresh program
};

// Label of a unit, never null ("" for units without one).
const char* ParameterUnitLabel(std::int32_t unit) noexcept;

// Normalised → plain, in double precision. Indexed and Beats round half up;
// Hertz maps exponentially (needs positive, distinct min and max).
double DenormalizeParameter(const ParamInfo& row, float normalized) noexcept;
// Plain → normalised, in double precision. min == max answers min.
double NormalizeParameter(const ParamInfo& row, float plain) noexcept;

// Writes a non-negative value as decimal text: three decimals below 10, two
// below 100, one below 1000, none above; the format is chosen before
// rounding. Writes at most size bytes, NUL-terminated, and answers the
// length the whole text needs (as snprintf does).
int FormatParameterNumber(char* text, std::size_t size, float value) noexcept;
