#include "models/models_service.h"

#include "models/interned_codes.h"
#include "models/type_database.h"

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

std::optional<double> ModelsService::halfSpanNm(std::uint16_t modelId) const {
    if (modelId >= kModelRadiusTableSize) {
        return std::nullopt;
    }
    return gf_modelRadiusNm(modelId);
}

double ModelsService::largestHalfSpanNm() const { return gf_maxModelRadiusNm(); }

void ModelsService::gf_forgetLiveryOfHexid(std::uint32_t) {}
void ModelsService::clearLiveryOfHexids() {}
void ModelsService::gf_logNoMatchList(std::int32_t) {}
void ModelsService::gf_logLiveryMatchingSummary() {}

} // namespace kiv
