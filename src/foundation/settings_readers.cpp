#include "foundation/settings_readers.h"

#include <atomic>

namespace kiv {
namespace {

// Constant-initialised, so a reader may be installed or used by any static initialiser.
std::atomic<SettingFlagReader> randomFlagReader{nullptr};
std::atomic<SettingFlagReader> rtDirectReader{nullptr};

bool readOr(const std::atomic<SettingFlagReader>& slot, bool fallback) {
    const SettingFlagReader reader = slot.load(std::memory_order_acquire);
    return reader != nullptr ? reader() : fallback;
}

} // namespace

void gf_installRandomFlagReader(SettingFlagReader reader) { randomFlagReader.store(reader, std::memory_order_release); }
bool gf_randomFlag() { return readOr(randomFlagReader, true); }

void gf_installRtDirectReader(SettingFlagReader reader) { rtDirectReader.store(reader, std::memory_order_release); }
bool gf_isRtDirectSource() { return readOr(rtDirectReader, true); }

} // namespace kiv
