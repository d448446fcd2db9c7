// The receive side of a SimConnect session over arbitrary bytes from the simulator, along
// the program's own path: the framer must cut the same messages, and fail at the same place
// with the same code, however the socket splits the stream into reads; and a session opened
// with SimConnect_Open on a local pipe, whose simulator sends the stream and hangs up, must
// hand its dispatch callback exactly those messages (the ones long enough for a header)
// and then report the framer's failure, or the hang-up when the stream framed cleanly.
// Every dispatched message then goes through the SimClient thread's own dispatch (its
// message decoders and handlers) over recording SimConnect calls, which must not crash.
//
// Input: byte 0 picks MaxReceiveSize (written into the session's "SimConnect.cfg"), byte 1
// how often the stream repeats (so that inputs of a few kilobytes still reach the buffer's
// growth and its limit), byte 2 how many read sizes follow; the read sizes (one byte each,
// used in turn), then the stream.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "foundation/stop_request.h"
#include "platform/named_pipe_path.h"
#include "platform/stream_socket.h"
#include "simlink/link_fakes.h"
#include "simlink/sim_client.h"
#include "simlink/sim_link.h"
#include "simlink/simconnect/packet_layout.h"
#include "simlink/simconnect/receive_framer.h"
#include "simlink/simconnect/simconnect_api.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace {

using kiv::simconnect::ReceiveFramer;
namespace simconnect = kiv::simconnect;
using namespace std::chrono_literals;

using Bytes = std::vector<std::uint8_t>;

struct Framing {
    std::vector<Bytes> messages;
    std::uint32_t errorCode = 0;
};

std::int32_t sizeAt(const Bytes& stream, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | stream[at + i];
    }
    return static_cast<std::int32_t>(value);
}

// The framing rule over the whole stream at once, as the reference for the framer's
// read-by-read work.
Framing frameWhole(const Bytes& stream, std::uint32_t maxReceiveSize) {
    Framing framing;
    std::size_t at = 0;
    while (stream.size() - at >= 4) {
        const std::int32_t size = sizeAt(stream, at);
        if (size == 0) {
            at += 4;
            continue;
        }
        if (size > 0 && static_cast<std::uint32_t>(size) > maxReceiveSize) {
            framing.errorCode = ReceiveFramer::kMessageTooLarge;
            break;
        }
        if (size < 4) {
            framing.errorCode = ReceiveFramer::kInvalidSize;
            break;
        }
        if (static_cast<std::size_t>(size) > ReceiveFramer::kCapacityLimit) {
            framing.errorCode = ReceiveFramer::kMessageTooLarge;
            break;
        }
        if (stream.size() - at < static_cast<std::size_t>(size)) {
            break;
        }
        framing.messages.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                      stream.begin() +
                                          static_cast<std::ptrdiff_t>(at + static_cast<std::size_t>(size)));
        at += static_cast<std::size_t>(size);
    }
    return framing;
}

// Reads of the given sizes in turn (255 stands for "as much as fits"), as a socket might.
Framing frameInReads(const Bytes& stream, std::uint32_t maxReceiveSize, std::span<const std::uint8_t> readSizes) {
    ReceiveFramer framer(maxReceiveSize, "fuzz");
    Framing framing;
    std::size_t fed = 0;
    std::size_t turn = 0;
    for (;;) {
        std::span<const std::uint8_t> message;
        ReceiveFramer::Outcome outcome;
        while ((outcome = framer.next(message)) == ReceiveFramer::Outcome::message) {
            framing.messages.emplace_back(message.begin(), message.end());
        }
        if (outcome == ReceiveFramer::Outcome::failed || fed == stream.size()) {
            break;
        }
        const std::span<std::uint8_t> space = framer.freeSpace();
        if (space.empty()) {
            break; // the framer records why
        }
        const std::uint8_t pick = readSizes[turn++ % readSizes.size()];
        const std::size_t wanted = pick == 255 ? space.size() : std::size_t{pick} + 1;
        const std::size_t count = std::min({wanted, space.size(), stream.size() - fed});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(fed), count, space.begin());
        framer.commit(count);
        fed += count;
    }
    framing.errorCode = framer.errorCode();
    if ((framing.errorCode == 0) != framer.error().empty()) {
        __builtin_trap(); // a failure without its text, or a text without a failure
    }
    return framing;
}

// The simulator's end: a listener where the session looks for its pipe, and the
// "SimConnect.cfg" the session reads, both in one temp folder for the whole run.
struct Simulator {
    kiv::test_support::TempFolder folder;
    std::optional<kiv::platform::StreamListener> listener;

    Simulator() {
        kiv::platform::SocketError error;
        const auto pipe =
            kiv::platform::localPipePath("\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect", folder.path());
        listener = kiv::platform::StreamListener::listenLocal(*pipe, error);
        if (!listener) {
            __builtin_trap(); // no pipe, no target
        }
    }
    simconnect::ConnectEnvironment environment(std::uint32_t maxReceiveSize) const {
        kiv::test_support::writeFile(folder.path() / "SimConnect.cfg",
                                     fmt::format("[SimConnect]\nMaxReceiveSize={}\n", maxReceiveSize));
        simconnect::ConnectEnvironment environment;
        environment.configFolders = {folder.path()};
        environment.registry = kiv::platform::RegistryStore(folder.path() / "registry.ini");
        environment.pipeFolder = folder.path();
        environment.clock = [] { return std::chrono::steady_clock::now(); };
        return environment;
    }
};

void collect(const std::uint8_t* message, std::uint32_t size, void* context) {
    static_cast<std::vector<Bytes>*>(context)->emplace_back(message, message + size);
}

// Opens a session, lets the simulator send the stream and hang up, and dispatches until the
// session reports its failure.
Framing receiveThroughASession(const Bytes& stream, std::uint32_t maxReceiveSize) {
    static Simulator simulator;
    simconnect::HSimConnect handle = nullptr;
    if (simconnect::SimConnect_Open(&handle, "fuzz", 0, 0, 0, 0, simulator.environment(maxReceiveSize)) !=
        simconnect::kS_OK) {
        __builtin_trap();
    }
    kiv::platform::SocketError error;
    std::optional<kiv::platform::StreamSocket> peer = simulator.listener->accept(5s, error);
    if (!peer) {
        __builtin_trap();
    }
    Bytes open(simconnect::kOpenSize);
    if (!peer->receiveExact(open, 5s)) {
        __builtin_trap();
    }
    // A session that fails half-way stops reading; the rest of the stream is refused then.
    (void)peer->sendAll(stream);
    peer->close();

    Framing framing;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (simconnect::SimConnect_CallDispatch(handle, collect, &framing.messages) == simconnect::kS_OK) {
        if (std::chrono::steady_clock::now() > deadline) {
            __builtin_trap(); // the session never noticed the hang-up
        }
        std::this_thread::sleep_for(1ms);
    }
    framing.errorCode = handle->connection->failure().code;
    simconnect::SimConnect_Close(handle);
    return framing;
}

// The messages as the SimClient thread would see them, through its real dispatch. A
// handler that throws is part of the contract (the thread logs it and reconnects).
void dispatchThroughTheClient(const std::vector<Bytes>& messages) {
    kiv::SimLink link;
    kiv::test_support::FakeSimConnectCalls calls;
    kiv::test_support::RecordingLinkShell shell;
    kiv::test_support::FakeLinkNeighbours neighbours;
    kiv::SimClient client{link, calls, shell, neighbours,
                          kiv::SimClientOptions{[] { return std::int64_t{10'000'000'000}; },
                                                std::chrono::milliseconds(0), std::chrono::milliseconds(0)}};
    link.gf_prepareSimClient(5);
    link.setSimulatorState(kiv::kSimulatorRunning);
    for (const Bytes& message : messages) {
        try {
            client.lf_simClientDispatch(message);
        } catch (const std::exception&) {
        }
        (void)client.takeDispatchException();
    }
    std::vector<kiv::SimEvent> events;
    link.drainSimEvents(events);
    kiv::gf_resetRunStateForTests();
}

std::uint32_t maxReceiveSizeFor(std::uint8_t pick) {
    constexpr std::array<std::uint32_t, 4> sizes{41088, 65536, 0x100000, 0xFFFFFFFFu};
    return sizes[pick % sizes.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::uint32_t maxReceiveSize = maxReceiveSizeFor(data[0]);
    const std::size_t repeats = std::size_t{data[1]} + 1;
    const std::size_t readCount = static_cast<std::size_t>(data[2] % 16) + 1;
    if (size < 3 + readCount) {
        return 0;
    }
    const std::span<const std::uint8_t> readSizes(data + 3, readCount);
    const std::span<const std::uint8_t> payload(data + 3 + readCount, size - 3 - readCount);
    Bytes stream;
    stream.reserve(payload.size() * repeats);
    for (std::size_t i = 0; i < repeats; ++i) {
        stream.insert(stream.end(), payload.begin(), payload.end());
    }

    const Framing whole = frameWhole(stream, maxReceiveSize);
    const Framing inReads = frameInReads(stream, maxReceiveSize, readSizes);
    if (inReads.messages != whole.messages || inReads.errorCode != whole.errorCode) {
        __builtin_trap();
    }

    Framing dispatched = whole;
    std::erase_if(dispatched.messages, [](const Bytes& m) { return m.size() < simconnect::kRecvHeaderSize; });
    if (dispatched.errorCode == 0) {
        dispatched.errorCode = simconnect::kFailureIo; // the hang-up
    }
    const Framing session = receiveThroughASession(stream, maxReceiveSize);
    if (session.messages != dispatched.messages || session.errorCode != dispatched.errorCode) {
        __builtin_trap();
    }
    dispatchThroughTheClient(session.messages);
    return 0;
}
