// Values both traffic roads write and the rest of the program reads: the QNH in force and
// what the RT App (or the service login) told about the connection and the edition.
// Atomics: any thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "feeds/metar_qnh.h"

namespace kiv {

struct FeedFlags {
    std::atomic<std::int32_t> currentQnh{kStandardQnhHpa}; // hPa
    std::atomic<bool> isRTAppConnected{false};
    std::atomic<bool> isProfessionalEdition{false};
};

} // namespace kiv
