#include "platform/socket_error_codes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

namespace kiv::platform {
namespace {

// One table for every socket errno the program may meet on Linux.
constexpr std::array<std::pair<int, std::int32_t>, 42> kErrnoToWinsock{{
    {EINTR, 10004},         {EBADF, 10009},        {EACCES, 10013},          {EFAULT, 10014},
    {EINVAL, 10022},        {EMFILE, 10024},       {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},
    {EALREADY, 10037},      {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},
    {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {ENOBUFS, 10055},         {EISCONN, 10056},
    {ENOTCONN, 10057},      {ESHUTDOWN, 10058},    {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},  {ELOOP, 10062},        {ENAMETOOLONG, 10063},    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},  {ENOTEMPTY, 10066},    {EUSERS, 10068},          {EDQUOT, 10069},
    {ESTALE, 10070},        {EREMOTE, 10071},
}};

} // namespace

std::int32_t toWinsockError(int errnoValue) {
    const auto found = std::find_if(kErrnoToWinsock.begin(), kErrnoToWinsock.end(),
                                    [errnoValue](const auto& entry) { return entry.first == errnoValue; });
    if (found != kErrnoToWinsock.end()) {
        return found->second;
    }
    // Outside the Winsock range, so the text reads "Unknown errror code" with a recognisable number.
    return 20000 + errnoValue;
}

} // namespace kiv::platform
