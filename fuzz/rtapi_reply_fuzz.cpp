// Replies of the service's HTTPS interface from an arbitrary server: the envelope parse must
// take any bytes as a reply or a failure, and a reply's wait must lie within its bounds.
//
// Input: the reply body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "feeds/rtapi_transport.h"

namespace {

using namespace kiv;

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    for (const RTAPIWaitSpec& spec : {kRrlWait, kNoKeyWait}) {
        const RTAPIParseResult reply = lf_parseReply(body, "traffic receive", spec);
        if (!reply) {
            check(!reply.error().message.empty() && reply.error().message.size() <= 256 + 14);
            continue;
        }
        if (reply->status == 200 && !spec.key.empty()) {
            check(reply->waitMs >= spec.minimumMs && reply->waitMs <= spec.maximumMs);
        } else {
            check(reply->waitMs == spec.defaultMs);
        }
    }
    return 0;
}
