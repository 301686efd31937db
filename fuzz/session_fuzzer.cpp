// Drives Tardimark instances as a host would, with host calls chosen by the
// fuzzer: the entry point, every dispatcher opcode (negative, unknown and
// above the last ones too) with any index, value and opt, parameter reads
// and writes with any float, program selection, and processing with any
// frame count, in place and out of place. The host callback answers with
// fuzzer-chosen values. Every instance still open is closed at the end.
//
// What the host owns is valid, as a real host's would be: each text buffer
// is a heap block of exactly the size hosts pass for that request, the audio
// channels hold exactly the frame count, and records are passed whole, so
// the sanitizers see any write or read past them. Besides the sanitizers it
// checks what a host relies on: the record of a new instance, the close
// answer, NUL-terminated texts, bit-exact pass-through, callbacks that name
// a live record.
#include <fuzzer/FuzzedDataProvider.h>

#include "temporary_store.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/cftypes.h"
#include "core/stored_defaults.h"
#include "host/aeffect.h"
#include "host/vst_records.h"

extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) noexcept;

namespace {

constexpr std::size_t kMaxInstances = 4;
constexpr VstInt32 kMaxFrames = 512;
constexpr std::size_t kChannels = 2;
// A zeroed block for the records the effect receives by pointer and never
// reads in this product (events, pin and parameter properties, patch
// information, ...): larger than any of them.
constexpr std::size_t kRecordBlock = 1024;

// A violated host expectation: reported by libFuzzer as a crash.
[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "session fuzzer: %s\n", what);
    std::abort();
}


struct Session {
    explicit Session(FuzzedDataProvider& provider) : data(provider) {}
    FuzzedDataProvider& data;
    std::vector<AEffect*> live;
    bool creating = false;  // inside an entry-point call
    std::array<std::max_align_t, kRecordBlock / sizeof(std::max_align_t)> hostRecord{};

    bool IsLive(const AEffect* e) const {
        return std::find(live.begin(), live.end(), e) != live.end();
    }
};

Session* gSession = nullptr;

float AnyFloat(FuzzedDataProvider& data) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    // Edges of the parameter mappings and of the float-to-integer
    // conversions, and values no host should send but some do.
    static constexpr float kSpecial[] = {
        0.0f,  -0.0f,   1.0f,          0.5f,           0.49f,   0.3f,     0.25f,  2.0f,
        -1.0f, 4096.0f, 1e-45f,        FLT_MIN,        FLT_MAX, -FLT_MAX, kInf,   -kInf,
        kNaN,  -kNaN,   2147483648.0f, -2147483904.0f, 1e10f,   44100.0f, 0.0001f};
    switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0: return data.PickValueInArray(kSpecial);
        case 1: return data.ConsumeFloatingPointInRange(-0.5f, 1.5f);
        case 2: {
            const auto bits = data.ConsumeIntegral<std::uint32_t>();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        default: return data.ConsumeFloatingPoint<float>();
    }
}

// Small values most of the time, since those reach the interesting paths;
// any 32-bit value otherwise.
VstInt32 AnyIndex(FuzzedDataProvider& data) {
    return data.ConsumeBool() ? data.ConsumeIntegralInRange<VstInt32>(-2, 9)
                              : data.ConsumeIntegral<VstInt32>();
}

VstIntPtr AnyValue(FuzzedDataProvider& data) {
    return data.ConsumeBool() ? data.ConsumeIntegralInRange<VstIntPtr>(-2, 9)
                              : data.ConsumeIntegral<VstIntPtr>();
}

// Answers of a host: fuzzer-chosen numbers, and for the requests whose
// answer is a pointer, null or a host-owned zeroed record.
VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 /*index*/,
                                   VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/) {
    Session& s = *gSession;
    if (effect == nullptr) {
        // Only the entry point's version handshake comes without a record.
        if (!s.creating || opcode != audioMasterVersion) Fail("host called without a record");
    } else if (!s.IsLive(effect)) {
        Fail("host called with a record that is not open");
    }
    switch (opcode) {
        case audioMasterGetTime:
        case audioMasterGetPreviousPlug:
        case audioMasterGetNextPlug:
        case audioMasterGetOutputSpeakerArrangement:
        case audioMasterGetInputSpeakerArrangement:
        case audioMasterGetDirectory:
        case audioMasterOpenWindow:
            return s.data.ConsumeBool() ? reinterpret_cast<VstIntPtr>(s.hostRecord.data()) : 0;
        default: return AnyValue(s.data);
    }
}

// A heap block of exactly `size` bytes, filled with a non-NUL byte so that
// a missing terminator shows.
struct TextBuffer {
    explicit TextBuffer(std::size_t n) : size(n), bytes(new char[n]) {
        std::memset(bytes.get(), 'x', n);
    }
    bool Terminated() const { return std::memchr(bytes.get(), 0, size) != nullptr; }
    std::size_t size;
    std::unique_ptr<char[]> bytes;
};

// The text a host hands in (program name, capability, parameter text): NUL
// terminated, in a block of exactly its length plus the terminator.
TextBuffer HostText(FuzzedDataProvider& data, VstInt32 opcode) {
    static constexpr const char* kCanDo[] = {"receiveVstMidiEvent",
                                             "receiveVstEvents",
                                             "receiveVstMidiEventX",
                                             "receiveVstMidiEven",
                                             "sendVstEvents",
                                             "bypass",
                                             ""};
    std::string text = opcode == effCanDo && data.ConsumeBool()
                           ? std::string(data.PickValueInArray(kCanDo))
                           : data.ConsumeRandomLengthString(64);
    TextBuffer buffer(text.size() + 1);
    std::memcpy(buffer.bytes.get(), text.c_str(), text.size() + 1);
    return buffer;
}

// Bytes the host gives for each text the effect writes; 0 for requests that
// carry no text. The effect's texts are bounded by them: parameter names are
// 16-byte fields, labels at most 8 bytes, display texts at most 24, program
// names 32-byte fields.
std::size_t TextSize(VstInt32 opcode) {
    switch (opcode) {
        case effGetProgramName:
        case effGetProgramNameIndexed: return 32;
        case effGetParamLabel: return 8;
        case effGetParamDisplay: return 24;
        case effGetParamName: return 16;
        case effGetEffectName: return 32;
        case effGetVendorString:
        case effGetProductString:
        case effShellGetNextPlugin: return 64;
        case effGetErrorText: return 256;
        default: return 0;
    }
}

// Texts the effect always writes, or writes when it answers 1.
bool MustWriteText(VstInt32 opcode, VstIntPtr answer) {
    switch (opcode) {
        case effGetProgramName:
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName: return true;
        case effGetProgramNameIndexed:
        case effGetEffectName:
        case effGetVendorString:
        case effGetProductString: return answer == 1;
        default: return false;
    }
}

void Dispatch(Session& s, std::size_t which) {
    FuzzedDataProvider& data = s.data;
    AEffect* e = s.live[which];
    const VstInt32 opcode = data.ConsumeBool() ? data.ConsumeIntegralInRange<VstInt32>(-2, 82)
                                               : data.ConsumeIntegral<VstInt32>();
    const VstInt32 index = AnyIndex(data);
    VstIntPtr value = AnyValue(data);
    const float opt = AnyFloat(data);

    // What a host passes by pointer for this opcode.
    std::unique_ptr<TextBuffer> text;
    std::vector<unsigned char> chunk;
    void* chunkData = nullptr;
    ERect* rect = nullptr;
    VstSpeakerArrangement* inArrangement = nullptr;
    VstSpeakerArrangement* outArrangement = nullptr;
    std::array<VstSpeakerArrangement, 2> arrangements{};
    std::array<std::max_align_t, kRecordBlock / sizeof(std::max_align_t)> record{};
    void* ptr = nullptr;
    switch (opcode) {
        case effSetProgramName:
        case effString2Parameter:
        case effCanDo:
            text = std::make_unique<TextBuffer>(HostText(data, opcode));
            ptr = text->bytes.get();
            break;
        case effGetChunk: ptr = &chunkData; break;
        case effSetChunk:
            chunk.resize(data.ConsumeIntegralInRange<std::size_t>(0, 256));
            value = static_cast<VstIntPtr>(chunk.size());
            ptr = chunk.data();
            break;
        case effEditGetRect: ptr = &rect; break;
        case effSetSpeakerArrangement:
            for (auto& a : arrangements) a.numChannels = static_cast<VstInt32>(kChannels);
            value = reinterpret_cast<VstIntPtr>(&arrangements[0]);
            ptr = &arrangements[1];
            break;
        case effGetSpeakerArrangement:
            value = reinterpret_cast<VstIntPtr>(&inArrangement);
            ptr = &outArrangement;
            break;
        default:
            if (const std::size_t size = TextSize(opcode); size > 0) {
                text = std::make_unique<TextBuffer>(size);
                ptr = text->bytes.get();
            } else if (data.ConsumeBool()) {
                // Requests that take a record, and those that take nothing,
                // for which a host may pass anything it has.
                ptr = record.data();
            }
            break;
    }

    const VstIntPtr answer = e->dispatcher(e, opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        if (answer != 1) Fail("close did not answer 1");
        s.live.erase(s.live.begin() + static_cast<std::ptrdiff_t>(which));
        return;
    }
    if (text && MustWriteText(opcode, answer) && !text->Terminated())
        Fail("text not terminated within the host's buffer");
}

void Create(Session& s) {
    if (s.live.size() >= kMaxInstances) return;
    s.creating = true;
    AEffect* e = VSTPluginMain(&HostCallback);
    s.creating = false;
    if (!e) return;
    if (e->magic != kEffectMagic || !e->dispatcher || !e->setParameter || !e->getParameter ||
        !e->processReplacing || !e->object || e->numInputs != static_cast<VstInt32>(kChannels) ||
        e->numOutputs != static_cast<VstInt32>(kChannels) || e->numParams != 3 ||
        e->numPrograms != 8) {
        Fail("incomplete effect record");
    }
    s.live.push_back(e);
}

// Exactly `frames` samples per channel, and exactly two channel pointers.
template <typename Sample>
struct Channels {
    Channels(VstInt32 frameCount, Sample fill)
        : frames(static_cast<std::size_t>(frameCount)), pointers(new Sample*[kChannels]) {
        for (std::size_t c = 0; c < kChannels; ++c) {
            blocks[c].reset(new Sample[frames]);
            pointers[c] = blocks[c].get();
            std::fill_n(pointers[c], frames, fill);
        }
    }
    bool Equal(const Channels& other, std::size_t c) const {
        return std::memcmp(pointers[c], other.pointers[c], frames * sizeof(Sample)) == 0;
    }
    bool AllAre(Sample v, std::size_t c) const {
        return std::all_of(pointers[c], pointers[c] + frames, [v](Sample x) { return x == v; });
    }
    std::size_t frames;
    std::array<std::unique_ptr<Sample[]>, kChannels> blocks;
    std::unique_ptr<Sample*[]> pointers;
};

void Process(Session& s, std::size_t which) {
    FuzzedDataProvider& data = s.data;
    AEffect* e = s.live[which];
    const VstInt32 frames = data.ConsumeIntegralInRange<VstInt32>(0, kMaxFrames);
    const bool inPlace = data.ConsumeBool();
    // Input samples of any bit pattern, NaNs included: pass-through is
    // compared bit for bit.
    Channels<float> in(frames, 0.0f);
    std::uint32_t bits = data.ConsumeIntegral<std::uint32_t>();
    for (std::size_t c = 0; c < kChannels; ++c) {
        for (std::size_t i = 0; i < in.frames; ++i) {
            bits = bits * 1664525u + 1013904223u;
            std::memcpy(&in.pointers[c][i], &bits, sizeof bits);
        }
    }
    Channels<float> expected(frames, 0.0f);
    for (std::size_t c = 0; c < kChannels; ++c)
        std::copy_n(in.pointers[c], in.frames, expected.pointers[c]);

    if (inPlace) {
        e->processReplacing(e, in.pointers.get(), in.pointers.get(), frames);
    } else {
        Channels<float> out(frames, -1.0f);
        e->processReplacing(e, in.pointers.get(), out.pointers.get(), frames);
        for (std::size_t c = 0; c < kChannels; ++c)
            if (!out.Equal(expected, c)) Fail("output is not the input");
    }
    for (std::size_t c = 0; c < kChannels; ++c)
        if (!in.Equal(expected, c)) Fail("input changed by processing");
}

// The host's other processing entries: this effect uses neither, and
// neither may touch the buffers.
void ProcessOther(Session& s, std::size_t which) {
    FuzzedDataProvider& data = s.data;
    AEffect* e = s.live[which];
    const VstInt32 frames = data.ConsumeIntegralInRange<VstInt32>(0, kMaxFrames);
    if (data.ConsumeBool()) {
        Channels<float> in(frames, 0.25f), out(frames, -1.0f);
        e->process(e, in.pointers.get(), out.pointers.get(), frames);
        for (std::size_t c = 0; c < kChannels; ++c)
            if (!out.AllAre(-1.0f, c)) Fail("accumulating process wrote its output");
    } else {
        Channels<double> in(frames, 0.5), out(frames, -1.0);
        e->processDoubleReplacing(e, in.pointers.get(), out.pointers.get(), frames);
        for (std::size_t c = 0; c < kChannels; ++c)
            if (!out.AllAre(-1.0, c)) Fail("double processing wrote its output");
    }
}

// The values remembered before this input's first instance: each missing
// or any float, so that every input starts from a store it chose itself.
void SeedStore(FuzzedDataProvider& data) {
    const std::filesystem::path directory = fuzzstore::Root() / "Vantorel" / "com.vantorel.Tardimark";
    for (const char* name : {"Samples", "Seconds", "SamplesOrSeconds"}) {
        std::error_code ignored;
        std::filesystem::remove(directory / name, ignored);
        if (!data.ConsumeBool()) continue;
        const CFString key(name);
        WriteDefault(&key, AnyFloat(data));
    }
}


}  // namespace

// The store lives in a temporary directory for the whole run, never among
// the user's own settings.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    fuzzstore::UseTemporaryStore("tardimark-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    Session session(data);
    gSession = &session;
    SeedStore(data);

    enum Action {
        kCreate,
        kDispatch,
        kSetParameter,
        kGetParameter,
        kSetProgram,
        kProcess,
        kProcessOther,
        kClose,
        kLastAction = kClose
    };
    while (data.remaining_bytes() > 0) {
        const auto action = static_cast<Action>(data.ConsumeIntegralInRange<int>(0, kLastAction));
        if (action == kCreate || session.live.empty()) {
            Create(session);
            continue;
        }
        const std::size_t which =
            data.ConsumeIntegralInRange<std::size_t>(0, session.live.size() - 1);
        AEffect* e = session.live[which];
        switch (action) {
            case kDispatch: Dispatch(session, which); break;
            case kSetParameter: e->setParameter(e, AnyIndex(data), AnyFloat(data)); break;
            case kGetParameter: static_cast<void>(e->getParameter(e, AnyIndex(data))); break;
            case kSetProgram:
                e->dispatcher(e, effSetProgram, 0, AnyValue(data), nullptr, 0.0f);
                if (const VstIntPtr p = e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0.0f);
                    p < 0 || p >= e->numPrograms)
                    Fail("current program out of range");
                break;
            case kProcess: Process(session, which); break;
            case kProcessOther: ProcessOther(session, which); break;
            case kClose:
                if (e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f) != 1)
                    Fail("close did not answer 1");
                session.live.erase(session.live.begin() + static_cast<std::ptrdiff_t>(which));
                break;
            case kCreate: break;
        }
    }
    while (!session.live.empty()) {
        AEffect* e = session.live.back();
        if (e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f) != 1) Fail("close did not answer 1");
        session.live.pop_back();
    }
    gSession = nullptr;
    return 0;
}
