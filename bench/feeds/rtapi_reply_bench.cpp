// One traffic reply of the service with 1,000 aircraft: the body parsed into the reply
// envelope and every entry converted into a traffic record, as the traffic reader does per
// cycle. Goal: 5 ms per reply.
#include <cmath>
#include <string>

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "feeds/feeds_fakes.h"
#include "feeds/rtapi_records.h"
#include "feeds/rtapi_transport.h"
#include "feeds/type_database_fixture.h"
#include "settings/settings_snapshot.h"

namespace kiv {
namespace {

constexpr int kRecords = 1000;

// Airliners spread over 24 NM around the centre, each with its own hex id and callsign.
std::string replyBody() {
    nlohmann::json data = nlohmann::json::object();
    for (int i = 0; i < kRecords; ++i) {
        nlohmann::json entry = nlohmann::json::array();
        for (std::size_t k = 0; k < rtapi::kTrafficEntrySize; ++k) {
            entry.push_back(nullptr);
        }
        namespace field = rtapi::traffic;
        const std::string hexId = fmt::format("{:06x}", 0x400000 + i);
        entry[field::hexId] = hexId;
        entry[field::latitude] = 50.0 + 0.4 * std::sin(i * 0.37);
        entry[field::longitude] = 8.0 + 0.6 * std::cos(i * 0.91);
        entry[field::track] = 10 * (i % 36);
        entry[field::altitude] = 3000 + 31 * i;
        entry[field::groundSpeed] = 180 + i % 120;
        entry[field::squawk] = "1000";
        entry[field::type] = "A320";
        entry[field::registration] = fmt::format("D-AI{:02}", i % 100);
        entry[field::timestamp] = 1733750000.0 + 0.01 * i;
        entry[field::origin] = "FRA";
        entry[field::destination] = "MUC";
        entry[field::callsign] = fmt::format("DLH{}AB", i);
        entry[field::verticalRate] = -640;
        entry[field::source] = "adsb_icao";
        entry[field::trueAirspeed] = 250 + i % 50;
        entry[field::roll] = i % 2 == 0 ? -1.0 : 4.5;
        entry[field::trueHeading] = 10 * (i % 36);
        entry[field::category] = "A3";
        entry[field::airline] = "DLH";
        data[hexId] = std::move(entry);
    }
    return nlohmann::json{{"status", 200}, {"rrl", 2000}, {"data", std::move(data)}}.dump();
}

void BM_RTAPITrafficReplyToRecords(benchmark::State& state) {
    test_support::installFeedsTypeDatabase();
    gf_publishTrafficSource(false);
    test_support::FakeFeedsNeighbours neighbours;
    ConversionContext context;
    context.centreLatitude = 50.0;
    context.centreLongitude = 8.0;
    context.cosCentreLatitude = std::cos(50.0 * 0.017453292519943295);
    context.qnh = 1013;
    context.settings = gf_settings();
    context.reportIdentities = true;
    context.dropGroundSquawk = true;
    context.neighbours = &neighbours;
    const std::string body = replyBody();
    RTAPIBatch batch;
    std::size_t records = 0;
    for (auto _ : state) {
        RTAPIParseResult reply = lf_parseReply(body, "traffic receive", kRrlWait);
        lf_fillBatchFromReply(reply->data, context, batch);
        records += batch.records.size();
        benchmark::DoNotOptimize(batch.records.data());
    }
    const auto expected = static_cast<std::size_t>(state.iterations()) * kRecords;
    if (records != expected) {
        state.SkipWithError(fmt::format("{} records converted, {} expected", records, expected).c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(expected));
}
BENCHMARK(BM_RTAPITrafficReplyToRecords)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kiv
