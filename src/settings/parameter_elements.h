// One <parameter name=".." value=".."/> element of "parameters.xml" (and of the parameter
// blocks of other XML files): finding it, reading its value by kind, writing it. Works on
// documents the caller owns; stateless otherwise, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "settings/parameter.h"

namespace kiv {

// The "parameters" section of root (or of the node itself when it has no "root" child);
// an empty handle when there is none.
pugi::xml_node gf_parametersSection(const pugi::xml_node& node);

// The first "parameter" child of the section whose "name" is exactly `key`; empty when none.
pugi::xml_node gf_findParameterElement(const pugi::xml_node& section, std::string_view key);

// The value of the first element with that key, converted by kind; empty when the section,
// the element or its "value" is missing, or the value is not of the kind.
std::optional<bool> gf_readBoolParameter(const pugi::xml_node& node, std::string_view key);
std::optional<std::int32_t> gf_readIntParameter(const pugi::xml_node& node, std::string_view key);
std::optional<std::string> gf_readStringParameter(const pugi::xml_node& node, std::string_view key);

// How each kind writes its current value; the wide text throws std::runtime_error on an
// unpaired surrogate.
std::string gf_parameterValueText(const BoolParameter& parameter);
std::string gf_parameterValueText(const IntParameter& parameter);
std::string gf_parameterValueText(const StringParameter& parameter);
std::string gf_parameterValueText(const PathParameter& parameter);

// Appends <parameter name=key value=valueText/>; false when the element or an attribute
// could not be added.
bool gf_appendParameterElement(pugi::xml_node section, std::string_view key, const std::string& valueText);

// Sets the element's "value", adding the attribute when missing; false when it cannot.
bool gf_setParameterElementValue(pugi::xml_node element, const std::string& valueText);

// Appends the parameter with its current value; a failure is logged as
// "===> adding xml parameter {key} with {value} failed!"; the setting is logged either way.
void gf_appendParameter(pugi::xml_node section, const BoolParameter& parameter);
void gf_appendParameter(pugi::xml_node section, const IntParameter& parameter);
void gf_appendParameter(pugi::xml_node section, const StringParameter& parameter);
void gf_appendParameter(pugi::xml_node section, const PathParameter& parameter);

} // namespace kiv
