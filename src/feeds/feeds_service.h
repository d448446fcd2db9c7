// The traffic feeds as the traffic manager reaches them (FeedsPort): the RT App road's range
// centre, pose and time lines, parked requests, received-traffic stores, reader status and
// parked traffic, the batch delivery ticks and the QNH reset. The shell attaches the road of
// the run before the simulator loop starts and detaches it after the loop ended; every member
// may be called from the simulator loop, the attach and detach from the main worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "feeds/feed_flags.h"
#include "feeds/rtapp_road.h"
#include "feeds/rtdirect_road.h"
#include "traffic/neighbour_ports.h"

namespace kiv {

// The weather reader shows as waiting when its last METAR is older than this.
inline constexpr std::int64_t kRTAppWeatherStaleNs = 90'000'000'000;
inline constexpr std::int64_t kRTDirectWeatherStaleNs = 120'000'000'000;

class FeedsService final : public FeedsPort {
public:
    explicit FeedsService(FeedFlags& flags);

    // The RT App road of this run; null while RT Direct (or nothing) is the source.
    void attachRtApp(RtAppRoad* road) { rtApp_.store(road); }
    // The RT Direct road of this run; null while the RT App (or nothing) is the source.
    void attachRtDirect(RtDirectRoad* road) { rtDirect_.store(road); }

    // The park airport's altitude for the attached road's own use (nothing while none is
    // attached); any thread.
    void setRTAppParkAirportValue(std::optional<double> altitudeFt);
    void setRTAPIParkAirportValue(std::optional<double> altitudeFt);

    // The attached roads as the main window reaches them; any thread. The RT App server runs
    // while its listener is open.
    bool rtAppServerRunning() const;
    void closeRtAppServer();
    // The minutes the RT Direct readers shift their queries into the past.
    void setRTDirectTimeShift(std::int32_t minutes);
    // The attached source's newest traffic time in seconds since 1970; 0 while none came.
    std::int64_t latestTrafficTime() const;

    bool isRtDirect() const override;
    void gf_setBatchDeliveryTicks(TrafficBatch& batch, std::int32_t baseTick, std::int32_t delaySeconds) const override;
    void gf_updateRTAPIQueryBox() override;
    void gf_setRTAPIQueryCentre(double latitude, double longitude) override;
    void setRTAppRangeCentre(double latitude, double longitude, double cosLatitude) override;
    void gf_sendUserPoseToRTApp() override;
    void gf_sendQs123ToRTApp(double simTime) override;
    std::optional<double> simulatorTime() const override;
    void gf_requestRTAppParkedTraffic() override;
    void gf_clearReceivedTraffic() override;
    void clearParkValue() override;
    void resetQnh() override;
    std::int32_t currentQnh() const override;
    bool sourceConnected() const override;
    std::uint32_t weatherStatus() override;
    std::uint32_t trafficStatus() override;
    void gf_requestRTAPIParkedTraffic(std::int32_t needed, const ParkedPlacement& place) override;
    void receivedTrafficIds(std::unordered_set<std::string>& callsigns,
                            std::unordered_set<std::uint32_t>& hexIds) const override;
    void withParkedRecords(const std::function<void(std::vector<ParkedRecord>&)>& use) override;
    void clearReceivedParkedTraffic() override;

private:
    FeedFlags& flags_;
    std::atomic<RtAppRoad*> rtApp_{nullptr};
    std::atomic<RtDirectRoad*> rtDirect_{nullptr};
    std::uint64_t rtDirectCountSeen_ = 0; // simulator loop only
};

} // namespace kiv
