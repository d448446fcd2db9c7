// The scan result store "output/LiveriesScanned.xml": the scanned liveries kept between runs
// so that a later start may skip the scan. Written transactionally (a ".scan_tmp" file beside
// it, read back, then put in place by one durable replace; no backup generation) and read
// into a sorted vector. Main worker only, before the traffic threads start.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include <pugixml.hpp>

#include "models/livery.h"

namespace kiv {

// "LiveriesScanned.xml.scan_tmp" beside the store.
std::filesystem::path lf_scanTempPath(const std::filesystem::path& store);

// root / meta (the info header: program version, simulator code of the traffic source) and
// root / liveries with one "l" per livery in vector order: a, o (operator set), m, c ("true"
// for cargo), t, r (registration set). False (and a log line) when a node or attribute could
// not be added.
bool lf_makeScanDocument(const std::vector<Livery>& liveries, pugi::xml_document& document);

// Stores the liveries. False when nothing was replaced: no liveries (nothing is written or
// logged), a document that could not be built, or a failed step of lf_storeScanDocument; the
// previous store is then untouched.
bool lf_writeLiveriesScanned(const std::vector<Livery>& liveries, const std::filesystem::path& store);

// The transaction: a stale temporary file removed (a removal failure ends it), the document
// saved to the temporary file, read back with `expectedCount` liveries, committed. Whatever
// the outcome, no temporary file is left behind.
bool lf_storeScanDocument(pugi::xml_document& document, std::size_t expectedCount, const std::filesystem::path& store);

// The file parses, holds root / liveries, every "l" there carries a, m and t, and there are
// `expectedCount` of them.
bool lf_validateScanFile(const std::filesystem::path& path, std::size_t expectedCount);

// Puts the temporary file in place of the target (which may be missing) durably; false (and
// an important log line) when the target could not be inspected or replaced.
bool lf_commitScanFile(const std::filesystem::path& temporary, const std::filesystem::path& target);

// Replaces `liveries` with the store's liveries, sorted by the livery order. Every child of
// "liveries" counts as a livery. False (the reason logged) leaves `liveries` unchanged.
bool lf_readLiveriesScanned(const std::filesystem::path& store, std::vector<Livery>& liveries);

} // namespace kiv
