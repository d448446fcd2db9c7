// Shows a setting's current value in its window control after the main sequence (or any
// thread) changed it: the value is copied on the calling thread, and the control is changed
// on the GUI thread, which alone touches controls. The parameter's value is never read on
// the GUI thread here, so the caller may go on changing it meanwhile.
#pragma once

#include "settings/control_parameters.h"

namespace kiv {

// Sets the check box's tick.
void gf_showLoadedValue(CheckBoxParameter& parameter);
// Selects the value in the live combo box; no selection change when it is not in the list.
void gf_showLoadedValue(IntListParameter& parameter);
void gf_showLoadedValue(ChoiceParameter& parameter);

} // namespace kiv
