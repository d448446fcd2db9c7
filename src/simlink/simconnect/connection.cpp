#include "simlink/simconnect/connection.h"

#include <fmt/format.h>

#include "foundation/byte_reader.h"
#include "foundation/log.h"
#include "platform/thread_name.h"
#include "simlink/simconnect/packet_layout.h"

namespace kiv::simconnect {
namespace {

std::atomic<std::uint32_t> nextConnectionId{1};

bool isOpenReply(std::span<const std::uint8_t> message) {
    if (message.size() < kRecvHeaderSize) {
        return false;
    }
    ByteReader reader(message, "SimConnect message");
    reader.seek(kRecvIdOffset);
    return reader.u32() == static_cast<std::uint32_t>(RecvId::open);
}

} // namespace

Connection::Connection(platform::StreamSocket socket, TransportKind kind, std::string peer,
                       std::uint32_t maxReceiveSize, bool disableNagle, SteadyClock clock)
    : id_(nextConnectionId.fetch_add(1)), kind_(kind), peer_(std::move(peer)), clock_(std::move(clock)),
      connectedAt_(clock_()), socket_(std::move(socket)), framer_(maxReceiveSize, peer_) {
    socket_.setNonBlocking(true);
    if (disableNagle && kind_ == TransportKind::socket) {
        socket_.setNoDelay(true);
    }
    ioThread_ = std::thread([this] { ioLoop(); });
}

Connection::~Connection() { close(std::chrono::milliseconds(0)); }

bool Connection::send(std::span<const std::uint8_t> bytes) {
    if (failed_.load() || stopping_.load()) {
        return false;
    }
    PacketHandle packet = pool_.acquire(bytes, id_);
    bool wasIdle = false;
    {
        std::lock_guard lock(sendQueueMutex_);
        wasIdle = packetsInFlight_.fetch_add(1) == 0;
        sendQueue_.push(std::move(packet));
    }
    // The I/O thread drains the whole queue once woken; waking it for every packet of a
    // burst would only cost system calls.
    if (wasIdle) {
        waiter_.wake();
    }
    return true;
}

PacketHandle Connection::takeReceived() {
    std::lock_guard lock(receiveQueueMutex_);
    return receiveQueue_.pop();
}

bool Connection::check() {
    if (failed_.load()) {
        return true;
    }
    if (kind_ == TransportKind::socket && !openReplySeen_.load() && clock_() - connectedAt_ >= kHandshakeTimeout) {
        fail(kFailureHandshakeTimeout, kStatusHandshakeTimeout,
             fmt::format("SimConnect: no OPEN reply from {} within {} s", peer_, kHandshakeTimeout.count()));
        return true;
    }
    return false;
}

ConnectionFailure Connection::failure() const {
    std::lock_guard lock(failureMutex_);
    return failure_;
}

void Connection::fail(std::uint32_t code, Hresult status, std::string text) {
    {
        std::lock_guard lock(failureMutex_);
        if (failed_.load()) {
            return;
        }
        failure_ = {code, status, std::move(text)};
        failed_.store(true);
    }
    gf_logLine(fmt::format("SimConnect connection {} failed (code {}, status 0x{:08X}): {}", id_, code,
                           static_cast<std::uint32_t>(status), failure().text));
    socket_.shutdownBoth();
    waiter_.wake();
    {
        // Under the queue's lock, so that close() cannot miss the wake between testing its
        // condition and starting to wait.
        std::lock_guard lock(sendQueueMutex_);
        drained_.notify_all();
    }
}

void Connection::close(std::chrono::milliseconds drain) {
    if (ioThread_.joinable()) {
        {
            std::unique_lock lock(sendQueueMutex_);
            drained_.wait_for(lock, drain, [this] { return packetsInFlight_.load() == 0 || failed_.load(); });
        }
        stopping_.store(true);
        socket_.shutdownBoth();
        waiter_.wake();
        ioThread_.join();
    }
    socket_.close();
    writing_.clear();
    std::scoped_lock lock(sendQueueMutex_, receiveQueueMutex_);
    sendQueue_.clear();
    receiveQueue_.clear();
}

void Connection::ioLoop() {
    platform::setCurrentThreadName("simconnect-io");
    while (!stopping_.load() && !failed_.load()) {
        bool wantWrite = !writing_.empty();
        if (!wantWrite) {
            std::lock_guard lock(sendQueueMutex_);
            wantWrite = !sendQueue_.empty();
        }
        const auto ready = waiter_.wait(socket_, wantWrite, std::chrono::milliseconds(-1));
        if (stopping_.load() || failed_.load()) {
            break;
        }
        if (ready.readable && !readSome()) {
            break;
        }
        if ((ready.writable || ready.woken || wantWrite) && !writeSome()) {
            break;
        }
    }
}

bool Connection::readSome() {
    const auto space = framer_.freeSpace();
    if (space.empty()) {
        fail(framer_.errorCode(), hresultFromWin32(13), framer_.error()); // ERROR_INVALID_DATA
        return false;
    }
    const auto result = socket_.receive(space);
    if (result.status == platform::IoStatus::wouldBlock) {
        return true;
    }
    if (result.status == platform::IoStatus::closed) {
        // An orderly close carries no error status; calls still fail (see failedConnectionResult).
        fail(kFailureIo, kS_OK, fmt::format("SimConnect: {} closed the connection", peer_));
        return false;
    }
    if (result.status == platform::IoStatus::failed) {
        fail(kFailureIo, hresultFromWin32(result.errorCode),
             fmt::format("SimConnect: receive from {} failed, error {}", peer_, result.errorCode));
        return false;
    }
    framer_.commit(result.bytes);
    std::span<const std::uint8_t> message;
    for (;;) {
        switch (framer_.next(message)) {
        case ReceiveFramer::Outcome::message:
            deliver(message);
            break;
        case ReceiveFramer::Outcome::needMore:
            return true;
        case ReceiveFramer::Outcome::failed:
            fail(framer_.errorCode(), hresultFromWin32(13), framer_.error());
            return false;
        }
    }
}

void Connection::deliver(std::span<const std::uint8_t> message) {
    if (isOpenReply(message)) {
        openReplySeen_.store(true);
    }
    PacketHandle packet = pool_.acquire(message, id_);
    std::lock_guard lock(receiveQueueMutex_);
    receiveQueue_.push(std::move(packet));
}

void Connection::packetsWritten(std::size_t count) {
    if (count > 0 && packetsInFlight_.fetch_sub(count) == count) {
        std::lock_guard lock(sendQueueMutex_);
        drained_.notify_all();
    }
}

bool Connection::writeSome() {
    for (;;) {
        {
            std::lock_guard lock(sendQueueMutex_);
            writing_.refill(sendQueue_);
        }
        if (writing_.empty()) {
            return true;
        }
        // One system call for the whole batch: at a frame's burst of small pose packets the
        // call, not the copy, is what costs.
        const auto result = socket_.sendGathered(writing_.unwritten());
        if (result.status == platform::IoStatus::wouldBlock) {
            return true;
        }
        if (result.status != platform::IoStatus::done) {
            fail(kFailureIo, hresultFromWin32(result.errorCode),
                 fmt::format("SimConnect: send to {} failed, error {}", peer_, result.errorCode));
            return false;
        }
        packetsWritten(writing_.advance(result.bytes));
    }
}

} // namespace kiv::simconnect
