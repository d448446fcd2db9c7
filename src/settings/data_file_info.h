// The small "meta" header that says who wrote one of the program's XML data files, for
// which program version, when and for which simulator, and the check that decides whether a
// file read back may be used. Stateless: any thread that owns the document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <pugixml.hpp>

namespace kiv {

struct DataFileInfo {
    std::string author;
    std::string version;
    std::string date;
    std::string P3D;
    std::string MSFS;
    // The simulator code; -1 when the file has no valid "sim" item.
    std::int32_t sim = -1;
};

// Replaces any header of the document's "root" (made when missing) by one with the items
// author, version (from `info`), date, copyright and sim (from `info`); true only when every
// item was written. The date is today's in UTC, from the foundation clock. Logs nothing.
bool gf_writeInfoHeader(pugi::xml_node node, const DataFileInfo& info);

// The header's record when the file may be used, else empty. Only the learned airport files
// are read with skipSimCheck; a rejection is logged only for an empty copyright and for an
// invalid or unsupported simulator.
std::optional<DataFileInfo> gf_checkInfoHeader(pugi::xml_node node, bool skipSimCheck);

// "{day} {Mon} {year}" in UTC, or "Invalid date" when the calendar cannot place the moment.
std::string gf_infoHeaderDate(std::int64_t utcSeconds);

} // namespace kiv
