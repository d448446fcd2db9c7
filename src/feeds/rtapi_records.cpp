#include "feeds/rtapi_records.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "feeds/detail/field_parsing.h"
#include "foundation/log.h"

namespace kiv {
namespace {

constexpr std::size_t kReservedRecords = 384;

std::string_view lf_text(const nlohmann::json& entry, std::size_t position) {
    const nlohmann::json& value = entry[position];
    return value.is_string() ? std::string_view(value.get_ref<const std::string&>()) : std::string_view();
}

double lf_number(const nlohmann::json& entry, std::size_t position, double otherwise = 0.0) {
    const nlohmann::json& value = entry[position];
    return value.is_number() ? value.get<double>() : otherwise;
}

// A valid required timestamp, unrounded.
std::optional<double> lf_timestamp(const nlohmann::json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    const double seconds = value.get<double>();
    if (!std::isfinite(seconds) || !lf_isValidTimestamp(seconds)) {
        return std::nullopt;
    }
    return seconds;
}

} // namespace

void RTAPIBatch::clear() {
    records.clear();
    received.callsigns.clear();
    received.hexIds.clear();
    latestTimestamp = 0;
}

std::optional<std::uint32_t> lf_parseRTAPIHexId(std::string_view text) { return detail::parseHexU32(text); }

void lf_fillBatchFromReply(const nlohmann::json& data, const ConversionContext& context, RTAPIBatch& batch) {
    batch.clear();
    if (!data.is_object() || !context.settings) {
        return;
    }
    const std::size_t members = data.size();
    batch.records.reserve(std::min(members, kReservedRecords));
    if (context.reportIdentities) {
        batch.received.callsigns.reserve(members);
        batch.received.hexIds.reserve(members);
    }
    for (const auto& [name, entry] : data.items()) {
        if (entry.is_array() && entry.size() == rtapi::kTrafficEntrySize) {
            parseTrafficRecord(entry, context, batch);
        }
    }
}

void parseTrafficRecord(const nlohmann::json& entry, const ConversionContext& context, RTAPIBatch& batch) {
    namespace field = rtapi::traffic;
    try {
        const std::optional<double> timestamp = lf_timestamp(entry[field::timestamp]);
        if (!timestamp) {
            return;
        }
        batch.latestTimestamp = static_cast<std::uint64_t>(std::round(*timestamp));
        const std::optional<std::uint32_t> hexId = lf_parseRTAPIHexId(lf_text(entry, field::hexId));
        if (!hexId) {
            return;
        }
        TrafficFields fields;
        fields.timestamp = *timestamp;
        fields.hexId = *hexId;
        fields.latitude = lf_number(entry, field::latitude);
        fields.longitude = lf_number(entry, field::longitude);
        fields.trackDeg = lf_number(entry, field::track);
        fields.altitudeFt = lf_number(entry, field::altitude);
        fields.groundSpeedKt = lf_number(entry, field::groundSpeed);
        fields.squawk = lf_text(entry, field::squawk);
        fields.type = lf_text(entry, field::type);
        fields.registration = lf_text(entry, field::registration);
        fields.origin = lf_text(entry, field::origin);
        fields.destination = lf_text(entry, field::destination);
        fields.callsign = lf_text(entry, field::callsign);
        fields.verticalRateFpm = lf_number(entry, field::verticalRate);
        fields.source = lf_text(entry, field::source);
        fields.trueAirspeedKt = lf_number(entry, field::trueAirspeed, -1.0);
        fields.rollDeg = lf_number(entry, field::roll);
        fields.trueHeadingDeg = lf_number(entry, field::trueHeading);
        fields.category = lf_text(entry, field::category);
        fields.airline = lf_text(entry, field::airline);

        TrafficConversionResult result = lf_convertTrafficRecord(context, fields);
        if (result.identity) {
            if (!result.identity->callsign.empty()) {
                batch.received.callsigns.try_emplace(result.identity->callsign, result.identity->hexId);
            }
            batch.received.hexIds.insert(result.identity->hexId);
        }
        if (result.record) {
            batch.records.push_back(std::move(*result.record));
        }
    } catch (const std::runtime_error&) {
        // The conversion's own rejections (timestamp, position, true heading).
    } catch (const std::exception& error) {
        gf_logLine(fmt::format("parseTrafficRecord: {}", error.what()));
    }
}

std::vector<ParkedRecord> lf_fillParkedFromReply(const nlohmann::json& data, const FeedsNeighbours& neighbours) {
    std::vector<ParkedRecord> records;
    if (!data.is_object()) {
        return records;
    }
    records.reserve(data.size());
    for (const auto& [name, entry] : data.items()) {
        if (entry.is_array() && entry.size() >= rtapi::kParkedEntryMinSize) {
            parseParkedRecord(name, entry, neighbours, records);
        }
    }
    return records;
}

void parseParkedRecord(std::string_view name, const nlohmann::json& entry, const FeedsNeighbours& neighbours,
                       std::vector<ParkedRecord>& records) {
    namespace field = rtapi::parked;
    try {
        const std::optional<std::uint32_t> hexId = lf_parseRTAPIHexId(name);
        if (!hexId) {
            return;
        }
        const std::optional<double> timestamp = lf_timestamp(entry[field::timestamp]);
        if (!timestamp) {
            return;
        }
        ParkedFields fields;
        fields.hexId = *hexId;
        fields.latitude = lf_number(entry, field::latitude);
        fields.longitude = lf_number(entry, field::longitude);
        fields.timestamp = static_cast<std::int64_t>(std::round(*timestamp));
        fields.stand = lf_text(entry, field::stand);
        fields.type = lf_text(entry, field::type);
        fields.registration = lf_text(entry, field::registration);
        fields.callsign = lf_text(entry, field::callsign);
        if (std::optional<ParkedRecord> record = lf_convertParkedRecord(fields, neighbours)) {
            records.push_back(std::move(*record));
        }
    } catch (const std::runtime_error&) {
        // The conversion's own rejections.
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("parseParkedRecord: {}", error.what()));
    }
}

} // namespace kiv
