// Parsing the XML of a decrypted data file where it lies, inside its SecureBuffer, so that
// no plain copy of the text is made. The caller owns both the buffer and the document and
// keeps the buffer alive (and unchanged) as long as the document is used. Any thread.
#pragma once

#include <pugixml.hpp>

#include "foundation/secure_buffer.h"

namespace kiv {

// Default parse options, encoding detected; the buffer's bytes are changed by the parse.
pugi::xml_parse_result gf_parseXmlInPlace(SecureBuffer& buffer, pugi::xml_document& document);

} // namespace kiv
