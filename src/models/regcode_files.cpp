#include "models/regcode_files.h"

#include <algorithm>
#include <map>
#include <system_error>
#include <unordered_set>

#include <fmt/format.h>

#include "foundation/encrypted_data_file.h"
#include "foundation/fnv1a.h"
#include "foundation/log.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "foundation/text_file_reader.h"
#include "settings/data_file_info.h"

namespace kiv {
namespace {

constexpr std::size_t kMinCodeLength = 3;
constexpr std::size_t kMaxCodeLength = 12;

bool isValidRegcode(std::string_view code) {
    if (code.size() < kMinCodeLength || code.size() > kMaxCodeLength) {
        return false;
    }
    return std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
}

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The user's files may be written in any of the usual encodings.
bool readLines(const std::filesystem::path& path, std::vector<std::string>& lines, std::string& failure) {
    const TextEncoding encoding = gf_detectTextEncoding(path);
    if (encoding == TextEncoding::none_found) {
        failure = std::string(kOpenFailed);
        return false;
    }
    if (!gf_readTextFileLines(encoding, path, lines)) {
        failure = "read_failed";
        return false;
    }
    return true;
}

std::vector<std::filesystem::path> listTextFiles(const std::filesystem::path& folder,
                                                 std::vector<std::string>& errors) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    const std::filesystem::directory_iterator end;
    while (!error && it != end) {
        std::error_code typeError;
        const bool regular = it->is_regular_file(typeError);
        if (typeError) {
            errors.push_back(fmt::format("could not inspect '{}': {}", gf_pathToUtf8(it->path()), typeError.message()));
        } else if (regular && lowerAscii(gf_pathToUtf8(it->path().extension())) == ".txt") {
            files.push_back(it->path());
        }
        it.increment(error);
    }
    if (error) {
        errors.push_back(fmt::format("could not enumerate '{}': {}", gf_pathToUtf8(folder), error.message()));
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return gf_pathToUtf8(a) < gf_pathToUtf8(b); });
    return files;
}

} // namespace

void RegcodeFileResult::append(RegcodeFileResult&& other) {
    entries.insert(entries.end(), std::make_move_iterator(other.entries.begin()),
                   std::make_move_iterator(other.entries.end()));
    errors.insert(errors.end(), std::make_move_iterator(other.errors.begin()),
                  std::make_move_iterator(other.errors.end()));
}

std::string makeMessagePrefix(std::string_view fileText, std::size_t lineNumber) {
    if (!fileText.empty()) {
        return lineNumber > 0 ? fmt::format("{} line {}: ", fileText, lineNumber) : fmt::format("{}: ", fileText);
    }
    return lineNumber > 0 ? fmt::format("line {}: ", lineNumber) : std::string{};
}

bool checkRegcode(std::string_view code, std::string_view fileText, std::size_t lineNumber, std::string_view title,
                  std::vector<std::string>& errors) {
    if (isValidRegcode(code)) {
        return false;
    }
    errors.push_back(fmt::format("{}invalid registration code '{}' for title '{}'",
                                 makeMessagePrefix(fileText, lineNumber), code, title));
    return true;
}

bool checkAigRegcode(std::string_view code, std::string_view title, std::vector<std::string>& errors) {
    if (isValidRegcode(code)) {
        return false;
    }
    errors.push_back(fmt::format("invalid registration code '{}' for AIG title '{}'", code, title));
    return true;
}

RegcodeFileResult parseRegcodeLine(const std::vector<std::string>& lines, std::string_view fileText) {
    RegcodeFileResult result;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const std::size_t lineNumber = index + 1;
        // Doubled and leading semicolons add no field; there is no comment syntax.
        const std::vector<std::string> fields = line.empty() ? std::vector<std::string>{} : gf_split(line, ';');
        if (fields.empty()) {
            continue;
        }
        if (fields.size() > 3) {
            result.errors.push_back(fmt::format("{}expected at most 3 semicolon-separated fields: '{}'",
                                                makeMessagePrefix(fileText, lineNumber), line));
            continue;
        }
        RegcodeEntry entry{fields[0], {}, false};
        if (fields.size() >= 2) {
            const std::vector<std::string> codes = gf_commaListToSortedSet(fields[1]);
            for (const std::string& code : codes) {
                if (!checkRegcode(code, fileText, lineNumber, entry.title, result.errors)) {
                    entry.codes.insert(code);
                }
            }
            if (!codes.empty() && entry.codes.empty()) {
                continue;
            }
            entry.special = entry.codes.size() == 1;
            if (fields.size() == 3) {
                if (fields[2] == "#") {
                    entry.special = entry.special || entry.codes.size() > 1;
                } else {
                    result.errors.push_back(fmt::format("{}invalid special marker '{}' for title '{}'",
                                                        makeMessagePrefix(fileText, lineNumber), fields[2],
                                                        entry.title));
                }
            }
        }
        result.entries.push_back(std::move(entry));
    }
    return result;
}

RegcodeFileResult readMyRegcodesFolder(const std::filesystem::path& folder) {
    RegcodeFileResult result;
    const std::string folderText = gf_pathToUtf8(folder);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(folder, error);
    if (error) {
        result.errors.push_back(fmt::format("could not inspect '{}': {}", folderText, error.message()));
        return result;
    }
    if (!std::filesystem::is_directory(status)) {
        result.errors.push_back(fmt::format("'{}' is not a directory", folderText));
        return result;
    }
    for (const std::filesystem::path& file : listTextFiles(folder, result.errors)) {
        const std::string fileText = gf_pathToUtf8(file);
        gf_logLine(fmt::format("Processing '{}'", fileText));
        std::vector<std::string> lines;
        std::string failure;
        if (!readLines(file, lines, failure)) {
            result.errors.push_back(fmt::format("could not read '{}': {}", fileText, failure));
            continue;
        }
        result.append(parseRegcodeLine(lines, fileText));
    }
    return result;
}

RegcodeFileResult parseAigRegcodesXml(const pugi::xml_document& document) {
    RegcodeFileResult result;
    const pugi::xml_node root = document.child("root");
    if (!root) {
        result.errors.emplace_back("missing <root> element");
        return result;
    }
    const pugi::xml_node aig = root.child("aig");
    if (!aig) {
        result.errors.emplace_back("missing <aig> element");
        return result;
    }
    std::unordered_set<std::string, Fnv1aTextHash, std::equal_to<>> seen;
    std::size_t count = 0;
    for (const pugi::xml_node item : aig.children("l")) {
        ++count;
        const std::string title = item.attribute("t").value();
        if (title.empty()) {
            result.errors.push_back(fmt::format("AIG XML record {} has no title", count));
            continue;
        }
        if (!seen.insert(title).second) {
            result.errors.push_back(fmt::format("duplicate AIG title '{}'", title));
            continue;
        }
        RegcodeEntry entry{title, {}, false};
        const std::vector<std::string> codes = gf_commaListToSortedSet(item.attribute("r").value());
        for (const std::string& code : codes) {
            if (!checkAigRegcode(code, title, result.errors)) {
                entry.codes.insert(code);
            }
        }
        if (!codes.empty() && entry.codes.empty()) {
            continue;
        }
        const char flag = item.attribute("s").value()[0];
        entry.special = flag == '1' || flag == 't' || flag == 'T' || flag == 'y' || flag == 'Y';
        result.entries.push_back(std::move(entry));
    }
    return result;
}

RegcodeFileResult loadAigRegcodes(const std::filesystem::path& path) {
    RegcodeFileResult result;
    const std::string pathText = gf_pathToUtf8(path);
    EncryptedFileResult decrypted = gf_readEncryptedFile(path, kRegistrationCodesLimit);
    if (!decrypted) {
        result.errors.push_back(decrypted.error());
        return result;
    }
    SecureBuffer buffer = std::move(decrypted.value());
    {
        pugi::xml_document document;
        const pugi::xml_parse_result parsed = document.load_buffer_inplace(buffer.data(), buffer.size());
        if (!parsed) {
            result.errors.push_back(fmt::format("'{}' not loaded: {}", pathText, parsed.description()));
        } else if (!gf_checkInfoHeader(document, false)) {
            result.errors.push_back(fmt::format("'{}' has invalid metadata", pathText));
        } else {
            result = parseAigRegcodesXml(document);
            std::size_t codes = 0;
            for (const RegcodeEntry& entry : result.entries) {
                codes += entry.codes.size();
            }
            gf_logLine(fmt::format("{:5} livery title{} with {} regcode{}, read from {}", result.entries.size(),
                                   result.entries.size() == 1 ? "" : "s", codes, codes == 1 ? "" : "s", pathText));
        }
    }
    buffer.release();
    return result;
}

std::vector<std::string> lf_missingTitleLines(const std::vector<RegcodeEntry>& entries,
                                              std::span<const std::string_view> installedTitles) {
    const std::unordered_set<std::string_view, Fnv1aTextHash> installed(installedTitles.begin(), installedTitles.end());
    std::map<std::string, std::set<std::string>> missing;
    for (const RegcodeEntry& entry : entries) {
        if (!entry.codes.empty() && !installed.contains(entry.title)) {
            missing[entry.title].insert(entry.codes.begin(), entry.codes.end());
        }
    }
    std::vector<std::string> lines;
    lines.reserve(missing.size());
    for (const auto& [title, codes] : missing) {
        lines.push_back(fmt::format("{}; {}", title, fmt::join(codes, ", ")));
    }
    return lines;
}

} // namespace kiv
