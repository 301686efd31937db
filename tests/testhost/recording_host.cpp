#include "testhost/recording_host.h"

#include <atomic>

namespace testhost {
namespace {
std::atomic<RecordingHost*> g_current{nullptr};
}

RecordingHost::RecordingHost() : previous_(g_current.exchange(this)) {
    answers_[audioMasterVersion] = kVstVersion;
}

RecordingHost::~RecordingHost() { g_current.store(previous_); }

void RecordingHost::answer(VstInt32 opcode, VstIntPtr result) {
    std::lock_guard lock(mutex_);
    answers_[opcode] = result;
}

std::vector<HostCall> RecordingHost::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<HostCall> RecordingHost::callsOf(VstInt32 opcode) const {
    std::lock_guard lock(mutex_);
    std::vector<HostCall> out;
    for (const HostCall& c : calls_)
        if (c.opcode == opcode) out.push_back(c);
    return out;
}

void RecordingHost::clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

VstIntPtr VSTCALLBACK RecordingHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt) {
    RecordingHost* host = g_current.load();
    if (!host) return 0;
    std::lock_guard lock(host->mutex_);
    host->calls_.push_back({effect, opcode, index, value, ptr, opt});
    const auto it = host->answers_.find(opcode);
    return it == host->answers_.end() ? 0 : it->second;
}

}  // namespace testhost
