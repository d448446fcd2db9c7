// The UTC clock and its time texts. The clock source is injectable so that tests can pin
// any instant; the default is the system clock. Any thread.
#pragma once

#include <string>

namespace kiv {

// "{day} {month name} {year} {hh}:{mm}Z" of the system clock, or "Invalid time".
std::string gf_dateTimeText();

} // namespace kiv
