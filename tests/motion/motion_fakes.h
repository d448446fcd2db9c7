// A recording motion environment for the motion tests: it answers from fields the test sets
// and writes down every command and traffic step that motion asks for, in order, as short
// texts ("throttle 3", "try2Park"). It records what was asked, not what the traffic side
// would send (no skipping of repeated throttle or flaps indices). Tests only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "airports/stand.h"
#include "motion/motion_environment.h"

namespace kiv::test_support {

class RecordingMotionEnvironment : public MotionEnvironment {
public:
    std::uint32_t tick = 100000;
    std::int64_t time100ns = 0;
    std::vector<std::uint64_t> randomValues; // taken in turn (modulo n); 0 once used up
    std::shared_ptr<const SettingsSnapshot> snapshot = std::make_shared<const SettingsSnapshot>();
    std::set<SizeClass> excludedClasses;
    std::int32_t qnh = 1013;
    UserAircraftState user;
    std::optional<double> parkAltitude;
    bool nearParkAirport = false;
    ParkAirportInfo park;
    std::vector<Stand> stands; // stand id n is stands[n - 1] when its id matches
    bool fileLoaded = false;
    std::uint32_t standUse = 0;
    WeekdaySlot slot;

    std::vector<std::string> calls;
    std::vector<ParkedAction> parkedActions; // in the order queued
    std::vector<std::uint32_t> notifiedHexIds;
    std::vector<std::string> flightMessages;
    bool fastPoll = false;

    std::uint32_t simTick() const override { return tick; }
    std::int64_t systemTime100ns() const override { return time100ns; }
    std::uint64_t randomIndex(std::uint64_t n) override {
        if (n < 2 || randomUsed_ >= randomValues.size()) {
            return 0;
        }
        return randomValues[randomUsed_++] % n;
    }

    std::shared_ptr<const SettingsSnapshot> settings() const override { return snapshot; }
    bool isSizeClassIncluded(SizeClass sizeClass) const override { return !excludedClasses.contains(sizeClass); }
    std::int32_t currentQnh() const override { return qnh; }
    UserAircraftState userAircraft() const override { return user; }

    std::optional<double> parkAirportAltitude() const override { return parkAltitude; }
    bool isNearParkAirport(const Lalo&) const override { return nearParkAirport; }
    ParkAirportInfo parkAirport() const override { return park; }
    const Stand* parkStand(std::uint32_t standId) const override {
        if (standId == 0 || standId > stands.size() || stands[standId - 1].number != standId) {
            return nullptr;
        }
        return &stands[standId - 1];
    }
    std::string standName(std::uint32_t standId) const override {
        if (standId == 0) {
            return "sid==0?";
        }
        const Stand* stand = parkStand(standId);
        return stand == nullptr ? "sid==?" : stand->id;
    }
    bool airportFileLoaded() const override { return fileLoaded; }

    void setThrottle(LiveAircraft&, std::uint32_t index) override {
        calls.push_back(fmt::format("throttle {}", index));
    }
    void setFlaps(LiveAircraft&, std::uint32_t index) override { calls.push_back(fmt::format("flaps {}", index)); }
    void setGear(LiveAircraft&, std::uint8_t down) override { calls.push_back(fmt::format("gear {}", down)); }
    void setSpoilers(LiveAircraft&, std::uint8_t on) override { calls.push_back(fmt::format("spoilers {}", on)); }
    void setAllLights(const LiveAircraft&, const LightSet& lights) override {
        calls.push_back(fmt::format("lights {}", fmt::join(lights, ",")));
    }
    void setCabinLights(const LiveAircraft&, std::uint32_t on) override {
        calls.push_back(fmt::format("cabin {}", on));
    }
    void engineAutoStart(const LiveAircraft&) override { calls.push_back("engineAutoStart"); }
    void setReverseThrust(const LiveAircraft&, std::uint8_t active, std::uint8_t reverse) override {
        calls.push_back(fmt::format("reverse {},{}", active, reverse));
    }

    void try2Park(LiveAircraft&) override { calls.push_back("try2Park"); }
    void removeAircraftFromSim(LiveAircraft&) override { calls.push_back("removeAircraftFromSim"); }
    void noMoreNextPos(LiveAircraft&) override { calls.push_back("noMoreNextPos"); }
    std::uint32_t standUseByOtherLive(std::uint32_t, std::uint32_t) const override { return standUse; }
    void addRealStandOption(std::uint32_t standId, const LiveAircraft&, std::uint8_t flag) override {
        calls.push_back(fmt::format("addRealStandOption {} {}", standId, flag));
    }
    void limitParkedAircraft(std::uint32_t extra) override {
        calls.push_back(fmt::format("limitParkedAircraft {}", extra));
    }
    void queueParkedAction(const ParkedAction& action) override { parkedActions.push_back(action); }
    void notifyHexId(std::uint32_t hexId) override { notifiedHexIds.push_back(hexId); }
    void postFlightMessage(std::string text) override { flightMessages.push_back(std::move(text)); }
    void setFastPoll() override { fastPoll = true; }
    WeekdaySlot currentSlot() const override { return slot; }

private:
    std::size_t randomUsed_ = 0;
};

} // namespace kiv::test_support
