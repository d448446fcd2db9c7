#include "settings/aircraft_selector_refill.h"

#include <mutex>
#include <optional>
#include <utility>

#include "settings/gui_thread_changes.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

// The lists of two posts that meet before the GUI thread runs never both reach the window:
// the later one replaces the earlier here, and the earlier completion finds the later list.
class RefillSlot {
public:
    void put(std::vector<std::string> aircraft) {
        std::lock_guard lock(mutex_);
        pending_ = std::move(aircraft);
    }

    std::optional<std::vector<std::string>> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(pending_, std::nullopt);
    }

private:
    std::mutex mutex_;
    std::optional<std::vector<std::string>> pending_;
};

RefillSlot& slot() {
    static RefillSlot instance;
    return instance;
}

} // namespace

void gf_postAircraftSelectorRefill(std::vector<std::string> aircraft) {
    slot().put(std::move(aircraft));
    gf_runOnGuiThread([] { gf_completeAircraftSelectorRefill(); });
}

bool gf_completeAircraftSelectorRefill() {
    std::optional<std::vector<std::string>> aircraft = slot().take();
    if (!aircraft) {
        return false;
    }
    DynamicChoiceParameter& selector = param::AIRCRAFT_SELECTOR;
    *selector.choices = std::move(*aircraft);
    selector.value = selector.choices->empty() ? std::string() : selector.choices->front();
    selector.fillComboBox();
    return true;
}

} // namespace kiv
