// The hand-over of timed AI poses from the traffic side to the SimClient thread: the
// published map (object id to new samples) under the pose mutex, the private map and the
// playback streams on the SimClient thread, and the generation counter that tells the
// SimClient thread to drop every stream. The traffic thread locks the pose mutex; the
// SimClient thread only try-locks it, so that a frame never waits.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "simlink/pose_streams.h"
#include "traffic/neighbour_ports.h"

namespace kiv {

class PoseExchange {
public:
    // Traffic side: runs the change under the pose mutex.
    void withPublished(const std::function<void(PublishedPoseMap&)>& change);
    // Traffic side: the flight stopped running; every sample goes and every stream is dropped.
    void dropAll();
    // Traffic side: the object is being removed; its samples go.
    void dropObject(std::uint32_t objectId);
    // Preparation and reset: as dropAll, with the map's working size reserved.
    void prepare();

    // SimClient thread: exchanges the published map with `privateMap` when the pose mutex is
    // free at once and something was published; false when nothing was taken.
    bool tryExchange(PublishedPoseMap& privateMap);
    std::uint64_t generation() const { return generation_.load(); }

private:
    std::mutex mutex_;
    PublishedPoseMap published_;
    std::atomic<std::uint64_t> generation_{0};
};

// The SimClient thread's side: the private map and one stream per object.
class PosePlayback {
public:
    PosePlayback();

    // Empties the private map, drops every stream when the generation moved on, takes what
    // the traffic side published (if the mutex is free) and feeds it to the streams.
    void collect(PoseExchange& exchange);
    void dropStream(std::uint32_t objectId);
    void clear();

    std::unordered_map<std::uint32_t, PoseStream>& streams() { return streams_; }

private:
    // Keys of objects that still have a stream stay when the map is emptied (only their lists
    // are cleared), so that the maps that travel between the two threads keep their nodes and
    // lists: once every object has been seen, publishing and collecting allocate nothing.
    // Keys of removed objects (no stream) go.
    void emptyPrivateMap();

    PublishedPoseMap private_;
    std::unordered_map<std::uint32_t, PoseStream> streams_;
    std::uint64_t generationSeen_ = 0;
};

} // namespace kiv
