#include "alloc/alloc_counter.h"

#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <malloc.h>
#endif

namespace alloc {
namespace {

thread_local int tScopes = 0;
thread_local std::int64_t tAllocations = 0;
thread_local std::int64_t tFrees = 0;
thread_local std::int64_t tFailFrom = 0;
thread_local std::int64_t tSinceFail = 0;

// True when this allocation must fail.
bool MustFail() noexcept {
    ++tSinceFail;
    return tFailFrom > 0 && tSinceFail >= tFailFrom;
}

void* Counted(void* p) noexcept {
    if (p && tScopes > 0) ++tAllocations;
    return p;
}

void* Allocate(std::size_t size) noexcept {
    if (MustFail()) return nullptr;
    return Counted(std::malloc(size == 0 ? 1 : size));
}

void* AllocateAligned(std::size_t size, std::size_t alignment) noexcept {
    if (MustFail()) return nullptr;
    if (size == 0) size = 1;
#if defined(_WIN32)
    return Counted(_aligned_malloc(size, alignment));
#else
    void* p = nullptr;
    return Counted(posix_memalign(&p, alignment, size) == 0 ? p : nullptr);
#endif
}

void Free(void* p) noexcept {
    if (!p) return;
    if (tScopes > 0) ++tFrees;
    std::free(p);
}

void FreeAligned(void* p) noexcept {
    if (!p) return;
    if (tScopes > 0) ++tFrees;
#if defined(_WIN32)
    _aligned_free(p);
#else
    std::free(p);
#endif
}

}  // namespace

Counts Current() noexcept { return {tAllocations, tFrees}; }

Scope::Scope() noexcept : start_(Current()) { ++tScopes; }
Scope::~Scope() { --tScopes; }

void FailFrom(std::int64_t n) noexcept {
    tFailFrom = n;
    tSinceFail = 0;
}

std::int64_t SinceFailFrom() noexcept { return tSinceFail; }

}  // namespace alloc

void* operator new(std::size_t size) {
    if (void* p = alloc::Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, std::align_val_t a) {
    if (void* p = alloc::AllocateAligned(size, static_cast<std::size_t>(a))) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t a) { return operator new(size, a); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return alloc::Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return alloc::Allocate(size);
}
void operator delete(void* p) noexcept { alloc::Free(p); }
void operator delete[](void* p) noexcept { alloc::Free(p); }
void operator delete(void* p, std::size_t) noexcept { alloc::Free(p); }
void operator delete[](void* p, std::size_t) noexcept { alloc::Free(p); }
void operator delete(void* p, std::align_val_t) noexcept { alloc::FreeAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { alloc::FreeAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { alloc::FreeAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { alloc::FreeAligned(p); }
