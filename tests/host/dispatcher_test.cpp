// The two dispatchers, driven through the record's dispatcher entry: which
// virtual method each opcode reaches, with which arguments, and what the
// host gets back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "host/probe_effect.h"
#include "testhost/plugin_loader.h"

namespace testhost {
namespace {

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

std::vector<std::string> Expected(const char* call) {
    if (*call == 0) return {};
    return {call};
}

// ---- opcode → method → answer ----

struct OpcodeCase {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr reply;   // what the reached method answers
    const char* call;  // the one call it receives; empty: none
    VstIntPtr answer;  // what the host gets
};

class DispatcherTable : public ::testing::TestWithParam<OpcodeCase> {};

TEST_P(DispatcherTable, ReachesOneMethodAndAnswers) {
    const OpcodeCase& c = GetParam();
    ProbeEffect fx;
    fx.reply = c.reply;
    AEffect* e = fx.getAeffect();
    EXPECT_EQ(e->dispatcher(e, c.opcode, c.index, c.value, c.ptr, c.opt), c.answer);
    EXPECT_EQ(fx.log, Expected(c.call));
}

constexpr VstIntPtr kIntPtrMin = std::numeric_limits<VstIntPtr>::min();

// The probe has 4 programs. Methods without a result answer 0 whatever
// they reply; the probe has no editor.
const std::vector<OpcodeCase> kBaseCases = {
    {"Open", effOpen, 0, 0, nullptr, 0.0f, 9, "open()", 0},
    {"SetProgramLast", effSetProgram, 0, 3, nullptr, 0.0f, 9, "setProgram(3)", 0},
    {"SetProgramFirst", effSetProgram, 0, 0, nullptr, 0.0f, 9, "setProgram(0)", 0},
    {"SetProgramAtCountIgnored", effSetProgram, 0, 4, nullptr, 0.0f, 9, "", 0},
    {"SetProgramBeyondCountIgnored", effSetProgram, 0, 1000, nullptr, 0.0f, 9, "", 0},
    {"SetProgramNegativeIgnored", effSetProgram, 0, -1, nullptr, 0.0f, 9, "", 0},
    {"SetProgramMostNegativeIgnored", effSetProgram, 0, kIntPtrMin, nullptr, 0.0f, 9, "", 0},
    {"GetProgram", effGetProgram, 0, 0, nullptr, 0.0f, 3, "getProgram()", 3},
    {"SetProgramName", effSetProgramName, 0, 0, PtrArg(), 0.0f, 9, "setProgramName(ptr)", 0},
    {"GetProgramName", effGetProgramName, 0, 0, PtrArg(), 0.0f, 9, "getProgramName(ptr)", 0},
    {"GetParamLabel", effGetParamLabel, 1, 0, PtrArg(), 0.0f, 9, "getParameterLabel(1,ptr)", 0},
    {"GetParamDisplay", effGetParamDisplay, 1, 0, PtrArg(), 0.0f, 9, "getParameterDisplay(1,ptr)",
     0},
    {"GetParamName", effGetParamName, 1, 0, PtrArg(), 0.0f, 9, "getParameterName(1,ptr)", 0},
    {"SetSampleRate", effSetSampleRate, 0, 0, nullptr, 48000.0f, 9, "setSampleRate(48000)", 0},
    {"SetBlockSize", effSetBlockSize, 0, 512, nullptr, 0.0f, 9, "setBlockSize(512)", 0},
    {"MainsOff", effMainsChanged, 0, 0, nullptr, 0.0f, 9, "suspend()", 0},
    {"MainsOn", effMainsChanged, 0, 1, nullptr, 0.0f, 9, "resume()", 0},
    {"MainsTwo", effMainsChanged, 0, 2, nullptr, 0.0f, 9, "resume()", 0},
    {"MainsNegative", effMainsChanged, 0, -1, nullptr, 0.0f, 9, "resume()", 0},
    {"EditGetRectWithoutEditor", effEditGetRect, 0, 0, PtrArg(), 0.0f, 1, "", 0},
    {"EditOpenWithoutEditor", effEditOpen, 0, 0, PtrArg(), 0.0f, 1, "", 0},
    {"EditCloseWithoutEditor", effEditClose, 0, 0, nullptr, 0.0f, 1, "", 0},
    {"EditDraw", effEditDraw, 0, 0, PtrArg(), 0.0f, 1, "", 0},
    {"EditMouse", effEditMouse, 1, 2, nullptr, 0.0f, 1, "", 0},
    {"EditKey", effEditKey, 0, 65, nullptr, 0.0f, 1, "", 0},
    {"EditIdleWithoutEditor", effEditIdle, 0, 0, nullptr, 0.0f, 1, "", 0},
    {"EditTop", effEditTop, 0, 0, nullptr, 0.0f, 1, "", 0},
    {"EditSleep", effEditSleep, 0, 0, nullptr, 0.0f, 1, "", 0},
    {"Identify", effIdentify, 0, 0, nullptr, 0.0f, 9, "", 0x4E764566},
    {"IdentifyWithArguments", effIdentify, 7, ValueArg(), PtrArg(), 1.5f, 9, "", 0x4E764566},
    {"IdentifyWithNegativeArguments", effIdentify, -1, -1, nullptr, -1.0f, 9, "", 0x4E764566},
    {"GetChunkBank", effGetChunk, 0, 0, PtrArg(), 0.0f, 77, "getChunk(ptr,false)", 77},
    {"GetChunkPreset", effGetChunk, 1, 0, PtrArg(), 0.0f, 77, "getChunk(ptr,true)", 77},
    {"GetChunkNegativeIndexIsPreset", effGetChunk, -1, 0, PtrArg(), 0.0f, 77, "getChunk(ptr,true)",
     77},
    {"SetChunkBank", effSetChunk, 0, 100, PtrArg(), 0.0f, 78, "setChunk(ptr,100,false)", 78},
    {"SetChunkPreset", effSetChunk, 2, 100, PtrArg(), 0.0f, 78, "setChunk(ptr,100,true)", 78},
    {"NegativeOpcode", -1, 0, 0, nullptr, 0.0f, 9, "", 0},
    {"MostNegativeOpcode", std::numeric_limits<VstInt32>::min(), 1, 1, PtrArg(), 1.0f, 9, "", 0},
    {"OpcodeAfterLast", 80, 1, 1, PtrArg(), 1.0f, 9, "", 0},
    {"LargestOpcode", std::numeric_limits<VstInt32>::max(), 1, 1, PtrArg(), 1.0f, 9, "", 0},
};
INSTANTIATE_TEST_SUITE_P(Base, DispatcherTable, ::testing::ValuesIn(kBaseCases),
                         CaseName<OpcodeCase>);

// Methods answering a bool give 1 or 0 (a reply of 7 reads as 1); the others
// give their result unchanged, addresses included.
const std::vector<OpcodeCase> kExtendedCases = {
    {"ProcessEvents", effProcessEvents, 0, 0, PtrArg(), 0.0f, 5, "processEvents(ptr)", 5},
    {"CanBeAutomated", effCanBeAutomated, 2, 0, nullptr, 0.0f, 7, "canParameterBeAutomated(2)", 1},
    {"CannotBeAutomated", effCanBeAutomated, 2, 0, nullptr, 0.0f, 0, "canParameterBeAutomated(2)",
     0},
    {"String2Parameter", effString2Parameter, 1, 0, PtrArg(), 0.0f, 7, "string2parameter(1,ptr)",
     1},
    {"GetNumProgramCategories", effGetNumProgramCategories, 0, 0, nullptr, 0.0f, 6,
     "getNumCategories()", 6},
    {"GetProgramNameIndexed", effGetProgramNameIndexed, 3, 5, PtrArg(), 0.0f, 1,
     "getProgramNameIndexed(5,3,ptr)", 1},
    {"CopyProgram", effCopyProgram, 2, 0, nullptr, 0.0f, 0, "copyProgram(2)", 0},
    {"ConnectInput", effConnectInput, 1, 1, nullptr, 0.0f, 0, "inputConnected(1,true)", 1},
    {"DisconnectInput", effConnectInput, 1, 0, nullptr, 0.0f, 0, "inputConnected(1,false)", 1},
    {"ConnectOutput", effConnectOutput, 0, 2, nullptr, 0.0f, 0, "outputConnected(0,true)", 1},
    {"DisconnectOutput", effConnectOutput, 0, 0, nullptr, 0.0f, 0, "outputConnected(0,false)", 1},
    {"GetInputProperties", effGetInputProperties, 1, 0, PtrArg(), 0.0f, 7,
     "getInputProperties(1,ptr)", 1},
    {"GetOutputProperties", effGetOutputProperties, 1, 0, PtrArg(), 0.0f, 0,
     "getOutputProperties(1,ptr)", 0},
    {"GetPlugCategory", effGetPlugCategory, 0, 0, nullptr, 0.0f, 5, "getPlugCategory()", 5},
    {"GetCurrentPosition", effGetCurrentPosition, 0, 0, nullptr, 0.0f, 1234,
     "reportCurrentPosition()", 1234},
    {"GetDestinationBuffer", effGetDestinationBuffer, 0, 0, nullptr, 0.0f, ValueArg(),
     "reportDestinationBuffer()", ValueArg()},
    {"OfflineNotifyStart", effOfflineNotify, 1, 3, PtrArg(), 0.0f, 7, "offlineNotify(ptr,3,true)",
     1},
    {"OfflineNotifyStop", effOfflineNotify, 0, 3, PtrArg(), 0.0f, 0, "offlineNotify(ptr,3,false)",
     0},
    {"OfflinePrepare", effOfflinePrepare, 0, 4, PtrArg(), 0.0f, 7, "offlinePrepare(ptr,4)", 1},
    {"OfflineRun", effOfflineRun, 0, 4, PtrArg(), 0.0f, 7, "offlineRun(ptr,4)", 1},
    {"ProcessVarIo", effProcessVarIo, 0, 0, PtrArg(), 0.0f, 3, "processVariableIo(ptr)", 1},
    {"SetSpeakerArrangement", effSetSpeakerArrangement, 0, ValueArg(), PtrArg(), 0.0f, 1,
     "setSpeakerArrangement(valuePtr,ptr)", 1},
    {"SetBlockSizeAndSampleRate", effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f, 0,
     "setBlockSizeAndSampleRate(256,96000)", 1},
    {"SetBypassOn", effSetBypass, 0, 1, nullptr, 0.0f, 1, "setBypass(true)", 1},
    {"SetBypassAnyNonzero", effSetBypass, 0, -5, nullptr, 0.0f, 1, "setBypass(true)", 1},
    {"SetBypassOff", effSetBypass, 0, 0, nullptr, 0.0f, 0, "setBypass(false)", 0},
    {"GetEffectName", effGetEffectName, 0, 0, PtrArg(), 0.0f, 7, "getEffectName(ptr)", 1},
    {"GetErrorText", effGetErrorText, 0, 0, PtrArg(), 0.0f, 0, "getErrorText(ptr)", 0},
    {"GetVendorString", effGetVendorString, 0, 0, PtrArg(), 0.0f, 7, "getVendorString(ptr)", 1},
    {"GetProductString", effGetProductString, 0, 0, PtrArg(), 0.0f, 7, "getProductString(ptr)", 1},
    {"GetVendorVersion", effGetVendorVersion, 0, 0, nullptr, 0.0f, 0x10003, "getVendorVersion()",
     0x10003},
    {"VendorSpecific", effVendorSpecific, 11, 22, PtrArg(), 0.25f, -7,
     "vendorSpecific(11,22,ptr,0.25)", -7},
    {"CanDo", effCanDo, 0, 0, PtrArg(), 0.0f, -1, "canDo(ptr)", -1},
    {"GetTailSize", effGetTailSize, 0, 0, nullptr, 0.0f, 44100, "getGetTailSize()", 44100},
    {"Idle", effIdle, 0, 0, nullptr, 0.0f, 1, "fxIdle()", 1},
    {"GetIcon", effGetIcon, 0, 0, nullptr, 0.0f, ValueArg(), "getIcon()", ValueArg()},
    {"SetViewPosition", effSetViewPosition, 10, 20, nullptr, 0.0f, 7, "setViewPosition(10,20)", 1},
    {"GetParameterProperties", effGetParameterProperties, 1, 0, PtrArg(), 0.0f, 7,
     "getParameterProperties(1,ptr)", 1},
    {"KeysRequired", effKeysRequired, 0, 0, nullptr, 0.0f, 1, "keysRequired()", 0},
    {"KeysNotRequired", effKeysRequired, 0, 0, nullptr, 0.0f, 0, "keysRequired()", 1},
    {"GetVstVersion", effGetVstVersion, 0, 0, nullptr, 0.0f, 2300, "getVstVersion()", 2300},
    {"EditKeyDownWithoutEditor", effEditKeyDown, 65, 0x1FF, nullptr, 2.9f, 1, "", 0},
    {"EditKeyUpWithoutEditor", effEditKeyUp, 65, 0x1FF, nullptr, 2.9f, 1, "", 0},
    {"SetEditKnobModeWithoutEditor", effSetEditKnobMode, 0, 2, nullptr, 0.0f, 1, "", 0},
    {"GetMidiProgramName", effGetMidiProgramName, 3, 0, PtrArg(), 0.0f, 12,
     "getMidiProgramName(3,ptr)", 12},
    {"GetCurrentMidiProgram", effGetCurrentMidiProgram, 3, 0, PtrArg(), 0.0f, -1,
     "getCurrentMidiProgram(3,ptr)", -1},
    {"GetMidiProgramCategory", effGetMidiProgramCategory, 3, 0, PtrArg(), 0.0f, 2,
     "getMidiProgramCategory(3,ptr)", 2},
    {"HasMidiProgramsChanged", effHasMidiProgramsChanged, 3, 0, nullptr, 0.0f, 7,
     "hasMidiProgramsChanged(3)", 1},
    {"GetMidiKeyName", effGetMidiKeyName, 3, 0, PtrArg(), 0.0f, 7, "getMidiKeyName(3,ptr)", 1},
    {"BeginSetProgram", effBeginSetProgram, 0, 0, nullptr, 0.0f, 7, "beginSetProgram()", 1},
    {"EndSetProgram", effEndSetProgram, 0, 0, nullptr, 0.0f, 0, "endSetProgram()", 0},
    {"GetSpeakerArrangement", effGetSpeakerArrangement, 0, ValueArg(), PtrArg(), 0.0f, 7,
     "getSpeakerArrangement(valuePtr,ptr)", 1},
    {"ShellGetNextPlugin", effShellGetNextPlugin, 0, 0, PtrArg(), 0.0f, 0x41424344,
     "getNextShellPlugin(ptr)", 0x41424344},
    {"StartProcess", effStartProcess, 0, 0, nullptr, 0.0f, 1, "startProcess()", 1},
    {"StopProcess", effStopProcess, 0, 0, nullptr, 0.0f, 1, "stopProcess()", 1},
    {"SetTotalSampleToProcess", effSetTotalSampleToProcess, 0, 4096, nullptr, 0.0f, 4000,
     "setTotalSampleToProcess(4096)", 4000},
    {"SetPanLaw", effSetPanLaw, 0, 1, nullptr, 0.5f, 7, "setPanLaw(1,0.5)", 1},
    {"BeginLoadBank", effBeginLoadBank, 0, 0, PtrArg(), 0.0f, 1, "beginLoadBank(ptr)", 1},
    {"BeginLoadProgram", effBeginLoadProgram, 0, 0, PtrArg(), 0.0f, -1, "beginLoadProgram(ptr)",
     -1},
    {"SetProcessPrecision", effSetProcessPrecision, 0, 1, nullptr, 0.0f, 7,
     "setProcessPrecision(1)", 1},
    {"GetNumMidiInputChannels", effGetNumMidiInputChannels, 0, 0, nullptr, 0.0f, 16,
     "getNumMidiInputChannels()", 16},
    {"GetNumMidiOutputChannels", effGetNumMidiOutputChannels, 0, 0, nullptr, 0.0f, 15,
     "getNumMidiOutputChannels()", 15},
};
INSTANTIATE_TEST_SUITE_P(Extended, DispatcherTable, ::testing::ValuesIn(kExtendedCases),
                         CaseName<OpcodeCase>);

// ---- the defaults as the host meets them ----

struct DefaultCase {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    VstIntPtr answer;
};

class DefaultAnswers : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultAnswers, OfAnEffectReplacingNothing) {
    const DefaultCase& c = GetParam();
    PlainEffect fx;
    AEffect* e = fx.getAeffect();
    gPtrBuffer[0] = 0;
    EXPECT_EQ(e->dispatcher(e, c.opcode, c.index, c.value, PtrArg(), 0.0f), c.answer);
}

const DefaultCase kDefaultCases[] = {
    {"GetProgram", effGetProgram, 0, 0, 0},
    {"GetVu", effGetVu, 0, 0, 0},
    {"GetChunk", effGetChunk, 1, 0, 0},
    {"SetChunk", effSetChunk, 1, 16, 0},
    {"CanBeAutomated", effCanBeAutomated, 0, 0, 1},
    {"String2Parameter", effString2Parameter, 0, 0, 0},
    {"GetNumProgramCategories", effGetNumProgramCategories, 0, 0, 1},
    {"ConnectInput", effConnectInput, 0, 1, 1},
    {"ConnectOutput", effConnectOutput, 0, 0, 1},
    {"GetPlugCategory", effGetPlugCategory, 0, 0, kPlugCategUnknown},
    {"SetBlockSizeAndSampleRate", effSetBlockSizeAndSampleRate, 0, 512, 1},
    {"CanDo", effCanDo, 0, 0, 0},
    {"KeysRequired", effKeysRequired, 0, 0, 1},
    {"GetVstVersion", effGetVstVersion, 0, 0, 2400},
    {"GetCurrentMidiProgram", effGetCurrentMidiProgram, 0, 0, -1},
    {"SetTotalSampleToProcess", effSetTotalSampleToProcess, 0, 4096, 4096},
    {"OpcodeAfterLast", 80, 0, 0, 0},
    {"NegativeOpcode", -1, 0, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Plain, DefaultAnswers, ::testing::ValuesIn(kDefaultCases),
                         CaseName<DefaultCase>);

TEST(PlugCategory, FollowsTheSynthFlag) {
    PlainEffect fx;
    AEffect* e = fx.getAeffect();
    fx.isSynth(true);
    EXPECT_EQ(Dispatch(e, effGetPlugCategory), kPlugCategSynth);
    fx.isSynth(false);
    EXPECT_EQ(Dispatch(e, effGetPlugCategory), kPlugCategUnknown);
}

TEST(GetSpeakerArrangement, DefaultNullsBothPointersAndAnswersNo) {
    PlainEffect fx;
    auto* in = reinterpret_cast<VstSpeakerArrangement*>(gValueBuffer);
    auto* out = reinterpret_cast<VstSpeakerArrangement*>(gPtrBuffer);
    EXPECT_EQ(Dispatch(fx.getAeffect(), effGetSpeakerArrangement, 0,
                       reinterpret_cast<VstIntPtr>(&in), &out),
              0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

TEST(SampleRateAndBlockSize, OpcodesStoreWhatTheEffectReadsBack) {
    PlainEffect fx;
    AEffect* e = fx.getAeffect();
    EXPECT_EQ(Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(Dispatch(e, effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(fx.getSampleRate(), 48000.0f);
    EXPECT_EQ(fx.getBlockSize(), 256);
    EXPECT_EQ(Dispatch(e, effSetBlockSizeAndSampleRate, 0, 64, nullptr, 22050.0f), 1);
    EXPECT_EQ(fx.getSampleRate(), 22050.0f);
    EXPECT_EQ(fx.getBlockSize(), 64);
}

// ---- the program number of effSetProgram, with the default setProgram ----

struct ProgramCase {
    const char* name;
    VstInt32 programs;
    VstIntPtr value;
    VstInt32 expected;  // current program afterwards; it starts at 1
};

class SetProgram : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(SetProgram, SelectsOnlyExistingPrograms) {
    const ProgramCase& c = GetParam();
    PlainEffect fx(nullptr, c.programs);
    fx.setProgram(1);
    AEffect* e = fx.getAeffect();
    EXPECT_EQ(Dispatch(e, effSetProgram, 0, c.value), 0);
    EXPECT_EQ(Dispatch(e, effGetProgram), c.expected);
}

std::vector<ProgramCase> ProgramCases() {
    std::vector<ProgramCase> cases = {
        {"First", 4, 0, 0},
        {"Last", 4, 3, 3},
        {"CountIgnored", 4, 4, 1},
        {"BeyondCountIgnored", 4, 5, 1},
        {"MinusOneIgnored", 4, -1, 1},
        {"MostNegativeIgnored", 4, kIntPtrMin, 1},
        {"NoProgramsIgnoresZero", 0, 0, 1},
    };
    // A pointer-wide value whose low 32 bits name a program must not select it.
    if constexpr (sizeof(VstIntPtr) > 4)
        cases.push_back({"WideValueIgnored", 4, static_cast<VstIntPtr>(INT64_C(0x100000002)), 1});
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Program, SetProgram, ::testing::ValuesIn(ProgramCases()),
                         CaseName<ProgramCase>);

// ---- effGetVu: getVu × 32767, truncated toward zero ----

class VuEffect : public PlainEffect {
public:
    float getVu() override { return vu; }
    float vu = 0.0f;
};

struct VuCase {
    const char* name;
    float vu;
    VstIntPtr answer;
};

class GetVu : public ::testing::TestWithParam<VuCase> {};

TEST_P(GetVu, ScalesAndTruncates) {
    VuEffect fx;
    fx.vu = GetParam().vu;
    EXPECT_EQ(Dispatch(fx.getAeffect(), effGetVu), GetParam().answer);
}

const VuCase kVuCases[] = {
    {"Zero", 0.0f, 0},
    {"Half", 0.5f, 16383},
    {"Full", 1.0f, 32767},
    {"NegativeHalf", -0.5f, -16383},
    {"BelowOneStep", 0.00003f, 0},
    // Beyond the integer range: no undefined conversion.
    {"NaNGivesZero", std::numeric_limits<float>::quiet_NaN(), 0},
    {"HugeSaturates", 1e10f, 2147483647},
    {"NegativeHugeSaturates", -1e10f, -2147483647 - 1},
};
INSTANTIATE_TEST_SUITE_P(Vu, GetVu, ::testing::ValuesIn(kVuCases), CaseName<VuCase>);

// ---- editor opcodes with an editor attached ----

struct EditorCase {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    bool reply;        // what the editor answers
    const char* call;  // what the editor receives; empty: nothing
    VstIntPtr answer;
};

class EditorOpcodes : public ::testing::TestWithParam<EditorCase> {};

TEST_P(EditorOpcodes, ReachTheEditor) {
    const EditorCase& c = GetParam();
    bool destroyed = false;  // outlives the effect, which deletes the editor
    ProbeEffect fx;
    auto* editor = new ProbeEditor(fx.log, destroyed);
    editor->reply = c.reply;
    fx.attachEditor(editor);
    AEffect* e = fx.getAeffect();
    EXPECT_EQ(e->dispatcher(e, c.opcode, c.index, c.value, c.ptr, c.opt), c.answer);
    EXPECT_EQ(fx.log, Expected(c.call));
}

const std::vector<EditorCase> kEditorCases = {
    {"GetRect", effEditGetRect, 0, 0, PtrArg(), 0.0f, true, "editor.getRect(ptr)", 1},
    {"GetRectRefused", effEditGetRect, 0, 0, PtrArg(), 0.0f, false, "editor.getRect(ptr)", 0},
    {"Open", effEditOpen, 0, 0, PtrArg(), 0.0f, true, "editor.open(ptr)", 1},
    {"OpenRefused", effEditOpen, 0, 0, PtrArg(), 0.0f, false, "editor.open(ptr)", 0},
    {"Close", effEditClose, 0, 0, nullptr, 0.0f, true, "editor.close()", 0},
    {"Idle", effEditIdle, 0, 0, nullptr, 0.0f, true, "editor.idle()", 0},
    {"Draw", effEditDraw, 0, 0, PtrArg(), 0.0f, true, "", 0},
    {"Mouse", effEditMouse, 1, 2, nullptr, 0.0f, true, "", 0},
    {"Key", effEditKey, 0, 65, nullptr, 0.0f, true, "", 0},
    {"Top", effEditTop, 0, 0, nullptr, 0.0f, true, "", 0},
    {"Sleep", effEditSleep, 0, 0, nullptr, 0.0f, true, "", 0},
    {"KeyDown", effEditKeyDown, 65, 0x1FF, nullptr, 2.9f, true, "editor.onKeyDown(65,255,2)", 1},
    {"KeyDownRefused", effEditKeyDown, 65, 0x1FF, nullptr, 2.9f, false,
     "editor.onKeyDown(65,255,2)", 0},
    {"KeyUp", effEditKeyUp, 65, 0x1FF, nullptr, 2.9f, true, "editor.onKeyUp(65,255,2)", 1},
    {"KeyUpRefused", effEditKeyUp, 65, 0x1FF, nullptr, 2.9f, false, "editor.onKeyUp(65,255,2)", 0},
    {"KeyVirtIsLowByteOfValue", effEditKeyDown, 0, 0x3441, nullptr, 0.0f, true,
     "editor.onKeyDown(0,65,0)", 1},
    {"KeyModifierTruncatesTowardZero", effEditKeyDown, 65, 0, nullptr, -2.9f, true,
     "editor.onKeyDown(65,0,254)", 1},
    {"KeyModifierIsLowByte", effEditKeyDown, 65, 0, nullptr, 258.7f, true,
     "editor.onKeyDown(65,0,2)", 1},
    {"KnobMode", effSetEditKnobMode, 0, 2, nullptr, 0.0f, true, "editor.setKnobMode(2)", 1},
    {"KnobModeRefused", effSetEditKnobMode, 0, 2, nullptr, 0.0f, false, "editor.setKnobMode(2)", 0},
};
INSTANTIATE_TEST_SUITE_P(Editor, EditorOpcodes, ::testing::ValuesIn(kEditorCases),
                         CaseName<EditorCase>);

}  // namespace
}  // namespace testhost
