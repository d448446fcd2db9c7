// The encrypted-file reader over arbitrary file contents: every bad file must end in an
// error text, never a crash, an overrun of the guarded buffer or a partial plaintext.
#include <cstddef>
#include <cstdint>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "foundation/data_file_key.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/secure_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint64_t limit = 1 << 20;
    const kiv::DataFileKey key;
    kiv::SecureBuffer buffer;
    try {
        const std::uint64_t plaintext = kiv::lf_validatedPlaintextSize(size, limit, "fuzz");
        std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
        kiv::lf_decryptStream(key.bytes(), buffer, stream, plaintext, "fuzz");
        if (buffer.size() != plaintext) {
            __builtin_trap();
        }
    } catch (const std::runtime_error&) {
        if (buffer.data() != nullptr) {
            __builtin_trap(); // a failed read must leave nothing behind
        }
    }
    return 0;
}
