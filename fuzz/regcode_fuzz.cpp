// The registration-code readers over arbitrary input: the bytes as a user's text file (any
// encoding) and as the AIG list's XML. Nothing may crash or throw, and every entry must keep
// only valid codes under a non-empty title.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <pugixml.hpp>

#include "models/regcode_files.h"
#include "test_support/temp_folder.h"

namespace {

bool validCode(const std::string& code) {
    return code.size() >= 3 && code.size() <= 12 && std::all_of(code.begin(), code.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
           });
}

void check(const kiv::RegcodeFileResult& result, bool fromText) {
    for (const kiv::RegcodeEntry& entry : result.entries) {
        if (entry.title.empty() || !std::all_of(entry.codes.begin(), entry.codes.end(), validCode)) {
            __builtin_trap();
        }
        // In text files a single code is special by itself; a title alone never is.
        if (fromText && ((entry.codes.size() == 1 && !entry.special) || (entry.codes.empty() && entry.special))) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kiv::test_support::TempFolder temp;
    const char* bytes = reinterpret_cast<const char*>(data);
    std::ofstream(temp.path() / "codes.txt", std::ios::binary | std::ios::trunc)
        .write(bytes, static_cast<std::streamsize>(size));
    check(kiv::readMyRegcodesFolder(temp.path()), true);

    pugi::xml_document document;
    if (document.load_buffer(bytes, size)) {
        check(kiv::parseAigRegcodesXml(document), false);
    }
    return 0;
}
