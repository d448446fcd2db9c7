#include "feeds/traffic_reader.h"

#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

#include "feeds/detail/field_parsing.h"
#include "feeds/record_conversion.h"
#include "feeds/rtapp_datagrams.h"
#include "foundation/clock.h"
#include "foundation/log.h"

namespace kiv {
namespace {

constexpr std::size_t kReservedFields = 64;
constexpr std::size_t kReservedBatch = 384;

double parseNumber(std::string_view name, std::string_view text) {
    const std::optional<double> value = detail::parseFiniteDouble(text);
    if (!value) {
        throw std::runtime_error(fmt::format("{}:{}", name, text));
    }
    return *value;
}

} // namespace

TrafficReader::TrafficReader(FeedsNeighbours& neighbours, FeedsShell& shell, BufferRequestFlag& bufferRequest)
    : neighbours_(neighbours), shell_(shell), bufferRequest_(bufferRequest) {
    fields_.reserve(kReservedFields);
    batch_.reserve(kReservedBatch);
}

void TrafficReader::setRangeCentre(double latitude, double longitude, double cosLatitude) {
    const std::lock_guard lock(rangeMutex_);
    range_.centreLatitude = latitude;
    range_.centreLongitude = longitude;
    range_.cosCentreLatitude = cosLatitude;
}

void TrafficReader::setParkAirportValue(std::optional<double> elevationFt) {
    const std::lock_guard lock(rangeMutex_);
    range_.parkElevationFt = elevationFt;
}

RangeContext TrafficReader::rangeContext() const {
    const std::lock_guard lock(rangeMutex_);
    return range_;
}

void TrafficReader::clearReceivedTraffic() {
    const std::lock_guard lock(receivedMutex_);
    received_.callsigns.clear();
    received_.hexIds.clear();
    received_.enabled = true;
}

ReceivedTraffic TrafficReader::receivedTraffic() const {
    const std::lock_guard lock(receivedMutex_);
    return received_;
}

void TrafficReader::clearParkedLists() {
    const std::lock_guard lock(parkedMutex_);
    publishedParked_.clear();
    incomingParked_.clear();
}

void TrafficReader::withPublishedParked(const std::function<void(std::vector<ParkedRecord>&)>& use) {
    const std::lock_guard lock(parkedMutex_);
    use(publishedParked_);
}

void TrafficReader::reset() {
    resetReceiveState();
    stop = false;
    latestDataTime = 0;
    gf_setRtAppDataTime(0);
    qnh = 0;
    bufferReceived = false;
    parkedReceived = false;
    separatorCount_ = 0;
    batch_.clear();
    batchContext_.reset();
    fields_.clear();
    {
        const std::lock_guard lock(receivedMutex_);
        received_ = ReceivedTraffic{};
    }
    clearParkedLists();
    const std::lock_guard lock(rangeMutex_);
    range_ = RangeContext{};
}

void TrafficReader::startBufferCycle() {
    separatorCount_ = 0;
    batchContext_.reset();
    bufferReceived = false;
}

bool TrafficReader::repeatIsMeaningful(std::string_view datagram) const {
    return rtapp::isMarker(datagram.substr(0, datagram.find(',')));
}

void TrafficReader::handleDatagram() {
    fields_.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = datagram_.find(',', start);
        fields_.push_back(datagram_.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    processRTAppLine();
}

void TrafficReader::onDisconnect() {
    shell_.postTrafficReaderStatus(ReaderStatus::not_running);
    gf_logLine("Traffic Reader disconnected");
}

void TrafficReader::postBatch(BatchKind kind, std::uint32_t delaySeconds) {
    neighbours_.postTrafficBatch(batch_, kind, delaySeconds, true);
    batch_.clear(); // whatever the intake did, the next batch starts empty
}

void TrafficReader::processRTAppLine() {
    try {
        const std::string_view type = fields_.front();
        if (type == rtapp::kLive) {
            if (lf_checkFieldCount(rtapp::traffic::kFieldCount)) {
                lf_processTrafficRecord();
            }
        } else if (type == rtapp::kLiveEnd) {
            postBatch(BatchKind::live, kLiveStreamDelaySeconds);
            batchContext_.reset();
        } else if (type == rtapp::kBufferSeparator) {
            postBatch(BatchKind::history, 6 * separatorCount_);
            ++separatorCount_;
        } else if (type == rtapp::kBufferEnd) {
            bufferReceived = true;
            batchContext_.reset();
            bufferRequest_.clear();
            gf_logLine(fmt::format("{} Buffer traffic received", gf_timeText()));
        } else if (type.starts_with(rtapp::kBufferedPrefix)) {
            if (lf_checkFieldCount(rtapp::traffic::kFieldCount)) {
                lf_processTrafficRecord();
            }
        } else if (type == rtapp::kParked) {
            if (lf_checkFieldCount(rtapp::parked::kFieldCount)) {
                lf_processParkedLine();
            }
        } else if (type == rtapp::kParkedEnd) {
            {
                const std::lock_guard lock(parkedMutex_);
                publishedParked_.swap(incomingParked_);
                incomingParked_.clear();
            }
            parkedReceived = true;
            gf_logLine(fmt::format("{} park traffic received", gf_timeText()));
        }
    } catch (const std::exception& error) {
        gf_logLine(fmt::format("exception in processRTAppLine: {}", error.what()));
    }
}

bool TrafficReader::lf_checkFieldCount(std::size_t required) const {
    if (fields_.size() >= required) {
        return true;
    }
    gf_logLine(fmt::format("Ignoring incomplete RT App message: {} fields received, {} required: {}", fields_.size(),
                           required, datagram_));
    return false;
}

void TrafficReader::lf_processTrafficRecord() {
    if (!batchContext_) {
        batchContext_ = BatchContext{rangeContext(), gf_settings()};
    }
    processLine();
}

ConversionContext TrafficReader::conversionContext() const {
    ConversionContext context;
    context.centreLatitude = batchContext_->range.centreLatitude;
    context.centreLongitude = batchContext_->range.centreLongitude;
    context.cosCentreLatitude = batchContext_->range.cosCentreLatitude;
    context.parkElevationFt = batchContext_->range.parkElevationFt;
    context.qnh = qnh.load();
    context.settings = batchContext_->settings;
    {
        const std::lock_guard lock(receivedMutex_);
        context.reportIdentities = received_.enabled;
    }
    context.dropGroundSquawk = false;
    context.identitiesBeforeChecks = true;
    context.neighbours = &neighbours_;
    return context;
}

void TrafficReader::noteDataTime(std::uint64_t roundedTimestamp) {
    if (roundedTimestamp != 0) {
        latestDataTime = static_cast<std::int64_t>(roundedTimestamp);
        gf_setRtAppDataTime(static_cast<std::int64_t>(roundedTimestamp));
    }
}

void TrafficReader::processLine() {
    namespace field = rtapp::traffic;
    try {
        TrafficFields fields;
        fields.timestamp = parseNumber("timestamp", fields_[field::timestamp]);
        fields.latitude = parseNumber("lat", fields_[field::latitude]);
        fields.longitude = parseNumber("lon", fields_[field::longitude]);
        const ConversionContext context = conversionContext();
        const RangeFilterResult filtered = lf_filterTrafficRecord(context, fields);
        noteDataTime(filtered.timestamp);
        if (!filtered.inRange) {
            return;
        }
        const std::optional<std::uint32_t> hexId = detail::parseDecimalU32(fields_[field::hexId]);
        if (!hexId) {
            throw std::runtime_error(fmt::format("hexid:{}", fields_[field::hexId]));
        }
        fields.hexId = *hexId;
        fields.altitudeFt = parseNumber("altitude", fields_[field::altitude]);
        fields.verticalRateFpm = parseNumber("vs", fields_[field::verticalRate]);
        if (!fields_[field::track].empty()) {
            fields.trackDeg = parseNumber("track", fields_[field::track]);
        }
        fields.groundSpeedKt = parseNumber("gs", fields_[field::groundSpeed]);
        fields.source = fields_[field::source];
        if (fields.source == field::kTrueHeadingSource) {
            fields.trueHeadingDeg = parseNumber("trueheading", fields_[field::trueHeading]);
        }
        fields.rollDeg = parseNumber("roll", fields_[field::roll]);
        fields.trueAirspeedKt = parseNumber("TAS", fields_[field::trueAirspeed]);
        fields.callsign = fields_[field::callsign];
        fields.type = fields_[field::type];
        fields.registration = fields_[field::registration];
        fields.origin = fields_[field::origin];
        fields.destination = fields_[field::destination];
        fields.category = fields_[field::category];
        fields.airline = fields_[field::airline];

        TrafficConversionResult result = lf_convertTrafficRecord(context, fields);
        if (result.identity) {
            const std::lock_guard lock(receivedMutex_);
            if (received_.enabled) {
                if (!result.identity->callsign.empty()) {
                    received_.callsigns.try_emplace(result.identity->callsign, result.identity->hexId);
                }
                received_.hexIds.insert(result.identity->hexId);
            }
        }
        if (result.record) {
            batch_.push_back(std::move(*result.record));
        }
    } catch (const std::exception& error) {
        gf_logLine(fmt::format("exception in processLine: {}", error.what()));
    }
}

void TrafficReader::lf_processParkedLine() {
    namespace field = rtapp::parked;
    const std::optional<std::uint32_t> hexId = detail::parseHexU32(fields_[field::hexId]);
    if (!hexId) {
        throw std::runtime_error(fmt::format("hexid incorrect{}", fields_[field::hexId]));
    }
    const double timestamp = parseNumber("timestamp", fields_[field::timestamp]);
    if (!lf_isValidTimestamp(timestamp)) {
        throw std::runtime_error(fmt::format("timestamp outside range:{:.3f}", timestamp));
    }
    ParkedFields fields;
    fields.hexId = *hexId;
    fields.latitude = parseNumber("lat", fields_[field::latitude]);
    fields.longitude = parseNumber("lon", fields_[field::longitude]);
    fields.timestamp = static_cast<std::int64_t>(std::trunc(timestamp));
    fields.callsign = fields_[field::callsign];
    fields.type = fields_[field::type];
    fields.registration = fields_[field::registration];
    fields.stand = fields_[field::stand];
    std::optional<ParkedRecord> record = lf_convertParkedRecord(fields, neighbours_);
    if (record) {
        const std::lock_guard lock(parkedMutex_);
        incomingParked_.push_back(std::move(*record));
    }
}

} // namespace kiv
