// Settings that the main window shows in a control of its own (check box, combo box,
// button): the control id, where the control and its label go, and a pointer to the
// control once the window layer has made it. GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/control.h"
#include "settings/parameter.h"

namespace kiv {

// The control sits at (controlX, y + yOffset); its label is drawn at (labelX, y).
struct ControlLayout {
    std::int32_t controlX = 0;
    std::int32_t labelX = 0;
    std::int32_t y = 0;
    std::int32_t yOffset = 0;
};

class ParameterControl {
public:
    ParameterControl(std::uint16_t id, ControlLayout layout)
        : controlId(id), controlX(layout.controlX), labelX(layout.labelX), y(layout.y), yOffset(layout.yOffset) {}
    virtual ~ParameterControl() = default;
    ParameterControl(const ParameterControl&) = delete;
    ParameterControl& operator=(const ParameterControl&) = delete;

    // The control exists and its window is alive.
    bool hasLiveWindow() const { return window != nullptr && window->isLive(); }

    std::uint16_t controlId;
    std::int32_t controlX;
    std::int32_t labelX;
    std::int32_t y;
    std::int32_t yOffset;
    // Null until the window layer has made the control; owned by the window layer.
    platform::Control* window = nullptr;
};

class CheckBoxParameter : public BoolParameter, public ParameterControl {
public:
    CheckBoxParameter(std::string keyText, bool defaultBool, std::uint16_t id, ControlLayout layout)
        : BoolParameter(std::move(keyText), defaultBool), ParameterControl(id, layout) {}
};

// A button or caption of the main window; its key is the caption and it is never stored.
class ButtonControl : public Parameter, public ParameterControl {
public:
    ButtonControl(std::string caption, std::uint16_t id, ControlLayout layout)
        : Parameter(std::move(caption)), ParameterControl(id, layout) {}
};

// The exception of a combo-box index outside the list.
std::out_of_range gf_makeOptionIndexError();

// An integer chosen from `allowed`; min and max are the list's smallest and largest value.
// The value need not be in the list: nothing snaps it, and the combo box then shows no
// selection.
class IntListParameter : public IntParameter, public ParameterControl {
public:
    // Throws std::invalid_argument "configuration option list cannot be empty".
    IntListParameter(std::string keyText, std::int32_t defaultInt, const std::vector<std::int32_t>& allowedValues,
                     std::uint16_t id, ControlLayout layout);

    // Refills a live combo box with the allowed values in decimal and selects the value.
    void fillComboBox();
    // Selects the first allowed value equal to `value` (or to `shown`); nothing when there
    // is none.
    void selectValue();
    void selectValue(std::int32_t shown);
    // Throws std::out_of_range "configuration option index is out of range".
    std::int32_t valueAt(std::ptrdiff_t index) const;

    std::vector<std::int32_t> allowed;
};

class FloatListParameter : public Parameter, public ParameterControl {
public:
    // Throws std::invalid_argument "configuration option list cannot be empty".
    FloatListParameter(std::string keyText, float defaultFloat, const std::vector<float>& allowedValues,
                       std::uint16_t id, ControlLayout layout);

    float defaultValue;
    float min;
    float max;
    float value;
    std::vector<float> allowed;
};

class ControlStringParameter : public StringParameter, public ParameterControl {
public:
    ControlStringParameter(std::string keyText, std::string defaultText, std::uint16_t id, ControlLayout layout)
        : StringParameter(std::move(keyText), std::move(defaultText)), ParameterControl(id, layout) {}
};

class ChoiceParameter : public ControlStringParameter {
public:
    ChoiceParameter(std::string keyText, std::string defaultText, std::vector<std::string> choiceTexts,
                    std::uint16_t id, ControlLayout layout)
        : ControlStringParameter(std::move(keyText), std::move(defaultText), id, layout),
          choices(std::move(choiceTexts)) {}

    // Refills a live combo box with the choices and selects the first one that begins
    // with the value, ignoring case (the combo box's own search).
    void fillComboBox();
    // Selects the choice exactly equal to the value (or to `shown`); nothing when there is none.
    void selectValue();
    void selectValue(const std::string& shown);

    const std::vector<std::string> choices;
};

// A choice whose list is filled at run time by the code it is shared with.
class DynamicChoiceParameter : public ControlStringParameter {
public:
    // Throws std::invalid_argument "dynamic configuration option list cannot be null".
    DynamicChoiceParameter(std::string keyText, std::string defaultText,
                           std::shared_ptr<std::vector<std::string>> sharedChoices, std::uint16_t id,
                           ControlLayout layout);

    // As ChoiceParameter::fillComboBox, over the shared list as it is at the call.
    void fillComboBox();

    const std::shared_ptr<std::vector<std::string>> choices;
};

} // namespace kiv
