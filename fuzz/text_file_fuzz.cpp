// Encoding detection and line decoding over arbitrary file contents: nothing may crash or
// read out of bounds, whatever the ANSI and UTF-16 decoders produce must be UTF-8, and a
// file that is valid UTF-8 throughout (no mark, no zero byte where UTF-16 would show one)
// must be found to be UTF-8, wherever a character meets the end of the detection's sample.
// Inputs longer than that sample (4096 bytes) matter: run libFuzzer with -max_len=8192.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/text_conversion.h"
#include "foundation/text_encoding.h"
#include "foundation/text_file_reader.h"

namespace {

using kiv::TextEncoding;

void decodeAs(TextEncoding encoding, std::string_view bytes) {
    std::vector<std::string> lines;
    try {
        kiv::gf_decodeTextLines(encoding, bytes, lines);
    } catch (const std::runtime_error&) {
        return; // invalid UTF-16: the reader reports it to the user
    }
    if (encoding == TextEncoding::ANSI || encoding == TextEncoding::Unicode ||
        encoding == TextEncoding::Unicode_big_endian) {
        for (const std::string& line : lines) {
            if (!kiv::gf_isValidUtf8(line)) {
                __builtin_trap();
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TextEncoding detected = kiv::gf_detectTextEncodingOfBytes(bytes);
    if (detected == TextEncoding::none_found) {
        __builtin_trap(); // only a file that cannot be opened has no encoding
    }
    const bool zeroUpFront = bytes.substr(0, 4).find('\0') != std::string_view::npos;
    if (!zeroUpFront && !bytes.starts_with("\xEF\xBB\xBF") && kiv::gf_isValidUtf8(bytes) &&
        detected != TextEncoding::UTF8_without_BOM) {
        __builtin_trap();
    }
    decodeAs(detected, bytes);
    for (const TextEncoding encoding : {TextEncoding::ANSI, TextEncoding::Unicode, TextEncoding::Unicode_big_endian,
                                        TextEncoding::UTF8_with_BOM, TextEncoding::UTF8_without_BOM}) {
        decodeAs(encoding, bytes);
    }
    return 0;
}
