#include "settings/parameter_elements.h"

#include <cstring>
#include <exception>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "foundation/xml_helpers.h"

namespace kiv {
namespace {

pugi::xml_node valueElement(const pugi::xml_node& node, std::string_view key) {
    const pugi::xml_node element = gf_findParameterElement(gf_parametersSection(node), key);
    return element.attribute("value") ? element : pugi::xml_node();
}

void logAppendFailure(std::string_view key, std::string_view valueText) {
    gf_logSwallowingErrors(
        [&] { return fmt::format("{}adding xml parameter {} with {} failed!", "===> ", key, valueText); });
}

template <typename Kind>
void appendAndLog(pugi::xml_node section, const Kind& parameter, const std::string& valueText) {
    if (!gf_appendParameterElement(section, parameter.key, valueText)) {
        logAppendFailure(parameter.key, valueText);
    }
    parameter.log();
}

} // namespace

pugi::xml_node gf_parametersSection(const pugi::xml_node& node) {
    const pugi::xml_node root = node.child("root");
    return (root ? root : node).child("parameters");
}

pugi::xml_node gf_findParameterElement(const pugi::xml_node& section, std::string_view key) {
    for (const pugi::xml_node element : section.children("parameter")) {
        // A missing name reads as the empty text; names compare by length and bytes.
        const char* name = element.attribute("name").value();
        if (std::string_view(name, std::strlen(name)) == key) {
            return element;
        }
    }
    return {};
}

std::optional<bool> gf_readBoolParameter(const pugi::xml_node& node, std::string_view key) {
    const pugi::xml_node element = valueElement(node, key);
    return element ? gf_xmlAttributeBool(element, "value") : std::nullopt;
}

std::optional<std::int32_t> gf_readIntParameter(const pugi::xml_node& node, std::string_view key) {
    const pugi::xml_node element = valueElement(node, key);
    return element ? gf_xmlAttributeInt(element, "value") : std::nullopt;
}

std::optional<std::string> gf_readStringParameter(const pugi::xml_node& node, std::string_view key) {
    const pugi::xml_node element = valueElement(node, key);
    return element ? gf_xmlAttributeString(element, "value") : std::nullopt;
}

std::string gf_parameterValueText(const BoolParameter& parameter) { return parameter.value ? "true" : "false"; }
std::string gf_parameterValueText(const IntParameter& parameter) { return fmt::format("{}", parameter.value); }
std::string gf_parameterValueText(const StringParameter& parameter) { return parameter.value; }
std::string gf_parameterValueText(const PathParameter& parameter) { return wide_to_utf8(parameter.value); }

bool gf_appendParameterElement(pugi::xml_node section, std::string_view key, const std::string& valueText) {
    pugi::xml_node element = section.append_child("parameter");
    return element && gf_appendStringAttribute(element, "name", std::string(key)) &&
           gf_appendStringAttribute(element, "value", valueText);
}

bool gf_setParameterElementValue(pugi::xml_node element, const std::string& valueText) {
    pugi::xml_attribute value = element.attribute("value");
    if (!value) {
        value = element.append_attribute("value");
    }
    return value && value.set_value(valueText.c_str());
}

void gf_appendParameter(pugi::xml_node section, const BoolParameter& parameter) {
    appendAndLog(section, parameter, gf_parameterValueText(parameter));
}

void gf_appendParameter(pugi::xml_node section, const IntParameter& parameter) {
    appendAndLog(section, parameter, gf_parameterValueText(parameter));
}

void gf_appendParameter(pugi::xml_node section, const StringParameter& parameter) {
    appendAndLog(section, parameter, gf_parameterValueText(parameter));
}

void gf_appendParameter(pugi::xml_node section, const PathParameter& parameter) {
    std::string valueText;
    try {
        valueText = gf_parameterValueText(parameter);
    } catch (const std::exception&) {
        // A path that is not valid UTF-16 cannot be stored; the element is left out.
        logAppendFailure(parameter.key, "an invalid path");
        parameter.log();
        return;
    }
    appendAndLog(section, parameter, valueText);
}

} // namespace kiv
