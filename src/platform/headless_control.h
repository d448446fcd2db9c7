// A control without a window: keeps the list, selection, check and enabled states in
// memory so that settings code can run and be tested without a display. The owner decides
// when it "dies" (like a destroyed window). One thread at a time, like a real control.
#pragma once

#include "platform/control.h"

namespace kiv::platform {

class HeadlessControl final : public Control {
public:
    bool isLive() const override { return live_; }
    void setLive(bool live) { live_ = live; }

    void resetList() override;
    void addItem(std::string_view text) override;
    std::size_t itemCount() const override { return items_.size(); }
    void selectIndex(std::ptrdiff_t index) override;
    std::ptrdiff_t selectByPrefix(std::string_view prefix) override;
    std::ptrdiff_t selectedIndex() const override { return selected_; }

    void setChecked(bool checked) override { checked_ = checked; }
    bool isChecked() const override { return checked_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }
    void setText(std::string_view text) override;
    std::string text() const override;

    const std::vector<std::string>& items() const { return items_; }
    // The selected item's text, or empty when nothing is selected.
    std::string selectedText() const;

private:
    std::vector<std::string> items_;
    std::string text_;
    std::ptrdiff_t selected_ = -1;
    bool live_ = true;
    bool checked_ = false;
    bool enabled_ = true;
};

} // namespace kiv::platform
