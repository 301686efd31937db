// The speaker-arrangement helpers: blocks of 8 + 112 × n bytes that the
// caller owns. Releases are not observable here; the asan preset's leak
// checker catches a block that an operation should have released.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <malloc.h>  // _msize
#elif defined(__GLIBC__)
#include <malloc.h>  // malloc_usable_size
#endif

#include "host/probe_effect.h"

namespace testhost {
namespace {

// Bytes the allocator holds for a block: exact on Windows and under the
// sanitizers, at least the requested size with glibc.
std::size_t BlockBytes(void* block) {
#if defined(_WIN32)
    return _msize(block);
#elif defined(__GLIBC__)
    return malloc_usable_size(block);
#else
    (void)block;
    return SIZE_MAX;
#endif
}

// Speaker i of a block: the block holds numChannels speakers, however many
// the declared array names, so it is reached by pointer arithmetic.
VstSpeakerProperties& Speaker(VstSpeakerArrangement* a, VstInt32 i) { return *SpeakerAt(a, i); }

const unsigned char* Bytes(const void* p) { return static_cast<const unsigned char*>(p); }

void FillSpeaker(VstSpeakerProperties& s, int seed, const char* name) {
    s.azimuth = 0.5f * static_cast<float>(seed);
    s.elevation = -0.25f * static_cast<float>(seed);
    s.radius = 2.0f + static_cast<float>(seed);
    s.reserved = 7.0f * static_cast<float>(seed);
    std::memset(s.name, 0, sizeof s.name);
    std::memcpy(s.name, name, std::min(std::strlen(name), sizeof s.name - 1));
    s.type = 100 + seed;
    for (std::size_t i = 0; i < sizeof s.future; ++i)
        s.future[i] = static_cast<char>(seed * 31 + static_cast<int>(i));
}

void ExpectSameSpeaker(const VstSpeakerProperties& a, const VstSpeakerProperties& b) {
    EXPECT_EQ(a.azimuth, b.azimuth);
    EXPECT_EQ(a.elevation, b.elevation);
    EXPECT_EQ(a.radius, b.radius);
    EXPECT_EQ(a.reserved, b.reserved);
    EXPECT_EQ(std::memcmp(a.name, b.name, sizeof a.name), 0);
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(std::memcmp(a.future, b.future, sizeof a.future), 0);
}

class SpeakerArrangement : public ::testing::Test {
protected:
    PlainEffect fx;
};

// ---- allocate / deallocate ----

TEST_F(SpeakerArrangement, TwoChannelsTake232Bytes) {
    EXPECT_EQ(SpeakerArrangementBytes(2), 232u);
    EXPECT_EQ(SpeakerArrangementBytes(0), 8u);
}

TEST_F(SpeakerArrangement, AllocateGivesAZeroedBlockOfTheCount) {
    for (VstInt32 n : {0, 1, 2, 8, 12}) {
        SCOPED_TRACE(::testing::Message() << n << " channels");
        VstSpeakerArrangement* a = nullptr;
        ASSERT_TRUE(fx.allocateArrangement(&a, n));
        ASSERT_NE(a, nullptr);
        const std::size_t bytes = SpeakerArrangementBytes(n);
        EXPECT_GE(BlockBytes(a), bytes);
        EXPECT_EQ(a->type, 0);
        EXPECT_EQ(a->numChannels, n);
        for (std::size_t i = 8; i < bytes; ++i) ASSERT_EQ(Bytes(a)[i], 0) << "byte " << i;
        EXPECT_TRUE(fx.deallocateArrangement(&a));
        EXPECT_EQ(a, nullptr);
    }
}

TEST_F(SpeakerArrangement, AllocateReplacesTheCallersBlock) {
    VstSpeakerArrangement* a = nullptr;
    ASSERT_TRUE(fx.allocateArrangement(&a, 2));
    a->type = 7;
    FillSpeaker(a->speakers[0], 1, "L");
    ASSERT_TRUE(fx.allocateArrangement(&a, 3));  // the old block is released
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->numChannels, 3);
    EXPECT_EQ(a->type, 0);
    for (std::size_t i = 8; i < SpeakerArrangementBytes(3); ++i) ASSERT_EQ(Bytes(a)[i], 0);
    fx.deallocateArrangement(&a);
}

TEST_F(SpeakerArrangement, NegativeCountIsRefusedAndLeavesNull) {
    VstSpeakerArrangement* a = nullptr;
    EXPECT_FALSE(fx.allocateArrangement(&a, -1));
    EXPECT_EQ(a, nullptr);
    ASSERT_TRUE(fx.allocateArrangement(&a, 2));
    EXPECT_FALSE(fx.allocateArrangement(&a, -5));  // the old block is released
    EXPECT_EQ(a, nullptr);
}

// With 4-byte sizes, 8 + 112 × n wraps for large n: the operation must
// refuse rather than hand out a small block claiming n channels.
TEST_F(SpeakerArrangement, CountBeyondTheAddressSpaceIsRefused) {
    if constexpr (sizeof(std::size_t) > 4) {
        GTEST_SKIP() << "every channel count fits an 8-byte size";
    } else {
        // 8 + 112 × 38347923 = 2^32 + 88
        for (VstInt32 n : {38347923, 0x7FFFFFFF}) {
            VstSpeakerArrangement* a = nullptr;
            EXPECT_FALSE(fx.allocateArrangement(&a, n)) << n;
            EXPECT_EQ(a, nullptr);
            fx.deallocateArrangement(&a);
        }
    }
}

TEST_F(SpeakerArrangement, NullAddressesAreRefusedOrIgnored) {
    EXPECT_FALSE(fx.allocateArrangement(nullptr, 2));
    EXPECT_TRUE(fx.deallocateArrangement(nullptr));
    VstSpeakerArrangement* a = nullptr;
    EXPECT_TRUE(fx.deallocateArrangement(&a));
    EXPECT_EQ(a, nullptr);
}

// ---- copySpeaker ----

TEST_F(SpeakerArrangement, CopySpeakerCopiesEveryField) {
    VstSpeakerProperties from;
    FillSpeaker(from, 3, "Left surround");
    VstSpeakerProperties to;
    std::memset(&to, 0xAA, sizeof to);
    EXPECT_TRUE(fx.copySpeaker(&to, &from));
    ExpectSameSpeaker(to, from);  // the name's NUL fill included
}

TEST_F(SpeakerArrangement, CopySpeakerCutsTheNameTo63Characters) {
    VstSpeakerProperties from;
    FillSpeaker(from, 1, "");
    std::memset(from.name, 'n', sizeof from.name);  // no terminator at all
    VstSpeakerProperties to;
    std::memset(&to, 0xAA, sizeof to);
    EXPECT_TRUE(fx.copySpeaker(&to, &from));
    EXPECT_EQ(std::string(to.name), std::string(63, 'n'));
    EXPECT_EQ(to.type, from.type);
}

TEST_F(SpeakerArrangement, CopySpeakerOntoItselfKeepsIt) {
    VstSpeakerProperties s;
    FillSpeaker(s, 2, "Centre");
    const VstSpeakerProperties before = s;
    EXPECT_TRUE(fx.copySpeaker(&s, &s));
    ExpectSameSpeaker(s, before);
}

TEST_F(SpeakerArrangement, CopySpeakerWithNullAnswersNoAndTouchesNothing) {
    VstSpeakerProperties s;
    FillSpeaker(s, 4, "R");
    const VstSpeakerProperties before = s;
    EXPECT_FALSE(fx.copySpeaker(&s, nullptr));
    EXPECT_FALSE(fx.copySpeaker(nullptr, &s));
    EXPECT_FALSE(fx.copySpeaker(nullptr, nullptr));
    EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);
}

// ---- matchArrangement ----

// A source arrangement of n speakers, each filled from its index.
VstSpeakerArrangement* MakeSource(AudioEffectX& fx, VstInt32 n, VstInt32 type) {
    VstSpeakerArrangement* src = nullptr;
    if (!fx.allocateArrangement(&src, n)) return nullptr;
    src->type = type;
    for (VstInt32 i = 0; i < n; ++i)
        FillSpeaker(Speaker(src, i), i + 1, ("Speaker " + std::to_string(i)).c_str());
    return src;
}

TEST_F(SpeakerArrangement, MatchCopiesTypeAndEverySpeaker) {
    for (VstInt32 n : {0, 2, 12}) {
        SCOPED_TRACE(::testing::Message() << n << " channels");
        VstSpeakerArrangement* src = MakeSource(fx, n, 5);
        ASSERT_NE(src, nullptr);
        VstSpeakerArrangement* to = nullptr;
        ASSERT_TRUE(fx.allocateArrangement(&to, 3));  // released by the match
        ASSERT_TRUE(fx.matchArrangement(&to, src));
        ASSERT_NE(to, nullptr);
        EXPECT_NE(to, src);
        EXPECT_GE(BlockBytes(to), SpeakerArrangementBytes(n));
        EXPECT_EQ(to->type, 5);
        EXPECT_EQ(to->numChannels, n);
        for (VstInt32 i = 0; i < n; ++i) ExpectSameSpeaker(Speaker(to, i), Speaker(src, i));
        fx.deallocateArrangement(&to);
        fx.deallocateArrangement(&src);
    }
}

TEST_F(SpeakerArrangement, MatchWithNullSourceLeavesTheTargetUntouched) {
    VstSpeakerArrangement* src = MakeSource(fx, 2, 9);
    ASSERT_NE(src, nullptr);
    VstSpeakerArrangement* to = src;
    EXPECT_FALSE(fx.matchArrangement(&to, nullptr));
    EXPECT_EQ(to, src);
    EXPECT_EQ(to->type, 9);
    EXPECT_EQ(to->numChannels, 2);
    EXPECT_STREQ(Speaker(to, 1).name, "Speaker 1");
    fx.deallocateArrangement(&src);
}

TEST_F(SpeakerArrangement, MatchWithNegativeCountAnswersNoWithTargetNull) {
    VstSpeakerArrangement src{};
    src.numChannels = -1;
    VstSpeakerArrangement* to = nullptr;
    ASSERT_TRUE(fx.allocateArrangement(&to, 2));
    EXPECT_FALSE(fx.matchArrangement(&to, &src));
    EXPECT_EQ(to, nullptr);
}

// matchArrangement makes virtual calls: a replacement that refuses stops it.
class RefusingEffect : public PlainEffect {
public:
    bool allocateArrangement(VstSpeakerArrangement** a, VstInt32 n) override {
        log.push_back(ShowCall("allocate", n));
        return refuseAllocate ? false : PlainEffect::allocateArrangement(a, n);
    }
    bool deallocateArrangement(VstSpeakerArrangement** a) override {
        log.push_back("deallocate()");
        return refuseDeallocate ? false : PlainEffect::deallocateArrangement(a);
    }
    bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) override {
        log.push_back("copySpeaker()");
        if (--copiesAllowed < 0) return false;
        return PlainEffect::copySpeaker(to, from);
    }
    std::vector<std::string> log;
    bool refuseAllocate = false;
    bool refuseDeallocate = false;
    int copiesAllowed = 100;
};

TEST(MatchArrangement, StopsAtTheFirstRefusal) {
    PlainEffect helper;
    VstSpeakerArrangement* src = MakeSource(helper, 4, 6);
    ASSERT_NE(src, nullptr);

    RefusingEffect fx;
    VstSpeakerArrangement* to = nullptr;
    fx.copiesAllowed = 1;
    EXPECT_FALSE(fx.matchArrangement(&to, src));
    EXPECT_EQ(fx.log, (std::vector<std::string>{"deallocate()", "allocate(4)", "copySpeaker()",
                                                "copySpeaker()"}));
    ASSERT_NE(to, nullptr);  // the new block is the caller's to release
    EXPECT_EQ(to->type, 6);
    fx.deallocateArrangement(&to);

    fx.log.clear();
    fx.refuseAllocate = true;
    EXPECT_FALSE(fx.matchArrangement(&to, src));
    EXPECT_EQ(fx.log, (std::vector<std::string>{"deallocate()", "allocate(4)"}));

    fx.log.clear();
    fx.refuseDeallocate = true;
    EXPECT_FALSE(fx.matchArrangement(&to, src));
    EXPECT_EQ(fx.log, (std::vector<std::string>{"deallocate()"}));

    helper.deallocateArrangement(&src);
}

}  // namespace
}  // namespace testhost
