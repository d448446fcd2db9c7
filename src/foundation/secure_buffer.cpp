#include "foundation/secure_buffer.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

#include <sodium.h>

namespace kiv {

void gf_ensureSodium() {
    // sodium_init is itself thread-safe and idempotent; the static only saves the call.
    static const bool ready = sodium_init() >= 0;
    if (!ready) {
        throw std::runtime_error("libsodium could not be initialised");
    }
}

SecureBuffer::SecureBuffer(std::uint64_t capacity) {
    gf_ensureSodium();
    const std::uint64_t allocated = std::max<std::uint64_t>(capacity, 1);
    if (allocated > std::numeric_limits<std::size_t>::max()) {
        throw std::bad_alloc();
    }
    void* memory = sodium_malloc(static_cast<std::size_t>(allocated));
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    data_ = static_cast<unsigned char*>(memory);
    capacity_ = capacity;
    allocated_ = allocated;
}

SecureBuffer::~SecureBuffer() { release(); }

SecureBuffer::SecureBuffer(SecureBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)), allocated_(std::exchange(other.allocated_, 0)) {}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        allocated_ = std::exchange(other.allocated_, 0);
    }
    return *this;
}

std::string_view SecureBuffer::view() const noexcept {
    return {reinterpret_cast<const char*>(data_), static_cast<std::size_t>(size_)};
}

std::span<const unsigned char> SecureBuffer::bytes() const noexcept { return {data_, static_cast<std::size_t>(size_)}; }

void SecureBuffer::commit(std::uint64_t bytes) {
    if (bytes > room()) {
        throw std::length_error("SecureBuffer: write beyond its capacity");
    }
    size_ += bytes;
}

void SecureBuffer::release() noexcept {
    if (data_ != nullptr) {
        // The whole allocation, not just `size_`: a failed read may have written past it.
        sodium_memzero(data_, static_cast<std::size_t>(allocated_));
        sodium_free(data_);
    }
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    allocated_ = 0;
}

} // namespace kiv
