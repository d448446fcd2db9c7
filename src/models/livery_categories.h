// What the matching tables hold per size class and of the generic ("ZZZ") liveries, written
// to the log; the size-class lists of the choice; and the traffic classes without any livery
// switched off for this run. Main worker only, while the tables are built.
#pragma once

#include <cstdint>
#include <vector>

#include "models/livery_key.h"
#include "models/livery_tables.h"

namespace kiv {

// Counts the class's passenger and cargo liveries and appends its models to
// tables.sizeClassModels. For Light, TwoProps, HighPerf and Rotorcraft the traffic setting
// follows: without a livery it is switched off in the settings snapshot and its check box is
// unchecked and disabled (the stored setting, the user's choice, stays for the next start);
// with liveries the check box is enabled.
void lf_buildCategories(SizeClass sizeClass, LiveryTables& tables);

// The models that have a livery of airline "ZZZ".
void lf_buildGenericLiveries(const LiveryTables& tables);

// "  CODE,CODE,..." lines of at most 20 model codes each.
std::vector<std::string> lf_modelCodeLines(const std::vector<std::uint16_t>& models);

} // namespace kiv
