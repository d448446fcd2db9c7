// The load of "parameters.xml" over arbitrary file contents: it must never crash or throw,
// must leave every number inside its bounds, and must leave behind a file that a second
// load reads as it is (no rebuild) into exactly the same settings.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "settings/data_folder.h"
#include "settings/parameters_file.h"
#include "settings/settings_reset.h"
#include "settings/settings_table.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace {

using kiv::registry::bools;
using kiv::registry::checkBoxes;
using kiv::registry::choices;
using kiv::registry::intLists;
using kiv::registry::ints;
using kiv::registry::paths;
using kiv::registry::texts;

const kiv::Version kRunning{1, 2, 3};

struct Values {
    std::vector<bool> bools;
    std::vector<std::int32_t> ints;
    std::vector<std::string> texts;
    std::vector<std::u16string> paths;

    friend bool operator==(const Values&, const Values&) = default;
};

template <typename Registry, typename Out> void collect(const Registry& registry, Out& out) {
    for (const auto* parameter : registry) {
        out.push_back(parameter->value);
    }
}

Values currentValues() {
    Values values;
    collect(bools, values.bools);
    collect(checkBoxes, values.bools);
    collect(ints, values.ints);
    collect(intLists, values.ints);
    collect(texts, values.texts);
    collect(choices, values.texts);
    collect(paths, values.paths);
    return values;
}

template <typename Registry> bool insideBounds(const Registry& registry) {
    for (const auto* parameter : registry) {
        if (parameter->value < parameter->min || parameter->value > parameter->max) {
            return false;
        }
    }
    return true;
}

// One data folder for the whole run: the load writes its ".bak" and ".tmp" beside the file.
const std::filesystem::path& dataFolder() {
    static const kiv::test_support::TempFolder folder;
    static const bool pointed = (kiv::gf_setDataFolderForTesting(folder.path()), true);
    (void)pointed;
    return folder.path();
}

void startFrom(const std::uint8_t* data, std::size_t size) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder())) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
    kiv::test_support::writeFile(kiv::gf_parametersFilePath(),
                                 std::string_view(reinterpret_cast<const char*>(data), size));
    kiv::test_support::resetSettingsToDefaults();
    kiv::param::PROGRAM_VERSION.defaultValue.clear(); // a rebuild sets it
    kiv::param::PROGRAM_VERSION.value.clear();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startFrom(data, size);
    kiv::gf_loadParameters(kRunning);
    if (!insideBounds(ints) || !insideBounds(intLists)) {
        __builtin_trap();
    }
    const Values first = currentValues();

    // What the load saved must read back as it is: a value that changes on every start
    // would drift away from what the user set.
    kiv::test_support::resetSettingsToDefaults();
    const bool rebuilt = kiv::gf_loadParameters(kRunning);
    if (rebuilt || currentValues() != first) {
        __builtin_trap();
    }
    return 0;
}
