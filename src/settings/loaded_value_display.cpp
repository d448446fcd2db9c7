#include "settings/loaded_value_display.h"

#include "settings/gui_thread_changes.h"

namespace kiv {

void gf_showLoadedValue(CheckBoxParameter& parameter) {
    gf_runOnGuiThread([&parameter, shown = parameter.value] {
        if (parameter.window != nullptr) {
            parameter.window->setChecked(shown);
        }
    });
}

void gf_showLoadedValue(IntListParameter& parameter) {
    gf_runOnGuiThread([&parameter, shown = parameter.value] {
        if (parameter.hasLiveWindow()) {
            parameter.selectValue(shown);
        }
    });
}

void gf_showLoadedValue(ChoiceParameter& parameter) {
    gf_runOnGuiThread([&parameter, shown = parameter.value] {
        if (parameter.hasLiveWindow()) {
            parameter.selectValue(shown);
        }
    });
}

} // namespace kiv
