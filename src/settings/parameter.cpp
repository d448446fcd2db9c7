#include "settings/parameter.h"

#include <exception>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace {

// A setting's log line must never break the code that logs the settings.
template <typename MakeText> void logSwallowingErrors(const MakeText& makeText) {
    try {
        gf_logLine(makeText());
    } catch (const std::exception&) {
    }
}

} // namespace

std::string IntParameter::logText() const { return fmt::format("{}={}", key, value); }
void IntParameter::log() const {
    logSwallowingErrors([this] { return logText(); });
}

std::string BoolParameter::logText() const { return fmt::format("{}={}", key, value ? "true" : "false"); }
void BoolParameter::log() const {
    logSwallowingErrors([this] { return logText(); });
}

std::string StringParameter::logText() const { return fmt::format("{}=\"{}\"", key, value); }
void StringParameter::log() const {
    logSwallowingErrors([this] { return logText(); });
}

std::string PathParameter::logText() const { return fmt::format("{}=\"{}\"", key, wide_to_utf8(value)); }
void PathParameter::log() const {
    logSwallowingErrors([this] { return logText(); });
}

} // namespace kiv
