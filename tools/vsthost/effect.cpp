#include "effect.h"

#include <atomic>
#include <cstdio>
#include <vector>

#include "host_callback.h"
#include "host_error.h"

namespace vsthost {
namespace {

// Plug-ins are asked for at most 64 characters in any text; the buffer is
// far larger, so a plug-in that writes past its limit does no harm.
constexpr std::size_t kTextBuffer = 512;
constexpr VstInt32 kMaxChannels = 1024;

std::string Hex(VstInt32 v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
    return buf;
}

}  // namespace

Effect::Effect(const PluginModule& module) {
    AEffect* const answered = module.entry()(&HostCallback);
    if (!answered)
        throw Failure(std::string("the entry point ") + module.entryName() +
                      " answered null: the plug-in created no effect");
    // Until the record passes these checks it is not closed: a record this
    // broken may not survive the close opcode either.
    const AEffect& r = *answered;
    if (r.magic != kEffectMagic)
        throw Failure("bad magic " + Hex(r.magic) + " in the effect record (expected " +
                      Hex(kEffectMagic) + ", 'VstP')");
    if (!r.dispatcher) throw Failure("the effect record has no dispatcher");
    if (r.numInputs < 0 || r.numOutputs < 0 || r.numInputs > kMaxChannels ||
        r.numOutputs > kMaxChannels || r.numPrograms < 0 || r.numParams < 0)
        throw Failure("the effect record has implausible counts: " + std::to_string(r.numInputs) +
                      " inputs, " + std::to_string(r.numOutputs) + " outputs, " +
                      std::to_string(r.numPrograms) + " programs, " + std::to_string(r.numParams) +
                      " parameters");
    e_ = answered;
}

Effect::~Effect() {
    if (!e_) return;
    if (resumed_) suspend();
    close();
}

VstIntPtr Effect::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return e_->dispatcher(e_, opcode, index, value, ptr, opt);
}

std::string Effect::text(VstInt32 opcode, VstInt32 index, VstIntPtr value, VstIntPtr* answer) {
    std::vector<char> buf(kTextBuffer, '\0');
    const VstIntPtr r = dispatch(opcode, index, value, buf.data());
    buf.back() = '\0';
    if (answer) *answer = r;
    return buf.data();
}

void Effect::open() { dispatch(effOpen); }

void Effect::setUp(double sampleRate, VstInt32 blockSize) {
    Host().sampleRate = sampleRate;
    Host().blockSize = blockSize;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, blockSize);
}

void Effect::resume() {
    dispatch(effMainsChanged, 0, 1);
    resumed_ = true;
}

void Effect::suspend() {
    resumed_ = false;
    dispatch(effMainsChanged, 0, 0);
}

void Effect::close() {
    // The record dies with this call, opened or not: the close opcode is
    // what releases the effect.
    AEffect* e = e_;
    e_ = nullptr;
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

void Effect::selectProgram(VstInt32 program) {
    dispatch(effBeginSetProgram);
    dispatch(effSetProgram, 0, program);
    dispatch(effEndSetProgram);
}

void Effect::setParameter(VstInt32 index, float normalised) {
    if (e_->setParameter) e_->setParameter(e_, index, normalised);
}

float Effect::parameter(VstInt32 index) {
    return e_->getParameter ? e_->getParameter(e_, index) : 0.0f;
}

void Effect::requireProcessReplacing() const {
    if (!(e_->flags & effFlagsCanReplacing) || !e_->processReplacing)
        throw Failure(
            "the plug-in cannot process replacing (flag 0x10 or the function is missing)");
}

void Effect::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    e_->processReplacing(e_, inputs, outputs, frames);
}

VstInt32 Effect::latency() const {
    return std::atomic_ref<VstInt32>(e_->initialDelay).load(std::memory_order_relaxed);
}

}  // namespace vsthost
