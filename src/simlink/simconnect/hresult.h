// The HRESULT-style results of the SimConnect calls: 0 success, negative failure. Plain
// constants and pure functions: any thread.
#pragma once

#include <cstdint>

namespace kiv::simconnect {

using Hresult = std::int32_t;

inline constexpr Hresult kS_OK = 0;
inline constexpr Hresult kE_FAIL = static_cast<Hresult>(0x80004005u);
inline constexpr Hresult kE_INVALIDARG = static_cast<Hresult>(0x80070057u);
// A text that does not fit its fixed field (ERROR_INSUFFICIENT_BUFFER as an HRESULT).
inline constexpr Hresult kInsufficientBuffer = static_cast<Hresult>(0x8007007Au);
// The status of a socket connection that got no OPEN reply in time.
inline constexpr Hresult kStatusHandshakeTimeout = static_cast<Hresult>(0xC000013Fu);

// An operating-system error code as an HRESULT (FACILITY_WIN32).
constexpr Hresult hresultFromWin32(std::int32_t code) {
    return code <= 0 ? static_cast<Hresult>(code)
                     : static_cast<Hresult>((static_cast<std::uint32_t>(code) & 0xFFFFu) | 0x80070000u);
}

// What a call on a failed connection returns: the stored status when it is a failure, and
// E_FAIL when the stored status is not negative, so that no call on a dead connection can
// look like a success.
constexpr Hresult failedConnectionResult(Hresult storedStatus) { return storedStatus < 0 ? storedStatus : kE_FAIL; }

} // namespace kiv::simconnect
