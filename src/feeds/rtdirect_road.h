// The RT Direct road as one object: the connection to the service's HTTPS interface with its
// session, the traffic and weather readers' state, and the login, logout and reader thread
// bodies. The application shell owns one road per run: it logs in on the main worker, starts
// the two reader threads, stops them with `requestStop` and logs out at shut-down.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "feeds/feed_flags.h"
#include "feeds/feeds_neighbours.h"
#include "feeds/feeds_shell.h"
#include "feeds/rtapi_session.h"
#include "traffic/loop_clock.h"

namespace kiv {

// The service's default address; the RT_API_SERVER setting replaces it.
inline constexpr std::string_view kRTAPIDefaultServer = "https://rtw.flyrealtraffic.com";

struct RtDirectConfig {
    RTAPIEndpoint endpoint{std::string(kRTAPIDefaultServer), {}};
    std::string credential; // the user's licence key or API token
};

// The endpoint from the RT_API_SERVER and RT_API_CA_FILE settings, with the credential.
RtDirectConfig gf_rtDirectConfigFromSettings(std::string credential);

class RtDirectRoad {
public:
    RtDirectRoad(RtDirectConfig config, FeedsNeighbours& neighbours, FeedsShell& shell, FeedFlags& flags,
                 LoopClock& clock);
    RtDirectRoad(const RtDirectRoad&) = delete;
    RtDirectRoad& operator=(const RtDirectRoad&) = delete;

    // Both readers stop and wake; transfers in progress abort.
    void requestStop();

    const RtDirectConfig config;
    FeedsNeighbours& neighbours;
    FeedsShell& shell;
    FeedFlags& flags;
    LoopClock& clock;

    RTAPIConnection connection;
    RTAPITrafficClient traffic;
    RTAPIWeatherClient weather;
};

struct RTAPIFailure {
    std::int32_t status = kNoApiStatus;
    std::string message;
};

// "VELT_P3D_16.8.4".
std::string gf_rtapiSoftwareText();

// One login; the new session or why there is none (the credential never appears in it).
Expected<RTAPISessionPtr, RTAPIFailure> lf_authRequest(RtDirectRoad& road);
// The login with its log lines, flags and source text; `status` is 100 unless a reply said
// otherwise. Waits the session's wrrl (250..60000 ms, ended by a stop) before it returns.
bool authenticate(RtDirectRoad& road, std::int32_t& status);
// The start-up's login step: returns, or throws UserRelatedException (402, 404, 405) or
// std::runtime_error (500); other failures are reported as a stopped step.
void gf_authenticater(RtDirectRoad& road);

struct RTAPILogout {
    std::string message;
    std::string server;
};
Expected<RTAPILogout, RTAPIFailure> lf_deauthRequest(RtDirectRoad& road);
// The logout of the shut-down; never throws.
void deauthenticate(RtDirectRoad& road);

// Prepares the road for a restart: no session, a fresh login transport, stop flags and time
// offsets cleared.
void gf_renewRTAPIConnection(RtDirectRoad& road);

// The query box around the user aircraft for the traffic range; unchanged while the aircraft
// moved less than 0.00015 degrees and the range is the same.
void gf_updateRTAPIQueryBox(RtDirectRoad& road);
void gf_setRTAPIQueryCentre(RtDirectRoad& road, double latitude, double longitude);
void gf_setRTAPIParkAirportValue(RtDirectRoad& road, std::optional<double> elevationFt);
// Empties the received-traffic stores and lets them fill.
void gf_clearRTAPITrafficStores(RtDirectRoad& road);
// The time shift in minutes sent as "toffset" by both readers.
void gf_setTimeShiftRTDirect(RtDirectRoad& road, std::int32_t minutes);

// The log line of a reader that ended with `status` ("Traffic" or "Weather"); none for 9999.
void gf_logRTAPIReaderEnd(std::string_view reader, std::int32_t status);

// Body of the "Traffic RTAPIreader" thread.
void gf_RTAPITrafficReader(RtDirectRoad& road);
// Body of the "Weather RTAPIreader" thread.
void gf_RTAPIWeatherReader(RtDirectRoad& road);
// On the asking thread: asks the traffic reader for the parked traffic around the park
// airport and waits up to 10 s; true when the parked list was replaced (or the service sent
// a message instead). Throws std::runtime_error for a parameter fault (400) and a licence
// without this data (403).
bool lf_waitParkedTraffic(RtDirectRoad& road);

// One nearest-METAR request (or none while the last QNH still holds); true when a QNH holds.
// `status` carries the API status of a refusal, 401 for a lost or replaced session.
bool lf_requestNearestMetar(RtDirectRoad& road, std::int32_t& status);
// The weather reader's loop; returns when stopped (status 9999) or refused for good.
bool lf_weatherPollLoop(RtDirectRoad& road, std::int32_t& status);

} // namespace kiv
