// The "meta" header check of the program's XML data files and the version texts they
// carry, over arbitrary file contents: nothing may crash or throw, skipping the simulator
// check may only accept more, and a header the program writes must pass its own check.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include <pugixml.hpp>

#include "foundation/version.h"
#include "foundation/xml_helpers.h"
#include "settings/data_file_info.h"

namespace {

bool sameInfo(const kiv::DataFileInfo& a, const kiv::DataFileInfo& b) {
    return a.author == b.author && a.version == b.version && a.date == b.date && a.P3D == b.P3D && a.MSFS == b.MSFS &&
           a.sim == b.sim;
}

// A version printed by the program reads back as itself, as far as text can hold it.
void checkVersion(std::string_view text) {
    const kiv::Version version(text);
    constexpr std::uint32_t textLimit = INT32_MAX;
    if (version.major <= textLimit && version.minor <= textLimit && version.patch <= textLimit &&
        kiv::Version(kiv::gf_versionString(version)) != version) {
        __builtin_trap();
    }
}

void checkHeader(pugi::xml_document& document) {
    const std::optional<kiv::DataFileInfo> strict = kiv::gf_checkInfoHeader(document, false);
    const std::optional<kiv::DataFileInfo> lenient = kiv::gf_checkInfoHeader(document, true);
    if (strict && (!lenient || !sameInfo(*strict, *lenient))) {
        __builtin_trap();
    }
    if (lenient) {
        checkVersion(lenient->version);
    }

    // Rewriting the header of whatever the file holds must give one the check accepts.
    kiv::DataFileInfo written;
    written.version = lenient ? lenient->version : "1.2.3";
    written.sim = 2;
    if (kiv::gf_writeInfoHeader(document, written)) {
        const std::optional<kiv::DataFileInfo> reread = kiv::gf_checkInfoHeader(document, false);
        if (!reread || reread->version != written.version || reread->sim != written.sim) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkVersion(text);
    pugi::xml_document document;
    if (document.load_buffer(data, size)) {
        checkHeader(document);
    }
    return 0;
}
