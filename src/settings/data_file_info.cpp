#include "settings/data_file_info.h"

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/xml_helpers.h"

namespace kiv {
namespace {

constexpr std::string_view kCopyright = "Copyright (c) the VELT_P3D authors. All rights reserved.";

bool appendInfoItem(pugi::xml_node meta, std::string_view name, const std::string& value) {
    pugi::xml_node item = meta.append_child("info");
    return item && gf_appendStringAttribute(item, "name", std::string(name)) &&
           gf_appendStringAttribute(item, "value", value);
}

pugi::xml_node rootOf(pugi::xml_node node) {
    const pugi::xml_node root = node.child("root");
    return root ? root : node;
}

// What the walk over the "info" items found; each understood name counts at its first
// occurrence only, except that an invalid "sim" lets a later one count.
struct HeaderItems {
    DataFileInfo info;
    bool copyright = false;
    bool copyrightEmpty = false;
    bool sim = false;
    bool P3D = false;
    bool MSFS = false;
    bool author = false;
    bool version = false;
    bool date = false;
};

void takeText(bool& seen, std::string& field, const pugi::xml_node& item) {
    if (!seen) {
        seen = true;
        field = gf_xmlAttributeString(item, "value").value_or("");
    }
}

// False when the walk must stop (a copyright item without text).
bool takeItem(HeaderItems& items, std::string_view name, const pugi::xml_node& item) {
    if (name == "copyright") {
        if (items.copyright) {
            return true;
        }
        if (gf_xmlAttributeString(item, "value").value_or("").empty()) {
            gf_logImportant("no copyright info in the file?");
            items.copyrightEmpty = true;
            return false;
        }
        items.copyright = true;
    } else if (name == "sim") {
        if (items.sim) {
            return true;
        }
        if (const std::optional<std::int32_t> sim = gf_xmlAttributeInt(item, "value")) {
            items.info.sim = *sim;
            items.sim = true;
        } else {
            gf_logImportant("invalid sim info in the file");
        }
    } else if (name == "author") {
        takeText(items.author, items.info.author, item);
    } else if (name == "version") {
        takeText(items.version, items.info.version, item);
    } else if (name == "date") {
        takeText(items.date, items.info.date, item);
    } else if (name == "P3D") {
        takeText(items.P3D, items.info.P3D, item);
    } else if (name == "MSFS") {
        takeText(items.MSFS, items.info.MSFS, item);
    }
    return true;
}

std::optional<DataFileInfo> decide(const HeaderItems& items, bool skipSimCheck) {
    if (!items.copyright || items.copyrightEmpty) {
        return std::nullopt;
    }
    if (skipSimCheck) {
        return items.info;
    }
    if (!items.sim && !items.P3D && !items.MSFS) {
        return std::nullopt;
    }
    const std::int32_t sim = items.sim ? items.info.sim : -1;
    if (sim == 1 || sim == 2 || sim == 3 || items.info.MSFS == "2020" || items.info.MSFS == "2024" ||
        !items.info.P3D.empty()) {
        return items.info;
    }
    gf_logImportant("unsupported sim info in the file");
    return std::nullopt;
}

} // namespace

std::string gf_infoHeaderDate(std::int64_t utcSeconds) {
    const std::optional<UtcCalendar> date = gf_utcCalendar(utcSeconds);
    if (!date) {
        return "Invalid date";
    }
    return fmt::format("{} {} {}", date->day, gf_monthName(date->month), date->year);
}

bool gf_writeInfoHeader(pugi::xml_node node, const DataFileInfo& info) {
    pugi::xml_node root = node.child("root");
    if (!root) {
        root = node.append_child("root");
    }
    if (!root) {
        return false;
    }
    while (root.remove_child("meta")) {
    }
    pugi::xml_node meta = root.append_child("meta");
    if (!meta) {
        return false;
    }
    bool complete = appendInfoItem(meta, "author", std::string(kProgramName));
    complete = appendInfoItem(meta, "version", info.version) && complete;
    complete = appendInfoItem(meta, "date", gf_infoHeaderDate(gf_systemUtcSeconds())) && complete;
    complete = appendInfoItem(meta, "copyright", std::string(kCopyright)) && complete;
    pugi::xml_node sim = meta.append_child("info");
    if (!sim || !gf_appendStringAttribute(sim, "name", "sim") || !gf_appendIntAttribute(sim, "value", info.sim)) {
        return false;
    }
    return complete;
}

std::optional<DataFileInfo> gf_checkInfoHeader(pugi::xml_node node, bool skipSimCheck) {
    const pugi::xml_node meta = rootOf(node).child("meta");
    if (!meta) {
        return std::nullopt;
    }
    HeaderItems items;
    for (const pugi::xml_node item : meta.children("info")) {
        const std::string name = gf_xmlAttributeString(item, "name").value_or("");
        if (!name.empty() && !takeItem(items, name, item)) {
            break;
        }
    }
    return decide(items, skipSimCheck);
}

} // namespace kiv
