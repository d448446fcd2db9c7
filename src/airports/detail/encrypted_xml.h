// The one way the airports data files ("airports.enc", "wktraffic.enc", "archives.enc") are
// opened: the file's status, decryption into guarded memory and an in-place XML parse. Each
// caller words its own failures. Stateless: any thread, for documents the caller then owns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "foundation/expected.h"
#include "foundation/secure_buffer.h"

namespace kiv::detail {

// A parsed data file; the document points into the buffer, which wipes itself when released.
struct EncryptedXml {
    SecureBuffer buffer;
    pugi::xml_document document;
};

enum class EncryptedXmlFailure { status, missing, decryption, parse };

struct EncryptedXmlError {
    EncryptedXmlFailure failure;
    std::string text;
};

// Message templates, given the path as UTF-8 first and then the system's or the parser's text.
struct EncryptedXmlTexts {
    std::string_view statusFailed; // {0} path, {1} system message
    std::string_view missing;      // {0} path
    std::string_view notParsed;    // {0} path, {1} parser description
};

// A decryption failure answers the reader's own text.
Expected<std::unique_ptr<EncryptedXml>, EncryptedXmlError>
lf_loadEncryptedXml(const std::filesystem::path& path, std::uint64_t limit, const EncryptedXmlTexts& texts);

} // namespace kiv::detail
