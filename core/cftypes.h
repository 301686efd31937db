// Reference-counted strings and arrays in the manner of CoreFoundation, and
// the library-wide cache that turns a string literal into a shared string.
//
// Ownership: a creating operation (CFArrayCreate) hands out one reference,
// which its receiver releases once with CFRelease. Strings from CFSTR and
// elements read from an array are borrowed: never retained or released by
// the reader.
//
// Counts are plain integers, not atomics: an object is used by one thread at
// a time, except cached strings, whose counts do not change between their
// creation and unload. The cache itself is guarded by a mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class CFType {
public:
    CFType() noexcept;
    virtual ~CFType();

    CFType(const CFType&) = delete;
    CFType& operator=(const CFType&) = delete;

private:
    friend void CFRetain(const CFType* object) noexcept;
    friend void CFRelease(const CFType* object) noexcept;
    friend std::int32_t CFGetRetainCount(const CFType* object) noexcept;

    // Starts at 0; the creating operation takes the first reference.
    // Mutable: retaining a borrowed, read-only object is not a change of it.
    mutable std::int32_t retainCount_ = 0;
};

class CFString final : public CFType {
public:
    // Copies every byte up to the terminator; no character-set conversion.
    explicit CFString(const char* text);
    ~CFString() override;

    const std::string& Text() const noexcept { return text_; }

private:
    std::string text_;
};

class CFArray final : public CFType {
public:
    CFArray() noexcept;
    ~CFArray() override;  // releases the elements in index order from 0

private:
    friend CFArray* CFArrayCreate(const CFString* const* values);
    friend CFType* CFArrayGetValueAtIndex(const CFArray* array, std::int32_t index) noexcept;

    // Each non-null element holds one reference on its object.
    std::vector<CFType*> elements_;
};

// Literal address -> cached string. Entries are only added; each holds one
// reference, released once by the destructor. The library has one instance
// with static storage (behind CFSTR); tests may construct their own.
class CFLiteralCache {
public:
    CFLiteralCache() noexcept;
    ~CFLiteralCache();  // releases every cached string once; nobody may use it then

    CFLiteralCache(const CFLiteralCache&) = delete;
    CFLiteralCache& operator=(const CFLiteralCache&) = delete;

    // [any host thread, never the audio thread] Borrowed result. Keyed by
    // address, not text. A hit takes the lock and searches the map, nothing
    // more: no allocation, no count change. A miss may throw std::bad_alloc,
    // and then adds no entry and keeps no object.
    CFString* Get(const char* literal);

    std::size_t Size() const;

private:
    mutable std::mutex mutex_;
    std::map<const char*, CFString*> entries_;
};

// [any host thread, never the audio thread] The cached string for a literal,
// borrowed, valid until the library unloads. The text must not change or go
// away before then: only its address is kept, its text is copied once.
// Throws std::bad_alloc when the first call for a literal runs out of memory.
CFString* CFSTR(const char* literal);

// Null is ignored by both.
void CFRetain(const CFType* object) noexcept;
// Destroys the object when its count reaches 0.
void CFRelease(const CFType* object) noexcept;

// Text copy-out limit, terminator included.
inline constexpr std::size_t kCFStringBufferSize = 24;

// Copies the text and its terminator into a buffer of kCFStringBufferSize
// bytes and returns true; a text that does not fit (24 or more characters),
// or a null string, writes nothing and returns false. Never truncates.
bool CFStringGetCString(const CFString* string, char* buffer) noexcept;

// A new array of two new strings copied from values[0] and values[1], which
// are neither retained nor changed. Caller releases the array. Throws
// std::bad_alloc on out of memory, and then keeps nothing.
CFArray* CFArrayCreate(const CFString* const* values);

// The element at index, borrowed while the array lives; null for a null
// array or an index outside 0..count-1.
CFType* CFArrayGetValueAtIndex(const CFArray* array, std::int32_t index) noexcept;

// Diagnostics, for tests: an object's count (0 for null), and the number of
// core-type objects alive in the library.
std::int32_t CFGetRetainCount(const CFType* object) noexcept;
std::int32_t CFGetLiveObjectCount() noexcept;
