// The RT App road as one object: the emulated PSX server, the traffic and weather readers
// and what they share, with the bodies of the two reader threads. The application shell
// owns one road per run, starts the threads and stops them with their stop tokens (or the
// readers' stop flags); every member object documents its own threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>

#include "feeds/feed_flags.h"
#include "feeds/feeds_neighbours.h"
#include "feeds/feeds_shell.h"
#include "feeds/qnh_reader.h"
#include "feeds/rtapp_server.h"
#include "feeds/traffic_reader.h"
#include "traffic/loop_clock.h"

namespace kiv {

struct RtAppConfig {
    std::uint16_t trafficPort = 49005; // UDP
    std::uint16_t weatherPort = 49004; // UDP
    std::string serverPort = "10747";  // TCP, the PORT_NUMBER setting
    bool psxServerHere = true;         // the PSX_SERVER_HERE setting
    // How long the handshake waits after the version reply before it looks at the client.
    std::chrono::milliseconds versionSettle{2000};
};

class RtAppRoad {
public:
    RtAppRoad(RtAppConfig config, FeedsNeighbours& neighbours, FeedsShell& shell, FeedFlags& flags, LoopClock& clock);
    RtAppRoad(const RtAppRoad&) = delete;
    RtAppRoad& operator=(const RtAppRoad&) = delete;

    const RtAppConfig config;
    FeedsNeighbours& neighbours;
    FeedsShell& shell;
    FeedFlags& flags;
    LoopClock& clock;

    RTAppServer server;
    BufferRequestFlag bufferRequest;
    TrafficReader trafficReader;
    QnhReader qnhReader;
};

// Body of the "Traffic Reader" thread: binds its port, asks for the buffered traffic and
// receives until stopped; a failure asks for a restart.
void gf_trafficReader(RtAppRoad& road, std::stop_token stopToken = {});
// Body of the "QNH Reader" thread: binds its port and receives until stopped; a socket
// failure reconnects after 2 s while the program runs.
void gf_weatherReader(RtAppRoad& road, std::stop_token stopToken = {});

// The last-QNH and METAR state of the weather reader back to "none" (not while it runs).
void gf_resetWeatherReader(RtAppRoad& road);

} // namespace kiv
