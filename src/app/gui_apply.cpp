// Applying one GUI update: store its payload in the status and say what to repaint.
#include <utility>

#include <fmt/format.h>

#include "app/gui.h"
#include "foundation/log.h"

namespace kiv {

namespace gu = gui_update;

namespace {

// Stores `value` when it differs; the mask when it did, else 0. A NaN fit never equals
// anything, so it counts as a change every time.
template <typename T> std::uint8_t storeIfChanged(T& field, T value, std::uint8_t mask) {
    if (field == value) {
        return 0;
    }
    field = std::move(value);
    return mask;
}

} // namespace

struct GuiApplier {
    Gui& gui;
    GuiStatus& s;

    std::uint8_t operator()(gu::SetCollapsed& u) {
        gui.showChildWindows(u.collapsed);
        return kRepaintResize;
    }
    std::uint8_t operator()(gu::ToggleCollapsed&) {
        gui.showChildWindows(!s.collapsed);
        return kRepaintResize;
    }
    std::uint8_t operator()(gu::SetAlwaysOnTop& u) {
        if (platform::WindowBackend* window = gui.window()) {
            window->setAlwaysOnTop(u.on);
        }
        return 0;
    }
    std::uint8_t operator()(gu::Repaint& u) { return u.mask; }
    std::uint8_t operator()(gu::ExpireMessage&) {
        if (!s.messageExpiryArmed || gui.clock_.nowNs() < s.messageExpiryNs) {
            return 0;
        }
        gui.emptyMessageLine();
        return kRepaintMessage;
    }
    std::uint8_t operator()(gu::TrafficSourceStarted&) {
        s.trafficSourceNotStarted = false;
        return kRepaintStatus;
    }
    std::uint8_t operator()(gu::StaticExtra& u) {
        s.staticExtra = u.count;
        return kRepaintParking;
    }
    std::uint8_t operator()(gu::TrafficReaderStatus& u) {
        return storeIfChanged(s.trafficReaderStatus, u.status, kRepaintStatus);
    }
    std::uint8_t operator()(gu::WeatherReaderStatus& u) {
        return storeIfChanged(s.weatherReaderStatus, u.status, kRepaintStatus);
    }
    std::uint8_t operator()(gu::TrafficSourceText& u) { return store(s.trafficSourceText, u.text, kRepaintStatus); }
    std::uint8_t operator()(gu::SimulatorText& u) { return store(s.simulatorText, u.text, kRepaintStatus); }
    std::uint8_t operator()(gu::SimulatorState& u) { return store(s.simulatorState, u.state, kRepaintStatus); }
    std::uint8_t operator()(gu::LiveryCount& u) { return store(s.liveryCount, u.count, kRepaintStatus); }
    std::uint8_t operator()(gu::SimaddonCount& u) { return store(s.simaddonCount, u.count, kRepaintStatus); }
    std::uint8_t operator()(gu::ThirdPartyCount& u) { return store(s.thirdPartyCount, u.count, kRepaintStatus); }
    std::uint8_t operator()(gu::UserWingspanKnown& u) { return store(s.userWingspanKnown, u.known, kRepaintStatus); }
    std::uint8_t operator()(gu::LiveCount& u) { return storeIfChanged(s.liveCount, u.count, kRepaintStatus); }
    std::uint8_t operator()(gu::StandCount& u) { return store(s.standCount, u.count, kRepaintParking); }
    std::uint8_t operator()(gu::ParkCounts& u) {
        if (s.parkedLiveCount == u.live && s.parkedStaticCount == u.statics) {
            return 0;
        }
        s.parkedLiveCount = u.live;
        s.parkedStaticCount = u.statics;
        return kRepaintParking;
    }
    std::uint8_t operator()(gu::MaxPark& u) {
        s.maxParkCount = u.count;
        s.maxParkPercent = u.percent;
        return kRepaintParking;
    }
    std::uint8_t operator()(gu::QualityText& u) { return store(s.qualityText, u.text, kRepaintParking); }
    std::uint8_t operator()(gu::ParkAirport& u) {
        const bool hadOne = s.parkAirport.has_value();
        s.parkAirport = u.code;
        // Collapsed, the parking band appears or disappears: the window changes height.
        return s.collapsed && hadOne != s.parkAirport.has_value() ? kRepaintResize : kRepaintParking;
    }
    std::uint8_t operator()(gu::ParkAirportInfo& u) {
        s.parkAirportHasFile = u.hasFile;
        s.parkAirportText = std::move(u.text);
        if (s.errorLine.empty()) {
            gui.emptyMessageLine();
        }
        return kRepaintParking | kRepaintMessage;
    }
    std::uint8_t operator()(gu::ParkingCountdown& u) {
        return store(s.parkingCountdownMinutes, u.minutes, kRepaintParking);
    }
    std::uint8_t operator()(gu::StaticFitHidden& u) { return store(s.staticFitHidden, u.hidden, kRepaintParking); }
    std::uint8_t operator()(gu::Qnh& u) {
        s.qnhHectopascal = u.hectopascal;
        if (s.weatherReaderStatus == kReaderWaiting) {
            s.weatherReaderStatus = kReaderReceiving;
        }
        return kRepaintStatus;
    }
    std::uint8_t operator()(gu::QnhInInchesHg& u) { return storeIfChanged(s.qnhInInchesHg, u.inches, kRepaintStatus); }
    std::uint8_t operator()(gu::Publisher& u) {
        s.publisher = std::move(u.text);
        s.publisherHandmade = u.handmade;
        return kRepaintParking;
    }
    std::uint8_t operator()(gu::ParkingUpdates& u) {
        return storeIfChanged(s.parkingUpdates, u.count, kRepaintParking);
    }
    std::uint8_t operator()(gu::StaticFit& u) { return storeIfChanged(s.staticFit, u.fit, kRepaintParking); }
    std::uint8_t operator()(gu::LiveFit& u) { return storeIfChanged(s.liveFit, u.fit, kRepaintParking); }
    std::uint8_t operator()(gu::UserStand& u) { return storeIfChanged(s.userStand, std::move(u.text), kRepaintStatus); }
    std::uint8_t operator()(gu::TimeShiftLocked&) { return store(s.timeShiftEditable, false, kRepaintSettings); }
    std::uint8_t operator()(gu::Message& u) { return gui.applyMessage(std::move(u.text), u.log); }
    std::uint8_t operator()(gu::Error& u) { return gui.applyError(std::move(u.text)); }
    std::uint8_t operator()(gu::ClearMessage&) {
        if (!s.errorLine.empty() || s.messageLine.empty()) {
            return 0;
        }
        gui.emptyMessageLine();
        return kRepaintMessage;
    }
    std::uint8_t operator()(gu::ClearError&) {
        if (s.errorLine.empty()) {
            return 0;
        }
        s.errorLine.clear();
        return kRepaintMessage;
    }
    std::uint8_t operator()(gu::ResetStatus&) { return gui.resetStatus(); }

    template <typename T, typename V> static std::uint8_t store(T& field, V&& value, std::uint8_t mask) {
        field = std::forward<V>(value);
        return mask;
    }
};

std::uint8_t Gui::applyUpdate(GuiUpdate update) { return std::visit(GuiApplier{*this, status_}, update); }

void Gui::emptyMessageLine() {
    status_.messageLine.clear();
    status_.messageExpiryArmed = false;
}

std::uint8_t Gui::applyMessage(std::string text, bool log) {
    // A standing error hides the message line: the message is neither shown nor logged.
    if (!status_.errorLine.empty()) {
        return 0;
    }
    if (log && !text.empty()) {
        gf_logLine(text);
    }
    const bool same = text == status_.messageLine;
    status_.messageLine = std::move(text);
    if (status_.messageLine.empty()) {
        status_.messageExpiryArmed = false;
    } else {
        status_.messageExpiryNs = clock_.nowNs() + kMessageLifetimeNs;
        status_.messageExpiryArmed = true;
    }
    return same ? 0 : kRepaintMessage;
}

std::uint8_t Gui::applyError(std::string text) {
    if (status_.messageLine.empty() && text == status_.errorLine) {
        return 0;
    }
    emptyMessageLine();
    status_.errorLine = std::move(text);
    gf_logLine(fmt::format("Error {}", status_.errorLine));
    return kRepaintMessage;
}

void Gui::showChildWindows(bool collapsed) {
    status_.collapsed = collapsed;
    if (platform::WindowBackend* shown = window()) {
        shown->showControls(!collapsed);
    }
}

std::uint8_t Gui::resetStatus() {
    GuiStatus& s = status_;
    for (std::string* text : {&s.messageLine, &s.errorLine, &s.parkAirportText, &s.publisher, &s.qualityText,
                              &s.simulatorText, &s.trafficSourceText, &s.userStand}) {
        text->clear();
    }
    s.messageExpiryArmed = false;
    s.trafficSourceNotStarted = true;
    s.parkAirportHasFile = false;
    s.simulatorState = 0;
    s.userWingspanKnown = true;
    s.publisherHandmade = false;
    s.timeShiftEditable = true;
    s.parkingUpdates = 0;
    s.liveCount = 0;
    s.maxParkCount = 0;
    s.qnhHectopascal = 0;
    s.staticFit = -1.0F;
    s.liveFit = -1.0F;
    s.parkedLiveCount = 0;
    s.parkedStaticCount = 0;
    s.staticFitHidden = false;
    staticFitHiddenShared_.store(false);
    s.standCount = 0;
    s.parkAirport.reset();
    s.trafficReaderStatus = kReaderNotRunning;
    s.weatherReaderStatus = kReaderNotRunning;
    return kRepaintStatus | kRepaintSettings | kRepaintParking | kRepaintMessage;
}

} // namespace kiv
