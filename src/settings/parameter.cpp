#include "settings/parameter.h"

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"

namespace kiv {
std::string IntParameter::logText() const { return fmt::format("{}={}", key, value); }
void IntParameter::log() const {
    gf_logSwallowingErrors([this] { return logText(); });
}

std::string BoolParameter::logText() const { return fmt::format("{}={}", key, value ? "true" : "false"); }
void BoolParameter::log() const {
    gf_logSwallowingErrors([this] { return logText(); });
}

std::string StringParameter::logText() const { return fmt::format("{}=\"{}\"", key, value); }
void StringParameter::log() const {
    gf_logSwallowingErrors([this] { return logText(); });
}

std::string PathParameter::logText() const { return fmt::format("{}=\"{}\"", key, wide_to_utf8(value)); }
void PathParameter::log() const {
    gf_logSwallowingErrors([this] { return logText(); });
}

} // namespace kiv
