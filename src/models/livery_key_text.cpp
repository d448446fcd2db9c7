#include "models/livery_key_text.h"

#include <algorithm>

#include "models/interned_codes.h"

namespace kiv {

std::string gf_liveryKeyText(const LiveryKey& key) {
    const std::string operatorText = key.operatorId == 0 ? std::string{} : "," + gf_airlineCode(key.operatorId);
    return fmt::format("{:3}{:4} {:4}{}{:3}", gf_airlineCode(key.airlineId), operatorText, gf_modelCode(key.modelId),
                       key.present == 1 ? "." : " ", key.cargo == 1 ? "(C)" : "");
}

} // namespace kiv

fmt::format_context::iterator fmt::formatter<kiv::LiveryKey>::format(const kiv::LiveryKey& key,
                                                                     format_context& context) const {
    const std::string text = kiv::gf_liveryKeyText(key);
    return std::copy(text.begin(), text.end(), context.out());
}
