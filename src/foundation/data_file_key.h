// The 32-byte key of the encrypted data files. It is never held whole outside a
// DataFileKey, which assembles it on the caller's stack and wipes it when it goes out of
// scope: make one per file and let it die right after. Any thread may make its own.
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace kiv {

inline constexpr std::size_t kDataFileKeyBytes = 32;

using DataFileKeyView = std::span<const unsigned char, kDataFileKeyBytes>;

class DataFileKey {
public:
    DataFileKey() noexcept;
    ~DataFileKey();
    DataFileKey(const DataFileKey&) = delete;
    DataFileKey& operator=(const DataFileKey&) = delete;

    DataFileKeyView bytes() const noexcept { return key_; }
    // Wipes the key now (the destructor does it anyway).
    void wipe() noexcept;

private:
    std::array<unsigned char, kDataFileKeyBytes> key_{};
};

} // namespace kiv
