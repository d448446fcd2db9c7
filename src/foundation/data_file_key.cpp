#include "foundation/data_file_key.h"

#include <sodium.h>

namespace kiv {
namespace {

using KeyBytes = std::array<unsigned char, kDataFileKeyBytes>;

// The key is the exclusive-or of these two tables, so neither one, nor any run of bytes
// in the program, is the key itself.
constexpr KeyBytes kKeyTableA = {
    0x60, 0xD1, 0x49, 0x1E, 0xED, 0xC2, 0x88, 0xC8, 0xD5, 0xDC, 0xAE, 0x50, 0xAE, 0xB3, 0x8B, 0x32,
    0x1F, 0xBE, 0x85, 0x74, 0x55, 0xFC, 0xA5, 0xF6, 0xC3, 0x5A, 0xAB, 0x03, 0xE0, 0x92, 0xBE, 0x69,
};
constexpr KeyBytes kKeyTableB = {
    0x0C, 0xFD, 0x64, 0x7B, 0x93, 0x7C, 0xD7, 0x06, 0x87, 0xDF, 0x79, 0x24, 0xAD, 0x77, 0x2F, 0x4D,
    0x07, 0x8A, 0x2B, 0x8A, 0xF1, 0x7E, 0x20, 0x72, 0x3C, 0xE5, 0x68, 0x25, 0xC0, 0x32, 0x34, 0xB0,
};

// Read through volatile so that the compiler cannot fold the two tables into the key
// at build time and store that in the program.
void applyTable(KeyBytes& key, const KeyBytes& table) noexcept {
    const volatile unsigned char* source = table.data();
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] ^= source[i];
    }
}

void lf_applyKeyTableA(KeyBytes& key) noexcept { applyTable(key, kKeyTableA); }
void lf_applyKeyTableB(KeyBytes& key) noexcept { applyTable(key, kKeyTableB); }

} // namespace

DataFileKey::DataFileKey() noexcept {
    lf_applyKeyTableA(key_);
    lf_applyKeyTableB(key_);
}

DataFileKey::~DataFileKey() { wipe(); }

void DataFileKey::wipe() noexcept { sodium_memzero(key_.data(), key_.size()); }

} // namespace kiv
