// Writes the demo airport's scenery file: Amsterdam Schiphol (EHAM) with two rows of gate
// stands on one apron and a few cargo and general-aviation ramp stands, as an add-on
// airport of the sample data set. Usage: kiv_demo_scenery <output.bgl> [stand count]
// A stand count above the 24 of the demo adds rows of medium gates south of the apron (40 a
// row, 60 m apart, rows 120 m apart), as the load benchmark's larger airport.
#include <cmath>
#include <cstdio>
#include <exception>
#include <numbers>
#include <string>
#include <vector>

#include "test_support/bgl_builder.h"

namespace {

using kiv::test_support::AirportSpec;
using kiv::test_support::ParkingSpec;

constexpr double kApronLatitude = 52.3078;
constexpr double kApronLongitude = 4.7601;
constexpr double kMetresPerDegreeLatitude = 111'320.0;

// `east` and `north` metres away from the apron's corner.
ParkingSpec stand(double east, double north, std::uint32_t nameCode, std::uint32_t type, std::uint32_t number,
                  float radiusMetres, float headingDegrees, std::vector<std::string> airlines) {
    const double metresPerDegreeLongitude = kMetresPerDegreeLatitude * std::cos(kApronLatitude * std::numbers::pi / 180.0);
    ParkingSpec spec;
    spec.nameCode = nameCode;
    spec.type = type;
    spec.number = number;
    spec.radiusMetres = radiusMetres;
    spec.headingDegrees = headingDegrees;
    spec.latitude = kApronLatitude + north / kMetresPerDegreeLatitude;
    spec.longitude = kApronLongitude + east / metresPerDegreeLongitude;
    spec.airlines = std::move(airlines);
    return spec;
}

std::vector<ParkingSpec> stands(std::size_t count) {
    // Name codes ("GATE ", "PARKING ") and stand types.
    constexpr std::uint32_t kGate = 10;
    constexpr std::uint32_t kRampNameCode = 1;
    constexpr std::uint32_t kRampGaSmall = 2;
    constexpr std::uint32_t kRampCargo = 5;
    constexpr std::uint32_t kGateMedium = 9;
    constexpr std::uint32_t kGateHeavy = 10;
    std::vector<ParkingSpec> all;
    // Pier D: medium gates facing north, heavy gates facing south.
    for (std::uint32_t i = 0; i < 10; ++i) {
        all.push_back(stand(60.0 * i, 0.0, kGate, kGateMedium, 1 + i, 22.0F, 0.0F, {"KLM", "KLC", "TRA"}));
    }
    for (std::uint32_t i = 0; i < 6; ++i) {
        all.push_back(stand(80.0 * i, -140.0, kGate, kGateHeavy, 21 + i, 38.0F, 180.0F, {"KLM"}));
    }
    // Cargo ramp.
    for (std::uint32_t i = 0; i < 4; ++i) {
        all.push_back(stand(700.0 + 80.0 * i, -140.0, kRampNameCode, kRampCargo, 41 + i, 38.0F, 270.0F, {"MPH"}));
    }
    // General aviation.
    for (std::uint32_t i = 0; i < 4; ++i) {
        all.push_back(stand(700.0 + 25.0 * i, 60.0, kRampNameCode, kRampGaSmall, 61 + i, 10.0F, 90.0F, {}));
    }
    // Extra gates of the larger airport.
    constexpr std::uint32_t kGatesPerRow = 40;
    for (std::uint32_t i = 0; all.size() < count; ++i) {
        const double north = -300.0 - 120.0 * (i / kGatesPerRow);
        all.push_back(stand(60.0 * (i % kGatesPerRow), north, kGate, kGateMedium, 101 + i, 22.0F, 0.0F, {}));
    }
    return all;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fputs("usage: kiv_demo_scenery <output.bgl> [stand count]\n", stderr);
        return 2;
    }
    try {
        const std::size_t count = argc == 3 ? std::stoul(argv[2]) : 0;
        AirportSpec airport;
        airport.code = "EHAM";
        airport.altitudeMm = -3353;
        airport.names = {"Amsterdam Schiphol (demo)"};
        airport.parkings = stands(count);
        kiv::test_support::writeBytes(argv[1], kiv::test_support::buildAirportBgl({kiv::test_support::bglAirport(airport)}).bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiv_demo_scenery: %s\n", e.what());
        return 1;
    }
    return 0;
}
