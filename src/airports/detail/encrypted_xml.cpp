#include "airports/detail/encrypted_xml.h"

#include <system_error>

#include <fmt/format.h>

#include "foundation/encrypted_data_file.h"
#include "foundation/secure_xml.h"
#include "foundation/text_conversion.h"

namespace kiv::detail {
namespace fs = std::filesystem;

Expected<std::unique_ptr<EncryptedXml>, EncryptedXmlError>
lf_loadEncryptedXml(const fs::path& path, std::uint64_t limit, const EncryptedXmlTexts& texts) {
    const std::string pathText = gf_pathToUtf8(path);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        return unexpected(EncryptedXmlError{EncryptedXmlFailure::status,
                                            fmt::format(fmt::runtime(texts.statusFailed), pathText, error.message())});
    }
    if (!fs::exists(status)) {
        return unexpected(
            EncryptedXmlError{EncryptedXmlFailure::missing, fmt::format(fmt::runtime(texts.missing), pathText)});
    }
    EncryptedFileResult plaintext = gf_readEncryptedFile(path, limit);
    if (!plaintext) {
        return unexpected(EncryptedXmlError{EncryptedXmlFailure::decryption, plaintext.error()});
    }
    auto loaded = std::make_unique<EncryptedXml>();
    loaded->buffer = std::move(plaintext).value();
    const pugi::xml_parse_result parsed = gf_parseXmlInPlace(loaded->buffer, loaded->document);
    if (!parsed) {
        return unexpected(EncryptedXmlError{
            EncryptedXmlFailure::parse, fmt::format(fmt::runtime(texts.notParsed), pathText, parsed.description())});
    }
    return loaded;
}

} // namespace kiv::detail
