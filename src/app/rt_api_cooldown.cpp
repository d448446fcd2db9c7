#include "app/rt_api_cooldown.h"

#include <algorithm>
#include <exception>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "settings/parameters_file.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

constexpr std::int64_t kSecondNs = 1'000'000'000;
constexpr std::int64_t kPollNs = 100'000'000;
constexpr std::int64_t kLargestEpochSetting = 2147483647;

} // namespace

void lf_persistRTAPICooldown(const LoopClock& clock, ShellFlags& flags) {
    try {
        flags.rtApiCooldownDeadlineNs.store(clock.nowNs() + kRtApiCooldownNs);
        const std::int64_t now = std::clamp<std::int64_t>(gf_systemUtcSeconds(), 0, kLargestEpochSetting);
        gf_setAndStore(param::LAST_EPOCH_TIME, static_cast<std::int32_t>(now));
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("Could not persist RT API cooldown: {}", e.what()));
    } catch (...) {
        gf_logImportant("Could not persist RT API cooldown: unknown exception");
    }
}

void lf_holdForRTAPICooldown(LoopClock& clock, ShellFlags& flags, Gui& gui) {
    std::int64_t deadline = flags.rtApiCooldownDeadlineNs.load();
    if (deadline == 0) {
        const std::int64_t last = param::LAST_EPOCH_TIME.value;
        if (last < 1) {
            return;
        }
        const std::int64_t elapsed = std::max<std::int64_t>(gf_systemUtcSeconds() - last, 0);
        if (kRtApiCooldownAcrossRunsSeconds - elapsed < 1) {
            return;
        }
        deadline = clock.nowNs() + (kRtApiCooldownAcrossRunsSeconds - elapsed) * kSecondNs;
    }
    const std::int64_t remaining = deadline - clock.nowNs();
    if (remaining < 1) {
        flags.rtApiCooldownDeadlineNs.store(0);
        return;
    }
    const std::int64_t seconds = (remaining + kSecondNs - 1) / kSecondNs;
    gui.showMessage(fmt::format("Holding for {} second{}... (RT API cooldown)", seconds, seconds == 1 ? "" : "s"),
                    true);
    while (gf_isRunning()) {
        const std::int64_t now = clock.nowNs();
        if (now >= deadline) {
            break;
        }
        clock.sleepUntilNs(now + std::min(deadline - now, kPollNs));
    }
    flags.rtApiCooldownDeadlineNs.store(0);
}

} // namespace kiv
