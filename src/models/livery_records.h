// What the livery choice remembers for the whole run beside the matching tables: the titles
// the simulator failed to create (kept across restarts), the sticky livery of each hex id,
// the aircraft without a match, and the counters of accepted choices per matching step; with
// the two log summaries. Only the simulator-loop thread and the closing-down on the main
// worker touch them, never at the same time: no lock.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

struct AircraftInfo;

inline constexpr std::size_t kMatchSteps = 9;
inline constexpr std::size_t kFailedLiveryLimit = 20;

// Accepted live choices per step 0..8; never reset while the process runs.
std::array<std::uint32_t, kMatchSteps>& gf_matchCounters();

bool gf_isFailedLivery(std::string_view title);
// The simulator refused to create the aircraft with its livery title: the user is told (while
// the program runs), the title is never chosen again, and "model airline" joins the failed
// list. From the twentieth distinct title on, every call ends with UserRelatedException 81.
void gf_liveryCreationFailed(const AircraftInfo& aircraft);
// "  {model} {airline}" per failed pair, in the set's order.
std::vector<std::string> lf_failedListLines();

// The livery kept for a hex id, as a view into the matching tables; empty when none.
std::string_view gf_liveryOfHexid(std::uint32_t hexId);
void gf_rememberLiveryOfHexid(std::uint32_t hexId, std::string_view title);
// True when the hex id had an entry.
bool gf_forgetLiveryOfHexid(std::uint32_t hexId);
void gf_clearStickyLiveries();
bool gf_hasStickyLiveries();

void gf_addToNoMatchList(std::string aircraftText);
void gf_clearNoMatchList();

// "\nNo match found for:", the entries, an empty line; nothing when the list is empty.
void gf_logNoMatchList();
// The counters and the failed list between two 100-character banners; nothing before the
// first counted choice.
void gf_logLiveryMatchingSummary();

// Empties everything above, the counters included (tests only).
void gf_resetLiveryRecordsForTesting();

} // namespace kiv
