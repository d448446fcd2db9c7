// One control of the main window (check box, combo box, button) as the settings code sees
// it: a list to fill and select in, a check state and an enabled state. The window layer
// owns every control; parameters only point to one. GUI thread only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::platform {

class Control {
public:
    virtual ~Control() = default;

    // False once the control's window is gone (or was never shown); list operations on a
    // control that is not live are the caller's business to skip.
    virtual bool isLive() const = 0;

    // Combo-box list. Texts are UTF-8; an implementation converts at its own boundary.
    virtual void resetList() = 0;
    virtual void addItem(std::string_view text) = 0;
    virtual std::size_t itemCount() const = 0;
    // An index past the end clears the selection, as the Windows combo box does.
    virtual void selectIndex(std::ptrdiff_t index) = 0;
    // Selects the first item that begins with `prefix`, ignoring ASCII letter case, and
    // returns its index; -1 (and the selection left alone) when no item begins with it.
    virtual std::ptrdiff_t selectByPrefix(std::string_view prefix) = 0;
    // -1 when nothing is selected.
    virtual std::ptrdiff_t selectedIndex() const = 0;

    virtual void setChecked(bool checked) = 0;
    virtual bool isChecked() const = 0;

    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    // An edit box's text, or a list's selected item (empty when nothing is selected). Setting
    // it on a list selects the item with exactly that text, when there is one. A control
    // without text ignores it.
    virtual void setText(std::string_view) {}
    virtual std::string text() const { return {}; }

protected:
    Control() = default;
    Control(const Control&) = default;
    Control& operator=(const Control&) = default;
};

// The index of the first item that begins with `prefix`, ASCII letters compared without
// case (the rule of the Windows list box search), or -1. Shared by every implementation.
std::ptrdiff_t findItemByPrefix(const std::vector<std::string>& items, std::string_view prefix);

} // namespace kiv::platform
