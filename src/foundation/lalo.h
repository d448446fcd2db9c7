// A position on the earth: latitude then longitude, in degrees. Plain value type.
#pragma once

namespace kiv {

struct Lalo {
    double latitude = 0.0;  // degrees, north positive
    double longitude = 0.0; // degrees, east positive

    friend bool operator==(const Lalo&, const Lalo&) = default;
};

} // namespace kiv
