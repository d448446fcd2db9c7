#include "traffic/aircraft_text.h"

#include <atomic>

#include "traffic/neighbour_ports.h"

namespace kiv {
namespace {

std::atomic<const ModelsPort*> g_codeNames{nullptr};

std::string airlineCodeText(std::uint16_t id) {
    const ModelsPort* models = g_codeNames.load();
    return models != nullptr ? models->airlineCode(id) : fmt::format("{}", id);
}

std::string modelCodeText(std::uint16_t id) {
    const ModelsPort* models = g_codeNames.load();
    return models != nullptr ? models->modelCode(id) : fmt::format("{}", id);
}

} // namespace

void gf_installModelCodeNames(const ModelsPort* models) { g_codeNames.store(models); }

std::string gf_routeText(const Route& route) {
    if (route.origin.key == 0 && route.destination.key == 0) {
        return fmt::format("{:8}", "");
    }
    return fmt::format("{:3}->{:3}", route.origin.text(), route.destination.text());
}

std::string lf_liveryKeyText(const LiveryKey& key) {
    const std::string operatorText =
        key.operatorId == 0 ? std::string{} : fmt::format(",{}", airlineCodeText(key.operatorId));
    return fmt::format("{:3}{:4} {:4}{}{:3}", airlineCodeText(key.airlineId), operatorText, modelCodeText(key.modelId),
                       key.present != 0 ? "." : " ", key.cargo != 0 ? "(C)" : "");
}

std::string gf_aircraftText(const AircraftInfo& info) {
    return fmt::format("{:8} {:12} {} {}", info.head.callsign, info.head.registration, gf_routeText(info.head.route),
                       lf_liveryKeyText(info.head.liveryKey));
}

std::string lf_printSpawnLine(const AircraftInfo& info) {
    return fmt::format("{} {}", lf_liveryKeyText(info.head.liveryKey), info.head.registration);
}

} // namespace kiv
