#include "settings/control_parameters.h"

#include <algorithm>

#include <fmt/format.h>

namespace kiv {
namespace {

template <typename Value> const std::vector<Value>& nonEmptyList(const std::vector<Value>& values) {
    if (values.empty()) {
        throw std::invalid_argument("configuration option list cannot be empty");
    }
    return values;
}

template <typename Value> Value smallestOf(const std::vector<Value>& values) {
    return *std::min_element(nonEmptyList(values).begin(), values.end());
}

template <typename Value> Value largestOf(const std::vector<Value>& values) {
    return *std::max_element(nonEmptyList(values).begin(), values.end());
}

std::shared_ptr<std::vector<std::string>> nonNullList(std::shared_ptr<std::vector<std::string>> list) {
    if (!list) {
        throw std::invalid_argument("dynamic configuration option list cannot be null");
    }
    return list;
}

void fillWithTexts(platform::Control& control, const std::vector<std::string>& texts, const std::string& value) {
    control.resetList();
    for (const std::string& text : texts) {
        control.addItem(text);
    }
    control.selectByPrefix(value);
}

template <typename Value> std::ptrdiff_t indexOf(const std::vector<Value>& values, const Value& wanted) {
    const auto found = std::find(values.begin(), values.end(), wanted);
    return found == values.end() ? -1 : found - values.begin();
}

} // namespace

std::out_of_range gf_makeOptionIndexError() { return std::out_of_range("configuration option index is out of range"); }

IntListParameter::IntListParameter(std::string keyText, std::int32_t defaultInt,
                                   const std::vector<std::int32_t>& allowedValues, std::uint16_t id,
                                   ControlLayout layout)
    : IntParameter(std::move(keyText), defaultInt, smallestOf(allowedValues), largestOf(allowedValues)),
      ParameterControl(id, layout), allowed(allowedValues) {}

void IntListParameter::fillComboBox() {
    if (!hasLiveWindow()) {
        return;
    }
    window->resetList();
    for (const std::int32_t option : allowed) {
        window->addItem(fmt::format("{}", option));
    }
    selectValue();
}

void IntListParameter::selectValue() { selectValue(value); }

void IntListParameter::selectValue(std::int32_t shown) {
    const std::ptrdiff_t index = indexOf(allowed, shown);
    if (index >= 0 && window != nullptr) {
        window->selectIndex(index);
    }
}

std::int32_t IntListParameter::valueAt(std::ptrdiff_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= allowed.size()) {
        throw gf_makeOptionIndexError();
    }
    return allowed[static_cast<std::size_t>(index)];
}

FloatListParameter::FloatListParameter(std::string keyText, float defaultFloat, const std::vector<float>& allowedValues,
                                       std::uint16_t id, ControlLayout layout)
    : Parameter(std::move(keyText)), ParameterControl(id, layout), defaultValue(defaultFloat),
      min(smallestOf(allowedValues)), max(largestOf(allowedValues)), value(defaultFloat), allowed(allowedValues) {}

void ChoiceParameter::fillComboBox() {
    if (hasLiveWindow()) {
        fillWithTexts(*window, choices, value);
    }
}

void ChoiceParameter::selectValue() { selectValue(value); }

void ChoiceParameter::selectValue(const std::string& shown) {
    const std::ptrdiff_t index = indexOf(choices, shown);
    if (index >= 0 && window != nullptr) {
        window->selectIndex(index);
    }
}

DynamicChoiceParameter::DynamicChoiceParameter(std::string keyText, std::string defaultText,
                                               std::shared_ptr<std::vector<std::string>> sharedChoices,
                                               std::uint16_t id, ControlLayout layout)
    : ControlStringParameter(std::move(keyText), std::move(defaultText), id, layout),
      choices(nonNullList(std::move(sharedChoices))) {}

void DynamicChoiceParameter::fillComboBox() {
    if (hasLiveWindow()) {
        fillWithTexts(*window, *choices, value);
    }
}

} // namespace kiv
