// The tests that remove traffic aircraft coming too close to the user's aircraft, in the air
// and on the ground. Simulator-loop thread only; they read the traffic side's user state.
#pragma once

namespace kiv {

class TrafficState;
struct LiveAircraft;

// The user aircraft's share of a ground-collision distance, in nautical miles.
double lf_userGroundCollisionTermNm(TrafficState& state);
bool checkUserAirCollision(TrafficState& state, LiveAircraft& aircraft, double cosUserLatitude);
bool checkUserAirGndCollision(TrafficState& state, LiveAircraft& aircraft);

} // namespace kiv
