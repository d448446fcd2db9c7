// The RT App's UDP datagrams from an arbitrary sender: the traffic reader must split, parse,
// convert and gather them without reading out of bounds, and whatever it hands to the traffic
// manager must be a usable record (a valid position, a live hex id, a finite altitude on or
// above the ground); the weather reader must take any bytes as JSON or refuse them.
//
// Input: datagrams separated by the byte 0x1E; one beginning with '{' or '[' goes to the
// weather reader, every other to the traffic reader.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "feeds/feeds_fakes.h"
#include "feeds/qnh_reader.h"
#include "feeds/traffic_reader.h"
#include "feeds/type_database_fixture.h"
#include "settings/settings_snapshot.h"

namespace {

using namespace kiv;

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void checkRecords(const test_support::FakeFeedsNeighbours& neighbours) {
    for (const test_support::PostedBatch& batch : neighbours.posted()) {
        for (const TrafficRecord& record : batch.records) {
            check(gf_isValidLalo(record.sample.latitude, record.sample.longitude));
            check(record.hexId > 10000);
            check(std::isfinite(record.sample.altitudeFt) && record.sample.altitudeFt >= 0.0);
            check(!record.head.callsign.empty() || !record.head.registration.empty());
        }
    }
}

struct Setup {
    Setup() {
        test_support::installFeedsTypeDatabase();
        gf_publishTrafficSource(true);
        neighbours.setParkAirport({"EDDF", 50.0, 8.0});
    }
    test_support::FakeFeedsNeighbours neighbours;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    setup.neighbours.clearPosted();
    test_support::FakeFeedsShell shell;
    test_support::FakeFeedsClock clock;
    FeedFlags flags;
    BufferRequestFlag bufferRequest;
    TrafficReader traffic(setup.neighbours, shell, bufferRequest);
    QnhReader weather(shell, flags, traffic.qnh, clock);
    traffic.setRangeCentre(50.0, 8.0, std::cos(50.0 * 0.017453292519943295));
    traffic.setParkAirportValue(364.0);
    traffic.clearReceivedTraffic();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (true) {
        const std::size_t end = input.find('\x1e');
        const std::string_view datagram = input.substr(0, end);
        if (!datagram.empty() && (datagram.front() == '{' || datagram.front() == '[')) {
            weather.offerDatagram(datagram);
        } else {
            traffic.offerDatagram(datagram);
        }
        if (end == std::string_view::npos) {
            break;
        }
        input.remove_prefix(end + 1);
    }
    traffic.offerDatagram("RTTFC_EOT");
    checkRecords(setup.neighbours);
    check(flags.currentQnh >= 900 && flags.currentQnh <= 1100);
    return 0;
}
