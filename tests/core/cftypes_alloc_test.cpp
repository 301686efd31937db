// The core types when memory runs out, and the allocation-free cache hit.
// This executable replaces the global allocation functions so that each
// test can count allocations and make every one from the n-th on fail.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/cftypes.h"

namespace {

std::atomic<long> gOutstanding{0};  // allocations not yet freed
std::atomic<long> gMade{0};         // allocations made
std::atomic<long> gFailFrom{-1};    // gMade at which failing starts; -1: never

void* Allocate(std::size_t size) {
    const long failFrom = gFailFrom.load();
    if (failFrom >= 0 && gMade.load() >= failFrom) throw std::bad_alloc();
    void* memory = std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) throw std::bad_alloc();
    ++gMade;
    ++gOutstanding;
    return memory;
}

void Free(void* memory) noexcept {
    if (memory == nullptr) return;
    --gOutstanding;
    std::free(memory);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { Free(memory); }
void operator delete[](void* memory) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Free(memory); }

namespace {

// Every allocation from the n-th (0-based) on fails while it lives.
class FailingFrom {
public:
    explicit FailingFrom(long n) { gFailFrom = gMade.load() + n; }
    ~FailingFrom() { gFailFrom = -1; }
};

// Runs `make` with allocations failing from the 0th, 1st, ... on until it
// succeeds; each failure must throw std::bad_alloc and leave nothing behind.
// Returns the number of failures seen.
template <typename Make, typename Check>
int FailEveryAllocationInTurn(Make make, Check checkNothingKept) {
    for (long n = 0;; ++n) {
        const long outstanding = gOutstanding.load();
        const std::int32_t alive = CFGetLiveObjectCount();
        bool threw = false;
        {
            FailingFrom failing(n);
            try {
                make();
            } catch (const std::bad_alloc&) {
                threw = true;
            }
        }
        if (!threw) return static_cast<int>(n);
        EXPECT_EQ(gOutstanding.load(), outstanding) << "memory kept after failure " << n;
        EXPECT_EQ(CFGetLiveObjectCount(), alive) << "object kept after failure " << n;
        checkNothingKept();
        if (::testing::Test::HasFailure()) return static_cast<int>(n);
    }
}

TEST(OutOfMemory, CacheMissThrowsAndAddsNoEntry) {
    static const char kLiteral[] = "a literal long enough to need its own text buffer";
    CFLiteralCache cache;
    CFString* string = nullptr;
    const int failures = FailEveryAllocationInTurn([&] { string = cache.Get(kLiteral); },
                                                   [&] { EXPECT_EQ(cache.Size(), 0u); });
    EXPECT_GE(failures, 2);  // the object, its text, the map node
    ASSERT_NE(string, nullptr);
    EXPECT_EQ(string->Text(), kLiteral);
    EXPECT_EQ(CFGetRetainCount(string), 1);
    EXPECT_EQ(cache.Size(), 1u);
}

TEST(OutOfMemory, ArrayCreateThrowsAndKeepsNothing) {
    static const char kFirst[] = "a first text long enough for a buffer";
    static const char kSecond[] = "a second text long enough for a buffer";
    CFLiteralCache cache;
    CFString* sources[2] = {cache.Get(kFirst), cache.Get(kSecond)};
    CFArray* array = nullptr;
    const int failures = FailEveryAllocationInTurn([&] { array = CFArrayCreate(sources); },
                                                   [&] {
                                                       EXPECT_EQ(CFGetRetainCount(sources[0]), 1);
                                                       EXPECT_EQ(CFGetRetainCount(sources[1]), 1);
                                                   });
    EXPECT_GE(failures, 4);  // the array, its slots, each string and its text
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(CFGetRetainCount(array), 1);
    CFRelease(array);
}

TEST(CacheHit, AllocatesNothing) {
    static const char kLiteral[] = "a literal long enough to need its own text buffer";
    CFString* string = CFSTR(kLiteral);
    const long made = gMade.load();
    {
        FailingFrom failing(0);
        EXPECT_EQ(CFSTR(kLiteral), string);
    }
    EXPECT_EQ(gMade.load(), made);
}

}  // namespace
