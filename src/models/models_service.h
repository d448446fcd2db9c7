// The models subsystem as the traffic manager reaches it (traffic/neighbour_ports.h): the type
// database's look-ups, the interned codes, the livery choice and what the choice remembers
// for the run (failed and sticky liveries, the no-match list, the summaries). The look-ups
// read the process-wide tables, so any thread may call the const members and gf_modelId;
// the livery members belong to the simulator-loop thread. Also the traffic state as the
// rebuild of the livery tables sees it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "models/models_shell.h"
#include "traffic/neighbour_ports.h"

namespace kiv {

class TrafficState;

class ModelsService : public ModelsPort {
public:
    std::optional<LiveryKey> gf_lookupRegistration(std::string_view registration) const override;
    bool gf_isKnownModelCode(std::string_view modelCode) const override;
    std::string modelCode(std::uint16_t modelId) const override;
    std::string airlineCode(std::uint16_t airlineId) const override;
    SizeClass gf_sizeClassOfModel(std::uint16_t modelId) const override;
    std::uint16_t gf_modelId(std::string_view modelCode) override;
    std::uint16_t gf_airlineId(std::string_view airlineCode) override;
    // Empty at or beyond the end of the wingspan table; 0 for a model without a wingspan.
    std::optional<double> halfSpanNm(std::uint16_t modelId) const override;
    double largestHalfSpanNm() const override;

    void gf_forgetLiveryOfHexid(std::uint32_t hexId) override;
    void clearLiveryOfHexids() override;
    void gf_logNoMatchList(std::int32_t periods) override;
    void gf_logLiveryMatchingSummary() override;

    void gf_chooseLivery(AircraftInfo& aircraft, double altitudeFt, double userAltitudeFt) override;
    bool gf_chooseStaticLivery(AircraftInfo& aircraft, const Stand& stand) override;
    bool gf_isFailedLivery(std::string_view title) const override;
    void gf_liveryCreationFailed(const AircraftInfo& aircraft) override;
    std::string_view liveryOfHexid(std::uint32_t hexId) const override;
    void rememberLiveryOfHexid(std::uint32_t hexId, std::string_view title) override;
    void addToNoMatchList(std::string aircraftText) override;
    void clearNoMatchList() override;
    bool gf_airlineCodeFromCallsign(std::string_view callsign, LiveryKey& key) override;
    bool gf_isCargo(const LiveryKey& key) const override;
};

// Live and static aircraft keep views into the livery titles until the traffic is reset.
// Main worker, while the simulator loop does not run.
class TrafficLiveryViews final : public LiveryViewHolders {
public:
    explicit TrafficLiveryViews(const TrafficState& state) : state_(state) {}
    bool holdsLiveryViews() const override;

private:
    const TrafficState& state_;
};

} // namespace kiv
