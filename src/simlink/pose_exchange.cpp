#include "simlink/pose_exchange.h"

namespace kiv {
namespace {

constexpr std::size_t kPoseMapBuckets = 512;

} // namespace

void PoseExchange::withPublished(const std::function<void(PublishedPoseMap&)>& change) {
    std::lock_guard lock(mutex_);
    change(published_);
}

void PoseExchange::dropAll() {
    std::lock_guard lock(mutex_);
    published_.clear();
    generation_.fetch_add(1);
}

void PoseExchange::dropObject(std::uint32_t objectId) {
    std::lock_guard lock(mutex_);
    published_.erase(objectId);
}

void PoseExchange::prepare() {
    std::lock_guard lock(mutex_);
    published_.clear();
    published_.reserve(kPoseMapBuckets);
    generation_.fetch_add(1);
}

bool PoseExchange::tryExchange(PublishedPoseMap& privateMap) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || published_.empty()) {
        return false;
    }
    published_.swap(privateMap);
    return true;
}

PosePlayback::PosePlayback() {
    private_.reserve(kPoseMapBuckets);
    streams_.reserve(kPoseMapBuckets);
}

void PosePlayback::emptyPrivateMap() {
    for (auto it = private_.begin(); it != private_.end();) {
        if (streams_.contains(it->first)) {
            it->second.clear();
            ++it;
        } else {
            it = private_.erase(it); // its object was removed: the key would linger for ever
        }
    }
}

void PosePlayback::collect(PoseExchange& exchange) {
    emptyPrivateMap();
    const std::uint64_t generation = exchange.generation();
    if (generation != generationSeen_) {
        streams_.clear();
        private_.clear();
        generationSeen_ = generation;
    }
    if (!exchange.tryExchange(private_)) {
        return;
    }
    for (const auto& [objectId, samples] : private_) {
        if (samples.empty()) {
            continue;
        }
        PoseStream& stream = streams_[objectId];
        for (const PoseSample& sample : samples) {
            stream.accept(sample);
        }
    }
}

void PosePlayback::dropStream(std::uint32_t objectId) {
    streams_.erase(objectId);
    private_.erase(objectId);
}

void PosePlayback::clear() {
    streams_.clear();
    private_.clear();
}

} // namespace kiv
