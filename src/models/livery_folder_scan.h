// The livery folder scan: the folders of the settings lfolder0..lfolder9 walked for AI
// packages' "aircraft.cfg" and "sim.cfg", their liveries gathered, prioritised by folder,
// sorted, cleared of duplicates, reported and stored. Main worker only, during start-up; the
// scanner's vector and the report collections are unlocked globals of that thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "models/detail/folder_walk.h"
#include "models/livery.h"
#include "models/livery_paths.h"

namespace kiv {

// What lf_scanLiveryFolders returns.
enum LiveryScanResult : int {
    liveryScanDone = 0,      // the store was written
    liveryScanStopped = 1,   // the program is stopping
    liveryScanNoLivery = 2,  // no folder held a livery
    liveryScanNotStored = 3, // the store could not be written
};

// The scanner's liveries; their number is the count the main window shows.
std::vector<Livery>& gf_scannedLiveries();

// Appends the path of every set setting lfolder0..lfolder9, in order, folders and files
// alike. A path that does not exist throws UserRelatedException 243 (logged first); no later
// setting is checked then.
void lf_checkLiveryFolders(std::vector<std::filesystem::path>& folders);

// The whole scan of the listed folders into gf_scannedLiveries(), with the reports and the
// store of `paths`. Parser and file-system exceptions pass through.
LiveryScanResult lf_scanLiveryFolders(const std::vector<std::filesystem::path>& folders, bool prioritise,
                                      const LiveryPaths& paths);

// Walks one folder, appending the liveries of its configuration files with `priority`.
// Folders whose path holds "airport" or is longer than 249 bytes are not entered.
void lf_searchLiveries(std::int16_t priority, const std::filesystem::path& folder, std::vector<Livery>& liveries,
                       const detail::FolderOpener& open = detail::gf_openFolder);

// Fills the don't-use titles from the registration-code sources and writes their report;
// nothing without the AIG file. Throws filesystem_error ("exists") when the AIG file's
// status cannot be read.
void lf_loadDontUseLiveries(const LiveryPaths& paths);

// Keeps, per airline, operator, model and cargo, only the liveries of the smallest folder
// priority, in their order; returns how many were removed.
std::size_t lf_prioritizeLiveries(std::vector<Livery>& liveries);

// Of each run of sorted neighbours equal in title, key (present flag aside) and regcode, the
// first stays; returns how many were removed.
std::size_t lf_uniqueLiveries(std::vector<Livery>& liveries);

} // namespace kiv
