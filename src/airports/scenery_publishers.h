// The scenery publisher tables from "input/archives.enc": publisher name variants, rejected
// manifest publisher values, the simulator's add-on airports and the thirdparty airports of
// each publisher; and the publisher of a scenery file named from its path. The tables are
// filled and emptied by the airport scan on its own thread and read only by it: no lock.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "airports/bgl_airport.h"

namespace kiv {

struct ThirdPartyAirport {
    std::string airport; // one code of the entry's list
    std::string value;   // the "v" text of its <ap> element; empty when none
};

struct ThirdParty {
    std::string publisher;
    std::vector<ThirdPartyAirport> airports;
};

struct PublisherTables {
    // One row per publisher (sorted by the file's "pn" texts), its name variants; the first
    // variant is the publisher's name. An empty variant matches every path.
    std::vector<std::vector<std::string>> publishers;
    std::map<std::string, std::string> rejected; // lower-cased value -> value as written
    std::set<std::string> simaddonAirports;
    std::vector<ThirdParty> thirdParties;
};

inline constexpr std::size_t kPublisherRowsReserve = 1024;
inline constexpr std::size_t kThirdPartiesReserve = 200;

const PublisherTables& gf_publisherTables();

// Reloads the four tables. Throws when the file is missing ("{} not available") or cannot be
// read or decrypted, and UserRelatedException 61 when the simulator add-on section is
// missing; false (logged) when the XML does not parse or has no root.
bool gf_readPublishers();
// Empties the tables (the scan's end work).
void gf_clearPublisherTables();

bool gf_isSimaddonAirport(std::string_view code);
// The entry whose publisher equals `publisher` exactly lists the code.
bool gf_isThirdPartyAirport(std::string_view publisher, std::string_view code);

// Sets the airport's publisher from its scenery path ("simaddon" for any path containing
// "ORBX"); false with an empty publisher when none is found. Its messages go to `scanMessages`.
bool gf_publisherFromFileName(BglAirport& airport, std::vector<std::string>& scanMessages);

struct PublisherMatch {
    std::uint32_t status = 1; // 0 found, 1 empty table or no match, 2 empty path text
    std::string name;
};
PublisherMatch lf_publisherFromPath(std::string_view pathText);

void lf_readRejectedPublishers(const pugi::xml_document& document);
void lf_readSimaddons(const pugi::xml_document& document, std::string_view attributeName);
void lf_readThirdParties(const pugi::xml_document& document);

// True when `text` is empty or occurs in `pathText`, ASCII letters compared ignoring case.
bool lf_containsNoCase(std::string_view pathText, std::string_view text);

} // namespace kiv
