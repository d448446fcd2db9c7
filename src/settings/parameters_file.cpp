#include "settings/parameters_file.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>

#include <fmt/format.h>

#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "foundation/xml_helpers.h"
#include "platform/atomic_file_replace.h"
#include "settings/data_folder.h"
#include "settings/loaded_value_display.h"
#include "settings/parameter_elements.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

constexpr std::string_view kSectionName = "parameters";

// Held for the whole of every store and removal, so that none reads a file that another is
// halfway through replacing.
std::mutex& parametersFileLock() {
    static std::mutex lock;
    return lock;
}

std::string pathText() { return gf_pathToUtf8(gf_parametersFilePath()); }

std::filesystem::path withSuffix(const std::filesystem::path& path, std::string_view suffix) {
    std::filesystem::path result = path;
    result += std::string(suffix);
    return result;
}

enum class FileState { missing, unparsable, parsed };

struct ParsedFile {
    FileState state = FileState::missing;
    std::string problem; // pugixml's description when unparsable
};

ParsedFile parseFile(const std::filesystem::path& path, pugi::xml_document& document) {
    const std::optional<std::string> bytes = gf_readWholeFile(path);
    if (!bytes) {
        return {};
    }
    const pugi::xml_parse_result result = document.load_buffer(bytes->data(), bytes->size());
    if (!result) {
        document.reset();
        return {FileState::unparsable, result.description()};
    }
    return {FileState::parsed, {}};
}

void removeQuietly(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

// The file as it is becomes the one backup generation. Copying over the old ".bak" in place
// would leave it empty or cut short if the process died meanwhile; the copy goes to a
// temporary name and replaces the backup durably, so a crash leaves the old or the new one.
bool keepBackup(const std::filesystem::path& path) {
    const std::filesystem::path temporary = withSuffix(path, ".bak.tmp");
    std::error_code error;
    if (!std::filesystem::copy_file(path, temporary, std::filesystem::copy_options::overwrite_existing, error) ||
        platform::replaceFileDurably(temporary, withSuffix(path, ".bak"))) {
        removeQuietly(temporary);
        return false;
    }
    return true;
}

// Visits every registered setting in the order of a new file, each with its own kind.
template <typename Visit> void forEverySetting(Visit&& visit) {
    for (BoolParameter* parameter : registry::bools)
        visit(*parameter);
    for (CheckBoxParameter* parameter : registry::checkBoxes)
        visit(*parameter);
    for (IntParameter* parameter : registry::ints)
        visit(*parameter);
    for (IntListParameter* parameter : registry::intLists)
        visit(*parameter);
    for (StringParameter* parameter : registry::texts)
        visit(*parameter);
    for (ChoiceParameter* parameter : registry::choices)
        visit(*parameter);
    for (PathParameter* parameter : registry::paths)
        visit(*parameter);
}

template <typename Kind> void showLoaded(Kind& parameter) {
    if constexpr (std::is_same_v<Kind, CheckBoxParameter> || std::is_same_v<Kind, IntListParameter> ||
                  std::is_same_v<Kind, ChoiceParameter>) {
        gf_showLoadedValue(parameter);
    }
}

// --- load ---

std::optional<bool> parseValue(const pugi::xml_node& element, const BoolParameter&) {
    return gf_xmlAttributeBool(element, "value");
}

std::optional<std::int32_t> parseValue(const pugi::xml_node& element, const IntParameter& parameter) {
    const std::optional<std::int32_t> read = gf_xmlAttributeInt(element, "value");
    if (!read) {
        return std::nullopt;
    }
    return std::clamp(*read, parameter.min, parameter.max);
}

std::optional<std::string> parseValue(const pugi::xml_node& element, const StringParameter&) {
    return gf_xmlAttributeString(element, "value");
}

// A path that is not valid UTF-8 counts as absent instead of stopping the start.
std::optional<std::u16string> parseValue(const pugi::xml_node& element, const PathParameter& parameter) {
    const std::optional<std::string> text = gf_xmlAttributeString(element, "value");
    if (!text) {
        return std::nullopt;
    }
    if (!gf_isValidUtf8(*text)) {
        gf_logSwallowingErrors([&] { return fmt::format("{} is not valid UTF-8, using the default", parameter.key); });
        return std::nullopt;
    }
    return utf8_to_wide(*text);
}

// An integer read outside its bounds was clamped; the clamped value goes back into the file.
bool clampedOnRead(const pugi::xml_node& element, const IntParameter& parameter) {
    return gf_xmlAttributeInt(element, "value") != parameter.value;
}
bool clampedOnRead(const pugi::xml_node&, const Parameter&) { return false; }

template <typename Kind> void writeBack(pugi::xml_node section, pugi::xml_node element, const Kind& parameter) {
    try {
        const std::string text = gf_parameterValueText(parameter);
        if (element) {
            gf_setParameterElementValue(element, text);
        } else {
            gf_appendParameterElement(section, parameter.key, text);
        }
    } catch (const std::exception&) {
        // An in-memory path that is not valid UTF-16 cannot be written; the load goes on.
    }
}

// Fills one setting from its first element. A missing or malformed value takes the default,
// which is written into that same element (or a new one when the key is absent), so a bad
// value is mended in place instead of gaining another element at every start.
template <typename Kind> void loadSetting(pugi::xml_node section, Kind& parameter) {
    const pugi::xml_node element = gf_findParameterElement(section, parameter.key);
    const auto read = element ? parseValue(element, parameter) : std::nullopt;
    parameter.value = read ? *read : parameter.defaultValue;
    if (!read || clampedOnRead(element, parameter)) {
        writeBack(section, element, parameter);
    }
    showLoaded(parameter);
    parameter.log();
}

void writeDefaultsUnlocked(const Version& running);

void rebuildWithDefaults(const Version& running, std::string_view reason) {
    gf_logSwallowingErrors([&] { return std::string(reason); });
    writeDefaultsUnlocked(running);
}

// --- store ---

// Fills an empty document with every registered setting at its current value.
void fillWithCurrentValues(pugi::xml_document& document) {
    pugi::xml_node section = document.append_child("root").append_child(std::string(kSectionName).c_str());
    forEverySetting([&section](auto& parameter) {
        try {
            gf_appendParameterElement(section, parameter.key, gf_parameterValueText(parameter));
        } catch (const std::exception&) {
            // A path that cannot be written is left out; the next start adds its default.
        }
    });
}

void storeValue(std::string_view key, const std::string& valueText, const std::string& logText) {
    std::lock_guard lock(parametersFileLock());
    const std::filesystem::path path = gf_parametersFilePath();
    pugi::xml_document document;
    const ParsedFile parsed = parseFile(path, document);
    if (parsed.state == FileState::unparsable) {
        gf_logSwallowingErrors([&] { return fmt::format("{} could not be loaded: {}", pathText(), parsed.problem); });
    }
    pugi::xml_node section = gf_parametersSection(document);
    if (!document.child("root") || !section) {
        // Storing into an empty document would leave a file holding only this key.
        gf_logSwallowingErrors([&] {
            return fmt::format("{} is missing or unreadable, rebuilding it from the current settings", pathText());
        });
        document.reset();
        fillWithCurrentValues(document);
        section = gf_parametersSection(document);
    }
    bool found = false;
    for (pugi::xml_node element : section.children("parameter")) {
        if (std::string_view(element.attribute("name").value()) == key) {
            found = true;
            if (!gf_setParameterElementValue(element, valueText)) {
                gf_logSwallowingErrors([&] { return fmt::format("updating XML parameter '{}' failed", key); });
            }
        }
    }
    if (!found && !gf_appendParameterElement(section, key, valueText)) {
        gf_logSwallowingErrors([&] { return fmt::format("adding XML parameter '{}' failed", key); });
    }
    gf_logSwallowingErrors([&] { return logText; });
    if (!gf_saveParametersFile(document)) {
        gf_logSwallowingErrors([&] { return fmt::format("saving '{}' failed", pathText()); });
    }
}

template <typename Kind> void storeSetting(const Kind& parameter) {
    std::string valueText;
    std::string logText;
    try {
        valueText = gf_parameterValueText(parameter);
        logText = parameter.logText();
    } catch (const std::exception& e) {
        gf_logSwallowingErrors(
            [&] { return fmt::format("updating XML parameter '{}' failed: {}", parameter.key, e.what()); });
        return;
    }
    storeValue(parameter.key, valueText, logText);
}

void writeDefaultsUnlocked(const Version& running) {
    // The in-memory value follows too, so that memory and the new file agree.
    param::PROGRAM_VERSION.defaultValue = gf_versionString(running);
    param::PROGRAM_VERSION.value = param::PROGRAM_VERSION.defaultValue;
    pugi::xml_document document;
    pugi::xml_node section = document.append_child("root").append_child(std::string(kSectionName).c_str());
    if (section) {
        // Current values, not defaults: at a first start they are the defaults, and on a
        // restart they are what the user set during the run, which must not be lost.
        forEverySetting([&section](auto& parameter) {
            gf_appendParameter(section, parameter);
            showLoaded(parameter);
        });
        if (!gf_saveParametersFile(document)) {
            gf_logSwallowingErrors([] { return fmt::format("saving: {} failed", pathText()); }, &gf_logImportant);
        }
    }
    gf_logSwallowingErrors([&] { return gf_bannerLine(70, 10, false, false, ""); });
}

bool loadUnlocked(const Version& running) {
    gf_logSwallowingErrors([&] { return gf_bannerLine(70, 0, true, false, kSectionName); });
    pugi::xml_document document;
    const ParsedFile parsed = parseFile(gf_parametersFilePath(), document);
    if (parsed.state == FileState::missing) {
        rebuildWithDefaults(running,
                            fmt::format("{} could not be opened, creating new with default values:", pathText()));
        return true;
    }
    if (parsed.state == FileState::unparsable) {
        rebuildWithDefaults(running, fmt::format("{} could not be loaded: {}, creating new with default values:",
                                                 pathText(), parsed.problem));
        return true;
    }
    gf_logSwallowingErrors([&] { return fmt::format("from '{}'", pathText()); });
    pugi::xml_node section = gf_parametersSection(document);
    if (!section) {
        rebuildWithDefaults(running, fmt::format("Section '{}' not found in '{}', creating new with default values:",
                                                 kSectionName, pathText()));
        return true;
    }
    forEverySetting([&section](auto& parameter) { loadSetting(section, parameter); });
    gf_saveParametersFile(document);
    gf_logSwallowingErrors([&] { return gf_bannerLine(70, 10, false, false, ""); });
    return false;
}

} // namespace

bool gf_loadParameters() { return gf_loadParameters(gf_programVersion()); }

bool gf_loadParameters(const Version& running) {
    // On a restart the window is alive and may store a setting meanwhile; it waits for the
    // load and then re-reads the file, so neither save overwrites the other.
    std::lock_guard lock(parametersFileLock());
    return loadUnlocked(running);
}

void gf_writeDefaultParameters() { gf_writeDefaultParameters(gf_programVersion()); }

void gf_writeDefaultParameters(const Version& running) {
    std::lock_guard lock(parametersFileLock());
    writeDefaultsUnlocked(running);
}

bool gf_saveParametersFile(pugi::xml_document& document) {
    const std::filesystem::path path = gf_parametersFilePath();
    if (path.empty()) {
        return false;
    }
    const std::filesystem::path temporary = withSuffix(path, ".tmp");
    removeQuietly(temporary);
    if (!gf_saveXmlDocument(document, temporary)) {
        removeQuietly(temporary);
        return false;
    }
    pugi::xml_document readBack;
    if (parseFile(temporary, readBack).state != FileState::parsed || !readBack.document_element()) {
        removeQuietly(temporary);
        return false;
    }
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    if (error || (exists && !keepBackup(path))) {
        removeQuietly(temporary);
        return false;
    }
    if (platform::replaceFileDurably(temporary, path)) {
        removeQuietly(temporary);
        return false;
    }
    return true;
}

void gf_storeParameter(const BoolParameter& parameter) { storeSetting(parameter); }
void gf_storeParameter(const IntParameter& parameter) { storeSetting(parameter); }
void gf_storeParameter(const StringParameter& parameter) { storeSetting(parameter); }
void gf_storeParameter(const PathParameter& parameter) { storeSetting(parameter); }

void gf_setAndStore(IntParameter& parameter, std::int32_t value) {
    parameter.value = std::clamp(value, parameter.min, parameter.max);
    gf_storeParameter(parameter);
}

bool gf_removeParameter(const Parameter& parameter) {
    std::lock_guard lock(parametersFileLock());
    pugi::xml_document document;
    const ParsedFile parsed = parseFile(gf_parametersFilePath(), document);
    if (parsed.state == FileState::missing) {
        return false;
    }
    if (parsed.state == FileState::unparsable) {
        gf_logSwallowingErrors([&] { return fmt::format("{} could not be loaded: {}", pathText(), parsed.problem); });
        return false;
    }
    const pugi::xml_node root = document.child("root");
    if (!root) {
        gf_logSwallowingErrors([&] { return fmt::format("{} missing in {}", "root", pathText()); });
        return false;
    }
    pugi::xml_node section = root.child(std::string(kSectionName).c_str());
    if (!section) {
        gf_logSwallowingErrors([&] { return fmt::format("Section {} missing in {}", kSectionName, pathText()); });
        return false;
    }
    const pugi::xml_node element = gf_findParameterElement(section, parameter.key);
    if (!element) {
        return false;
    }
    section.remove_child(element);
    gf_logSwallowingErrors([&] { return fmt::format("Parameter '{}' removed", parameter.key); });
    return gf_saveParametersFile(document);
}

} // namespace kiv
