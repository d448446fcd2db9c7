#include "platform/control.h"

namespace kiv::platform {
namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (foldAscii(text[i]) != foldAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::ptrdiff_t findItemByPrefix(const std::vector<std::string>& items, std::string_view prefix) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (startsWithIgnoringCase(items[i], prefix)) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

} // namespace kiv::platform
