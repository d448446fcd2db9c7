// Saving what was learned at the park airport (its stand uses and the park settings in force)
// as the airport's learned copy, and restoring the park settings recorded when its airport
// file was applied; with the small setting and formatting helpers both sides use. Runs on the
// thread that resets the parking state; setting objects and controls change on the GUI thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include <fmt/format.h>

#include "airports/stand.h"

namespace kiv {

class IntParameter;
class CheckBoxParameter;

// Stand uses recorded since the last save; the traffic side adds one per recorded use. Any
// thread.
void gf_addLearnedUpdate();
std::int32_t gf_learnedUpdateCount();
void gf_resetLearnedUpdateCount();
void gf_setLearnedUpdateCountForTesting(std::int32_t count);

// Writes the learned copy of the applied airport file: a handmade save keeps every stand as it
// is; otherwise only learned options are kept, and only stands that are manual or still hold
// one. The copy lies where the read of the same file looks for it.
void gf_saveLearned(std::span<const Stand> stands, bool handmade);

// Every park setting that differs from the value recorded when the airport file was applied
// gets that value back and is stored; then the settings snapshot and the controls follow.
void gf_applyParkSettings();

// The value clamped into the setting's bounds becomes current (GUI thread); nothing stored.
void lf_setIntClamped(IntParameter& parameter, std::int32_t value);
// The value becomes current and its check box shows it (GUI thread); nothing stored.
void lf_setBoolAndCheck(CheckBoxParameter& parameter, bool value);

struct QualityPair {
    std::int32_t Qf_real = 0;
    std::int32_t Qf_soft = 0;
};
// "{:2}" of Qf_real from 35 up; two blanks when neither is above 0; else "{:2}/{:2}".
std::string lf_formatQuality(std::int32_t Qf_real, std::int32_t Qf_soft);

} // namespace kiv

template <> struct fmt::formatter<kiv::QualityPair> : fmt::formatter<std::string_view> {
    template <typename Context> auto format(const kiv::QualityPair& pair, Context& ctx) const {
        return fmt::formatter<std::string_view>::format(kiv::lf_formatQuality(pair.Qf_real, pair.Qf_soft), ctx);
    }
};
