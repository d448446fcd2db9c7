// The INI reader behind "SimConnect.cfg" and "registry.ini" over arbitrary file contents: it
// must never crash or throw; loading the file must read what parsing the text reads; every
// section and key the file names must be found again, under another ASCII case with the
// same value; and a registry query answers only with UTF-8 text that fits the caller's
// limit in UTF-16 units.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/line_files.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "platform/private_profile.h"
#include "platform/registry_store.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace {

using kiv::platform::PrivateProfile;

struct Named {
    std::string section;
    std::string key;
};

// The section and key names as the file spells them, read without the reader's help.
std::vector<Named> namesIn(std::string_view text) {
    std::vector<std::string> lines;
    kiv::gf_splitLines(text, lines);
    std::vector<Named> names;
    std::optional<std::string> section;
    for (const std::string& raw : lines) {
        const std::string line = kiv::gf_trim(raw);
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            section = kiv::gf_trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        } else if (const std::size_t equals = line.find('=');
                   section && equals != std::string::npos && !line.starts_with(';') && !line.starts_with('#')) {
            names.push_back({*section, kiv::gf_trim(line.substr(0, equals))});
        }
    }
    return names;
}

void checkProfile(const PrivateProfile& profile, std::string_view text) {
    for (const Named& name : namesIn(text)) {
        if (!profile.hasSection(name.section) || !profile.hasSection(kiv::gf_toUpper(name.section))) {
            __builtin_trap();
        }
        const std::optional<std::string> value = profile.value(name.section, name.key);
        if (profile.value(kiv::gf_toUpper(name.section), kiv::gf_toUpper(name.key)) != value) {
            __builtin_trap();
        }
    }
}

void checkRegistry(const std::filesystem::path& file, std::string_view text) {
    const kiv::platform::RegistryStore store(file);
    for (const Named& name : namesIn(text)) {
        const auto root = name.section.substr(0, name.section.find('\\'));
        const auto keyPath =
            name.section.find('\\') == std::string::npos ? std::string() : name.section.substr(root.size() + 1);
        for (const std::size_t limit : {std::size_t{0}, std::size_t{10}, std::size_t{1023}}) {
            const std::optional<std::string> data = store.queryString(root, keyPath, name.key, limit);
            if (data && (!kiv::gf_isValidUtf8(*data) || kiv::utf8_to_wide(*data).size() > limit)) {
                __builtin_trap();
            }
        }
    }
}

const std::filesystem::path& scratchFile() {
    static const kiv::test_support::TempFolder folder;
    static const std::filesystem::path file = folder.path() / "registry.ini";
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PrivateProfile parsed = PrivateProfile::parse(text);
    checkProfile(parsed, text);

    kiv::test_support::writeFile(scratchFile(), text);
    const PrivateProfile loaded = PrivateProfile::load(scratchFile());
    if (!loaded.exists()) {
        __builtin_trap();
    }
    for (const Named& name : namesIn(text)) {
        if (loaded.value(name.section, name.key) != parsed.value(name.section, name.key)) {
            __builtin_trap();
        }
    }
    checkRegistry(scratchFile(), text);
    return 0;
}
