// Replies of the service's HTTPS interface from an arbitrary server: the envelope parse must
// take any bytes as a reply or a failure, a reply's wait must lie within its bounds, and the
// record parsers must turn any "data" into usable records (or none).
//
// Input: the reply body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <cmath>

#include "feeds/feeds_fakes.h"
#include "feeds/metar_qnh.h"
#include "feeds/rtapi_records.h"
#include "feeds/rtapi_transport.h"
#include "feeds/type_database_fixture.h"
#include "settings/settings_snapshot.h"

namespace {

using namespace kiv;

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

struct Setup {
    Setup() {
        test_support::installFeedsTypeDatabase();
        gf_publishTrafficSource(false);
        neighbours.setParkAirport({"EDDF", 50.0, 8.0});
    }
    test_support::FakeFeedsNeighbours neighbours;
};

void checkRecords(const nlohmann::json& data, const FeedsNeighbours& neighbours) {
    ConversionContext context;
    context.centreLatitude = 50.0;
    context.centreLongitude = 8.0;
    context.cosCentreLatitude = std::cos(50.0 * 0.017453292519943295);
    context.parkElevationFt = 364.0;
    context.settings = gf_settings();
    context.reportIdentities = true;
    context.dropGroundSquawk = true;
    context.neighbours = &neighbours;
    RTAPIBatch batch;
    lf_fillBatchFromReply(data, context, batch);
    for (const TrafficRecord& record : batch.records) {
        check(gf_isValidLalo(record.sample.latitude, record.sample.longitude));
        check(std::isfinite(record.sample.altitudeFt) && record.sample.altitudeFt >= 0.0);
    }
    for (const ParkedRecord& record : lf_fillParkedFromReply(data, neighbours)) {
        check(gf_isValidLalo(record.latitude, record.longitude));
        check(record.slot >= -1 && record.slot < 48);
    }
    const MetarList metars = lf_parseMetarReply(data);
    check(!metars || !metars->empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    for (const RTAPIWaitSpec& spec : {kRrlWait, kNoKeyWait}) {
        const RTAPIParseResult reply = lf_parseReply(body, "traffic receive", spec);
        if (!reply) {
            check(!reply.error().message.empty() && reply.error().message.size() <= 256 + 14);
            continue;
        }
        if (reply->status == 200 && !spec.key.empty()) {
            check(reply->waitMs >= spec.minimumMs && reply->waitMs <= spec.maximumMs);
        } else {
            check(reply->waitMs == spec.defaultMs);
        }
        checkRecords(reply->data, setup.neighbours);
        if (reply->data.is_object()) {
            for (const auto& [name, slice] : reply->data.items()) {
                checkRecords(slice, setup.neighbours);
            }
        }
    }
    return 0;
}
