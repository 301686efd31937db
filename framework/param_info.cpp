#include "framework/param_info.h"

#include <cmath>
#include <cstdio>
#include <iterator>

namespace {

constexpr const char* kUnitLabels[] = {
    "",         // Generic
    "",         // Indexed
    "",         // Boolean
    "%",        // Percent
    "seconds",  // Seconds
    "",  "",    "",
    "Hz",       // Hertz
    "cents",    // Cents
    "",  "",    "",
    "dB",       // Decibels
    "",  "",    "",  "",
    "L/R",      // Pan
    "",  "",    "",
    "BPM",      // BPM
    "beats",    // Beats
    "ms",       // Milliseconds
};
static_assert(std::size(kUnitLabels) == 25);

}  // namespace

const char* ParameterUnitLabel(std::int32_t unit) noexcept {
    if (unit < 0 || unit >= static_cast<std::int32_t>(std::size(kUnitLabels))) return "";
    return kUnitLabels[unit];
}

double DenormalizeParameter(const ParamInfo& row, float normalized) noexcept {
    const double min = row.minValue;
    const double max = row.maxValue;
    const double x = normalized;
    switch (row.unit) {
        case kAudioUnitParameterUnit_Indexed:
        case kAudioUnitParameterUnit_Beats: return std::floor(((max - min) * x + min) + 0.5);
        case kAudioUnitParameterUnit_Hertz: return min * std::exp2(x * std::log2(max / min));
        default: return (max - min) * x + min;
    }
}

double NormalizeParameter(const ParamInfo& row, float plain) noexcept {
    const double min = row.minValue;
    const double max = row.maxValue;
    const double v = plain;
    if (row.unit == kAudioUnitParameterUnit_Hertz) return std::log(v / min) / std::log(max / min);
    if (min == max) return min;
    return (v - min) / (max - min);
}

int FormatParameterNumber(char* text, std::size_t size, float value) noexcept {
    const double v = value;
    const char* format = v < 10.0 ? "%.3f" : v < 100.0 ? "%.2f" : v < 1000.0 ? "%.1f" : "%.0f";
    return std::snprintf(text, size, format, v);
}
