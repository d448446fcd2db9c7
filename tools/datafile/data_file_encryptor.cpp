#include "datafile/data_file_encryptor.h"

#include <algorithm>

#include <sodium.h>

#include "foundation/encrypted_data_file.h"
#include "foundation/secure_buffer.h"

namespace kiv::datafile {

std::string encryptDataFile(std::string_view plaintext, DataFileKeyView key) {
    gf_ensureSodium();
    const std::size_t messages =
        std::max<std::size_t>(1, (plaintext.size() + kEncryptedMessageBytes - 1) / kEncryptedMessageBytes);
    std::string file(kEncryptedHeaderBytes + plaintext.size() + messages * kEncryptedOverheadBytes, '\0');
    auto* out = reinterpret_cast<unsigned char*>(file.data());

    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, out, key.data());
    out += kEncryptedHeaderBytes;
    for (std::size_t index = 0; index < messages; ++index) {
        const std::string_view message = plaintext.substr(index * kEncryptedMessageBytes, kEncryptedMessageBytes);
        const unsigned char tag = index + 1 == messages ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                                        : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
        unsigned long long written = 0;
        crypto_secretstream_xchacha20poly1305_push(&state, out, &written,
                                                   reinterpret_cast<const unsigned char*>(message.data()),
                                                   message.size(), nullptr, 0, tag);
        out += written;
    }
    sodium_memzero(&state, sizeof state);
    return file;
}

} // namespace kiv::datafile
