// A position on the earth: latitude then longitude, in degrees. Plain value type; which
// positions count as valid is the traffic feeds' rule, not this type's.
#pragma once

namespace kiv {

struct Lalo {
    double latitude = 0.0;  // degrees, north positive
    double longitude = 0.0; // degrees, east positive

    friend bool operator==(const Lalo&, const Lalo&) = default;
};

} // namespace kiv
