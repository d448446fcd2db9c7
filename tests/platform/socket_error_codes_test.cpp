#include <cerrno>

#include <gtest/gtest.h>

#include "foundation/socket_error_text.h"
#include "platform/socket_error_codes.h"

namespace kiv::platform {
namespace {

TEST(SocketErrorCodes, MapsErrnoOntoWinsockCodes) {
    const std::pair<int, std::int32_t> cases[] = {
        {ECONNRESET, 10054},  {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {EADDRINUSE, 10048},
        {EWOULDBLOCK, 10035}, {EINPROGRESS, 10036},  {ENOTCONN, 10057},  {EHOSTUNREACH, 10065},
    };
    for (const auto& [errnoValue, winsock] : cases) {
        EXPECT_EQ(toWinsockError(errnoValue), winsock) << errnoValue;
    }
}

TEST(SocketErrorCodes, UnmappedErrnoStaysRecognisableAndUnknown) {
    EXPECT_EQ(gf_socketErrorText(toWinsockError(EPIPE)), "20032 Unknown errror code");
}

} // namespace
} // namespace kiv::platform
