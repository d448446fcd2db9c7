// The models subsystem as the traffic manager reaches it (traffic/neighbour_ports.h): the type
// database's look-ups and the interned codes. Holds no state of its own; every look-up reads
// the process-wide tables, so any thread may call the const members and gf_modelId.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "traffic/neighbour_ports.h"

namespace kiv {

class ModelsService : public ModelsPort {
public:
    std::optional<LiveryKey> gf_lookupRegistration(std::string_view registration) const override;
    bool gf_isKnownModelCode(std::string_view modelCode) const override;
    std::string modelCode(std::uint16_t modelId) const override;
    std::string airlineCode(std::uint16_t airlineId) const override;
    SizeClass gf_sizeClassOfModel(std::uint16_t modelId) const override;
    std::uint16_t gf_modelId(std::string_view modelCode) override;
    // Empty at or beyond the end of the wingspan table; 0 for a model without a wingspan.
    std::optional<double> halfSpanNm(std::uint16_t modelId) const override;
    double largestHalfSpanNm() const override;

    // The sticky liveries, the no-match list and the matching summary belong to the livery
    // choice, which is not part of this service yet: these do nothing.
    void gf_forgetLiveryOfHexid(std::uint32_t hexId) override;
    void clearLiveryOfHexids() override;
    void gf_logNoMatchList(std::int32_t periods) override;
    void gf_logLiveryMatchingSummary() override;
};

} // namespace kiv
