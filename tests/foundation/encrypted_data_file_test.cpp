#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sodium.h>

#include "foundation/encrypted_data_file.h"
#include "foundation/text_conversion.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::writeFile;

using Key = std::array<unsigned char, kDataFileKeyBytes>;
constexpr unsigned char kMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
constexpr unsigned char kPush = crypto_secretstream_xchacha20poly1305_TAG_PUSH;
constexpr unsigned char kRekey = crypto_secretstream_xchacha20poly1305_TAG_REKEY;
constexpr unsigned char kFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;

Key testKey(unsigned char seed) {
    Key key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<unsigned char>(seed + 7 * i);
    }
    return key;
}

std::string plaintextOf(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + (i * 31 + i / 4096) % 26);
    }
    return text;
}

struct Message {
    std::size_t plainBytes;
    unsigned char tag;
};

// Seals messages with libsodium itself, so that the fixtures do not depend on the reader's
// own idea of the framing. Plaintext bytes run on across messages (see plaintextOf).
std::string seal(const Key& key, const std::vector<Message>& messages) {
    EXPECT_GE(sodium_init(), 0);
    crypto_secretstream_xchacha20poly1305_state state;
    std::string file(crypto_secretstream_xchacha20poly1305_HEADERBYTES, '\0');
    crypto_secretstream_xchacha20poly1305_init_push(&state, reinterpret_cast<unsigned char*>(file.data()), key.data());
    std::size_t total = 0;
    for (const Message& message : messages) {
        total += message.plainBytes;
    }
    const std::string plain = plaintextOf(total);
    std::size_t offset = 0;
    for (const Message& message : messages) {
        std::string chunk(message.plainBytes + crypto_secretstream_xchacha20poly1305_ABYTES, '\0');
        crypto_secretstream_xchacha20poly1305_push(&state, reinterpret_cast<unsigned char*>(chunk.data()), nullptr,
                                                   reinterpret_cast<const unsigned char*>(plain.data() + offset),
                                                   message.plainBytes, nullptr, 0, message.tag);
        offset += message.plainBytes;
        file += chunk;
    }
    return file;
}

// Full messages of 4096 bytes, the last one final, as the data-file tool writes them.
std::string sealPlaintext(const Key& key, std::size_t size) {
    std::vector<Message> messages;
    for (std::size_t left = size; left > 4096; left -= 4096) {
        messages.push_back({4096, kMessage});
    }
    messages.push_back({size - 4096 * messages.size(), kFinal});
    return seal(key, messages);
}

std::string flipped(std::string bytes, std::size_t at) {
    bytes.at(at) = static_cast<char>(bytes.at(at) ^ 0x01);
    return bytes;
}

struct ReadCase {
    const char* what;
    std::function<std::string()> file;
    std::uint64_t limit;
    // Either the plaintext size expected, or the message before ": <path>" (or before the path).
    std::optional<std::size_t> plainBytes;
    std::string error;
};

TEST(EncryptedDataFile, FramingSizesTagsAndLimits) {
    const Key key = testKey(1);
    const Key otherKey = testKey(2);
    constexpr std::uint64_t big = kArchivedAirportFileLimit;
    const std::string threeChunks = sealPlaintext(key, 3 * 4096 - 5);
    const ReadCase cases[] = {
        {"40 bytes", [&] { return sealPlaintext(key, 0).substr(0, 40); }, big, {}, "Encrypted file is too small: "},
        {"41 bytes: empty plaintext", [&] { return sealPlaintext(key, 0); }, big, 0, ""},
        {"one byte", [&] { return sealPlaintext(key, 1); }, big, 1, ""},
        {"4096 bytes in one final chunk", [&] { return sealPlaintext(key, 4096); }, big, 4096, ""},
        {"4097 bytes", [&] { return sealPlaintext(key, 4097); }, big, 4097, ""},
        {"4096 bytes and an empty final chunk",
         [&] {
             return seal(key, {{4096, kMessage}, {0, kFinal}});
         },
         big, 4096, ""},
        {"push and rekey tags pass",
         [&] {
             return seal(key, {{4096, kPush}, {4096, kRekey}, {9, kFinal}});
         },
         big, 8201, ""},
        {"last chunk shorter than 17 bytes",
         [&] {
             return seal(key, {{4096, kMessage}, {0, kFinal}}).substr(0, 24 + 4113 + 10);
         },
         big,
         {},
         "Decrypted data exceeds its validated size: "},
        {"last chunk not final",
         [&] {
             return seal(key, {{4096, kMessage}, {100, kMessage}});
         },
         big,
         {},
         "Encrypted file ended without a final block: "},
        {"final tag before the last chunk",
         [&] {
             return seal(key, {{4096, kFinal}, {0, kFinal}});
         },
         big,
         {},
         "Encrypted file contains data after the final block: "},
        {"one byte appended to a short last chunk",
         [&] { return sealPlaintext(key, 100) + "x"; },
         big,
         {},
         "Decryption failed for: "},
        {"one byte appended to a full last chunk",
         [&] { return sealPlaintext(key, 4096) + "x"; },
         big,
         {},
         "Decrypted data exceeds its validated size: "},
        {"byte flipped in the header", [&] { return flipped(threeChunks, 3); }, big, {}, "Decryption failed for: "},
        {"byte flipped in the first chunk",
         [&] { return flipped(threeChunks, 24 + 100); },
         big,
         {},
         "Decryption failed for: "},
        {"byte flipped in the last chunk",
         [&] { return flipped(threeChunks, threeChunks.size() - 1); },
         big,
         {},
         "Decryption failed for: "},
        {"limit equal to the plaintext", [&] { return sealPlaintext(key, 5000); }, 5000, 5000, ""},
        {"limit one below the plaintext",
         [&] { return sealPlaintext(key, 5000); },
         4999,
         {},
         "Encrypted file exceeds the plaintext size limit of 4999 bytes: "},
        {"wrong key", [&] { return sealPlaintext(otherKey, 5000); }, big, {}, "Decryption failed for: "},
    };
    test_support::TempFolder folder;
    const auto path = folder.path() / "data.enc";
    const std::string name = gf_pathToUtf8(path);
    for (const ReadCase& c : cases) {
        writeFile(path, c.file());
        const EncryptedFileResult result = gf_readEncryptedFile(path, c.limit, key);
        if (c.plainBytes) {
            ASSERT_TRUE(result.has_value()) << c.what << ": " << result.error();
            EXPECT_EQ(result->view(), plaintextOf(*c.plainBytes)) << c.what;
            EXPECT_EQ(result->capacity(), *c.plainBytes) << c.what;
            EXPECT_EQ(result->allocated(), std::max<std::size_t>(*c.plainBytes, 1)) << c.what;
        } else {
            ASSERT_FALSE(result.has_value()) << c.what << " gave plaintext";
            EXPECT_EQ(result.error(), c.error + name) << c.what;
        }
    }
}

// A failure after some chunks decrypted must not leave them with the caller.
TEST(EncryptedDataFile, FailureLeavesNoPlaintextInTheCallersBuffer) {
    const Key key = testKey(1);
    test_support::TempFolder folder;
    const auto good = folder.path() / "good.enc";
    const auto bad = folder.path() / "bad.enc";
    const std::string file = sealPlaintext(key, 3 * 4096);
    writeFile(good, file);
    writeFile(bad, flipped(file, file.size() - 1));

    SecureBuffer buffer;
    lf_decryptFile(key, buffer, good, kTypeDatabaseLimit);
    ASSERT_EQ(buffer.size(), 3u * 4096);
    EXPECT_THROW(lf_decryptFile(key, buffer, bad, kTypeDatabaseLimit), std::runtime_error);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.allocated(), 0u);
}

TEST(EncryptedDataFile, FilesThatCannotBeSizedOrOpened) {
    test_support::TempFolder folder;
    const Key key = testKey(1);
    for (const auto& path : {folder.path() / "missing.enc", folder.path()}) {
        const EncryptedFileResult result = gf_readEncryptedFile(path, kTypeDatabaseLimit, key);
        ASSERT_FALSE(result.has_value());
        EXPECT_TRUE(
            result.error().starts_with("Could not determine encrypted file size for " + gf_pathToUtf8(path) + ": "))
            << result.error();
    }
}

// Streams that change under the reader: fewer bytes than the file size promised.
TEST(EncryptedDataFile, StreamsShorterThanTheirValidatedSize) {
    const Key key = testKey(1);
    const std::string file = sealPlaintext(key, 4096 + 50);
    const struct {
        std::string bytes;
        std::string error;
    } cases[] = {
        {file.substr(0, 10), "Encrypted file has an incomplete header: name"},
        {file.substr(0, 24 + 10), "Encrypted file contains an incomplete block: name"},
        {file.substr(0, 24 + 4113), "Encrypted file ended without a final block: name"},
        {file.substr(0, 24 + 4113 + 16), "Encrypted file contains an incomplete block: name"},
    };
    for (const auto& c : cases) {
        std::istringstream stream(c.bytes);
        SecureBuffer buffer;
        try {
            lf_decryptStream(key, buffer, stream, 4096 + 50, "name");
            ADD_FAILURE() << "no error for " << c.error;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), c.error);
        }
        EXPECT_EQ(buffer.data(), nullptr);
    }
}

TEST(EncryptedDataFile, BuiltInKeyIsSteadyAndWipeable) {
    DataFileKey first;
    DataFileKey second;
    EXPECT_TRUE(std::ranges::equal(first.bytes(), second.bytes()));
    EXPECT_FALSE(std::ranges::all_of(first.bytes(), [](unsigned char byte) { return byte == 0; }));
    first.wipe();
    EXPECT_TRUE(std::ranges::all_of(first.bytes(), [](unsigned char byte) { return byte == 0; }));

    test_support::TempFolder folder;
    const auto path = folder.path() / "builtin.enc";
    Key key{};
    std::ranges::copy(second.bytes(), key.begin());
    writeFile(path, sealPlaintext(key, 10));
    const EncryptedFileResult result = gf_readEncryptedFile(path, kWeeklyTrafficAirportsLimit);
    ASSERT_TRUE(result.has_value()) << result.error();
    EXPECT_EQ(result->view(), plaintextOf(10));
}

TEST(SecureBuffer, OwnsAndWipesItsGuardedMemory) {
    SecureBuffer empty(0);
    EXPECT_NE(empty.data(), nullptr);
    EXPECT_EQ(empty.allocated(), 1u);
    EXPECT_EQ(empty.capacity(), 0u);
    EXPECT_THROW(empty.commit(1), std::length_error);

    SecureBuffer buffer(8);
    std::memcpy(buffer.end(), "abc", 3);
    buffer.commit(3);
    EXPECT_EQ(buffer.view(), "abc");
    EXPECT_EQ(buffer.room(), 5u);

    SecureBuffer moved(std::move(buffer));
    EXPECT_EQ(moved.view(), "abc");
    EXPECT_EQ(buffer.data(), nullptr); // NOLINT(bugprone-use-after-move): moved-from state is specified
    EXPECT_EQ(buffer.allocated(), 0u);

    empty = std::move(moved);
    EXPECT_EQ(empty.view(), "abc");
    EXPECT_EQ(empty.capacity(), 8u);

    empty.release();
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(empty.capacity(), 0u);
    EXPECT_EQ(empty.allocated(), 0u);
    EXPECT_TRUE(empty.view().empty());
}

} // namespace
} // namespace kiv
