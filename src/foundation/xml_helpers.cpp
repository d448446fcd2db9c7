#include "foundation/xml_helpers.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "foundation/string_helpers.h"

namespace kiv {
namespace {

pugi::xml_attribute findAttribute(const pugi::xml_node& node, std::string_view name) {
    return node.attribute(std::string(name).c_str());
}

std::string toLowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

pugi::xml_attribute appendAttribute(pugi::xml_node node, std::string_view name) {
    return node.append_attribute(std::string(name).c_str());
}

void ensureDeclaration(pugi::xml_document& document) {
    pugi::xml_node declaration;
    for (pugi::xml_node child : document.children()) {
        if (child.type() == pugi::node_declaration) {
            declaration = child;
            break;
        }
    }
    if (!declaration) {
        declaration = document.prepend_child(pugi::node_declaration);
    }
    for (const char* name : {"version", "encoding"}) {
        if (!declaration.attribute(name)) {
            declaration.append_attribute(name);
        }
    }
    declaration.attribute("version").set_value("1.0");
    declaration.attribute("encoding").set_value("UTF-8");
}

} // namespace

std::optional<std::string> gf_xmlAttributeString(const pugi::xml_node& node, std::string_view name) {
    const pugi::xml_attribute attribute = findAttribute(node, name);
    if (!attribute) {
        return std::nullopt;
    }
    return std::string(attribute.value());
}

std::optional<bool> gf_xmlAttributeBool(const pugi::xml_node& node, std::string_view name) {
    const std::optional<std::string> text = gf_xmlAttributeString(node, name);
    if (!text) {
        return std::nullopt;
    }
    const std::string word = toLowerAscii(gf_trim(*text));
    if (word == "true" || word == "yes" || word == "on" || word == "1") {
        return true;
    }
    if (word == "false" || word == "no" || word == "off" || word == "0") {
        return false;
    }
    return std::nullopt;
}

std::optional<std::int32_t> gf_parseXmlInt(std::string_view text) {
    const std::string trimmed = gf_trim(text);
    std::string_view rest = trimmed;
    if (rest.starts_with('+')) {
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc{} || end != rest.data() + rest.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> gf_xmlAttributeInt(const pugi::xml_node& node, std::string_view name) {
    const std::optional<std::string> text = gf_xmlAttributeString(node, name);
    if (!text) {
        return std::nullopt;
    }
    return gf_parseXmlInt(*text);
}

std::optional<double> gf_xmlAttributeDouble(const pugi::xml_node& node, std::string_view name) {
    const std::optional<std::string> text = gf_xmlAttributeString(node, name);
    if (!text) {
        return std::nullopt;
    }
    const std::string trimmed = gf_trim(*text);
    std::string_view rest = trimmed;
    if (rest.starts_with('+')) {
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc{} || end != rest.data() + rest.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool gf_appendStringAttribute(pugi::xml_node node, std::string_view name, const std::string& value) {
    pugi::xml_attribute attribute = appendAttribute(node, name);
    return attribute && attribute.set_value(value.c_str());
}

bool gf_appendIntAttribute(pugi::xml_node node, std::string_view name, std::int32_t value) {
    pugi::xml_attribute attribute = appendAttribute(node, name);
    return attribute && attribute.set_value(value);
}

bool gf_appendBoolAttribute(pugi::xml_node node, std::string_view name, bool value) {
    pugi::xml_attribute attribute = appendAttribute(node, name);
    return attribute && attribute.set_value(value);
}

bool gf_saveXmlDocument(pugi::xml_document& document, const std::filesystem::path& path) {
    ensureDeclaration(document);
    std::ostringstream text;
    document.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string bytes = std::move(text).str();
    // Written through our own stream so that a failed flush on close (a full disk) is seen.
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file) {
        return false;
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

std::string gf_versionString(std::uint32_t major, std::uint32_t minor, std::uint32_t patch) {
    return fmt::format("{}.{}.{}", major, minor, patch);
}

std::string gf_versionString(const Version& version) {
    return gf_versionString(version.major, version.minor, version.patch);
}

} // namespace kiv
