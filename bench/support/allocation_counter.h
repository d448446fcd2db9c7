// Counts the heap allocations of a benchmark program: the global operator new is replaced by
// one that counts and takes its memory from malloc. Include in exactly one source file of
// each benchmark program; read allocationCount before and after the measured loop.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace kiv::bench {

inline std::atomic<std::uint64_t> allocationCount{0};

} // namespace kiv::bench

// g++ 12 pairs the inlined replacement new with free() and warns of a mismatch; both sides
// are this file's malloc/free, so the pairing is right.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    kiv::bench::allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
