// Counts the heap allocations and frees of the whole process, and can make
// the N-th allocation fail, by replacing the global allocation functions.
// Link alloc_counter.cpp into exactly one test or benchmark binary; the code
// under test must be linked statically into it, so its operator new is ours.
#pragma once

#include <atomic>
#include <cstdint>

namespace alloc {

struct Counts {
    std::int64_t allocations;
    std::int64_t frees;
};

// Counting is on while a Scope lives (nested scopes add up); only the
// thread that opened it is counted.
Counts Current() noexcept;

class Scope {
public:
    Scope() noexcept;
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    std::int64_t allocations() const noexcept { return Current().allocations - start_.allocations; }
    std::int64_t frees() const noexcept { return Current().frees - start_.frees; }

private:
    Counts start_;
};

// From now on, on this thread, the n-th allocation (1-based) and every one
// after it throws std::bad_alloc (or answers null for the nothrow forms).
// 0 turns failing off.
void FailFrom(std::int64_t n) noexcept;
// Allocations made on this thread since the last FailFrom.
std::int64_t SinceFailFrom() noexcept;

}  // namespace alloc
