// The first line of an airport link file over arbitrary bytes: it must never crash, and a
// target it gives is a trimmed relative-looking path of at least four characters that ends
// in ".xml" or ".enc" in any case and holds no backslash.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "airports/airport_file_paths.h"

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool endsWithNoCase(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size()) {
        return false;
    }
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[text.size() - tail.size() + i])) != tail[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::filesystem::path> target = kiv::lf_linkTargetFromText(text);
    if (!target) {
        return 0;
    }
    const std::string path = target->string();
    check(path.size() >= 4);
    check(endsWithNoCase(path, ".xml") || endsWithNoCase(path, ".enc"));
    check(path.find('\\') == std::string::npos && path.find('\n') == std::string::npos);
    check(!isSpace(path.front()) && !isSpace(path.back()));
    return 0;
}
