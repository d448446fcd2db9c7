// What the models subsystem asks of the application shell and of the traffic manager beyond
// the traffic ports: the main window's message line, livery count and repaints, and whether
// any traffic still holds views into the livery titles. The shell implements both (posting to
// the GUI thread where it must); tests pass recording fakes. Called from the main worker.
#pragma once

#include <cstdint>
#include <string>

namespace kiv {

class ModelsShell {
public:
    virtual ~ModelsShell() = default;
    // The message line (25 s); with `log` also written to the log.
    virtual void showMessage(const std::string& text, bool log) = 0;
    // As the main window clears its message line: the support hint while it is pending.
    virtual void clearMessage() = 0;
    virtual void postLiveryCount(std::uint64_t count) = 0;
    // 1 status band, 2 settings band.
    virtual void postRepaint(std::uint32_t mask) = 0;
};

inline constexpr std::uint32_t kRepaintStatusBand = 1;
inline constexpr std::uint32_t kRepaintSettingsBand = 2;

// The traffic side as the rebuild of the livery tables sees it: live and static aircraft keep
// their livery title as a view into the tables, so the tables may only be rebuilt once the
// traffic has been reset.
class LiveryViewHolders {
public:
    virtual ~LiveryViewHolders() = default;
    // True while any aircraft record (or queue) may hold a view into the livery titles.
    virtual bool holdsLiveryViews() const = 0;
};

} // namespace kiv
