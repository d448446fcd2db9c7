#include "feeds/qnh_reader.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "feeds/metar_qnh.h"
#include "foundation/log.h"

namespace kiv {

QnhReader::QnhReader(FeedsShell& shell, FeedFlags& flags, std::atomic<std::int32_t>& trafficReaderQnh,
                     const LoopClock& clock)
    : shell_(shell), flags_(flags), trafficReaderQnh_(trafficReaderQnh), clock_(clock) {}

void QnhReader::reset() {
    forgetWeather();
    stop = false;
}

void QnhReader::forgetWeather() {
    resetReceiveState();
    metarText_.clear();
    lastQnh_ = 0;
    metarTimeNs = 0;
}

void QnhReader::handleDatagram() {
    try {
        const nlohmann::json weather = nlohmann::json::parse(datagram_);
        if (weather.is_object()) {
            const auto metar = weather.find("METAR");
            if (metar != weather.end() && !metar->is_null() && metar->get_ref<const std::string&>() == metarText_) {
                metarTimeNs = clock_.nowNs();
                return;
            }
        }
        const QnhResult result = lf_metarFromWeatherJson(weather);
        if (result) {
            metarText_ = weather["METAR"].get<std::string>();
            metarTimeNs = clock_.nowNs();
            takeQnh(*result);
        } else if (result.error().kind == QnhErrorKind::no_pressure_group ||
                   result.error().kind == QnhErrorKind::bad_weather_object) {
            gf_logLine(fmt::format("no QNH {}", datagram_));
        } else {
            gf_logImportant(fmt::format("{} in {}", result.error().message, datagram_));
        }
    } catch (const std::exception& error) {
        gf_logLine(fmt::format("Exception {}, in {}", error.what(), datagram_));
    }
}

void QnhReader::takeQnh(std::int32_t qnh) {
    if (qnh == lastQnh_) {
        return;
    }
    lastQnh_ = qnh;
    trafficReaderQnh_ = qnh;
    flags_.currentQnh.exchange(qnh);
    shell_.postQnh(static_cast<std::uint32_t>(qnh));
}

} // namespace kiv
