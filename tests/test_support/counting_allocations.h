// Counts heap allocations, per thread and for the whole process, through a replacement of
// the global operator new, so that tests and benchmarks can show that a warm path allocates
// nothing. Exactly one source file of a program defines KIV_DEFINE_COUNTING_NEW before it
// includes this header; the counters may be read from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace kiv::test_support {

namespace detail {
inline std::atomic<std::uint64_t> processAllocations{0};
inline thread_local std::uint64_t threadAllocations = 0;
} // namespace detail

inline std::uint64_t allocationsInProcess() { return detail::processAllocations.load(); }
inline std::uint64_t allocationsOnThisThread() { return detail::threadAllocations; }

// The allocations the constructing thread made since construction.
class AllocationCounter {
public:
    std::uint64_t count() const { return allocationsOnThisThread() - start_; }

private:
    std::uint64_t start_ = allocationsOnThisThread();
};

} // namespace kiv::test_support

#ifdef KIV_DEFINE_COUNTING_NEW
// g++ 12 pairs the inlined replacement new with free() and warns of a mismatch; both sides
// are this replacement's malloc and free, so the pairing is right.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    kiv::test_support::detail::processAllocations.fetch_add(1, std::memory_order_relaxed);
    ++kiv::test_support::detail::threadAllocations;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#endif
