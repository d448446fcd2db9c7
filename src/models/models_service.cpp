#include "models/models_service.h"

#include "models/interned_codes.h"
#include "models/livery_choice.h"
#include "models/livery_records.h"
#include "models/type_database.h"
#include "traffic/traffic_state.h"

namespace kiv {

std::optional<LiveryKey> ModelsService::gf_lookupRegistration(std::string_view registration) const {
    return kiv::gf_lookupRegistration(registration);
}

bool ModelsService::gf_isKnownModelCode(std::string_view modelCode) const {
    return kiv::gf_isKnownModelCode(modelCode);
}

std::string ModelsService::modelCode(std::uint16_t modelId) const { return gf_modelCode(modelId); }

std::string ModelsService::airlineCode(std::uint16_t airlineId) const { return gf_airlineCode(airlineId); }

SizeClass ModelsService::gf_sizeClassOfModel(std::uint16_t modelId) const { return kiv::gf_sizeClassOfModel(modelId); }

std::uint16_t ModelsService::gf_modelId(std::string_view modelCode) { return kiv::gf_modelId(modelCode); }
std::uint16_t ModelsService::gf_airlineId(std::string_view airlineCode) { return kiv::gf_airlineId(airlineCode); }

std::optional<double> ModelsService::halfSpanNm(std::uint16_t modelId) const {
    if (modelId >= kModelRadiusTableSize) {
        return std::nullopt;
    }
    return gf_modelRadiusNm(modelId);
}

double ModelsService::largestHalfSpanNm() const { return gf_maxModelRadiusNm(); }

void ModelsService::gf_forgetLiveryOfHexid(std::uint32_t hexId) { kiv::gf_forgetLiveryOfHexid(hexId); }

void ModelsService::clearLiveryOfHexids() { gf_clearStickyLiveries(); }

void ModelsService::gf_logNoMatchList(std::int32_t) { kiv::gf_logNoMatchList(); }

void ModelsService::gf_logLiveryMatchingSummary() { kiv::gf_logLiveryMatchingSummary(); }

void ModelsService::gf_chooseLivery(AircraftInfo& aircraft, double altitudeFt, double userAltitudeFt) {
    kiv::gf_chooseLivery(aircraft, altitudeFt, userAltitudeFt);
}

bool ModelsService::gf_chooseStaticLivery(AircraftInfo& aircraft, const Stand& stand) {
    return kiv::gf_chooseStaticLivery(aircraft, stand);
}

bool ModelsService::gf_isFailedLivery(std::string_view title) const { return kiv::gf_isFailedLivery(title); }

void ModelsService::gf_liveryCreationFailed(const AircraftInfo& aircraft) { kiv::gf_liveryCreationFailed(aircraft); }

std::string_view ModelsService::liveryOfHexid(std::uint32_t hexId) const { return gf_liveryOfHexid(hexId); }

void ModelsService::rememberLiveryOfHexid(std::uint32_t hexId, std::string_view title) {
    gf_rememberLiveryOfHexid(hexId, title);
}

void ModelsService::addToNoMatchList(std::string aircraftText) { gf_addToNoMatchList(std::move(aircraftText)); }

void ModelsService::clearNoMatchList() { gf_clearNoMatchList(); }

bool ModelsService::gf_airlineCodeFromCallsign(std::string_view callsign, LiveryKey& key) {
    return kiv::gf_airlineCodeFromCallsign(callsign, key);
}


bool ModelsService::gf_isCargo(const LiveryKey& key) const { return kiv::gf_isCargo(key); }

bool TrafficLiveryViews::holdsLiveryViews() const { return !state_.live.empty() || !state_.statics.empty(); }

} // namespace kiv
