#include "platform/headless_control.h"

namespace kiv::platform {

void HeadlessControl::resetList() {
    items_.clear();
    selected_ = -1;
}

void HeadlessControl::addItem(std::string_view text) { items_.emplace_back(text); }

void HeadlessControl::selectIndex(std::ptrdiff_t index) {
    const bool inList = index >= 0 && static_cast<std::size_t>(index) < items_.size();
    selected_ = inList ? index : -1;
}

std::ptrdiff_t HeadlessControl::selectByPrefix(std::string_view prefix) {
    const std::ptrdiff_t found = findItemByPrefix(items_, prefix);
    if (found >= 0) {
        selected_ = found;
    }
    return found;
}

std::string HeadlessControl::selectedText() const {
    return selected_ < 0 ? std::string() : items_[static_cast<std::size_t>(selected_)];
}

void HeadlessControl::setText(std::string_view text) {
    if (items_.empty()) {
        text_ = text;
        return;
    }
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] == text) {
            selected_ = static_cast<std::ptrdiff_t>(i);
            return;
        }
    }
}

std::string HeadlessControl::text() const { return items_.empty() ? text_ : selectedText(); }

} // namespace kiv::platform
