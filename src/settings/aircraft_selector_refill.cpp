#include "settings/aircraft_selector_refill.h"

#include <mutex>
#include <optional>

#include "settings/settings_table.h"

namespace kiv {
namespace {

class RefillMailbox {
public:
    void post(std::vector<std::string> aircraft) {
        std::function<void()> notify;
        {
            std::lock_guard lock(mutex_);
            pending_ = std::move(aircraft);
            notify = notify_;
        }
        if (notify) {
            notify();
        }
    }

    std::optional<std::vector<std::string>> take() {
        std::lock_guard lock(mutex_);
        std::optional<std::vector<std::string>> taken = std::move(pending_);
        pending_.reset();
        return taken;
    }

    void setNotifier(std::function<void()> notify) {
        std::lock_guard lock(mutex_);
        notify_ = std::move(notify);
    }

private:
    std::mutex mutex_;
    std::optional<std::vector<std::string>> pending_;
    std::function<void()> notify_;
};

RefillMailbox& mailbox() {
    static RefillMailbox instance;
    return instance;
}

} // namespace

void gf_postAircraftSelectorRefill(std::vector<std::string> aircraft) { mailbox().post(std::move(aircraft)); }

bool gf_completeAircraftSelectorRefill() {
    std::optional<std::vector<std::string>> aircraft = mailbox().take();
    if (!aircraft) {
        return false;
    }
    DynamicChoiceParameter& selector = param::AIRCRAFT_SELECTOR;
    *selector.choices = std::move(*aircraft);
    selector.value = selector.choices->empty() ? std::string() : selector.choices->front();
    selector.fillComboBox();
    return true;
}

void gf_setAircraftSelectorRefillNotifier(std::function<void()> notify) { mailbox().setNotifier(std::move(notify)); }

} // namespace kiv
