// Attribute readers and appenders over pugixml nodes, and the one way the program writes an
// XML document (declaration, two-blank indent, UTF-8). Shared by the settings file, the
// data-file header, airport files and the livery database. Stateless: any thread, as long as
// the caller owns the document.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "foundation/version.h"

namespace kiv {

// The attribute's text unchanged (possibly empty); empty optional when the node lacks it.
std::optional<std::string> gf_xmlAttributeString(const pugi::xml_node& node, std::string_view name);

// Trimmed and lower-cased "true", "yes", "on", "1" / "false", "no", "off", "0"; anything else,
// or a missing attribute, gives none.
std::optional<bool> gf_xmlAttributeBool(const pugi::xml_node& node, std::string_view name);

// Trimmed decimal 32-bit integer with an optional single leading '+' or '-'; the whole text
// must be consumed without overflow, otherwise none.
std::optional<std::int32_t> gf_xmlAttributeInt(const pugi::xml_node& node, std::string_view name);

// The same rule as gf_xmlAttributeInt for a text that did not come from an attribute.
std::optional<std::int32_t> gf_parseXmlInt(std::string_view text);

// Trimmed decimal floating-point number with an optional single leading '+'; the whole text
// must be consumed and the value finite, otherwise none.
std::optional<double> gf_xmlAttributeDouble(const pugi::xml_node& node, std::string_view name);

// Append a new attribute and set it; false when pugixml could not add it (nothing is set then).
bool gf_appendStringAttribute(pugi::xml_node node, std::string_view name, const std::string& value);
bool gf_appendIntAttribute(pugi::xml_node node, std::string_view name, std::int32_t value);
bool gf_appendBoolAttribute(pugi::xml_node node, std::string_view name, bool value);

// Makes sure the document starts with <?xml version="1.0" encoding="UTF-8"?> and writes it
// with a two-blank indent as UTF-8; false when the file could not be written completely.
bool gf_saveXmlDocument(pugi::xml_document& document, const std::filesystem::path& path);

// "{}.{}.{}" of the three parts.
std::string gf_versionString(std::uint32_t major, std::uint32_t minor, std::uint32_t patch);
std::string gf_versionString(const Version& version);

} // namespace kiv
