#include "core/cftypes.h"

#include <atomic>
#include <cstring>
#include <memory>

namespace {

// Counted only to let tests see objects made and destroyed; relaxed, since
// nothing is ordered by it.
constinit std::atomic<std::int32_t> gLiveObjects{0};

// Built during static initialisation, before any entry point can run, and
// destroyed at unload, when it releases every cached string.
CFLiteralCache gLiteralCache;

}  // namespace

CFType::CFType() noexcept { gLiveObjects.fetch_add(1, std::memory_order_relaxed); }

CFType::~CFType() { gLiveObjects.fetch_sub(1, std::memory_order_relaxed); }

CFString::CFString(const char* text) : text_(text) {}

CFString::~CFString() = default;

CFArray::CFArray() noexcept = default;

CFArray::~CFArray() {
    // A partly built array (out of memory in CFArrayCreate) has null slots.
    for (CFType* element : elements_) CFRelease(element);
}

CFLiteralCache::CFLiteralCache() noexcept = default;

CFLiteralCache::~CFLiteralCache() {
    for (const auto& entry : entries_) CFRelease(entry.second);
}

CFString* CFLiteralCache::Get(const char* literal) {
    if (literal == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    // std::less on pointers: a total order of addresses, never a text compare.
    if (auto found = entries_.find(literal); found != entries_.end()) return found->second;
    // Until the entry is in, the string is owned here, so that running out
    // of memory in either allocation leaves neither an entry nor an object.
    std::unique_ptr<CFString> string(new CFString(literal));
    CFRetain(string.get());
    entries_.emplace(literal, string.get());
    return string.release();
}

std::size_t CFLiteralCache::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

CFString* CFSTR(const char* literal) { return gLiteralCache.Get(literal); }

void CFRetain(const CFType* object) noexcept {
    if (object != nullptr) ++object->retainCount_;
}

void CFRelease(const CFType* object) noexcept {
    if (object != nullptr && --object->retainCount_ == 0) delete object;
}

bool CFStringGetCString(const CFString* string, char* buffer) noexcept {
    if (string == nullptr) return false;
    const std::string& text = string->Text();
    if (text.size() + 1 > kCFStringBufferSize) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

CFArray* CFArrayCreate(const CFString* const* values) {
    // Owned here until complete: on out of memory the array's destructor
    // releases the strings made so far.
    std::unique_ptr<CFArray> array(new CFArray);
    CFRetain(array.get());
    array->elements_.resize(2);
    for (std::size_t i = 0; i < array->elements_.size(); ++i) {
        array->elements_[i] = new CFString(values[i]->Text().c_str());
        CFRetain(array->elements_[i]);
    }
    return array.release();
}

CFType* CFArrayGetValueAtIndex(const CFArray* array, std::int32_t index) noexcept {
    if (array == nullptr || index < 0) return nullptr;
    const auto position = static_cast<std::size_t>(index);
    return position < array->elements_.size() ? array->elements_[position] : nullptr;
}

std::int32_t CFGetRetainCount(const CFType* object) noexcept {
    return object != nullptr ? object->retainCount_ : 0;
}

std::int32_t CFGetLiveObjectCount() noexcept {
    return gLiveObjects.load(std::memory_order_relaxed);
}
