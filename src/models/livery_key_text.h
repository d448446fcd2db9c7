// The text form of a LiveryKey for log lines and reports, with the codes read from the
// interning tables: "{:3}" airline, ",{}" operator or four blanks, " {:4}" model, '.' when the
// key came from the type database, "(C)" or three blanks. Any thread.
#pragma once

#include <string>

#include <fmt/format.h>

#include "models/livery_key.h"

namespace kiv {

std::string gf_liveryKeyText(const LiveryKey& key);

} // namespace kiv

template <> struct fmt::formatter<kiv::LiveryKey> {
    constexpr format_parse_context::iterator parse(format_parse_context& context) { return context.begin(); }
    format_context::iterator format(const kiv::LiveryKey& key, format_context& context) const;
};
