// The calls an effect makes into the host: exactly what each sends through
// the callback, how it reads the answer, and what it answers without a
// callback.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/probe_effect.h"
#include "host/test_effect.h"
#include "testhost/plugin_loader.h"
#include "testhost/recording_host.h"

namespace testhost {
namespace {

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

VstIntPtr Addr(const void* p) { return reinterpret_cast<VstIntPtr>(p); }
template <class T>
T* As(void* p) {
    return reinterpret_cast<T*>(p);
}

struct ServiceCase {
    const char* name;
    VstIntPtr (*call)(AudioEffectX&);
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr hostAnswer;
    VstIntPtr result;
    VstIntPtr withoutHost;  // the result when the effect has no callback
    bool sends = true;      // false: nothing may reach the host
};

class HostService : public ::testing::TestWithParam<ServiceCase> {};

TEST_P(HostService, SendsOneCallFromItsOwnRecordAndReadsTheAnswer) {
    const ServiceCase& c = GetParam();
    RecordingHost host;
    host.answer(c.opcode, c.hostAnswer);
    PlainEffect fx(RecordingHost::callback());
    host.clear();

    EXPECT_EQ(c.call(fx), c.result);

    const std::vector<HostCall> calls = host.calls();
    if (!c.sends) {
        EXPECT_TRUE(calls.empty());
        return;
    }
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, fx.getAeffect());
    EXPECT_EQ(calls[0].opcode, c.opcode);
    EXPECT_EQ(calls[0].index, c.index);
    EXPECT_EQ(calls[0].value, c.value);
    EXPECT_EQ(calls[0].ptr, c.ptr);
    EXPECT_EQ(calls[0].opt, c.opt);
}

TEST_P(HostService, WithoutCallbackAnswersItsDefault) {
    const ServiceCase& c = GetParam();
    RecordingHost host;
    PlainEffect fx(nullptr);
    EXPECT_EQ(c.call(fx), c.withoutHost);
    EXPECT_TRUE(host.calls().empty());
}

void* const kText = gPtrBuffer;
void* const kObject = gValueBuffer;

// Host answers are chosen so that "as is" (7 stays 7) and "yes/no" (7
// becomes 1) cannot be mistaken for each other.
const std::vector<ServiceCase> kBaseServices = {
    {"MasterVersion", [](AudioEffectX& e) -> VstIntPtr { return e.getMasterVersion(); },
     audioMasterVersion, 0, 0, nullptr, 0.0f, 2400, 2400, 1},
    {"MasterVersionZeroReadsAsOne",
     [](AudioEffectX& e) -> VstIntPtr { return e.getMasterVersion(); }, audioMasterVersion, 0, 0,
     nullptr, 0.0f, 0, 1, 1},
    {"CurrentUniqueId", [](AudioEffectX& e) -> VstIntPtr { return e.getCurrentUniqueId(); },
     audioMasterCurrentId, 0, 0, nullptr, 0.0f, 0x41424344, 0x41424344, 0},
    {"MasterIdle",
     [](AudioEffectX& e) -> VstIntPtr {
         e.masterIdle();
         return 0;
     },
     audioMasterIdle, 0, 0, nullptr, 0.0f, 7, 0, 0},
    {"InputConnected", [](AudioEffectX& e) -> VstIntPtr { return e.isInputConnected(3); },
     audioMasterPinConnected, 3, 0, nullptr, 0.0f, 0, 1, 1},
    {"InputNotConnected", [](AudioEffectX& e) -> VstIntPtr { return e.isInputConnected(3); },
     audioMasterPinConnected, 3, 0, nullptr, 0.0f, 1, 0, 1},
    {"OutputConnected", [](AudioEffectX& e) -> VstIntPtr { return e.isOutputConnected(2); },
     audioMasterPinConnected, 2, 1, nullptr, 0.0f, 0, 1, 1},
    {"OutputNotConnected", [](AudioEffectX& e) -> VstIntPtr { return e.isOutputConnected(2); },
     audioMasterPinConnected, 2, 1, nullptr, 0.0f, 1, 0, 1},
};
INSTANTIATE_TEST_SUITE_P(Base, HostService, ::testing::ValuesIn(kBaseServices),
                         CaseName<ServiceCase>);

const std::vector<ServiceCase> kExtendedServices = {
    {"BeginEdit", [](AudioEffectX& e) -> VstIntPtr { return e.beginEdit(5); },
     audioMasterBeginEdit, 5, 0, nullptr, 0.0f, 7, 1, 0},
    {"BeginEditRefused", [](AudioEffectX& e) -> VstIntPtr { return e.beginEdit(5); },
     audioMasterBeginEdit, 5, 0, nullptr, 0.0f, 0, 0, 0},
    {"EndEdit", [](AudioEffectX& e) -> VstIntPtr { return e.endEdit(5); }, audioMasterEndEdit,
     5, 0, nullptr, 0.0f, 7, 1, 0},
    {"IoChanged", [](AudioEffectX& e) -> VstIntPtr { return e.ioChanged(); },
     audioMasterIOChanged, 0, 0, nullptr, 0.0f, 7, 1, 0},
    {"UpdateSampleRate",
     [](AudioEffectX& e) -> VstIntPtr { return static_cast<VstIntPtr>(e.updateSampleRate()); },
     audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, 48000, 48000, 44100},
    {"UpdateSampleRateZeroKeepsRate",
     [](AudioEffectX& e) -> VstIntPtr { return static_cast<VstIntPtr>(e.updateSampleRate()); },
     audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, 0, 44100, 44100},
    {"UpdateSampleRateNegativeKeepsRate",
     [](AudioEffectX& e) -> VstIntPtr { return static_cast<VstIntPtr>(e.updateSampleRate()); },
     audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, -1, 44100, 44100},
    {"UpdateBlockSize", [](AudioEffectX& e) -> VstIntPtr { return e.updateBlockSize(); },
     audioMasterGetBlockSize, 0, 0, nullptr, 0.0f, 256, 256, 1024},
    {"UpdateBlockSizeZeroKeepsSize",
     [](AudioEffectX& e) -> VstIntPtr { return e.updateBlockSize(); }, audioMasterGetBlockSize, 0,
     0, nullptr, 0.0f, 0, 1024, 1024},
    {"UpdateBlockSizeNegativeKeepsSize",
     [](AudioEffectX& e) -> VstIntPtr { return e.updateBlockSize(); }, audioMasterGetBlockSize, 0,
     0, nullptr, 0.0f, -1, 1024, 1024},
    {"InputLatency", [](AudioEffectX& e) -> VstIntPtr { return e.getInputLatency(); },
     audioMasterGetInputLatency, 0, 0, nullptr, 0.0f, 64, 64, 0},
    {"OutputLatency", [](AudioEffectX& e) -> VstIntPtr { return e.getOutputLatency(); },
     audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f, 128, 128, 0},
    {"TimeInfo", [](AudioEffectX& e) -> VstIntPtr { return Addr(e.getTimeInfo(0x4F)); },
     audioMasterGetTime, 0, 0x4F, nullptr, 0.0f, Addr(kObject), Addr(kObject), 0},
    {"CurrentProcessLevel",
     [](AudioEffectX& e) -> VstIntPtr { return e.getCurrentProcessLevel(); },
     audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f, 2, 2, 0},
    {"AutomationState", [](AudioEffectX& e) -> VstIntPtr { return e.getAutomationState(); },
     audioMasterGetAutomationState, 0, 0, nullptr, 0.0f, 3, 3, 0},
    {"HostVendorString",
     [](AudioEffectX& e) -> VstIntPtr { return e.getHostVendorString(gPtrBuffer); },
     audioMasterGetVendorString, 0, 0, kText, 0.0f, 7, 1, 0},
    {"HostProductString",
     [](AudioEffectX& e) -> VstIntPtr { return e.getHostProductString(gPtrBuffer); },
     audioMasterGetProductString, 0, 0, kText, 0.0f, 7, 1, 0},
    {"HostVendorVersion", [](AudioEffectX& e) -> VstIntPtr { return e.getHostVendorVersion(); },
     audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f, 0x10203, 0x10203, 0},
    {"HostVendorSpecific",
     [](AudioEffectX& e) -> VstIntPtr { return e.hostVendorSpecific(11, 22, kObject, 0.25f); },
     audioMasterVendorSpecific, 11, 22, kObject, 0.25f, -99, -99, 0},
    {"CanHostDo", [](AudioEffectX& e) -> VstIntPtr { return e.canHostDo(gPtrBuffer); },
     audioMasterCanDo, 0, 0, kText, 0.0f, 1, 1, 0},
    {"CanHostDoAnyPositive", [](AudioEffectX& e) -> VstIntPtr { return e.canHostDo(gPtrBuffer); },
     audioMasterCanDo, 0, 0, kText, 0.0f, 2, 1, 0},
    {"CanHostDoAnyNegative", [](AudioEffectX& e) -> VstIntPtr { return e.canHostDo(gPtrBuffer); },
     audioMasterCanDo, 0, 0, kText, 0.0f, -1, 1, 0},
    {"CannotHostDo", [](AudioEffectX& e) -> VstIntPtr { return e.canHostDo(gPtrBuffer); },
     audioMasterCanDo, 0, 0, kText, 0.0f, 0, 0, 0},
    {"HostLanguage", [](AudioEffectX& e) -> VstIntPtr { return e.getHostLanguage(); },
     audioMasterGetLanguage, 0, 0, nullptr, 0.0f, 4, 4, 0},
    {"Directory", [](AudioEffectX& e) -> VstIntPtr { return Addr(e.getDirectory()); },
     audioMasterGetDirectory, 0, 0, nullptr, 0.0f, Addr(kObject), Addr(kObject), 0},
    {"UpdateDisplay", [](AudioEffectX& e) -> VstIntPtr { return e.updateDisplay(); },
     audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f, 7, 1, 0},
    {"SizeWindow", [](AudioEffectX& e) -> VstIntPtr { return e.sizeWindow(640, 480); },
     audioMasterSizeWindow, 640, 480, nullptr, 0.0f, 7, 1, 0},
    {"OpenFileSelector",
     [](AudioEffectX& e) -> VstIntPtr { return e.openFileSelector(As<VstFileSelect>(kObject)); },
     audioMasterOpenFileSelector, 0, 0, kObject, 0.0f, 7, 1, 0},
    {"OpenNullFileSelector",
     [](AudioEffectX& e) -> VstIntPtr { return e.openFileSelector(nullptr); },
     audioMasterOpenFileSelector, 0, 0, nullptr, 0.0f, 7, 0, 0, false},
    {"CloseFileSelector",
     [](AudioEffectX& e) -> VstIntPtr { return e.closeFileSelector(As<VstFileSelect>(kObject)); },
     audioMasterCloseFileSelector, 0, 0, kObject, 0.0f, 7, 1, 0},
    {"CloseNullFileSelector",
     [](AudioEffectX& e) -> VstIntPtr { return e.closeFileSelector(nullptr); },
     audioMasterCloseFileSelector, 0, 0, nullptr, 0.0f, 7, 0, 0, false},
    {"OfflineReadSource",
     [](AudioEffectX& e) -> VstIntPtr {
         return e.offlineRead(As<VstOfflineTask>(kObject), 7, true);
     },
     audioMasterOfflineRead, 1, 7, kObject, 0.0f, 7, 1, 0},
    {"OfflineReadDestination",
     [](AudioEffectX& e) -> VstIntPtr {
         return e.offlineRead(As<VstOfflineTask>(kObject), 7, false);
     },
     audioMasterOfflineRead, 0, 7, kObject, 0.0f, 7, 1, 0},
    {"OfflineWrite",
     [](AudioEffectX& e) -> VstIntPtr { return e.offlineWrite(As<VstOfflineTask>(kObject), 7); },
     audioMasterOfflineWrite, 0, 7, kObject, 0.0f, 7, 1, 0},
    {"OfflineStart",
     [](AudioEffectX& e) -> VstIntPtr { return e.offlineStart(As<VstAudioFile>(kObject), 3, 2); },
     audioMasterOfflineStart, 2, 3, kObject, 0.0f, 7, 1, 0},
    {"OfflineCurrentPass", [](AudioEffectX& e) -> VstIntPtr { return e.offlineGetCurrentPass(); },
     audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f, 7, 1, 0},
    {"OfflineCurrentMetaPass",
     [](AudioEffectX& e) -> VstIntPtr { return e.offlineGetCurrentMetaPass(); },
     audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f, 7, 1, 0},
    {"WantEvents",
     [](AudioEffectX& e) -> VstIntPtr {
         e.wantEvents(3);
         return 0;
     },
     audioMasterWantMidi, 0, 3, nullptr, 0.0f, 7, 0, 0},
    {"TempoAt", [](AudioEffectX& e) -> VstIntPtr { return e.tempoAt(4410); },
     audioMasterTempoAt, 0, 4410, nullptr, 0.0f, 1200000, 1200000, 0},
    {"NumAutomatableParameters",
     [](AudioEffectX& e) -> VstIntPtr { return e.getNumAutomatableParameters(); },
     audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f, 3, 3, 0},
    {"ParameterQuantization",
     [](AudioEffectX& e) -> VstIntPtr { return e.getParameterQuantization(); },
     audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f, 100, 100, 0},
    {"NeedIdle", [](AudioEffectX& e) -> VstIntPtr { return e.needIdle(); }, audioMasterNeedIdle,
     0, 0, nullptr, 0.0f, 7, 1, 0},
    {"PreviousPlug", [](AudioEffectX& e) -> VstIntPtr { return Addr(e.getPreviousPlug(1)); },
     audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f, Addr(kObject), Addr(kObject), 0},
    {"NextPlug", [](AudioEffectX& e) -> VstIntPtr { return Addr(e.getNextPlug(1)); },
     audioMasterGetNextPlug, 0, 0, nullptr, 0.0f, Addr(kObject), Addr(kObject), 0},
    {"WillProcessReplacing",
     [](AudioEffectX& e) -> VstIntPtr { return e.willProcessReplacing(); },
     audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f, 2, 2, 0},
    {"SetOutputSampleRate",
     [](AudioEffectX& e) -> VstIntPtr {
         e.setOutputSamplerate(96000.0f);
         return 0;
     },
     audioMasterSetOutputSampleRate, 0, 0, nullptr, 96000.0f, 7, 0, 0},
    {"InputSpeakerArrangement",
     [](AudioEffectX& e) -> VstIntPtr { return Addr(e.getInputSpeakerArrangement()); },
     audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f, Addr(kObject), Addr(kObject), 0},
    {"OutputSpeakerArrangement",
     [](AudioEffectX& e) -> VstIntPtr { return Addr(e.getOutputSpeakerArrangement()); },
     audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0.0f, Addr(kObject), Addr(kObject),
     0},
    {"OpenWindow",
     [](AudioEffectX& e) -> VstIntPtr { return Addr(e.openWindow(As<VstWindow>(kText))); },
     audioMasterOpenWindow, 0, 0, kText, 0.0f, Addr(kObject), Addr(kObject), 0},
    {"CloseWindow",
     [](AudioEffectX& e) -> VstIntPtr { return e.closeWindow(As<VstWindow>(kText)); },
     audioMasterCloseWindow, 0, 0, kText, 0.0f, 7, 1, 0},
    {"ChunkFile", [](AudioEffectX& e) -> VstIntPtr { return e.getChunkFile(kText); },
     audioMasterGetChunkFile, 0, 0, kText, 0.0f, 7, 1, 0},
    {"NullChunkFile", [](AudioEffectX& e) -> VstIntPtr { return e.getChunkFile(nullptr); },
     audioMasterGetChunkFile, 0, 0, nullptr, 0.0f, 7, 0, 0, false},
};
INSTANTIATE_TEST_SUITE_P(Extended, HostService, ::testing::ValuesIn(kExtendedServices),
                         CaseName<ServiceCase>);

TEST(UpdateSampleRate, KeepsTheLastPositiveAnswer) {
    RecordingHost host;
    PlainEffect fx(RecordingHost::callback());
    host.answer(audioMasterGetSampleRate, 96000);
    EXPECT_EQ(fx.updateSampleRate(), 96000.0);
    EXPECT_EQ(fx.getSampleRate(), 96000.0f);
    host.answer(audioMasterGetSampleRate, 0);
    EXPECT_EQ(fx.updateSampleRate(), 96000.0);
    EXPECT_EQ(fx.getSampleRate(), 96000.0f);
}

TEST(UpdateBlockSize, KeepsTheLastPositiveAnswer) {
    RecordingHost host;
    PlainEffect fx(RecordingHost::callback());
    host.answer(audioMasterGetBlockSize, 4096);
    EXPECT_EQ(fx.updateBlockSize(), 4096);
    host.answer(audioMasterGetBlockSize, -1);
    EXPECT_EQ(fx.updateBlockSize(), 4096);
    EXPECT_EQ(fx.getBlockSize(), 4096);
}

// ---- setParameterAutomated ----

class AutomatedEffect : public PlainEffect {
public:
    using PlainEffect::PlainEffect;
    void setParameter(VstInt32 index, float value) override {
        seen.push_back({index, value, host ? host->calls().size() : 0u});
    }
    struct Seen {
        VstInt32 index;
        float value;
        std::size_t hostCallsBefore;
    };
    std::vector<Seen> seen;
    RecordingHost* host = nullptr;
};

TEST(SetParameterAutomated, SetsTheParameterThenTellsTheHost) {
    RecordingHost host;
    AutomatedEffect fx(RecordingHost::callback());
    fx.host = &host;
    host.clear();
    fx.setParameterAutomated(1, 0.75f);

    ASSERT_EQ(fx.seen.size(), 1u);
    EXPECT_EQ(fx.seen[0].index, 1);
    EXPECT_EQ(fx.seen[0].value, 0.75f);
    EXPECT_EQ(fx.seen[0].hostCallsBefore, 0u);
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, fx.getAeffect());
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 1);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 0.75f);
}

TEST(SetParameterAutomated, WithoutCallbackOnlySetsTheParameter) {
    RecordingHost host;
    AutomatedEffect fx(nullptr);
    fx.setParameterAutomated(0, 0.25f);
    ASSERT_EQ(fx.seen.size(), 1u);
    EXPECT_EQ(fx.seen[0].value, 0.25f);
    EXPECT_TRUE(host.calls().empty());
}

// ---- resume asks for MIDI events ----

struct ResumeCase {
    const char* name;
    bool synth;
    VstInt32 canDoAnswer;
    bool asksCanDo;
    bool wantsEvents;
};

class Resume : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(Resume, AsksTheHostForEventsWhenTheEffectTakesThem) {
    const ResumeCase& c = GetParam();
    RecordingHost host;
    TestEffect fx(RecordingHost::callback());
    fx.isSynth(c.synth);
    fx.canDoAnswer = c.canDoAnswer;
    host.clear();

    EXPECT_EQ(Dispatch(fx.getAeffect(), effMainsChanged, 0, 1), 0);

    std::vector<std::string> expectedLog = {"resume"};
    if (c.asksCanDo) expectedLog.push_back("canDo:receiveVstMidiEvent");
    EXPECT_EQ(fx.log, expectedLog);
    const auto calls = host.calls();
    if (!c.wantsEvents) {
        EXPECT_TRUE(calls.empty());
        return;
    }
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, fx.getAeffect());
    EXPECT_EQ(calls[0].opcode, audioMasterWantMidi);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 1);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 0.0f);
}

const ResumeCase kResumeCases[] = {
    {"SynthWithoutAskingCanDo", true, 0, false, true}, {"CanDoMidiEvents", false, 1, true, true},
    {"CannotDoMidiEvents", false, 0, true, false},     {"CanDoTwoIsNotYes", false, 2, true, false},
    {"CanDoMinusOne", false, -1, true, false},
};
INSTANTIATE_TEST_SUITE_P(Midi, Resume, ::testing::ValuesIn(kResumeCases), CaseName<ResumeCase>);

TEST(Resume, WithoutCallbackSendsNothing) {
    RecordingHost host;
    TestEffect fx(nullptr);
    fx.isSynth(true);
    Dispatch(fx.getAeffect(), effMainsChanged, 0, 1);
    EXPECT_TRUE(host.calls().empty());
}

}  // namespace
}  // namespace testhost
