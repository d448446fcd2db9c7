#include "models/livery_records.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include <fmt/format.h>

#include "foundation/fnv1a.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "foundation/string_helpers.h"
#include "foundation/user_message.h"
#include "foundation/user_related_exception.h"
#include "models/interned_codes.h"
#include "models/scan_collections.h"
#include "traffic/aircraft_records.h"

namespace kiv {
namespace {

constexpr std::string_view kTooManyFailed = "There are too many liveries that could not be created!";
constexpr std::string_view kSummaryTitle = "live traffic livery matching summary";
constexpr std::int64_t kSummaryWidth = 100;

struct Records {
    std::array<std::uint32_t, kMatchSteps> counters{};
    TitleSet failedLiveries;
    std::unordered_set<std::string, Fnv1aTextHash> failedList;
    std::unordered_map<std::uint32_t, std::string_view> sticky;
    std::unordered_set<std::string, Fnv1aTextHash> noMatchList;
};

Records& records() {
    static Records instance;
    return instance;
}

} // namespace

std::array<std::uint32_t, kMatchSteps>& gf_matchCounters() { return records().counters; }

bool gf_isFailedLivery(std::string_view title) { return records().failedLiveries.contains(title); }

void gf_liveryCreationFailed(const AircraftInfo& aircraft) {
    Records& state = records();
    if (gf_isRunning()) {
        gf_showUserMessage(
            fmt::format("{} '{}' could not be created by your Sim!", aircraft.head.callsign, aircraft.liveryTitle),
            true);
    }
    state.failedLiveries.emplace(aircraft.liveryTitle);
    state.failedList.insert(fmt::format("{} {}", gf_modelCode(aircraft.head.liveryKey.modelId),
                                        gf_airlineCode(aircraft.head.liveryKey.airlineId)));
    if (state.failedLiveries.size() >= kFailedLiveryLimit) {
        gf_logLine(fmt::format("\n{}Error 81, {}\n", "===> ", kTooManyFailed));
        throw UserRelatedException(81, fmt::format("{}, see Log.txt", kTooManyFailed));
    }
}

std::vector<std::string> lf_failedListLines() {
    std::vector<std::string> lines;
    for (const std::string& entry : records().failedList) {
        lines.push_back("  " + entry);
    }
    return lines;
}

std::string_view gf_liveryOfHexid(std::uint32_t hexId) {
    const auto& sticky = records().sticky;
    const auto found = sticky.find(hexId);
    return found == sticky.end() ? std::string_view{} : found->second;
}

void gf_rememberLiveryOfHexid(std::uint32_t hexId, std::string_view title) { records().sticky[hexId] = title; }

bool gf_forgetLiveryOfHexid(std::uint32_t hexId) { return records().sticky.erase(hexId) > 0; }

void gf_clearStickyLiveries() { records().sticky.clear(); }

bool gf_hasStickyLiveries() { return !records().sticky.empty(); }

void gf_addToNoMatchList(std::string aircraftText) { records().noMatchList.insert(std::move(aircraftText)); }

void gf_clearNoMatchList() { records().noMatchList.clear(); }

void gf_logNoMatchList() {
    const auto& list = records().noMatchList;
    if (list.empty()) {
        return;
    }
    gf_logLine("\nNo match found for:");
    for (const std::string& entry : list) {
        gf_logLine(entry);
    }
    gf_logLine("");
}

void gf_logLiveryMatchingSummary() {
    const auto& counters = records().counters;
    if (std::all_of(counters.begin(), counters.end(), [](std::uint32_t count) { return count == 0; })) {
        return;
    }
    const auto titleLength = static_cast<std::int64_t>(kSummaryTitle.size());
    gf_logLine(gf_bannerLine(kSummaryWidth - titleLength, 0, true, false, kSummaryTitle));
    gf_logLine("Matches at step: ");
    for (std::size_t step = 0; step < counters.size(); ++step) {
        gf_logLine(fmt::format("  {}: {}", step, counters[step]));
    }
    if (!records().failedList.empty()) {
        gf_logLine("\nCould not be created");
        for (const std::string& line : lf_failedListLines()) {
            gf_logLine(line);
        }
    }
    gf_logLine(gf_bannerLine(kSummaryWidth - titleLength, titleLength, false, true, ""));
}

void gf_resetLiveryRecordsForTesting() {
    Records& state = records();
    state.counters.fill(0);
    state.failedLiveries.clear();
    state.failedList.clear();
    state.sticky.clear();
    state.noMatchList.clear();
}

} // namespace kiv
