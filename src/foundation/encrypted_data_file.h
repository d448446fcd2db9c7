// Reading the encrypted data files (".enc"): libsodium's xchacha20poly1305 secretstream,
// decrypted in memory into a SecureBuffer and never to disk. No shared state: the key,
// the stream state and the buffer belong to the calling thread, so any thread may read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

#include "foundation/data_file_key.h"
#include "foundation/expected.h"
#include "foundation/secure_buffer.h"

namespace kiv {

// The framing, which is all there is of the file: a secretstream header, then messages of
// up to 4096 plaintext bytes, each followed by 17 bytes of tag and authentication. Every
// message but the last is full; the last carries the final tag and nothing follows it.
inline constexpr std::uint64_t kEncryptedHeaderBytes = 24;
inline constexpr std::uint64_t kEncryptedMessageBytes = 4096;
inline constexpr std::uint64_t kEncryptedOverheadBytes = 17;
inline constexpr std::uint64_t kEncryptedChunkBytes = kEncryptedMessageBytes + kEncryptedOverheadBytes;
inline constexpr std::uint64_t kEncryptedMinimumFileBytes = kEncryptedHeaderBytes + kEncryptedOverheadBytes;

// Plaintext limits of the callers, in bytes.
inline constexpr std::uint64_t kRegistrationCodesLimit = 8388608;
inline constexpr std::uint64_t kSceneryPublishersLimit = 4194304;
inline constexpr std::uint64_t kAirportsListLimit = 8388608;
inline constexpr std::uint64_t kTypeDatabaseLimit = 16777216;
inline constexpr std::uint64_t kWeeklyTrafficAirportsLimit = 1048576;
inline constexpr std::uint64_t kArchivedAirportFileLimit = 67108864;

using EncryptedFileResult = Expected<SecureBuffer, std::string>;

// Decrypts the whole file with the data-file key, or gives the error text; never throws
// for a bad file and never hands out part of a plaintext.
EncryptedFileResult gf_readEncryptedFile(const std::filesystem::path& path, std::uint64_t limit);
// The same with a key of the caller's (e.g. the data-file tool's key file).
EncryptedFileResult gf_readEncryptedFile(const std::filesystem::path& path, std::uint64_t limit, DataFileKeyView key);

// The reader proper: throws std::runtime_error with a text ending in the path, or
// std::bad_alloc. On failure `buffer` is left released (wiped).
void lf_decryptFile(DataFileKeyView key, SecureBuffer& buffer, const std::filesystem::path& path, std::uint64_t limit);

// The plaintext size that a file of `fileBytes` must hold, checked against the minimum
// size and `limit`; `name` ends the error texts.
std::uint64_t lf_validatedPlaintextSize(std::uint64_t fileBytes, std::uint64_t limit, std::string_view name);
// Decrypts an opened stream whose plaintext size has been validated; throws like
// lf_decryptFile and leaves `buffer` released on failure.
void lf_decryptStream(DataFileKeyView key, SecureBuffer& buffer, std::istream& stream, std::uint64_t plaintextBytes,
                      std::string_view name);

} // namespace kiv
