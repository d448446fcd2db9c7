#include "foundation/line_files.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace kiv {
namespace {
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A file cut short by a full disk must not pass for a whole one: the last bytes leave the
// stream's buffer only when it is closed, so the close decides.
bool closedWhole(std::ofstream& file) {
    file.close();
    return !file.fail();
}
} // namespace

void gf_splitLines(std::string_view text, std::vector<std::string>& lines) {
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lineFeed = text.find('\n', start);
        std::string_view line =
            text.substr(start, lineFeed == std::string_view::npos ? std::string_view::npos : lineFeed - start);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        if (lineFeed == std::string_view::npos) {
            break;
        }
        start = lineFeed + 1;
    }
}

std::optional<std::string> gf_readWholeStream(std::istream& stream) {
    if (!stream.good()) {
        return std::nullopt;
    }
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    stream.seekg(0, std::ios::beg);
    if (size < 0) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0) {
        stream.read(bytes.data(), size);
        if (stream.bad()) {
            return std::nullopt;
        }
        bytes.resize(static_cast<std::size_t>(stream.gcount()));
    }
    return bytes;
}

std::optional<std::string> gf_readWholeFile(const std::filesystem::path& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        return std::nullopt;
    }
    return gf_readWholeStream(file);
}

void gf_readStreamLines(std::istream& stream, std::vector<std::string>& lines) {
    if (const std::optional<std::string> text = gf_readWholeStream(stream)) {
        gf_splitLines(*text, lines);
    }
}

bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        return false;
    }
    for (const std::string& line : lines) {
        file << line << '\n';
    }
    return closedWhole(file);
}

bool gf_writeTextFile(std::string_view text, const std::filesystem::path& path, bool appendNewline) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        return false;
    }
    file << text;
    if (appendNewline) {
        file << '\n';
    }
    return closedWhole(file);
}

} // namespace kiv
