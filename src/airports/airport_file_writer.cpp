#include "airports/airport_file_writer.h"

#include <atomic>
#include <cmath>
#include <system_error>
#include <unordered_set>

#include <fmt/format.h>

#include "feeds/traffic_record.h"
#include "foundation/half_hour_slots.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/temp_file_guard.h"
#include "foundation/text_conversion.h"
#include "foundation/xml_helpers.h"
#include "models/interned_codes.h"
#include "models/livery_key_text.h"
#include "platform/atomic_file_replace.h"
#include "platform/process_id.h"
#include "settings/data_file_info.h"
#include "settings/parameter_elements.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

std::atomic<std::uint64_t> g_temporaryCounter{0};

std::string_view trueFalse(bool value) { return value ? "true" : "false"; }

bool appendParameter(pugi::xml_node section, std::string_view name, const std::string& value) {
    return gf_appendParameterElement(section, name, value);
}

bool writeParkKeys(pugi::xml_node section, const ParkKeys& keys) {
    return appendParameter(section, "RT_PARKTRAFFIC_ONLY", std::string(trueFalse(keys.RT_PARKTRAFFIC_ONLY))) &&
           appendParameter(section, "AUTO_PARK", std::string(trueFalse(keys.AUTO_PARK))) &&
           appendParameter(section, "parking_percentage", fmt::format("{}", keys.parking_percentage)) &&
           appendParameter(section, "MAX_FIT", fmt::format("{}", keys.MAX_FIT)) &&
           appendParameter(section, "WEEK", std::string(trueFalse(keys.WEEK))) &&
           appendParameter(section, "PARK_SOFT", std::string(trueFalse(keys.PARK_SOFT)));
}

bool hasUsableGeometry(const Stand& stand) {
    return gf_isValidLalo(stand.latitude, stand.longitude) && std::isfinite(stand.radius) && stand.radius > 0.0 &&
           std::isfinite(stand.heading);
}

bool appendAttribute(pugi::xml_node node, std::string_view name, const std::string& value) {
    return gf_appendStringAttribute(node, name, value);
}

bool writeGeometry(pugi::xml_node parkpos, const Stand& stand) {
    const std::string_view typeName = gf_parkingTypeName(stand.type);
    bool written = appendAttribute(parkpos, "typestr", std::string(typeName)) &&
                   appendAttribute(parkpos, "latitude", fmt::format("{:.6f}", stand.latitude)) &&
                   appendAttribute(parkpos, "longitude", fmt::format("{:.6f}", stand.longitude)) &&
                   appendAttribute(parkpos, "heading", fmt::format("{:.1f}", stand.heading * kRadToDeg)) &&
                   appendAttribute(parkpos, "radius", fmt::format("{:.1f}", stand.radius * kMetresPerNm));
    // A stand without a type is read back from its cargo and ramp flags.
    if (written && typeName == gf_parkingTypeName(0) && !stand.heli) {
        written = appendAttribute(parkpos, "type", "0") &&
                  appendAttribute(parkpos, "cargo", std::string(trueFalse(stand.cargo))) &&
                  appendAttribute(parkpos, "ramp", std::string(trueFalse(stand.ramp)));
    }
    if (written && stand.heli) {
        written = appendAttribute(parkpos, "heli", "true");
    }
    if (written && stand.manual) {
        written = appendAttribute(parkpos, "manual", "true");
    }
    return written;
}

std::string callsignText(const FlightOption& option) {
    if (!option.cs.empty() && !option.cs2.empty()) {
        return fmt::format("{}:{}", option.cs, option.cs2);
    }
    return option.cs;
}

// One option; an option that cannot be read back (no slots, no valid day) is
// left out with a log line, so that it cannot block the save of the airport's
// other learned data.
bool writeOption(pugi::xml_node parkpos, const FlightOption& option) {
    const std::optional<std::string> hours = lf_optionSlotText(option.hh);
    if (!hours || !gf_isValidOptionDay(option.day)) {
        gf_logImportant(fmt::format("invalid flight option: {} {} {}", option.reg, option.cs, option.key));
        return true;
    }
    pugi::xml_node opt = parkpos.append_child("opt");
    bool written = opt && appendAttribute(opt, "reg", option.reg);
    if (written && option.key.present == 0) {
        written = appendAttribute(opt, "airl", gf_airlineCode(option.key.airlineId)) &&
                  appendAttribute(opt, "type", gf_modelCode(option.key.modelId));
    }
    if (written && option.real == 0) {
        written = appendAttribute(opt, "soft", "true");
    }
    written =
        written && appendAttribute(opt, "day", fmt::format("{}", option.day)) && appendAttribute(opt, "hh", *hours);
    if (written && !option.cs.empty()) {
        written = appendAttribute(opt, "cs", callsignText(option));
    }
    if (written && option.cpl) {
        written = appendAttribute(opt, "cpl", "true");
    }
    return written;
}

bool writeStand(pugi::xml_node section, const Stand& stand, bool withGeometry, bool withOptions) {
    pugi::xml_node parkpos = section.append_child("parkpos");
    if (!parkpos || !appendAttribute(parkpos, "id", stand.id)) {
        return false;
    }
    if (withGeometry) {
        if (!hasUsableGeometry(stand)) {
            gf_logImportant(fmt::format("gf_writeApf: stand '{}' has invalid geometry", stand.id));
            return false;
        }
        if (!writeGeometry(parkpos, stand)) {
            return false;
        }
    }
    if (withOptions) {
        for (const FlightOption& option : stand.options) {
            if (option.seq != 0 && !option.reg.empty() && !writeOption(parkpos, option)) {
                return false;
            }
        }
    }
    return true;
}

bool writeStands(pugi::xml_node root, const BglAirport& airport, std::uint32_t kind, bool handmade) {
    if (airport.stands.empty()) {
        return true;
    }
    pugi::xml_node section = root.append_child("parkpositions");
    if (!section) {
        return false;
    }
    std::unordered_set<std::string> written;
    written.reserve(airport.stands.size());
    const bool learned = kind == kLearnedAirportFile;
    for (const Stand& stand : airport.stands) {
        if (stand.id.empty() || !written.insert(stand.id).second) {
            gf_logImportant(fmt::format("gf_writeApf: empty or duplicate stand id '{}'", stand.id));
            return false;
        }
        const bool withGeometry = !learned || handmade || stand.manual;
        if (!writeStand(section, stand, withGeometry, learned)) {
            return false;
        }
    }
    return true;
}

bool makeParentFolder(const fs::path& output) {
    const fs::path parent = output.parent_path();
    if (parent.empty()) {
        return true;
    }
    std::error_code error;
    fs::create_directories(parent, error);
    if (error) {
        gf_logImportant(
            fmt::format("gf_writeApf: could not create directory '{}': {}", gf_pathToUtf8(parent), error.message()));
        return false;
    }
    return true;
}

bool saveOver(pugi::xml_document& document, const fs::path& output) {
    fs::path temporary = output;
    temporary += fmt::format(".{}.{}.tmp", platform::currentProcessId(), g_temporaryCounter.fetch_add(1));
    TempFileGuard guard(temporary);
    if (!gf_saveXmlDocument(document, temporary)) {
        gf_logImportant(fmt::format("gf_writeApf: could not write '{}'", gf_pathToUtf8(temporary)));
        return false;
    }
    if (const std::error_code error = platform::replaceFileDurably(temporary, output)) {
        gf_logImportant(fmt::format("could not move {} => {}: {}", gf_pathToUtf8(temporary), gf_pathToUtf8(output),
                                    error.message()));
        return false;
    }
    guard.disarm();
    return true;
}

} // namespace

std::optional<std::string> lf_optionSlotText(const std::bitset<48>& slots) {
    if (std::optional<std::string> run = gf_bitset2hours(slots)) {
        return run;
    }
    if (slots.none()) {
        return std::nullopt;
    }
    std::string list;
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if (slots.test(slot)) {
            list += list.empty() ? fmt::format("{}", slot) : fmt::format(",{}", slot);
        }
    }
    return list;
}

bool lf_appendDoubleParameter(pugi::xml_node parent, std::string_view name, double value) {
    return appendParameter(parent, name, fmt::format("{:.{}f}", value, 4));
}

bool lf_writeParameters(pugi::xml_node root, const BglAirport& airport, std::uint32_t kind, bool handmade,
                        const std::optional<ParkKeys>& keys) {
    pugi::xml_node section = root.append_child("parameters");
    if (!section || !appendParameter(section, "icao", std::string(airport.icao.text()))) {
        return false;
    }
    const std::string_view iata = airport.iata.text();
    if (!iata.empty() && iata != "XXX" && !appendParameter(section, "iata", std::string(iata))) {
        return false;
    }
    if (!appendParameter(section, "airport_name", airport.name)) {
        return false;
    }
    if ((airport.latitude != 0.0 || airport.longitude != 0.0) &&
        !(lf_appendDoubleParameter(section, "latitude", airport.latitude) &&
          lf_appendDoubleParameter(section, "longitude", airport.longitude))) {
        return false;
    }
    if (!appendParameter(section, "publisher", airport.publisher)) {
        return false;
    }
    const bool generated = kind == kGeneratedAirportFile;
    const bool anyQuality = airport.Qf_real > 0 || airport.Qf_soft > 0;
    const bool written =
        (!handmade || appendParameter(section, "handmade", "true")) &&
        (!(handmade || generated) || appendParameter(section, "altitude", fmt::format("{}", airport.altitude))) &&
        (!generated || appendParameter(section, "num_parkpos", fmt::format("{}", airport.stands.size()))) &&
        (!(handmade && anyQuality && airport.Qf_real >= 0) ||
         appendParameter(section, "Qf_real", fmt::format("{}", airport.Qf_real))) &&
        (!(handmade && anyQuality && (airport.Qf_soft > 0 || airport.Qf_real == 0)) ||
         appendParameter(section, "Qf_soft", fmt::format("{}", airport.Qf_soft))) &&
        (!airport.publisher.empty() || appendParameter(section, "BGLpath", airport.bglPathText));
    if (!written) {
        return false;
    }
    return kind != kLearnedAirportFile || !keys || writeParkKeys(section, *keys);
}

bool gf_writeApf(const BglAirport& airport, const fs::path& output, std::uint32_t kind, std::uint32_t sim,
                 bool handmade, const std::optional<ParkKeys>& keys) {
    pugi::xml_document document;
    DataFileInfo info;
    info.version = gf_formatVersion(gf_programVersion());
    info.sim = static_cast<std::int32_t>(sim);
    if (!gf_writeInfoHeader(document, info)) {
        return false;
    }
    pugi::xml_node root = document.child("root") ? document.child("root") : document.append_child("root");
    if (!root || !lf_writeParameters(root, airport, kind, handmade, keys) ||
        !writeStands(root, airport, kind, handmade)) {
        return false;
    }
    if (output.empty()) {
        gf_logImportant("gf_writeApf: empty output filename");
        return false;
    }
    return makeParentFolder(output) && saveOver(document, output);
}

} // namespace kiv
