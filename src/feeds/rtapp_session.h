// The conversation with the RT App over the emulated PSX server: the connection handshake
// with its version reply, the user-pose and simulator-time lines, and the requests for
// buffered and parked traffic (answered as UDP datagrams to the readers).
// Threads: the handshake on the start-up thread, the pose and time lines from the simulator
// loop, the buffer request from the traffic reader, the parked request from any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "feeds/rtapp_road.h"

namespace kiv {

// Lines sent to the RT App (the line ends differ and belong to the format).
inline constexpr std::string_view kVersionRequestLine = "Qs999=version\r\n";
inline constexpr std::string_view kBufferRequestLineNoBox = "Qs999=sendbuffer=5,6\n";

// Waits for the RT App to connect and asks for its version; a client gone stale meanwhile
// is dropped and the server listens again. Blocks until connected or the server closes.
void gf_connectRTApp(RtAppRoad& road);
// The version reply: edition (level 2 = professional) and the traffic-source text.
void lf_processRTVersion(RtAppRoad& road, std::string_view reply);
// One "Qs121" pose line; a lost RT App asks for a restart (NEW SETTINGS).
void gf_sendUserPoseToRTApp(RtAppRoad& road);
// One "Qs123" line with the simulator time in milliseconds, when connected and t >= 1.
void gf_sendQs123ToRTApp(RtAppRoad& road, std::int64_t utcSeconds);
// One "sendbuffer" request; false when one is in flight already or the send failed.
bool gf_requestRTAppBufferTraffic(RtAppRoad& road);
void gf_clearRTAppBufferRequest(RtAppRoad& road);
// Empties the parked lists and asks for the parked traffic around the park airport (or the
// user aircraft on the ground).
void gf_requestRTAppParkedTraffic(RtAppRoad& road);
// The traffic reader's state back to "nothing received" (not while it runs).
void gf_resetTrafficReader(RtAppRoad& road);
// The park airport's elevation for the ground test of the conversion; empty: none.
void gf_setRTAppParkAirportValue(RtAppRoad& road, std::optional<double> elevationFt);

} // namespace kiv
