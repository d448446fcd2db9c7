#include "foundation/secure_xml.h"

namespace kiv {

pugi::xml_parse_result gf_parseXmlInPlace(SecureBuffer& buffer, pugi::xml_document& document) {
    // The buffer was allocated writable; only its accessor is const.
    auto* bytes = const_cast<unsigned char*>(buffer.data());
    return document.load_buffer_inplace(bytes, static_cast<std::size_t>(buffer.size()), pugi::parse_default,
                                        pugi::encoding_auto);
}

} // namespace kiv
