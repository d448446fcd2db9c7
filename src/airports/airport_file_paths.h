// Where airport files lie and how they are named: the user folders under "airports", the
// archive folders, link files, the classification of archive paths and the path of the
// learned copy of any airport file. Stateless (the known-airports table is read through its
// own lock): any thread. Paths are relative to the working folder, the program's own folder.
//
// Names are compared byte for byte by the file system here: an airport file must be named
// by its code in capitals ("EHAM.xml", "EHAM.txt", "EHAM.enc"), and the folders exactly as
// below ("airports/my_thirdparty", "archive/stock", ...).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/icao_code.h"

namespace kiv {

// The airport-file folders, relative to the working folder.
struct AirportFolders {
    std::filesystem::path airports;          // "airports"
    std::filesystem::path myThirdparty;      // "airports/my_thirdparty"
    std::filesystem::path mySimaddon;        // "airports/my_simaddon"
    std::filesystem::path myThirdparty2024;  // "airports/my_thirdparty2024"
    std::filesystem::path learned;           // "airports/learned"
    std::filesystem::path archiveStock;      // "archive/stock"
    std::filesystem::path archiveSimaddon;   // "archive/simaddon"
    std::filesystem::path archiveThirdparty; // "archive/thirdparty"
};
const AirportFolders& gf_airportFolders();

// The code and what follows it in the name of an archive file.
struct ArchiveFileInfo {
    IcaoCode icao;
    std::string kind;   // "stock", "simaddon" or the decoded publisher folder name
    std::string suffix; // the digits after the four code characters (often empty)

    friend bool operator==(const ArchiveFileInfo&, const ArchiveFileInfo&) = default;
};

// CODE.xml, CODE.enc, CODE.txt as file names; an empty code gives the extension alone.
std::filesystem::path gf_apfXmlPath(const IcaoCode& icao);
std::filesystem::path gf_apfEncPath(const IcaoCode& icao);
std::filesystem::path gf_apfLinkPath(const IcaoCode& icao);
// CODE.enc as UTF-8 text, as link files hold it.
std::string gf_apfEncName(const IcaoCode& icao);

// A user file (xml or link, in my_thirdparty or my_simaddon) exists, or the code is a known
// airport. A link file counts even when its content is unusable.
bool gf_airportFileExists(const IcaoCode& icao);

// The airport file to read: my_thirdparty, then my_simaddon (a link before CODE.xml in each),
// then for a known airport archive/stock/CODE.enc, whether or not that file exists yet.
std::optional<std::filesystem::path> gf_findAirportFilePath(const IcaoCode& icao);
std::optional<std::filesystem::path> lf_findInAirportFolder(const IcaoCode& icao, const std::filesystem::path& folder);

// The first line of a link file as a path: trimmed, at least 4 characters, ending in ".xml"
// or ".enc" in any case; backslashes of links written on Windows become '/'. Nothing for a
// missing or unreadable file or an unusable line.
std::optional<std::filesystem::path> lf_readAirportFileLink(const std::filesystem::path& linkFile);
// The link rule applied to the text of a first line (exposed for the fuzz target).
std::optional<std::filesystem::path> lf_linkTargetFromText(std::string_view text);

// archive/stock/F, archive/simaddon/F or archive/thirdparty/P/F with F = CODE[digits].xml|.enc
// (names compared ignoring case); nothing for any other shape.
std::optional<ArchiveFileInfo> gf_parseArchiveFilePath(const std::filesystem::path& path);

// Where the learned copy of an airport file lies (always "...xml"); nothing when no safe path
// can be made. `publisher` names the folder for files of airports/my_thirdparty.
std::optional<std::filesystem::path> gf_learnedAirportFilePath(const std::filesystem::path& path,
                                                               std::string_view publisher);

// A publisher name usable as one folder name: control characters and <>:"/\|?* become blanks,
// the ends are trimmed, "." and ".." become empty. Bytes from 0x80 pass unchanged.
std::string lf_safeFileName(std::string_view text);
// "%" and two hexadecimal digits become that byte; everything else is copied.
std::string gf_percentDecode(std::string_view text);
// The path's extension equals `extension` ignoring the case of ASCII letters.
bool lf_hasExtension(const std::filesystem::path& path, std::string_view extension);

// A file stem of five or more characters cut to its first four (LFPG_X.xml -> LFPG.xml).
std::filesystem::path gf_shortAirportFilePath(const std::filesystem::path& path);

} // namespace kiv
