// Guarded memory for decrypted data files: libsodium's sodium_malloc, wiped and freed when
// released. A buffer is owned by one thread at a time; it is move-only so that no copy of
// the plaintext can be made by accident.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kiv {

class SecureBuffer {
public:
    SecureBuffer() noexcept = default;
    // Allocates room for `capacity` bytes (at least one byte is allocated, so an empty
    // plaintext still has an address). Throws std::bad_alloc when guarded memory cannot be had.
    explicit SecureBuffer(std::uint64_t capacity);
    ~SecureBuffer();

    SecureBuffer(SecureBuffer&& other) noexcept;
    SecureBuffer& operator=(SecureBuffer&& other) noexcept;
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;

    const unsigned char* data() const noexcept { return data_; }
    // For parsers that work in place (pugixml), so that the plaintext never leaves the buffer.
    unsigned char* data() noexcept { return data_; }
    std::uint64_t size() const noexcept { return size_; }
    std::uint64_t capacity() const noexcept { return capacity_; }
    std::uint64_t allocated() const noexcept { return allocated_; }

    // The bytes written so far, e.g. the XML text of a data file.
    std::string_view view() const noexcept;
    std::span<const unsigned char> bytes() const noexcept;

    // Where the next bytes go, and how many still fit.
    unsigned char* end() noexcept { return data_ + size_; }
    std::uint64_t room() const noexcept { return capacity_ - size_; }
    // Counts `bytes` more as written; throws std::length_error beyond the capacity.
    void commit(std::uint64_t bytes);

    // Wipes the whole allocation, frees it and leaves an empty buffer.
    void release() noexcept;

private:
    unsigned char* data_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t capacity_ = 0;
    std::uint64_t allocated_ = 0;
};

// libsodium must be initialised once before its first use; any thread may call this.
// Throws std::runtime_error when the library cannot start.
void gf_ensureSodium();

} // namespace kiv
