// The RT App's weather reader ("QNH Reader", UDP): takes the METAR of each weather datagram,
// derives the QNH and publishes it when it changes. The reader thread owns the METAR text
// and the last QNH; the METAR time is an atomic that the status display reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "feeds/feed_flags.h"
#include "feeds/feeds_shell.h"
#include "feeds/udp_reader.h"
#include "traffic/loop_clock.h"

namespace kiv {

class QnhReader final : public UdpReader {
public:
    // The QNH goes to the program (`flags.currentQnh`), to the traffic reader's copy and to
    // the window.
    QnhReader(FeedsShell& shell, FeedFlags& flags, std::atomic<std::int32_t>& trafficReaderQnh, const LoopClock& clock);

    // While the reader thread is not running: forgets the datagrams, the METAR, the QNH and
    // the stop flag.
    void reset();
    // The same but the stop flag, for a reconnect of the running thread.
    void forgetWeather();

    // Steady-clock nanoseconds of the last METAR, also of a repeated one; 0 = none yet.
    std::atomic<std::int64_t> metarTimeNs{0};

private:
    void handleDatagram() override;
    void onDisconnect() override {}
    // A repeated weather report still tells that the METAR is current.
    bool repeatIsMeaningful(std::string_view) const override { return true; }
    void takeQnh(std::int32_t qnh);

    FeedsShell& shell_;
    FeedFlags& flags_;
    std::atomic<std::int32_t>& trafficReaderQnh_;
    const LoopClock& clock_;
    std::string metarText_;
    std::int32_t lastQnh_ = 0; // 0 = none yet
};

} // namespace kiv
