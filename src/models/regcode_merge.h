// The registration-code merge: which installed livery belongs to which registration, from the
// registrations the liveries carry (in-line), then the AIG list, then the user's own files,
// a later source overriding an earlier one; special and unique liveries; their reports. Also
// the "don't use" titles of those sources for the scan. Main worker only, while no traffic
// runs.
#pragma once

#include <filesystem>
#include <vector>

#include "models/livery.h"
#include "models/livery_paths.h"
#include "models/livery_tables.h"
#include "models/regcode_files.h"

namespace kiv {

// The registrations of the (sorted) liveries themselves; clashes are written to
// "InlineRegcodes.txt" (its folder made when missing; failing that throws filesystem_error).
void lf_processInlineRegcodes(const std::vector<Livery>& liveries, LiveryTables& tables, const LiveryPaths& paths);

// The AIG list and then the user's files, merged over the in-line codes, with the report
// "OfflineRegcodes.txt" and the titles of missing custom repaints. Without the AIG file
// neither is read.
void lf_processOfflineRegcodes(LiveryTables& tables, const LiveryPaths& paths);
void lf_processAigRegcodes(LiveryTables& tables, const std::filesystem::path& file);
void lf_processCustomRepaints(LiveryTables& tables, const LiveryPaths& paths);

// Entries in the order given; an entry whose title is not installed is skipped whole.
void lf_mergeRegcodes(const std::vector<RegcodeEntry>& entries, LiveryTables& tables);

// Whether the AIG list exists; when it does not, "{} not available" is logged as important.
// Throws filesystem_error ("exists") when its status cannot be read.
bool lf_aigRegcodesAvailable(const std::filesystem::path& aigFile);

// The titles without registrations of the AIG list, or of the user's files, added to `titles`.
void lf_readDontUseTitles(const std::filesystem::path& aigFile, TitleSet& titles);
void lf_readDontUseFolder(const std::filesystem::path& folder, TitleSet& titles);

} // namespace kiv
