// The support hint: the message line asks the user to press the Tblo button and mail the
// learning archive to the support address. Any thread (it only posts).
#pragma once

#include <string_view>

namespace kiv {

class Gui;

// Where the learning archive "tblo.zip" is to be mailed.
inline constexpr std::string_view kSupportAddress = "support@velt-p3d.org";

// Posts the hint as a message (not logged).
void gf_showSupportHint(Gui& gui);

} // namespace kiv
