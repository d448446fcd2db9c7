// The bands of the main window, painted in layout units.
#include "app/main_window_paint.h"

#include <cstddef>
#include <exception>
#include <limits>
#include <string_view>

#include <fmt/format.h>

#include "app/gui.h"
#include "app/gui_layout.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

using platform::PixelRect;

constexpr std::int32_t kSeparatorX = 647;

void lf_text(PaintCanvas& dc, std::int32_t x, std::int32_t y, std::string_view text, Colour colour,
             bool bold = false) {
    Gui::drawText(dc, x, y, text, colour, bold);
}

// A label at its control's label position.
void lf_label(PaintCanvas& dc, const ParameterControl& control, std::string_view text, Colour colour,
              bool bold = false) {
    lf_text(dc, control.labelX, control.y, text, colour, bold);
}

bool lf_linkUp(const PaintFacts& facts) { return facts.simLinkState == 1 || facts.simLinkState == 2; }

} // namespace

void Gui::drawText(PaintCanvas& dc, std::int32_t x, std::int32_t y, std::string_view text, Colour colour, bool bold) {
    constexpr std::size_t kLongest = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    if (text.size() > kLongest) {
        text = text.substr(0, kLongest);
    }
    std::u16string wide;
    try {
        wide = utf8_to_wide(text);
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("TextOut utf8 to wide failed for '{}': {}", gf_utf8Lossy(text), e.what()));
        return;
    }
    dc.text(x, y - 3, wide, colour, bold);
}

std::string gf_qnhText(std::uint32_t hectopascal, bool inches) {
    if (inches) {
        return fmt::format("{:.2F} inHg", hectopascal * 0.029528744564459433);
    }
    return fmt::format("{} hPa", hectopascal);
}

PixelRect lf_paint(PaintCanvas& dc, const PaintInput& input, std::uint32_t dpi) {
    const GuiStatus& s = input.status;
    const bool collapsed = s.collapsed;
    const bool hasPark = s.parkAirport.has_value();

    dc.fillRect({0, 0, kLayoutWidth, 96}, kBlack);
    if (!collapsed) {
        dc.fillRect({0, 96, kLayoutWidth, 640}, kSettingsBackground);
    }
    const PixelRect parking = gf_bandRect(kRepaintParking, collapsed, hasPark);
    if (!parking.empty()) {
        dc.fillRect(parking, kBlack);
    }
    const PixelRect message = gf_bandRect(kRepaintMessage, collapsed, hasPark);
    dc.fillRect(message, kMessageBandGreen);

    dc.line(0, 32, kLayoutWidth, 32, kWhite);
    if (!collapsed) {
        dc.line(0, 97, kLayoutWidth, 97, kWhite);
        dc.line(0, 200, kLayoutWidth, 200, kBlack);
        dc.line(0, 336, kLayoutWidth, 336, kBlack);
        dc.line(0, 504, kSeparatorX, 504, kBlack);
        dc.line(kSeparatorX, 464, kLayoutWidth, 464, kBlack);
        dc.line(kSeparatorX, 96, kSeparatorX, 504, kBlack);
    }

    lf_text(dc, 3, 7, fmt::format("Version {}", input.facts.programVersion), kGreenText);
    lf_text(dc, 415, 7, "VELT_P3D", kGreenText);
    dc.frameRect(kCollapseBoxRect, kWhite);
    lf_text(dc, 773, 6, collapsed ? "Expand" : "Compact", kGreenText);
    const PixelRect hotSpot{gf_scaleToDpi(kCollapseBoxRect.left, dpi), gf_scaleToDpi(kCollapseBoxRect.top, dpi),
                            gf_scaleToDpi(kCollapseBoxRect.right, dpi), gf_scaleToDpi(kCollapseBoxRect.bottom, dpi)};

    lf_paintStatusBand(dc, input);

    if (input.facts.sourceConnected && s.weatherReaderStatus < 2 && s.qnhHectopascal != 0) {
        lf_text(dc, 548, 71, gf_qnhText(s.qnhHectopascal, s.qnhInInchesHg), kGreenText);
    }
    if (input.facts.sourceConnected && s.trafficReaderStatus < 2) {
        lf_text(dc, 785, 71, fmt::format("{:3}", s.liveCount), kGreenText);
    }

    if (!collapsed) {
        lf_paintSettingsBand(dc, input);
    }
    if (!collapsed || hasPark) {
        lf_paintParkingBand(dc, input);
    }

    if (!s.errorLine.empty()) {
        dc.fillRect(message, kRed);
        lf_text(dc, message.left + 3, message.top + 7, s.errorLine, kWhite);
    } else if (!s.messageLine.empty()) {
        lf_text(dc, message.left + 3, message.top + 7, s.messageLine, kWhite);
    }

    if (collapsed) {
        dc.line(0, 96, kLayoutWidth, 96, kWhite);
    }
    return hotSpot;
}

void lf_paintStatusBand(PaintCanvas& dc, const PaintInput& input) {
    const GuiStatus& s = input.status;
    const PaintFacts& facts = input.facts;
    const bool linkUp = lf_linkUp(facts);

    Colour simBox = kRed;
    Colour simText = kRed;
    if (linkUp && s.simulatorState != 0) {
        simBox = kMessageBandGreen;
        simText = kGreenText;
    } else if (linkUp) {
        simBox = kYellow;
        simText = kYellow;
    }
    dc.fillRect({403, 34, 436, 96}, simBox);
    if (linkUp) {
        std::string text = s.simulatorText;
        if (!s.userStand.empty()) {
            text += ", user stand ";
            text += s.userStand;
        }
        lf_text(dc, 5, 39, text, simText);
        lf_text(dc, 222, 39, fmt::format("user stand: {}", s.userStand), simText);
    }

    const auto countColour = [](std::uint64_t count) { return count != 0 ? kGreenText : kYellow; };
    lf_text(dc, 5, 71, s.simaddonCount != 0 ? fmt::format("# simaddon: {}", s.simaddonCount) : "# simaddon: ...",
            countColour(s.simaddonCount));
    lf_text(dc, 167, 71, s.thirdPartyCount != 0 ? fmt::format("# thirdp: {}", s.thirdPartyCount) : "# thirdp: ...",
            countColour(s.thirdPartyCount));
    lf_text(dc, 276, 71, s.liveryCount != 0 ? fmt::format("# livs: {}", s.liveryCount) : "# liveries: ...",
            countColour(s.liveryCount));

    Colour sourceBox = kBlack;
    if (!s.trafficSourceNotStarted) {
        if (!facts.sourceConnected) {
            sourceBox = kRed;
        } else {
            sourceBox = s.trafficReaderStatus == kReaderReceiving ? kMessageBandGreen : kYellow;
        }
    }
    dc.fillRect({435, 34, 468, 96}, sourceBox);
    if (facts.sourceConnected) {
        lf_text(dc, 494, 39, s.trafficSourceText, kGreenText);
        if (s.weatherReaderStatus != kReaderNotRunning) {
            lf_text(dc, 494, 71, "qnh:", s.weatherReaderStatus == kReaderWaiting ? kYellow : kGreenText);
        }
        if (s.trafficReaderStatus != kReaderNotRunning) {
            lf_text(dc, 657, 71, "# live aircraft:", s.trafficReaderStatus != 0 ? kYellow : kGreenText);
        }
    }
    dc.line(435, 33, 435, 96, kBlack);
}

void lf_paintSettingsBand(PaintCanvas& dc, const PaintInput& input) {
    namespace p = param;
    const SettingsSnapshot& set = input.settings;
    const bool editable = input.status.timeShiftEditable;

    lf_text(dc, 5, 103, "DATA SOURCES", kBlack, true);
    lf_text(dc, 657, 103, "CONFIGURATION", kBlack, true);
    lf_text(dc, 5, 207, "COLLISION AVOIDANCE", kBlack, true);
    lf_text(dc, 657, 207, "MISC", kBlack, true);
    lf_text(dc, 5, 343, "TRAFFIC INJECTION", kBlack, true);
    if (editable) {
        lf_text(dc, 657, 343, "TIME SHIFT", kBlack, true);
    } else {
        lf_text(dc, 657, 343, "TIME SHIFT", kGrey, false);
    }
    lf_text(dc, 5, 511, "PARKING", kBlack, true);

    const auto yellowIf = [](bool condition) { return condition ? kYellow : kBlack; };
    const Colour timeShift = editable ? kBlack : kGrey;
    const auto shiftUnit = [&](std::int32_t value) {
        if (!editable) {
            return kGrey;
        }
        return value > 0 ? kYellow : kBlack;
    };
    const bool bothMaxZero = set.maxLiveSel == 0 && set.maxParkSel == 0;
    const auto maxColour = [&](std::int32_t own) {
        if (bothMaxZero) {
            return kRed;
        }
        return own == 0 ? kYellow : kBlack;
    };
    const Colour sourceDependent = set.rtParkTrafficOnly ? kGrey : kBlack;

    lf_text(dc, 5, p::SKIP_AIRPORT_SCAN.y, "airports:", kBlack);
    lf_label(dc, p::SKIP_AIRPORT_SCAN, "skip scan", kBlack);
    lf_text(dc, 5, p::SKIP_LIVERIES_SCAN.y, "liveries:", kBlack);
    lf_label(dc, p::SKIP_LIVERIES_SCAN, "skip scan", kBlack);
    lf_label(dc, p::LIG_PRIORITIZE, "priority", kBlack);
    lf_label(dc, p::COLLISION_USER_GND, "user ground", kBlack);
    lf_label(dc, p::COLLISION_USER_AIR, "user air", kBlack);
    lf_label(dc, p::RANDOM, "Random", yellowIf(!set.random));
    lf_label(dc, p::ALWAYS_ON_TOP, "Stay on top", kBlack);
    lf_label(dc, p::FLIGHT_MESSAGES, "Flight messages", kBlack);
    lf_label(dc, p::AEROWINX, "Aerowinx", input.facts.rtDirect ? kGrey : yellowIf(input.facts.aerowinx));
    lf_label(dc, p::GUID_CHANGES, "GUID changes", yellowIf(!set.guidChanges));
    lf_label(dc, p::NAV_LIGHTS_WHILE_PARKED, "Nav lights", kBlack);
    lf_label(dc, p::SIM_TIME, "Sim Time", timeShift);
    lf_label(dc, p::KEEP_SIM_TIME_PAR, "Keep", timeShift);
    lf_label(dc, p::TIME_SHIFT_DAYS, "day", shiftUnit(set.timeShiftDays));
    lf_label(dc, p::TIME_SHIFT_HOURS, "hour", shiftUnit(set.timeShiftHours));
    lf_label(dc, p::TIME_SHIFT_MINS, "min", shiftUnit(set.timeShiftMins));
    lf_text(dc, 5, p::RANGE.y, "radius:", kBlack);
    lf_label(dc, p::RANGE, "nm", kBlack);
    lf_label(dc, p::AUTO_RANGE, "auto radius", kBlack);
    lf_label(dc, p::MAX_LIVE_SEL, "max live", maxColour(set.maxLiveSel));
    lf_text(dc, 5, p::MAX_HOLDING_MINUTES.y, "taxiing:", kBlack);
    lf_label(dc, p::HOLDING_THRESHOLD_METERS, "max holding mtrs", kBlack);
    lf_label(dc, p::MAX_HOLDING_MINUTES, "max holding minutes", kBlack);
    lf_label(dc, p::MATCHING_DEPTH, "depth:", kBlack);
    lf_label(dc, p::TCAS_FL, "with extra TCAS coverage above this FL", kBlack);
    lf_text(dc, 5, p::LIGHT_AIRCRAFT.y, "include:", kBlack);
    lf_label(dc, p::TWO_PROPS, "two props", kBlack);
    lf_label(dc, p::LIGHT_AIRCRAFT, "light aircraft", kBlack);
    lf_label(dc, p::HELICOPTERS, "helicopters", kBlack);
    lf_label(dc, p::HIGH_PERF_AIRCRAFT, "fighter jets", kBlack);
    lf_label(dc, p::PARKING_INTERVAL_MINUTES, "update interval (min)", kBlack, true);
    lf_label(dc, p::RT_PARKTRAFFIC_ONLY, "RT parked only", kBlack);
    lf_label(dc, p::MAX_FIT_FL, "max fit hrs", !set.rtParkTrafficOnly && set.autoPark ? kGrey : kBlack);
    lf_label(dc, p::MAX_PARK_SEL, "max park", maxColour(set.maxParkSel));
    lf_label(dc, p::DESTINATION, "destination", kBlack);
    lf_label(dc, p::STAND_SELECTOR, "reserved stand", kBlack);
    lf_label(dc, p::AIRP_RANGE, "range nm", kBlack);
    lf_label(dc, p::AIRP_HEIGHT, "below height", kBlack);
    lf_label(dc, p::parking_percentage, "target % ", sourceDependent);
    lf_label(dc, p::AUTO_PARK, "auto park", sourceDependent);
    const Colour weekSoft = set.rtParkTrafficOnly || set.autoPark ? kGrey : kBlack;
    lf_label(dc, p::WEEK, "week", weekSoft);
    lf_label(dc, p::PARK_SOFT, "soft", weekSoft);
}

void lf_paintParkingBand(PaintCanvas& dc, const PaintInput& input) {
    const GuiStatus& s = input.status;
    const PaintFacts& facts = input.facts;
    const bool collapsed = s.collapsed;
    const std::int32_t y1 = collapsed ? 103 : 647;
    const std::int32_t y2 = y1 + 32;
    const std::int32_t y3 = y1 + 64;

    if (!s.parkAirport.has_value()) {
        if (lf_linkUp(facts)) {
            lf_text(dc, 5, y1, "No airport within reach", kGreenText);
        }
        return;
    }

    lf_text(dc, 5, y1, fmt::format("airport: {}", s.parkAirport->text()),
            s.parkAirportHasFile ? kGreenText : kYellow);
    if (s.parkAirportHasFile) {
        lf_text(dc, 167, y1,
                fmt::format(" {}   publisher: {}{},  week: {}", s.parkAirportText, s.publisher,
                            s.publisherHandmade ? " (h)" : "", facts.airportFileWeek),
                kGreenText);
    }
    if (!s.userWingspanKnown) {
        lf_text(dc, 657, y1, "wingspan user ac unknown?", kYellow);
    }

    if (facts.parkingGenerating) {
        lf_text(dc, 5, y2, "generating parking ...", kYellow);
    } else if (facts.parkingActive && s.parkingCountdownMinutes >= 1 && s.parkingCountdownMinutes <= 1440) {
        lf_text(dc, 5, y2, "next update (min):", kGreenText);
        lf_text(dc, 167, y2, fmt::format("{}", s.parkingCountdownMinutes), kGreenText);
    }
    lf_text(dc, 440, y2, fmt::format("qf: {}", s.qualityText), kGreenText);
    if (facts.parkingActive && !facts.reservedUserStand.empty()) {
        lf_text(dc, 548, y2, fmt::format("reserved stand: {}", facts.reservedUserStand), kGreenText);
    }
    lf_text(dc, 765, y2, fmt::format("# updates: {:4}", s.parkingUpdates), kGreenText);

    lf_text(dc, 5, y3, fmt::format("# stands: {:3}", s.standCount), kGreenText);
    lf_text(dc, 167, y3, fmt::format("park live: {:3}", s.parkedLiveCount), kGreenText);
    if (s.liveFit > 0.0F) {
        lf_text(dc, 276, y3, fmt::format("live fit: {}", s.liveFit), kGreenText);
    }
    if (s.maxParkCount < 1) {
        return;
    }
    lf_text(dc, 440, y3, fmt::format("static: {:3}", s.parkedStaticCount), kGreenText);
    if (s.staticExtra != 0) {
        lf_text(dc, 505, y3, fmt::format(" ({})", s.staticExtra), kYellow);
    }
    if (!s.staticFitHidden && s.staticFit > 0.0F) {
        lf_text(dc, 548, y3, fmt::format("static fit: {}", s.staticFit), kGreenText);
    }
    lf_text(dc, 657, y3, fmt::format("max park: {:3} (={} %)", s.maxParkCount, s.maxParkPercent), kGreenText);
}

} // namespace kiv
