// Recording fakes of what the feeds reach outside themselves (the shell, the traffic manager,
// the park airport, the simulator clock) and a virtual clock. Every fake takes calls from the
// reader threads and the test thread at once, so each guards its records with a mutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "feeds/feeds_neighbours.h"
#include "feeds/feeds_shell.h"
#include "traffic/loop_clock.h"

namespace kiv::test_support {

class FakeFeedsShell : public FeedsShell {
public:
    void postTrafficReaderStatus(ReaderStatus status) override { record("TrafficStatus", static_cast<int>(status)); }
    void postWeatherReaderStatus(ReaderStatus status) override { record("WeatherStatus", static_cast<int>(status)); }
    void postQnh(std::uint32_t hPa) override { record("Qnh", static_cast<int>(hPa)); }
    void showMessage(const std::string& text, bool log) override {
        add(std::string(log ? "Message+log " : "Message ") + text);
    }
    void clearMessage() override { add("ClearMessage"); }
    void setTrafficSourceText(const std::string& text) override { add("Source " + text); }
    void reportRTAppReaderStopped(const std::string& reader, const std::string& text) override {
        add("Stopped " + reader + ": " + text);
    }
    void reportRTAPIReaderStopped(const std::string& reader, bool restart, std::int32_t code) override {
        add("StoppedRTAPI " + reader + " restart=" + (restart ? "1" : "0") + " code=" + std::to_string(code));
    }

    std::vector<std::string> calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        calls_.clear();
    }

private:
    void record(const char* what, int value) { add(std::string(what) + " " + std::to_string(value)); }
    void add(std::string call) {
        const std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

struct PostedBatch {
    BatchKind kind = BatchKind::live;
    std::uint32_t delaySeconds = 0;
    bool discardWhenOff = false;
    TrafficBatch records;
};

class FakeFeedsNeighbours : public FeedsNeighbours {
public:
    void postTrafficBatch(TrafficBatch& batch, BatchKind kind, std::uint32_t delaySeconds,
                          bool discardWhenOff) override {
        const std::lock_guard lock(mutex_);
        handOvers_.push_back({delaySeconds, batch.size()});
        if (!batch.empty()) {
            posted_.push_back({kind, delaySeconds, discardWhenOff, std::move(batch)});
        }
        batch.clear();
    }
    std::shared_ptr<const UserAircraftState> userAircraft() const override {
        const std::lock_guard lock(mutex_);
        return user_;
    }
    std::optional<std::string> standAtPosition(double latitude, double longitude) const override {
        const std::lock_guard lock(mutex_);
        const auto found = stands_.find({latitude, longitude});
        return found == stands_.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    bool isSizeClassIncluded(SizeClass sizeClass) const override {
        const std::lock_guard lock(mutex_);
        return sizeClass != excludedClass_;
    }
    ParkAirportInfo currentParkAirport() const override {
        const std::lock_guard lock(mutex_);
        return parkAirport_;
    }
    std::optional<std::string> currentParkAirportStand() const override {
        const std::lock_guard lock(mutex_);
        return reservedStand_;
    }
    std::optional<std::int64_t> simulatorUtcSeconds() const override {
        const std::lock_guard lock(mutex_);
        return simulatorTime_;
    }

    void setUser(const UserAircraftState& user) {
        const std::lock_guard lock(mutex_);
        user_ = std::make_shared<const UserAircraftState>(user);
    }
    void setParkAirport(ParkAirportInfo airport) {
        const std::lock_guard lock(mutex_);
        parkAirport_ = std::move(airport);
    }
    void setReservedStand(std::optional<std::string> stand) {
        const std::lock_guard lock(mutex_);
        reservedStand_ = std::move(stand);
    }
    void setStandAt(double latitude, double longitude, std::string stand) {
        const std::lock_guard lock(mutex_);
        stands_[{latitude, longitude}] = std::move(stand);
    }
    void excludeSizeClass(std::optional<SizeClass> sizeClass) {
        const std::lock_guard lock(mutex_);
        excludedClass_ = sizeClass;
    }
    void setSimulatorTime(std::optional<std::int64_t> seconds) {
        const std::lock_guard lock(mutex_);
        simulatorTime_ = seconds;
    }
    std::vector<PostedBatch> posted() const {
        const std::lock_guard lock(mutex_);
        return posted_;
    }
    void clearPosted() {
        const std::lock_guard lock(mutex_);
        posted_.clear();
        handOvers_.clear();
    }
    // Every hand-over as (delay seconds, record count), the empty ones included.
    std::vector<std::pair<std::uint32_t, std::size_t>> handOvers() const {
        const std::lock_guard lock(mutex_);
        return handOvers_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::uint32_t, std::size_t>> handOvers_;
    std::vector<PostedBatch> posted_;
    std::shared_ptr<const UserAircraftState> user_ = std::make_shared<const UserAircraftState>();
    ParkAirportInfo parkAirport_;
    std::optional<std::string> reservedStand_;
    std::map<std::pair<double, double>, std::string> stands_;
    std::optional<SizeClass> excludedClass_;
    std::optional<std::int64_t> simulatorTime_;
};

// Virtual time: sleeps move it on at once. Any thread.
class FakeFeedsClock : public LoopClock {
public:
    std::int64_t nowNs() const override { return now.load(); }
    void sleepUntilNs(std::int64_t deadline) override {
        std::int64_t current = now.load();
        while (deadline > current && !now.compare_exchange_weak(current, deadline)) {
        }
        sleeps.fetch_add(1);
    }
    std::atomic<std::int64_t> now{1'000'000'000};
    std::atomic<int> sleeps{0};
};

} // namespace kiv::test_support
