// Ownership and counts of the core types, the text copy-out limit, and the
// literal cache, alone and under concurrent first use.
#include "core/cftypes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <latch>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(LiteralCache, OneObjectPerAddressNotPerText) {
    static const char kFirst[] = "Seconds";
    static const char kSecond[] = "Seconds";  // equal text, another address
    CFLiteralCache cache;
    CFString* first = cache.Get(kFirst);
    EXPECT_EQ(cache.Get(kFirst), first);
    EXPECT_EQ(CFGetRetainCount(first), 1);

    CFString* second = cache.Get(kSecond);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->Text(), first->Text());
    EXPECT_EQ(cache.Size(), 2u);
}

TEST(LiteralCache, GlobalCacheHandsOutOneStringPerLiteral) {
    static const char kName[] = "SamplesOrSeconds";
    CFString* string = CFSTR(kName);
    EXPECT_EQ(CFSTR(kName), string);
    EXPECT_EQ(string->Text(), "SamplesOrSeconds");
    EXPECT_EQ(CFGetRetainCount(string), 1);
}

TEST(LiteralCache, TeardownReleasesEachStringOnce) {
    static const char kNames[3][8] = {"Samples", "Seconds", "Mode"};
    const std::int32_t before = CFGetLiveObjectCount();
    { CFLiteralCache empty; }
    EXPECT_EQ(CFGetLiveObjectCount(), before);

    std::vector<CFString*> strings;
    {
        CFLiteralCache cache;
        for (const char* name : kNames) strings.push_back(cache.Get(name));
        // An extra reference each shows how many the teardown gives up.
        for (CFString* string : strings) CFRetain(string);
    }
    for (CFString* string : strings) EXPECT_EQ(CFGetRetainCount(string), 1);
    for (CFString* string : strings) CFRelease(string);
    EXPECT_EQ(CFGetLiveObjectCount(), before);

    // Unretained, the teardown's release destroys them.
    {
        CFLiteralCache cache;
        for (const char* name : kNames) cache.Get(name);
        EXPECT_EQ(CFGetLiveObjectCount(), before + 3);
    }
    EXPECT_EQ(CFGetLiveObjectCount(), before);
}

// Hosts construct instances from several threads at once: first calls for
// the same literals race. Each literal must still get exactly one string.
TEST(LiteralCache, ConcurrentFirstCallsAgreeOnOneString) {
    constexpr int kThreads = 8;
    constexpr int kLiterals = 64;
    static char texts[kLiterals][12];
    for (int i = 0; i < kLiterals; ++i) std::snprintf(texts[i], sizeof texts[i], "literal %d", i);

    std::vector<std::array<CFString*, kLiterals>> seen(kThreads);
    std::vector<std::array<CFString*, kLiterals>> seenGlobal(kThreads);
    std::optional<CFLiteralCache> cache(std::in_place);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            // Each thread in its own order, through the global cache too.
            for (int k = 0; k < kLiterals; ++k) {
                const auto i = static_cast<std::size_t>((k * 7 + t * 13) % kLiterals);
                seen[static_cast<std::size_t>(t)][i] = cache->Get(texts[i]);
                seenGlobal[static_cast<std::size_t>(t)][i] = CFSTR(texts[i]);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(cache->Size(), static_cast<std::size_t>(kLiterals));
    for (std::size_t i = 0; i < kLiterals; ++i) {
        for (const auto* rows : {&seen, &seenGlobal}) {
            CFString* string = (*rows)[0][i];
            ASSERT_NE(string, nullptr);
            EXPECT_EQ(string->Text(), texts[i]);
            EXPECT_EQ(CFGetRetainCount(string), 1);
            for (const auto& row : *rows) EXPECT_EQ(row[i], string);
        }
    }
    // The cache owns one string per literal: no duplicate was made and lost.
    const std::int32_t alive = CFGetLiveObjectCount();
    cache.reset();
    EXPECT_EQ(CFGetLiveObjectCount(), alive - kLiterals);
}

TEST(CFStringGetCString, CopiesWholeTextsOfUpTo23BytesAndNothingElse) {
    struct Case {
        const char* what;
        std::string text;
        bool copied;
    };
    const Case cases[] = {
        {"empty", "", true},
        {"23 characters", std::string(23, 'x'), true},
        {"24 characters", std::string(24, 'x'), false},
        {"100 characters", std::string(100, 'x'), false},
        {"bytes above 127, unconverted", "\xC3\xA9t\xE9\x80\xFF", true},
    };
    for (const Case& c : cases) {
        const CFString string(c.text.c_str());
        char buffer[kCFStringBufferSize + 8];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(CFStringGetCString(&string, buffer), c.copied) << c.what;
        const std::size_t written = c.copied ? c.text.size() + 1 : 0;
        if (c.copied) {
            EXPECT_STREQ(buffer, c.text.c_str()) << c.what;
        }
        for (std::size_t i = written; i < sizeof buffer; ++i) {
            ASSERT_EQ(buffer[i], '#') << c.what << ": byte " << i << " written";
        }
    }
    char buffer[kCFStringBufferSize] = "kept";
    EXPECT_FALSE(CFStringGetCString(nullptr, buffer));
    EXPECT_STREQ(buffer, "kept");
}

class ArrayTest : public ::testing::Test {
protected:
    static constexpr char kSamples[] = "Samples";
    static constexpr char kSeconds[] = "Seconds";

    void SetUp() override {
        sources_[0] = cache_->Get(kSamples);
        sources_[1] = cache_->Get(kSeconds);
        before_ = CFGetLiveObjectCount();
    }

    std::string TextAt(const CFArray* array, std::int32_t index) {
        const auto* string = dynamic_cast<const CFString*>(CFArrayGetValueAtIndex(array, index));
        return string != nullptr ? string->Text() : "<none>";
    }

    std::optional<CFLiteralCache> cache_{std::in_place};
    CFString* sources_[2] = {};
    std::int32_t before_ = 0;
};

TEST_F(ArrayTest, CreateHandsOutOneArrayOwningTwoNewStrings) {
    CFArray* array = CFArrayCreate(sources_);
    EXPECT_EQ(CFGetRetainCount(array), 1);
    EXPECT_EQ(CFGetLiveObjectCount(), before_ + 3);
    for (std::int32_t i = 0; i < 2; ++i) {
        CFType* element = CFArrayGetValueAtIndex(array, i);
        EXPECT_NE(element, sources_[i]);
        EXPECT_EQ(CFGetRetainCount(element), 1);
        EXPECT_EQ(CFGetRetainCount(sources_[i]), 1);  // sources neither retained nor changed
    }
    EXPECT_EQ(TextAt(array, 0), "Samples");
    EXPECT_EQ(TextAt(array, 1), "Seconds");

    CFRelease(array);
    EXPECT_EQ(CFGetLiveObjectCount(), before_);
    EXPECT_EQ(CFGetRetainCount(sources_[0]), 1);
    EXPECT_EQ(CFGetRetainCount(sources_[1]), 1);
}

TEST_F(ArrayTest, ElementsAreDeepCopiesThatOutliveTheirSources) {
    CFArray* array = CFArrayCreate(sources_);
    cache_.reset();  // destroys both sources
    EXPECT_EQ(TextAt(array, 0), "Samples");
    EXPECT_EQ(TextAt(array, 1), "Seconds");
    CFRelease(array);
}

TEST_F(ArrayTest, EachReferenceIsReleasedOnce) {
    CFArray* array = CFArrayCreate(sources_);
    CFRetain(array);
    CFRelease(array);
    EXPECT_EQ(CFGetRetainCount(array), 1);
    EXPECT_EQ(CFGetLiveObjectCount(), before_ + 3);

    // An element retained by a reader outlives the array by exactly that reference.
    CFType* element = CFArrayGetValueAtIndex(array, 1);
    CFRetain(element);
    CFRelease(array);
    EXPECT_EQ(CFGetLiveObjectCount(), before_ + 1);
    EXPECT_EQ(CFGetRetainCount(element), 1);
    CFRelease(element);
    EXPECT_EQ(CFGetLiveObjectCount(), before_);
}

TEST_F(ArrayTest, IndicesOutsideTheElementsGiveNull) {
    CFArray* array = CFArrayCreate(sources_);
    for (const std::int32_t index : {-1, 2, 3, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(CFArrayGetValueAtIndex(array, index), nullptr) << index;
    }
    EXPECT_EQ(CFArrayGetValueAtIndex(nullptr, 0), nullptr);
    CFRelease(array);
}

}  // namespace
