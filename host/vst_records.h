// Records of the plug-in interface that the effect builds or touches itself,
// and the ones it only passes through by pointer (declared, never defined:
// nothing here reads their fields).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/aeffect.h"

// Built by the key opcodes and handed to an editor.
struct VstKeyCode {
    VstInt32 character;
    unsigned char virt;
    unsigned char modifier;
};

// One speaker of an arrangement: 112 bytes, shared with the host.
struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];  // NUL-terminated, at most 63 characters
    VstInt32 type;
    char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerProperties, name) == 16);
static_assert(offsetof(VstSpeakerProperties, type) == 80);
static_assert(offsetof(VstSpeakerProperties, future) == 84);

// A speaker arrangement with numChannels speakers. The interface declares
// the speakers array with a fixed size; the operations that build one
// allocate exactly 8 + 112 * numChannels bytes, so only the first
// numChannels entries exist.
struct VstSpeakerArrangement {
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);

// Speaker i of an arrangement holding numChannels speakers, however many
// the declared array names: reached through a plain pointer, not the array.
inline VstSpeakerProperties* SpeakerAt(VstSpeakerArrangement* a, VstInt32 i) noexcept {
    VstSpeakerProperties* first = &a->speakers[0];
    return first + i;
}

// Bytes an arrangement of n speakers occupies.
constexpr std::size_t SpeakerArrangementBytes(VstInt32 n) noexcept {
    return offsetof(VstSpeakerArrangement, speakers) +
           sizeof(VstSpeakerProperties) * static_cast<std::size_t>(n);
}

struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

// Passed through by pointer only.
struct VstTimeInfo;
struct VstEvents;
struct VstPinProperties;
struct VstParameterProperties;
struct VstPatchChunkInfo;
struct VstVariableIo;
struct VstFileSelect;
struct VstOfflineTask;
struct VstAudioFile;
struct VstWindow;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;

using VstOfflineOption = VstInt32;
