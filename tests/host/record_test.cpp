// The effect record an effect owns: its bytes right after construction, the
// setters that change it, the record functions that lead to the object (the
// close opcode above all) and the rule that no exception reaches the host.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/probe_effect.h"
#include "host/record_functions.h"
#include "testhost/plugin_loader.h"
#include "testhost/recording_host.h"

namespace testhost {
namespace {

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

template <class Field>
void ZeroField(unsigned char* bytes, std::size_t offset) {
    std::memset(bytes + offset, 0, sizeof(Field));
}

// ---- after construction ----

// What entry_test checks through the module, this checks in-process: the
// record names this very object and these very functions, and every byte
// not set (padding included) is 0.
TEST(RecordAfterConstruction, PointsAtTheObjectAndIsZeroElsewhere) {
    RecordingHost host;
    host.clear();
    PlainEffect fx(RecordingHost::callback(), 8, 3);
    const AEffect* e = fx.getAeffect();
    EXPECT_TRUE(host.calls().empty());

    EXPECT_EQ(e->object, static_cast<AudioEffect*>(&fx));
    EXPECT_EQ(e->dispatcher, &dispatchEffectClass);
    EXPECT_EQ(e->process, &processClass);
    EXPECT_EQ(e->setParameter, &setParameterClass);
    EXPECT_EQ(e->getParameter, &getParameterClass);
    EXPECT_EQ(e->processReplacing, &processClassReplacing);
    EXPECT_EQ(e->processDoubleReplacing, &processClassDoubleReplacing);
    EXPECT_EQ(e->numPrograms, 8);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->flags, effFlagsCanReplacing);

    unsigned char bytes[sizeof(AEffect)];
    std::memcpy(bytes, e, sizeof bytes);
    ZeroField<VstInt32>(bytes, offsetof(AEffect, magic));
    ZeroField<AEffectDispatcherProc>(bytes, offsetof(AEffect, dispatcher));
    ZeroField<AEffectProcessProc>(bytes, offsetof(AEffect, process));
    ZeroField<AEffectSetParameterProc>(bytes, offsetof(AEffect, setParameter));
    ZeroField<AEffectGetParameterProc>(bytes, offsetof(AEffect, getParameter));
    ZeroField<VstInt32>(bytes, offsetof(AEffect, numPrograms));
    ZeroField<VstInt32>(bytes, offsetof(AEffect, numParams));
    ZeroField<VstInt32>(bytes, offsetof(AEffect, numInputs));
    ZeroField<VstInt32>(bytes, offsetof(AEffect, numOutputs));
    ZeroField<VstInt32>(bytes, offsetof(AEffect, flags));
    ZeroField<float>(bytes, offsetof(AEffect, ioRatio));
    ZeroField<void*>(bytes, offsetof(AEffect, object));
    ZeroField<VstInt32>(bytes, offsetof(AEffect, uniqueID));
    ZeroField<VstInt32>(bytes, offsetof(AEffect, version));
    ZeroField<AEffectProcessProc>(bytes, offsetof(AEffect, processReplacing));
    ZeroField<AEffectProcessDoubleProc>(bytes, offsetof(AEffect, processDoubleReplacing));
    const unsigned char zeros[sizeof(AEffect)] = {};
    EXPECT_EQ(std::memcmp(bytes, zeros, sizeof bytes), 0);

    EXPECT_EQ(fx.getSampleRate(), 44100.0f);
    EXPECT_EQ(fx.getBlockSize(), 1024);
    EXPECT_EQ(fx.getProgram(), 0);
    EXPECT_EQ(fx.getEditor(), nullptr);
}

// ---- flag setters ----

struct FlagCase {
    const char* name;
    void (*set)(AudioEffectX&, bool);
    VstInt32 bit;
};

class FlagSetter : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagSetter, ChangesOnlyItsBit) {
    const FlagCase& c = GetParam();
    PlainEffect fx;
    AEffect* e = fx.getAeffect();
    for (VstInt32 before : {0, 0x10, 0x5A5A5A5A, ~0}) {
        SCOPED_TRACE(::testing::Message() << "flags before 0x" << std::hex << before);
        e->flags = before;
        c.set(fx, true);
        EXPECT_EQ(e->flags, before | c.bit);
        c.set(fx, true);
        EXPECT_EQ(e->flags, before | c.bit);
        c.set(fx, false);
        EXPECT_EQ(e->flags, before & ~c.bit);
        c.set(fx, false);
        EXPECT_EQ(e->flags, before & ~c.bit);
    }
}

const FlagCase kFlagCases[] = {
    {"HasClip", [](AudioEffectX& e, bool on) { e.hasClip(on); }, 0x2},
    {"HasVu", [](AudioEffectX& e, bool on) { e.hasVu(on); }, 0x4},
    {"CanMono", [](AudioEffectX& e, bool on) { e.canMono(on); }, 0x8},
    {"CanProcessReplacing", [](AudioEffectX& e, bool on) { e.canProcessReplacing(on); }, 0x10},
    {"ProgramsAreChunks", [](AudioEffectX& e, bool on) { e.programsAreChunks(on); }, 0x20},
    {"IsSynth", [](AudioEffectX& e, bool on) { e.isSynth(on); }, 0x100},
    {"NoTail", [](AudioEffectX& e, bool on) { e.noTail(on); }, 0x200},
    {"WantAsyncOperation", [](AudioEffectX& e, bool on) { e.wantAsyncOperation(on); }, 0x400},
    {"HasExternalBuffer", [](AudioEffectX& e, bool on) { e.hasExternalBuffer(on); }, 0x800},
    {"CanDoubleReplacing", [](AudioEffectX& e, bool on) { e.canDoubleReplacing(on); }, 0x1000},
};
INSTANTIATE_TEST_SUITE_P(Flags, FlagSetter, ::testing::ValuesIn(kFlagCases), CaseName<FlagCase>);

TEST(FlagSetter, WithoutArgumentSets) {
    PlainEffect fx;
    fx.hasVu();
    fx.isSynth();
    EXPECT_EQ(fx.getAeffect()->flags, effFlagsCanReplacing | effFlagsHasVu | effFlagsIsSynth);
}

// ---- field setters ----

struct FieldCase {
    const char* name;
    void (*set)(AudioEffectX&, VstInt32);
    std::size_t offset;
};

class FieldSetter : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldSetter, StoresItsFieldOnlyAndTellsNoOne) {
    const FieldCase& c = GetParam();
    RecordingHost host;
    PlainEffect fx(RecordingHost::callback());
    host.clear();
    const AEffect* e = fx.getAeffect();
    for (VstInt32 v : {4096, 0, -1, 0x56746D64}) {
        unsigned char before[sizeof(AEffect)];
        std::memcpy(before, e, sizeof before);
        c.set(fx, v);
        unsigned char after[sizeof(AEffect)];
        std::memcpy(after, e, sizeof after);
        VstInt32 stored;
        std::memcpy(&stored, after + c.offset, sizeof stored);
        EXPECT_EQ(stored, v);
        std::memcpy(after + c.offset, before + c.offset, sizeof(VstInt32));
        EXPECT_EQ(std::memcmp(before, after, sizeof before), 0) << "another byte changed";
    }
    EXPECT_TRUE(host.calls().empty());
}

const FieldCase kFieldCases[] = {
    {"UniqueID", [](AudioEffectX& e, VstInt32 v) { e.setUniqueID(v); },
     offsetof(AEffect, uniqueID)},
    {"NumInputs", [](AudioEffectX& e, VstInt32 v) { e.setNumInputs(v); },
     offsetof(AEffect, numInputs)},
    {"NumOutputs", [](AudioEffectX& e, VstInt32 v) { e.setNumOutputs(v); },
     offsetof(AEffect, numOutputs)},
    {"RealtimeQualities", [](AudioEffectX& e, VstInt32 v) { e.setRealtimeQualities(v); },
     offsetof(AEffect, realQualities)},
    {"OfflineQualities", [](AudioEffectX& e, VstInt32 v) { e.setOfflineQualities(v); },
     offsetof(AEffect, offQualities)},
    {"InitialDelay", [](AudioEffectX& e, VstInt32 v) { e.setInitialDelay(v); },
     offsetof(AEffect, initialDelay)},
};
INSTANTIATE_TEST_SUITE_P(Fields, FieldSetter, ::testing::ValuesIn(kFieldCases),
                         CaseName<FieldCase>);

// ---- close and destruction ----

// Writes its close and its destruction into a log that outlives it, and
// answers the close opcode with a scripted value.
class ClosingEffect : public PlainEffect {
public:
    explicit ClosingEffect(std::vector<std::string>& log) : log_(log) {}
    ~ClosingEffect() override { log_.push_back("destroyed"); }
    void close() override { log_.push_back("close"); }
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override {
        const VstIntPtr base = PlainEffect::dispatcher(opcode, index, value, ptr, opt);
        return opcode == effClose ? closeAnswer : base;
    }
    VstIntPtr closeAnswer = 0;

private:
    std::vector<std::string>& log_;
};

TEST(CloseOpcode, DispatcherCallsCloseAndAnswersZero) {
    ProbeEffect fx;
    fx.reply = 9;
    EXPECT_EQ(fx.dispatcher(effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(fx.log, std::vector<std::string>{"close()"});
}

TEST(CloseOpcode, ThroughTheRecordClosesThenDeletesAndAnswersOne) {
    for (VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{42}, VstIntPtr{-1}}) {
        SCOPED_TRACE(::testing::Message() << "dispatcher answers " << answer);
        std::vector<std::string> log;
        auto* fx = new ClosingEffect(log);
        fx->closeAnswer = answer;
        EXPECT_EQ(Dispatch(fx->getAeffect(), effClose), 1);
        EXPECT_EQ(log, (std::vector<std::string>{"close", "destroyed"}));
    }
}

TEST(CloseOpcode, DeletesTheEditorWithTheEffect) {
    std::vector<std::string> log;
    bool editorDestroyed = false;
    auto* fx = new ClosingEffect(log);
    fx->attachEditor(new ProbeEditor(log, editorDestroyed));
    EXPECT_EQ(Dispatch(fx->getAeffect(), effClose), 1);
    EXPECT_TRUE(editorDestroyed);
    EXPECT_EQ(log, (std::vector<std::string>{"close", "destroyed"}));
}

TEST(Destruction, DeletesTheEditor) {
    std::vector<std::string> log;
    bool editorDestroyed = false;
    {
        PlainEffect fx;
        fx.attachEditor(new ProbeEditor(log, editorDestroyed));
        EXPECT_FALSE(editorDestroyed);
    }
    EXPECT_TRUE(editorDestroyed);
    EXPECT_TRUE(log.empty());  // the editor is deleted, not closed
}

// ---- the other record functions ----

class ForwardingEffect : public PlainEffect {
public:
    void setParameter(VstInt32 index, float value) override {
        log.push_back(ShowCall("setParameter", index, value));
    }
    float getParameter(VstInt32 index) override {
        log.push_back(ShowCall("getParameter", index));
        return 0.625f;
    }
    void process(float** in, float** out, VstInt32 frames) override {
        log.push_back(ShowCall("process", in, out, frames));
    }
    void processReplacing(float** in, float** out, VstInt32 frames) override {
        log.push_back(ShowCall("processReplacing", in, out, frames));
    }
    void processDoubleReplacing(double** in, double** out, VstInt32 frames) override {
        log.push_back(ShowCall("processDoubleReplacing", in, out, frames));
    }
    std::vector<std::string> log;
};

TEST(RecordFunctions, PassTheirArgumentsToTheObject) {
    ForwardingEffect fx;
    AEffect* e = fx.getAeffect();
    auto** in = reinterpret_cast<float**>(gPtrBuffer);
    auto** out = reinterpret_cast<float**>(gValueBuffer);
    e->setParameter(e, 1, 0.25f);
    EXPECT_EQ(e->getParameter(e, 2), 0.625f);
    e->process(e, in, out, 64);
    e->processReplacing(e, in, out, 32);
    e->processDoubleReplacing(e, reinterpret_cast<double**>(gPtrBuffer),
                              reinterpret_cast<double**>(gValueBuffer), 16);
    EXPECT_EQ(fx.log,
              (std::vector<std::string>{
                  "setParameter(1,0.25)", "getParameter(2)", "process(ptr,valuePtr,64)",
                  "processReplacing(ptr,valuePtr,32)", "processDoubleReplacing(ptr,valuePtr,16)"}));
}

// ---- no exception reaches the host ----

enum class Throw { Runtime, BadAlloc, NotAnException };

[[noreturn]] void Raise(Throw kind) {
    switch (kind) {
        case Throw::Runtime: throw std::runtime_error("effect failure");
        case Throw::BadAlloc: throw std::bad_alloc();
        case Throw::NotAnException: throw 42;
    }
    throw 0;
}

class ThrowingEffect : public AudioEffectX {
public:
    ThrowingEffect(Throw kind, bool& destroyed)
        : AudioEffectX(nullptr, 1, 1), kind_(kind), destroyed_(destroyed) {}
    ~ThrowingEffect() override { destroyed_ = true; }
    VstIntPtr dispatcher(VstInt32, VstInt32, VstIntPtr, void*, float) override { Raise(kind_); }
    void setParameter(VstInt32, float) override { Raise(kind_); }
    float getParameter(VstInt32) override { Raise(kind_); }
    void process(float**, float**, VstInt32) override { Raise(kind_); }
    void processReplacing(float**, float**, VstInt32) override { Raise(kind_); }
    void processDoubleReplacing(double**, double**, VstInt32) override { Raise(kind_); }

private:
    Throw kind_;
    bool& destroyed_;
};

class Exceptions : public ::testing::TestWithParam<Throw> {};

TEST_P(Exceptions, StopAtTheRecordFunctions) {
    bool destroyed = false;
    auto* fx = new ThrowingEffect(GetParam(), destroyed);
    AEffect* e = fx->getAeffect();
    float sample = 0.0f;
    float* channel = &sample;
    double dsample = 0.0;
    double* dchannel = &dsample;

    EXPECT_EQ(Dispatch(e, effGetProgram), 0);
    EXPECT_EQ(Dispatch(e, effIdentify), 0);
    EXPECT_EQ(Dispatch(e, effCanDo, 0, 0, gPtrBuffer), 0);
    e->setParameter(e, 0, 0.5f);
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);
    e->process(e, &channel, &channel, 1);
    e->processReplacing(e, &channel, &channel, 1);
    e->processDoubleReplacing(e, &dchannel, &dchannel, 1);
    EXPECT_FALSE(destroyed);

    EXPECT_EQ(Dispatch(e, effClose), 1);
    EXPECT_TRUE(destroyed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Exceptions,
                         ::testing::Values(Throw::Runtime, Throw::BadAlloc, Throw::NotAnException),
                         [](const ::testing::TestParamInfo<Throw>& i) -> std::string {
                             switch (i.param) {
                                 case Throw::Runtime: return "RuntimeError";
                                 case Throw::BadAlloc: return "BadAlloc";
                                 case Throw::NotAnException: return "NotAnException";
                             }
                             return "Unknown";
                         });

}  // namespace
}  // namespace testhost
