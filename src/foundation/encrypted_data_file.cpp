#include "foundation/encrypted_data_file.h"

#include <array>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <sodium.h>

#include "foundation/text_conversion.h"

namespace kiv {
namespace {

static_assert(kEncryptedHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(kEncryptedOverheadBytes == crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(kDataFileKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);

using PullState = crypto_secretstream_xchacha20poly1305_state;

// The stream's own buffer: with the default one (8 KiB) reading costs a system call per
// two chunks, a tenth of the decryption time of a large file.
constexpr std::size_t kReadBufferBytes = 65536;

// The pull state holds key material; it is wiped however the read ends.
class WipedPullState {
public:
    WipedPullState() = default;
    ~WipedPullState() { sodium_memzero(&state_, sizeof state_); }
    WipedPullState(const WipedPullState&) = delete;
    WipedPullState& operator=(const WipedPullState&) = delete;
    PullState* get() { return &state_; }

private:
    PullState state_{};
};

[[noreturn]] void fail(std::string_view format, std::string_view name) {
    throw std::runtime_error(fmt::format(fmt::runtime(format), name));
}

void readHeader(std::istream& stream, std::array<unsigned char, kEncryptedHeaderBytes>& header, std::string_view name) {
    stream.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
    if (static_cast<std::uint64_t>(stream.gcount()) < kEncryptedHeaderBytes) {
        fail("Encrypted file has an incomplete header: {}", name);
    }
}

// Decrypts chunk after chunk straight into the buffer until the final tag.
void pullChunks(PullState* state, SecureBuffer& buffer, std::istream& stream, std::string_view name) {
    std::array<unsigned char, kEncryptedChunkBytes> chunk{};
    unsigned char tag = 0;
    while (tag != crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
        stream.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        const auto bytesRead = static_cast<std::uint64_t>(stream.gcount());
        if (stream.bad()) {
            fail("Error while reading encrypted file: {}", name);
        }
        if (bytesRead == 0) {
            fail("Encrypted file ended without a final block: {}", name);
        }
        if (bytesRead < kEncryptedOverheadBytes) {
            fail("Encrypted file contains an incomplete block: {}", name);
        }
        // Checked before decrypting, so that the pull can never write past the buffer.
        if (bytesRead - kEncryptedOverheadBytes > buffer.room()) {
            fail("Decrypted data exceeds its validated size: {}", name);
        }
        unsigned long long plainBytes = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(state, buffer.end(), &plainBytes, &tag, chunk.data(), bytesRead,
                                                       nullptr, 0) != 0) {
            fail("Decryption failed for: {}", name);
        }
        buffer.commit(plainBytes);
    }
}

void checkNothingFollows(std::istream& stream, std::string_view name) {
    const auto next = stream.peek();
    if (stream.bad()) {
        fail("Error while checking the end of encrypted file: {}", name);
    }
    if (next != std::istream::traits_type::eof()) {
        fail("Encrypted file contains data after the final block: {}", name);
    }
}

} // namespace

std::uint64_t lf_validatedPlaintextSize(std::uint64_t fileBytes, std::uint64_t limit, std::string_view name) {
    if (fileBytes < kEncryptedMinimumFileBytes) {
        fail("Encrypted file is too small: {}", name);
    }
    const std::uint64_t body = fileBytes - kEncryptedHeaderBytes;
    const std::uint64_t chunks = (body + kEncryptedChunkBytes - 1) / kEncryptedChunkBytes;
    const std::uint64_t plaintext = body - kEncryptedOverheadBytes * chunks;
    if (plaintext > limit) {
        throw std::runtime_error(
            fmt::format("Encrypted file exceeds the plaintext size limit of {} bytes: {}", limit, name));
    }
    return plaintext;
}

void lf_decryptStream(DataFileKeyView key, SecureBuffer& buffer, std::istream& stream, std::uint64_t plaintextBytes,
                      std::string_view name) {
    std::array<unsigned char, kEncryptedHeaderBytes> header{};
    readHeader(stream, header, name);
    gf_ensureSodium();
    WipedPullState state;
    if (crypto_secretstream_xchacha20poly1305_init_pull(state.get(), header.data(), key.data()) != 0) {
        fail("Invalid encryption header or key: {}", name);
    }
    try {
        buffer = SecureBuffer(plaintextBytes);
        pullChunks(state.get(), buffer, stream, name);
        checkNothingFollows(stream, name);
    } catch (...) {
        buffer.release();
        throw;
    }
}

void lf_decryptFile(DataFileKeyView key, SecureBuffer& buffer, const std::filesystem::path& path, std::uint64_t limit) {
    buffer.release();
    const std::string name = gf_pathToUtf8(path);
    std::error_code error;
    const std::uintmax_t fileBytes = std::filesystem::file_size(path, error);
    if (error) {
        throw std::runtime_error(
            fmt::format("Could not determine encrypted file size for {}: {}", name, error.message()));
    }
    const std::uint64_t plaintextBytes = lf_validatedPlaintextSize(fileBytes, limit, name);
    std::vector<char> readBuffer(kReadBufferBytes); // ciphertext only: ordinary memory
    std::ifstream stream;
    stream.rdbuf()->pubsetbuf(readBuffer.data(), static_cast<std::streamsize>(readBuffer.size()));
    stream.open(path, std::ios::binary);
    if (!stream.is_open()) {
        fail("Could not open input file: {}", name);
    }
    lf_decryptStream(key, buffer, stream, plaintextBytes, name);
}

EncryptedFileResult gf_readEncryptedFile(const std::filesystem::path& path, std::uint64_t limit, DataFileKeyView key) {
    try {
        SecureBuffer buffer;
        lf_decryptFile(key, buffer, path, limit);
        return buffer;
    } catch (const std::exception& error) {
        return unexpected(std::string(error.what()));
    }
}

EncryptedFileResult gf_readEncryptedFile(const std::filesystem::path& path, std::uint64_t limit) {
    DataFileKey key; // wiped when it goes out of scope, on success and on failure alike
    return gf_readEncryptedFile(path, limit, key.bytes());
}

} // namespace kiv
