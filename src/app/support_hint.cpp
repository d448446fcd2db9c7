#include "app/support_hint.h"

#include <fmt/format.h>

#include "app/gui.h"

namespace kiv {

void gf_showSupportHint(Gui& gui) {
    gui.showMessage(fmt::format("Please press the Tblo button and mail 'tblo.zip' to {}", kSupportAddress), false);
}

} // namespace kiv
