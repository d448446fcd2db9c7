// The airports subsystem's shell over the main window: the message line and the parking band
// posted to the GUI update queue, and the parking controls, which the GUI thread sets as the
// park settings stand. Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "airports/airports_shell.h"

namespace kiv {

class Gui;
class WindowPorts;

class GuiAirportsShell final : public AirportsShell {
public:
    GuiAirportsShell(Gui& gui, WindowPorts& windowPorts) : gui_(gui), windowPorts_(windowPorts) {}

    void showMessage(std::string_view text, bool log) override;
    void postStandCount(std::uint64_t count) override;
    void postQualityText(std::string text) override;
    void setPublisher(std::string text, bool handmade) override;
    void repaintParking() override;
    void postParkAirport(std::optional<IcaoCode> code) override;
    void updateParkingControls() override;
    void updateControlsForRtParkedOnly() override;
    void updateControlsForAutoPark() override;

private:
    Gui& gui_;
    WindowPorts& windowPorts_;
};

} // namespace kiv
